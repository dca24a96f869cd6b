#pragma once

#include <QtGlobal>

namespace tlv::comm {

// Which driver reaches the controller and over which line: the part of a project's
// connection settings the connection itself needs. The connection takes a copy before every
// connection attempt and every read, so edits reach it at once.
struct DriverSettings
{
    qint16 dll = 1; // 0 the maker's S-Bus driver, > 0 PG5's channel, < 0 none
    qint16 pcdRegistery = 0; // non-zero: locate the buffer through the DBX registry
    qint16 station = 0;
    qint16 cpu = 0;
    qint16 com = 1;
    qint32 baudrate = 9600;

    friend bool operator==(const DriverSettings &, const DriverSettings &) = default;
};

} // namespace tlv::comm
