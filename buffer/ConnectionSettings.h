#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::buffer {

// The connection settings a trace project stores (its "CONNECTION" section) and the settings
// page edits; the connection takes its driver part as comm::DriverSettings.
// What is learnt while connected lives with the connection.
struct ConnectionSettings
{
    qint16 pcdRegistery = 0; // non-zero: locate the buffer through the DBX registry
    qint16 dll = 1; // 0 the S-Bus driver library, > 0 PG5's channel, < 0 none
    qint16 station = 0;
    qint16 cpu = 0;
    qint16 com = 1;
    qint32 baudrate = 9600;
    qint16 protocol = 0;
    qint16 autoConnect = 0;
    qint16 startReg = 0; // handshake start register of a standard buffer
    qint32 readInterval = 1000; // milliseconds

    friend bool operator==(const ConnectionSettings &, const ConnectionSettings &) = default;
};

} // namespace tlv::buffer
