#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::buffer {

// The host's connection settings record. The persisted part lives in the
// project file's "CONNECTION" section; the rest is filled while connected.
struct ConnectionSettings
{
    bool inRegisters = false; // set by the DBX lookup: buffer in registers, else in a data block
    qint16 pcdRegistery = 0; // non-zero: locate the buffer through the DBX registry
    qint16 dll = 1; // 0 the S-Bus driver library, > 0 PG5's channel, < 0 none
    QString errorText; // last error text of either driver
    qint16 station = 0;
    qint16 cpu = 0;
    qint16 com = 1;
    qint32 baudrate = 9600;
    qint16 protocol = 0;
    qint16 autoConnect = 0;
    qint16 startReg = 0; // handshake start register of a standard buffer
    qint32 baseRegister = 0; // found by the DBX lookup, added to every register read
    bool connected = false;
    qint32 readInterval = 1000; // milliseconds

    friend bool operator==(const ConnectionSettings &, const ConnectionSettings &) = default;
};

} // namespace tlv::buffer
