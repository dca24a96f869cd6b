#include "comm/sbus/SbusResult.h"

namespace tlv::comm {

QString sbusErrorName(SbusError error)
{
    switch (error) {
    case SbusError::Ok:
        return QStringLiteral("OK");
    case SbusError::NoResponse:
        return QStringLiteral("no response");
    case SbusError::Nak:
        return QStringLiteral("NAK");
    case SbusError::BadCrc:
        return QStringLiteral("bad CRC");
    case SbusError::WrongAnswer:
        return QStringLiteral("wrong answer");
    case SbusError::PortMissing:
        return QStringLiteral("port missing");
    case SbusError::PortOpenFailed:
        return QStringLiteral("port cannot be opened");
    case SbusError::AlreadyOpen:
        return QStringLiteral("already open");
    case SbusError::NotOpen:
        return QStringLiteral("not open");
    case SbusError::InvalidArgument:
        return QStringLiteral("invalid argument");
    case SbusError::SendFailed:
        return QStringLiteral("send failed");
    case SbusError::BadSettings:
        return QStringLiteral("bad settings");
    case SbusError::Unavailable:
        return QStringLiteral("driver unavailable");
    case SbusError::OutOfRange:
        return QStringLiteral("out of range");
    case SbusError::NotFound:
        return QStringLiteral("not found");
    case SbusError::DriverError:
        return QStringLiteral("driver error");
    }
    return QStringLiteral("unknown error");
}

} // namespace tlv::comm
