#include "viewer/files/ControlExport.h"

#include "viewer/core/ControlCore.h"
#include "viewer/files/ExportNaming.h"
#include "viewer/files/FilesLog.h"

namespace tlv::viewer {

ControlExport::ControlExport(ControlCore &core)
    : m_core(core)
    , m_source(core.rows(), core.cycle().columns())
    , m_exporter(m_source)
{
    m_exporter.setClearRecords([this] {
        if (!m_copying)
            m_core.Clear();
    });
    m_exporter.setRemoveOldestRows([this](int count) {
        if (m_copying)
            return;
        m_core.rows().removeOldestRows(count);
        Q_EMIT m_core.graphRedrawRequested();
    });
    QObject::connect(&m_exporter, &Exporter::NewExportFile, &m_core, [this] {
        if (m_copying)
            return;
        // The host sees the completed name when the event arrives.
        if (m_exporter.exportFile() != m_core.exportFile())
            m_core.setExportFile(m_exporter.exportFile());
        Q_EMIT m_core.NewExportFile();
    });
}

bool ControlExport::run(ControlSeams::ExportTrigger trigger)
{
    m_exporter.setExportFile(m_core.exportFile());
    m_exporter.setAutoExport(m_core.autoExport());
    m_exporter.setIndexFile(m_core.indexFile());
    m_exporter.setStampColumns(m_core.dateStampCol(), m_core.timeStampCol(), m_core.pcdStatusCol());
    m_exporter.setExportIndex(m_core.cycle().reader().exportIndex);
    const Exporter::Result result = m_exporter.Export(trigger == ControlSeams::ExportTrigger::Pcd);
    if (m_exporter.exportFile() != m_core.exportFile())
        m_core.setExportFile(m_exporter.exportFile());
    qCInfo(lcFiles).noquote() << "export to" << m_exporter.exportFile() << ":"
                              << (result == Exporter::Result::Exported ? QStringLiteral("written")
                                                                       : m_exporter.report(result));
    if (m_report && !m_exporter.report(result).isEmpty())
        m_report(m_exporter.report(result));
    return result == Exporter::Result::Exported;
}

bool ControlExport::copyTo(const QString &file)
{
    m_copying = true;
    m_exporter.setExportFile(file);
    m_exporter.setAutoExport(false);
    m_exporter.setIndexFile(ExportNaming::SameFile);
    m_exporter.setStampColumns(m_core.dateStampCol(), m_core.timeStampCol(), m_core.pcdStatusCol());
    const Exporter::Result result = m_exporter.Export(false);
    m_copying = false;
    if (m_report && !m_exporter.report(result).isEmpty())
        m_report(m_exporter.report(result));
    return result == Exporter::Result::Exported;
}

} // namespace tlv::viewer
