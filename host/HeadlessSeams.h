#pragma once

#include "viewer/core/ControlSeams.h"
#include "viewer/files/ControlExport.h"

#include <functional>

namespace tlv::common {
class Prompter;
}

namespace tlv::viewer {
class ControlCore;
}

namespace tlv::host {

// The control's seams without a window: exports as the widget does, the shutdown notice as
// two lines of text, no conversion window.
class HeadlessSeams : public viewer::ControlSeams
{
public:
    HeadlessSeams(viewer::ControlCore &core, common::Prompter *prompter);

    // Told the path of every file an export wrote, and the notice texts.
    void setExported(std::function<void(const QString &path)> told)
    {
        m_exported = std::move(told);
    }
    void setNotice(std::function<void(const QString &text)> told) { m_notice = std::move(told); }

    bool exportGrid(ExportTrigger trigger) override;
    [[nodiscard]] QString exportError() const override;
    void showShutdownNotice() override;
    void openConversionWindow(int, int) override { }
    bool crypt(const QString &fileName, QString *error) override;

    [[nodiscard]] viewer::Exporter &exporter() { return m_export.exporter(); }

private:
    viewer::ControlCore &m_core;
    common::Prompter *m_prompter;
    viewer::ControlExport m_export;
    QString m_report; // the last export's status line
    std::function<void(const QString &)> m_exported;
    std::function<void(const QString &)> m_notice;
};

} // namespace tlv::host
