#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::buffer {

// Finds the start register of the public events buffer in the PG5 project's
// system symbol file ("Sym_System.sy5" in the project folder).
class PublicEvents
{
public:
    struct Result
    {
        qint16 startRegister = -1; // -1 when not found
        QString statusText; // for the status bar; empty on success
        QString message; // for a critical box; empty on success
    };

    static Result findStartRegister(const QString &projectPath);
};

} // namespace tlv::buffer
