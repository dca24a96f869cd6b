#pragma once

#include <QByteArrayView>
#include <QtGlobal>

namespace tlv::comm::SbusCommand {

// Command codes used by the client and understood by the simulator.
inline constexpr quint8 ReadCounters = 0x00;
inline constexpr quint8 ReadDisplayRegister = 0x01;
inline constexpr quint8 ReadFlags = 0x02;
inline constexpr quint8 ReadInputs = 0x03;
inline constexpr quint8 ReadClock = 0x04;
inline constexpr quint8 ReadOutputs = 0x05;
inline constexpr quint8 ReadRegisters = 0x06;
inline constexpr quint8 ReadTimers = 0x07;
inline constexpr quint8 WriteCounters = 0x0A;
inline constexpr quint8 WriteFlags = 0x0B;
inline constexpr quint8 WriteOutputs = 0x0D;
inline constexpr quint8 WriteRegisters = 0x0E;
inline constexpr quint8 WriteTimers = 0x0F;
inline constexpr quint8 ReadStatusCpu0 = 0x14; // .. 0x1A for CPU 6
inline constexpr quint8 ReadStatusOwn = 0x1B;
inline constexpr quint8 ReadStationNumber = 0x1D;
inline constexpr quint8 ReadFirmwareVersion = 0x20;
inline constexpr quint8 ReadDataBlock = 0x96;
inline constexpr quint8 ReadBlockSize = 0x9C;
inline constexpr quint8 ReadDbx = 0x9F;

// Block type code of a DBX in the block-size request.
inline constexpr quint16 DbxBlockType = 0x000A;

// Bytes of command data that follow the command byte of a request, judged from the first
// bytes of that data (write commands carry their own count). -1: unknown command;
// -2: more bytes needed to tell. Serial data mode has no length field, so a receiver needs this.
int requestDataLength(quint8 command, QByteArrayView dataSoFar);

} // namespace tlv::comm::SbusCommand
