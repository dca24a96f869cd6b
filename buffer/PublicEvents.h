#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::common {
class Prompter;
}

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
    };

    // Failures are also shown through the prompter.
    static Result findStartRegister(const QString &projectPath, common::Prompter &prompter);
};

} // namespace tlv::buffer
