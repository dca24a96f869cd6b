#pragma once

#include "comm/sbus/SbusTransport.h"

#include <QByteArray>
#include <QByteArrayView>

namespace tlv::comm {

// Byte layouts of S-Bus telegrams: CRC-16, Ether-S-Bus (UDP) frames and the serial data mode.
class SbusFrame
{
public:
    enum class Attribute : quint8 { Request = 0, Response = 1, AckNak = 2 };
    enum class Check { Ok, BadCrc, Malformed };

    // Parsed Ether-S-Bus frame; body is what follows the attribute byte, CRC excluded.
    struct Ether
    {
        quint8 version = 0;
        quint8 type = 0;
        quint16 sequence = 0;
        quint8 attribute = 0;
        QByteArray body;
    };

    static constexpr int etherHeaderSize = 9;
    static constexpr int etherMinimumSize = 11; // header and CRC, empty body
    static constexpr quint8 etherRequestVersion = 1;
    static constexpr quint8 etherAnswerVersion = 0;
    static constexpr quint8 serialFrameStart = 0xB5; // FS
    static constexpr quint8 serialDle = 0xC5; // DLE

    // CRC-16/XMODEM: polynomial 0x1021, start 0, MSB first, no final XOR.
    static quint16 crc16(QByteArrayView bytes, quint16 crc = 0);

    static QByteArray etherRequest(quint16 sequence, quint8 station, quint8 command,
        QByteArrayView data, quint8 version = etherRequestVersion);
    static QByteArray etherResponse(quint16 sequence, QByteArrayView data);
    static QByteArray etherAckNak(quint16 sequence, quint16 code);
    // Checks LEN against the datagram size, VER/TYPE/ATT ranges and the CRC. A datagram whose
    // LEN disagrees with its size is BadCrc when its last two bytes are not a CRC over the rest
    // (damaged in transit), otherwise Malformed.
    static Check parseEther(QByteArrayView datagram, Ether *frame);

    // Serial data mode. The CRC is computed over the unescaped bytes; which ones is decided
    // in serialCrc() alone.
    static quint16 serialCrc(QByteArrayView unescapedAfterFs);
    static QByteArray serialRequest(quint8 station, quint8 command, QByteArrayView data);
    static QByteArray serialResponse(QByteArrayView data);
    static QByteArray serialAckNak(quint16 code);
    // FS + escaped(unescapedAfterFs + CRC)
    static QByteArray serialFrame(QByteArrayView unescapedAfterFs);
    // Escapes FS and DLE as DLE 00 / DLE 01.
    static QByteArray escapeSerial(QByteArrayView bytes);
};

} // namespace tlv::comm
