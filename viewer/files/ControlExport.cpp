#include "viewer/files/ControlExport.h"

#include "viewer/core/ControlCore.h"

namespace tlv::viewer {

ControlExport::ControlExport(ControlCore &core, common::Prompter *prompter)
    : m_core(core)
    , m_source(core.rows(), core.cycle().columns())
    , m_exporter(m_source, prompter)
{
    m_exporter.setClearRecords([this] { m_core.Clear(); });
    m_exporter.setRemoveOldestRows([this](int count) {
        m_core.rows().removeOldestRows(count);
        Q_EMIT m_core.graphRedrawRequested();
    });
    QObject::connect(&m_exporter, &Exporter::NewExportFile, &m_core, [this] {
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
    return result == Exporter::Result::Exported;
}

} // namespace tlv::viewer
