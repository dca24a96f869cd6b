#pragma once

#include "viewer/core/ControlSeams.h"
#include "viewer/files/ExportGridSource.h"
#include "viewer/files/Exporter.h"

#include <functional>

namespace tlv::viewer {

class ControlCore;

// The export of a control's grid, bound to its core: the core's settings go to
// the exporter before every run, a good export clears the records, a cut one
// drops only the rows written, and the completed file name flows back.
// The window and the headless recorder share it, and show what the exporter has
// to tell (exporter().takeMessages()) after each run.
class ControlExport
{
public:
    explicit ControlExport(ControlCore &core);

    // True when the file holds every record of the grid.
    bool run(ControlSeams::ExportTrigger trigger);
    // Writes the grid to file as a user export does, but leaves the grid, the export file
    // and its naming as they are: a copy of what is shown. True when every record is in it.
    bool copyTo(const QString &file);
    // Told one line after every export that ran (Exporter::report).
    void setReport(std::function<void(const QString &line)> report)
    {
        m_report = std::move(report);
    }

    [[nodiscard]] Exporter &exporter() { return m_exporter; }
    [[nodiscard]] const Exporter &exporter() const { return m_exporter; }

private:
    ControlCore &m_core;
    ExportGridSource m_source;
    Exporter m_exporter;
    std::function<void(const QString &)> m_report;
    bool m_copying = false;
};

} // namespace tlv::viewer
