#include "comm/sbus/SbusCommand.h"

namespace tlv::comm::SbusCommand {

int requestDataLength(quint8 command, QByteArrayView dataSoFar)
{
    switch (command) {
    case ReadCounters:
    case ReadFlags:
    case ReadInputs:
    case ReadOutputs:
    case ReadRegisters:
    case ReadTimers:
        return 3; // count-1, address
    case ReadDisplayRegister:
    case ReadClock:
    case ReadStationNumber:
    case ReadFirmwareVersion:
        return 0;
    case WriteCounters:
    case WriteFlags:
    case WriteOutputs:
    case WriteRegisters:
    case WriteTimers:
        // wcount leaves out itself and one address byte (4·n + 1 for n registers)
        if (dataSoFar.isEmpty())
            return -2;
        return 2 + quint8(dataSoFar[0]);
    case ReadDataBlock:
        return 5; // count-1, DB, first element
    case ReadBlockSize:
        return 4; // type, block number
    case ReadDbx:
        return 6; // count-1, DBX, 24-bit first element
    default:
        if (command >= ReadStatusCpu0 && command <= ReadStatusOwn)
            return 0;
        return -1;
    }
}

} // namespace tlv::comm::SbusCommand
