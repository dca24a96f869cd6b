#include "viewer/core/PromptingSeams.h"

#include "common/Prompter.h"

#include <QTextStream>

namespace tlv::viewer {

using common::Prompter;

PromptingSeams::PromptingSeams(Prompter *prompter)
    : m_prompter(prompter)
{ }

QString PromptingSeams::exportUnavailableText()
{
    return QStringLiteral("Export is not available in this version: no file was written.");
}

QString PromptingSeams::shutdownNoticeText()
{
    return QStringLiteral("Tolvane Application will shut down...\nShutdown Command");
}

void PromptingSeams::tell(const QString &text, bool warning)
{
    if (m_prompter) {
        m_prompter->message(text, QStringLiteral("Tolvane"),
            warning ? Prompter::Style::Exclamation : Prompter::Style::Information);
        return;
    }
    QTextStream(stderr) << text << Qt::endl;
}

bool PromptingSeams::exportGrid(ExportTrigger trigger)
{
    if (trigger != ExportTrigger::User) {
        if (m_toldAutomaticExport)
            return false;
        m_toldAutomaticExport = true;
    }
    tell(exportUnavailableText(), true);
    return false;
}

void PromptingSeams::showShutdownNotice()
{
    tell(shutdownNoticeText(), false);
}

void PromptingSeams::openConversionWindow(int row, int gridColumn)
{
    Q_UNUSED(row);
    Q_UNUSED(gridColumn);
    tell(QStringLiteral("The value conversion window is not available in this version."), false);
}

bool PromptingSeams::crypt(const QString &fileName, QString *error)
{
    const QString text = QStringLiteral("Enciphering is not available in this version: ") + fileName
        + QStringLiteral(" was not changed.");
    if (error)
        *error = text;
    tell(text, true);
    return false;
}

} // namespace tlv::viewer
