#include "comm/PcdStatusMap.h"
#include "common/PcdStatusText.h"

namespace tlv::comm::PcdStatusMap {

// The controller answers its run status as one letter. The viewer's table
// knows numbers only, so the letters are mapped here and nowhere else:
//   'R' -> 2 Run, 'S' -> 3 Stop, 'H' -> 4 Halt, 'C' -> 5 Conditional Run,
//   'D' -> 1 Disconnect (a CPU that is not there answers 'D'),
//   anything else (for instance the intermediate 'X') -> 6, shown as "Bad Status".
// 0 Offline is never answered by a controller: the host uses it when the read fails.
qint32 fromPcdByte(quint8 byte)
{
    switch (byte) {
    case 'R':
        return Run;
    case 'S':
        return Stop;
    case 'H':
        return Halt;
    case 'C':
        return ConditionalRun;
    case 'D':
        return Disconnect;
    default:
        return BadStatus;
    }
}

QString text(qint32 status)
{
    return common::pcdStatusText(status);
}

} // namespace tlv::comm::PcdStatusMap
