#include "comm/ScommCodes.h"

namespace tlv::comm {

qint32 scommCodeFor(const SbusResult &result)
{
    switch (result.error) {
    case SbusError::Ok:
        return raw(ScommCode::Ok);
    case SbusError::NoResponse:
        return raw(ScommCode::NoResp);
    case SbusError::Nak:
        return raw(ScommCode::Nak);
    case SbusError::BadCrc:
        return raw(ScommCode::BccErr);
    case SbusError::WrongAnswer:
        return raw(ScommCode::Invalid);
    case SbusError::PortMissing:
    case SbusError::PortOpenFailed:
        return raw(ScommCode::CantOpen);
    case SbusError::AlreadyOpen:
        return raw(ScommCode::InUse);
    case SbusError::NotOpen:
        return raw(ScommCode::NotOpen);
    case SbusError::InvalidArgument:
    case SbusError::BadSettings:
    case SbusError::OutOfRange:
    case SbusError::NotFound:
        return raw(ScommCode::BadParm);
    case SbusError::Unavailable:
        return raw(ScommCode::Unavailable);
    case SbusError::SendFailed:
    case SbusError::DriverError:
        return raw(ScommCode::ComErr);
    }
    return raw(ScommCode::ComErr);
}

SbusError scommKindOf(qint32 code)
{
    if (code <= 0)
        return SbusError::Ok;
    switch (ScommCode(code)) {
    case ScommCode::Ok:
        return SbusError::Ok;
    case ScommCode::Nak:
        return SbusError::Nak;
    case ScommCode::ComErr:
        return SbusError::SendFailed;
    case ScommCode::BccErr:
        return SbusError::BadCrc;
    case ScommCode::Invalid:
        return SbusError::WrongAnswer;
    case ScommCode::NoResp:
        return SbusError::NoResponse;
    case ScommCode::InUse:
        return SbusError::AlreadyOpen;
    case ScommCode::BadParm:
        return SbusError::InvalidArgument;
    case ScommCode::CantOpen:
        return SbusError::PortOpenFailed;
    case ScommCode::NotOpen:
        return SbusError::NotOpen;
    case ScommCode::Unavailable:
        return SbusError::Unavailable;
    }
    return SbusError::DriverError;
}

} // namespace tlv::comm
