#include "host/HeadlessSeams.h"

#include "common/LineCipher.h"
#include "viewer/core/ControlCore.h"

namespace tlv::host {

HeadlessSeams::HeadlessSeams(viewer::ControlCore &core, common::Prompter *prompter)
    : m_core(core)
    , m_export(core, prompter)
{ }

bool HeadlessSeams::exportGrid(ExportTrigger trigger)
{
    const bool done = m_export.run(trigger);
    if (done && m_exported)
        m_exported(m_export.exporter().lastTarget());
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
