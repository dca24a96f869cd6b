#pragma once

#include "viewer/core/ControlSeams.h"
#include "viewer/files/ControlExport.h"
#include "viewer/widgets/ConversionFrame.h"

#include <QPointer>

#include <memory>

class QWidget;

namespace tlv::common {
class Prompter;
}

namespace tlv::viewer {

class ControlCore;

// The parts of the control that need the file layer or a window: export, the
// shutdown notice, the value conversion window and the cipher.
class WidgetSeams : public ControlSeams
{
public:
    WidgetSeams(ControlCore &core, QWidget *window, common::Prompter *prompter);
    ~WidgetSeams() override;

    bool exportGrid(ExportTrigger trigger) override;
    [[nodiscard]] QString exportError() const override;
    void showShutdownNotice() override;
    void openConversionWindow(int row, int gridColumn) override;
    bool crypt(const QString &fileName, QString *error) override;

    // How long the shutdown notice stays (tests make it short).
    void setShutdownDelay(int ms) { m_shutdownDelay = ms; }
    [[nodiscard]] Exporter &exporter() { return m_export.exporter(); }
    // The grid written to file, the grid and the export settings left as they are.
    bool exportCopy(const QString &file);
    // Told one line after every export: the file and its rows, or why not.
    void setExportReport(std::function<void(const QString &line)> report)
    {
        m_export.setReport(std::move(report));
    }
    // Created at the first opening; null before.
    [[nodiscard]] ConversionFrame *conversionFrame() const { return m_conversion; }

private:
    // Shows what the last export has to tell.
    void tellExport();

    ControlCore &m_core;
    QWidget *m_window = nullptr;
    common::Prompter *m_prompter = nullptr;
    ControlExport m_export;
    QPointer<ConversionFrame> m_conversion;
    int m_shutdownDelay;
};

} // namespace tlv::viewer
