#pragma once

#include "buffer/ConnectionSettings.h"

#include <QString>
#include <QtGlobal>

namespace tlv::buffer {

// Everything the settings page edits and the project file stores besides the
// user buffer: the connection record plus the display and export options.
struct ProjectSettings
{
    ConnectionSettings connection;
    QString exportFile; // absolute path; the file stores it project-relative
    qint16 dateColumn = 0;
    qint16 timeColumn = 0;
    qint16 statusColumn = 1;
    qint32 maxRows = 500;
    qint32 maxGraph = 20;
    qint16 autoExport = 0;
    qint16 indexFile = 0; // 0 replace, 1 indexed name, 2 indexed with serial number
    qint16 journal = 0; // 1: keep a journal of every row beside the project

    friend bool operator==(const ProjectSettings &, const ProjectSettings &) = default;

    // True when the values the close question looks at differ (PCDRegistery
    // and the runtime fields of the connection are not among them).
    [[nodiscard]] bool differsForSave(const ProjectSettings &saved) const
    {
        const ConnectionSettings &a = connection;
        const ConnectionSettings &b = saved.connection;
        return a.baudrate != b.baudrate || a.com != b.com || a.cpu != b.cpu || a.dll != b.dll
            || a.protocol != b.protocol || a.readInterval != b.readInterval
            || a.startReg != b.startReg || a.autoConnect != b.autoConnect || a.station != b.station
            || exportFile != saved.exportFile || maxGraph != saved.maxGraph
            || maxRows != saved.maxRows || autoExport != saved.autoExport
            || indexFile != saved.indexFile || dateColumn != saved.dateColumn
            || timeColumn != saved.timeColumn || statusColumn != saved.statusColumn
            || journal != saved.journal;
    }
};

} // namespace tlv::buffer
