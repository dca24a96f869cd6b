#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::comm {

// The run status the controller answers (one ASCII byte) turned into the
// numeric status the viewer shows, and the texts of those numbers.
namespace PcdStatusMap {

inline constexpr qint32 Offline = 0;
inline constexpr qint32 Disconnect = 1;
inline constexpr qint32 Run = 2;
inline constexpr qint32 Stop = 3;
inline constexpr qint32 Halt = 4;
inline constexpr qint32 ConditionalRun = 5;
inline constexpr qint32 BadStatus = 6;
inline constexpr qint32 Demo = 99;

// 'R' 2, 'S' 3, 'H' 4, 'C' 5, 'D' 1, any other byte 6.
[[nodiscard]] qint32 fromPcdByte(quint8 byte);
// "Run", "Stop", ..., "Bad Status" for a code without a text.
[[nodiscard]] QString text(qint32 status);

} // namespace PcdStatusMap
} // namespace tlv::comm
