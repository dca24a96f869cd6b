#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::comm {

// What went wrong on one S-Bus operation. Ordered roughly from the wire outwards.
enum class SbusError {
    Ok,
    NoResponse, // nothing usable arrived within timeout × (retries + 1)
    Nak, // the station refused the request; SbusResult::nakCode holds its code
    BadCrc, // an answer arrived but its checksum was wrong (on every attempt)
    WrongAnswer, // garbled, short, oversized or mismatched answer
    PortMissing, // serial device does not exist
    PortOpenFailed, // device/socket exists but cannot be opened or bound, host unknown
    AlreadyOpen, // open() on an open client; the existing connection stays
    NotOpen, // operation on a closed client
    InvalidArgument, // count/address out of range; nothing was sent
    SendFailed, // the transport refused to send
    // Above the wire: what a driver of the connection reports.
    BadSettings, // the connection's parameters were refused before anything was opened
    Unavailable, // the driver or its library cannot be used at all
    OutOfRange, // a register range past the highest register; nothing was sent
    NotFound, // the DBX registry holds no such key
    DriverError, // a driver code that has no kind of its own
};

// Outcome of one operation: its kind, the NAK code when refused, and a readable text. The
// same value travels from the wire through the drivers to the host, which decides what the
// user sees.
struct SbusResult
{
    SbusError error = SbusError::Ok;
    quint16 nakCode = 0;
    QString errorString;

    [[nodiscard]] bool ok() const { return error == SbusError::Ok; }
    explicit operator bool() const { return ok(); }

    static SbusResult success() { return {}; }
    static SbusResult failure(SbusError error, const QString &text, quint16 nakCode = 0)
    {
        return { error, nakCode, text };
    }
};

// Short English name of an error code ("no response", "NAK", ...), used in error strings and logs.
QString sbusErrorName(SbusError error);

} // namespace tlv::comm
