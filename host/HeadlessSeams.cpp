#include "host/HeadlessSeams.h"

#include "common/LineCipher.h"
#include "common/PromptMessage.h"
#include "viewer/core/ControlCore.h"

namespace tlv::host {

HeadlessSeams::HeadlessSeams(viewer::ControlCore &core, common::Prompter *prompter)
    : m_core(core)
    , m_prompter(prompter)
    , m_export(core)
{
    m_export.setReport([this](const QString &line) { m_report = line; });
}

bool HeadlessSeams::exportGrid(ExportTrigger trigger)
{
    m_report.clear();
    const bool done = m_export.run(trigger);
    const common::PromptMessages messages = m_export.exporter().takeMessages();
    if (m_prompter)
        common::tell(*m_prompter, messages);
    if (done && m_exported)
        m_exported(m_export.exporter().lastTarget());
    // The window shows why an export asked for failed in its status bar; without one it is
    // told here, or a full disk would pass unnoticed.
    if (!done && trigger == ExportTrigger::User && m_prompter && !m_report.isEmpty())
        m_prompter->notice(
            m_report, QStringLiteral("Tolvane Export File"), common::Prompter::Style::Exclamation);
    return done;
}

QString HeadlessSeams::exportError() const
{
    return m_export.exporter().lastError();
}

void HeadlessSeams::showShutdownNotice()
{
    if (m_notice)
        m_notice(QStringLiteral("Tolvane Application will shut down...\nShutdown Command"));
}

bool HeadlessSeams::crypt(const QString &fileName, QString *error)
{
    QString why;
    if (!common::LineCipher::encipherFile(fileName, &why).isEmpty())
        return true;
    if (error)
        *error = why.isEmpty() ? common::LineCipher::CryptAborted : why;
    return false;
}

} // namespace tlv::host
