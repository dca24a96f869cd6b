#pragma once

#include "comm/sbus/SbusResult.h"

#include <QtGlobal>

namespace tlv::comm {

// The result codes of PG5's communication library, as its functions return them.
enum class ScommCode : qint32 {
    Ok = 0,
    Nak = 1,
    ComErr = 2,
    BccErr = 3,
    Invalid = 4,
    NoResp = 6,
    InUse = 9,
    BadParm = 10,
    CantOpen = 17,
    NotOpen = 35,
    Unavailable = 101, // the library could not be used at all
};

[[nodiscard]] constexpr qint32 raw(ScommCode code)
{
    return qint32(code);
}

// The code the library returns for an S-Bus outcome, and the kind a returned code stands for.
[[nodiscard]] qint32 scommCodeFor(const SbusResult &result);
[[nodiscard]] SbusError scommKindOf(qint32 code);

} // namespace tlv::comm
