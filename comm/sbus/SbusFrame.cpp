#include "comm/sbus/SbusFrame.h"

#include <QtEndian>

#include <array>

namespace tlv::comm {

namespace {

constexpr std::array<quint16, 256> makeCrcTable()
{
    std::array<quint16, 256> table {};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = quint16(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
        table[size_t(i)] = crc;
    }
    return table;
}

constexpr std::array<quint16, 256> crcTable = makeCrcTable();

void appendU16(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value >> 8));
    bytes.append(char(value & 0xFF));
}

quint16 readU16(QByteArrayView bytes, qsizetype at)
{
    return quint16((quint8(bytes[at]) << 8) | quint8(bytes[at + 1]));
}

QByteArray etherFrame(quint8 version, quint16 sequence, quint8 attribute, QByteArrayView body)
{
    const qsizetype length = SbusFrame::etherHeaderSize + body.size() + 2;
    QByteArray frame;
    frame.reserve(length);
    appendU16(frame, quint16(quint32(length) >> 16));
    appendU16(frame, quint16(length & 0xFFFF));
    frame.append(char(version));
    frame.append(char(0)); // type
    appendU16(frame, sequence);
    frame.append(char(attribute));
    frame.append(body.data(), body.size());
    appendU16(frame, SbusFrame::crc16(frame));
    return frame;
}

} // namespace

quint16 SbusFrame::crc16(QByteArrayView bytes, quint16 crc)
{
    for (const char byte : bytes)
        crc = quint16(crcTable[((crc >> 8) ^ quint8(byte)) & 0xFF] ^ (crc << 8));
    return crc;
}

QByteArray SbusFrame::etherRequest(
    quint16 sequence, quint8 station, quint8 command, QByteArrayView data, quint8 version)
{
    QByteArray body;
    body.reserve(2 + data.size());
    body.append(char(station));
    body.append(char(command));
    body.append(data.data(), data.size());
    return etherFrame(version, sequence, quint8(Attribute::Request), body);
}

QByteArray SbusFrame::etherResponse(quint16 sequence, QByteArrayView data)
{
    return etherFrame(etherAnswerVersion, sequence, quint8(Attribute::Response), data);
}

QByteArray SbusFrame::etherAckNak(quint16 sequence, quint16 code)
{
    QByteArray body;
    appendU16(body, code);
    return etherFrame(etherAnswerVersion, sequence, quint8(Attribute::AckNak), body);
}

SbusFrame::Check SbusFrame::parseEther(QByteArrayView datagram, Ether *frame)
{
    const qsizetype size = datagram.size();
    if (size < etherMinimumSize)
        return Check::Malformed;
    const quint16 crcAtEnd = readU16(datagram, size - 2);
    const bool crcFits = crc16(datagram.first(size - 2)) == crcAtEnd;
    const quint32 length = qFromBigEndian<quint32>(datagram.data());
    if (length != quint32(size))
        return crcFits ? Check::Malformed : Check::BadCrc;
    if (!crcFits)
        return Check::BadCrc;
    const quint8 version = quint8(datagram[4]);
    const quint8 type = quint8(datagram[5]);
    const quint8 attribute = quint8(datagram[8]);
    if (version > 1 || type > 1 || attribute > quint8(Attribute::AckNak))
        return Check::Malformed;
    if (frame) {
        frame->version = version;
        frame->type = type;
        frame->sequence = readU16(datagram, 6);
        frame->attribute = attribute;
        frame->body = datagram.sliced(etherHeaderSize, size - etherHeaderSize - 2).toByteArray();
    }
    return Check::Ok;
}

// The serial CRC includes the frame start byte: no source settles whether it does, so this
// is the single place to change once a real serial capture shows otherwise.
quint16 SbusFrame::serialCrc(QByteArrayView unescapedAfterFs)
{
    const char start = char(serialFrameStart);
    return crc16(unescapedAfterFs, crc16(QByteArrayView(&start, 1)));
}

QByteArray SbusFrame::escapeSerial(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 4);
    for (const char byte : bytes) {
        if (quint8(byte) == serialFrameStart) {
            out.append(char(serialDle));
            out.append(char(0x00));
        } else if (quint8(byte) == serialDle) {
            out.append(char(serialDle));
            out.append(char(0x01));
        } else {
            out.append(byte);
        }
    }
    return out;
}

QByteArray SbusFrame::serialFrame(QByteArrayView unescapedAfterFs)
{
    QByteArray plain = unescapedAfterFs.toByteArray();
    appendU16(plain, serialCrc(unescapedAfterFs));
    return char(serialFrameStart) + escapeSerial(plain);
}

QByteArray SbusFrame::serialRequest(quint8 station, quint8 command, QByteArrayView data)
{
    QByteArray plain;
    plain.append(char(Attribute::Request));
    plain.append(char(station));
    plain.append(char(command));
    plain.append(data.data(), data.size());
    return serialFrame(plain);
}

QByteArray SbusFrame::serialResponse(QByteArrayView data)
{
    QByteArray plain;
    plain.append(char(Attribute::Response));
    plain.append(data.data(), data.size());
    return serialFrame(plain);
}

QByteArray SbusFrame::serialAckNak(quint16 code)
{
    QByteArray plain;
    plain.append(char(Attribute::AckNak));
    appendU16(plain, code);
    return serialFrame(plain);
}

} // namespace tlv::comm
