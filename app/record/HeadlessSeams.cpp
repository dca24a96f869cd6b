#include "app/record/HeadlessSeams.h"

#include "viewer/core/ControlCore.h"
#include "viewer/files/LineCipher.h"

namespace tlv::app {

HeadlessSeams::HeadlessSeams(viewer::ControlCore &core, common::Prompter *prompter)
    : m_core(core)
    , m_source(core.rows(), core.cycle().columns())
    , m_exporter(m_source, prompter)
{
    m_exporter.setClearRecords([this] { m_core.Clear(); });
    QObject::connect(&m_exporter, &viewer::Exporter::NewExportFile, &m_core, [this] {
        if (m_exporter.exportFile() != m_core.exportFile())
            m_core.setExportFile(m_exporter.exportFile());
        Q_EMIT m_core.NewExportFile();
    });
}

bool HeadlessSeams::exportGrid(ExportTrigger trigger)
{
    m_exporter.setExportFile(m_core.exportFile());
    m_exporter.setAutoExport(m_core.autoExport());
    m_exporter.setIndexFile(m_core.indexFile());
    m_exporter.setStampColumns(m_core.dateStampCol(), m_core.timeStampCol(), m_core.pcdStatusCol());
    m_exporter.setExportIndex(m_core.cycle().reader().exportIndex);
    const viewer::Exporter::Result result = m_exporter.Export(trigger == ExportTrigger::Pcd);
    if (m_exporter.exportFile() != m_core.exportFile())
        m_core.setExportFile(m_exporter.exportFile());
    const bool done = result == viewer::Exporter::Result::Exported;
    if (done && m_exported)
        m_exported(m_exporter.lastTarget());
    return done;
}

void HeadlessSeams::showShutdownNotice()
{
    if (m_notice)
        m_notice(QStringLiteral("Tolvane Application will shut down...\nShutdown Command"));
}

bool HeadlessSeams::crypt(const QString &fileName, QString *error)
{
    QString why;
    if (!viewer::LineCipher::encipherFile(fileName, &why).isEmpty())
        return true;
    if (error)
        *error = why.isEmpty() ? viewer::LineCipher::CryptAborted : why;
    return false;
}

} // namespace tlv::app
