#pragma once

#include <QtGlobal>

namespace tlv::comm::ScommCode {

inline constexpr qint32 Ok = 0;
inline constexpr qint32 Nak = 1;
inline constexpr qint32 ComErr = 2;
inline constexpr qint32 BccErr = 3;
inline constexpr qint32 Invalid = 4;
inline constexpr qint32 NoResp = 6;
inline constexpr qint32 InUse = 9;
inline constexpr qint32 BadParm = 10;
inline constexpr qint32 CantOpen = 17;
inline constexpr qint32 NotOpen = 35;
// The library could not be used at all.
inline constexpr qint32 Unavailable = 101;

} // namespace tlv::comm::ScommCode
