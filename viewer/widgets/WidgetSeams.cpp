#include "viewer/widgets/WidgetSeams.h"

#include "common/LineCipher.h"
#include "common/PromptMessage.h"
#include "viewer/core/ControlCore.h"
#include "viewer/files/Exporter.h"
#include "viewer/widgets/ConversionFrame.h"
#include "viewer/widgets/ShutdownNotice.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>

namespace tlv::viewer {

WidgetSeams::WidgetSeams(ControlCore &core, QWidget *window, common::Prompter *prompter)
    : m_core(core)
    , m_window(window)
    , m_prompter(prompter)
    , m_export(core)
    , m_shutdownDelay(ShutdownNotice::DefaultDelayMs)
{
    QObject::connect(&m_export.exporter(), &Exporter::busyChanged, &m_core, [this](bool busy) {
        if (m_window)
            m_window->setUpdatesEnabled(!busy);
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

WidgetSeams::~WidgetSeams()
{
    delete m_conversion.data();
}

bool WidgetSeams::exportGrid(ExportTrigger trigger)
{
    const bool done = m_export.run(trigger);
    tellExport();
    return done;
}

bool WidgetSeams::exportCopy(const QString &file)
{
    const bool done = m_export.copyTo(file);
    tellExport();
    return done;
}

void WidgetSeams::tellExport()
{
    const common::PromptMessages messages = m_export.exporter().takeMessages();
    if (m_prompter)
        common::tell(*m_prompter, messages);
}

QString WidgetSeams::exportError() const
{
    return m_export.exporter().lastError();
}

void WidgetSeams::showShutdownNotice()
{
    ShutdownNotice notice(m_window, m_shutdownDelay);
    notice.showAndWait();
}

void WidgetSeams::openConversionWindow(int row, int gridColumn)
{
    const RowStore &rows = m_core.rows();
    const int number = rows.columnNumberAt(gridColumn);
    if (number < 0 || rows.isSeparator(row))
        return;
    const auto request = ConversionText::forCell(m_core.cycle().columns()[number],
        rows.rawValue(row, gridColumn), rows.cell(row, gridColumn), rows.comment(row, gridColumn));
    if (!request)
        return;
    if (!m_conversion) {
        m_conversion = new ConversionFrame(m_window);
        if (auto *grid
            = m_window ? m_window->findChild<QWidget *>(QStringLiteral("grid")) : nullptr)
            QObject::connect(m_conversion.data(), &ConversionFrame::closed, grid, [this, grid] {
                if (m_conversion && m_conversion->takeClosedFlag())
                    grid->setFocus();
            });
    }
    m_conversion->showRequest(*request);
}

bool WidgetSeams::crypt(const QString &fileName, QString *error)
{
    if (!m_prompter) {
        QString why;
        if (!common::LineCipher::encipherFile(fileName, &why).isEmpty())
            return true;
        if (error)
            *error = why.isEmpty() ? common::LineCipher::CryptAborted : why;
        return false;
    }
    const bool ok = common::LineCipher::crypt(fileName, *m_prompter);
    if (!ok && error)
        *error = common::LineCipher::CryptAborted;
    return ok;
}

} // namespace tlv::viewer
