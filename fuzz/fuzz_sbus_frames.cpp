// S-Bus frames: the Ether-S-Bus parser and the serial data-mode decoder.
//
// Properties: a datagram the parser accepts is the one the frame builder makes
// of its parts; the serial decoder gives the same frame whether bytes come all
// at once or one by one; and it undoes the escaping of any frame it is given.

#include "FuzzSupport.h"

#include "comm/sbus/SbusFrame.h"
#include "comm/sbus/SbusSerialDecoder.h"

using namespace tlv;
using comm::SbusFrame;
using comm::SbusSerialDecoder;

namespace {

void checkEther(const QByteArray &datagram)
{
    SbusFrame::Ether frame;
    if (SbusFrame::parseEther(datagram, &frame) != SbusFrame::Check::Ok)
        return;
    if (frame.type != 0)
        return; // the builder always writes type 0
    QByteArray rebuilt;
    switch (SbusFrame::Attribute(frame.attribute)) {
    case SbusFrame::Attribute::Request:
        if (frame.body.size() < 2)
            return;
        rebuilt = SbusFrame::etherRequest(frame.sequence, quint8(frame.body[0]),
            quint8(frame.body[1]), QByteArrayView(frame.body).sliced(2), frame.version);
        break;
    case SbusFrame::Attribute::Response:
        if (frame.version != SbusFrame::etherAnswerVersion)
            return;
        rebuilt = SbusFrame::etherResponse(frame.sequence, frame.body);
        break;
    case SbusFrame::Attribute::AckNak:
        if (frame.version != SbusFrame::etherAnswerVersion || frame.body.size() != 2)
            return;
        rebuilt = SbusFrame::etherAckNak(
            frame.sequence, quint16((quint8(frame.body[0]) << 8) | quint8(frame.body[1])));
        break;
    }
    if (rebuilt != datagram)
        tlv::fuzz::propertyFailed("an accepted Ether-S-Bus frame is not rebuilt from its parts");
}

bool sameState(const SbusSerialDecoder &a, const SbusSerialDecoder &b)
{
    return a.inFrame() == b.inFrame() && a.frame() == b.frame() && a.broken() == b.broken()
        && a.abandonedFrames() == b.abandonedFrames() && a.noiseBytes() == b.noiseBytes();
}

void checkSerial(const QByteArray &bytes)
{
    SbusSerialDecoder whole;
    whole.feed(bytes);
    SbusSerialDecoder single;
    for (const char c : bytes)
        single.feed(QByteArrayView(&c, 1));
    if (!sameState(whole, single))
        tlv::fuzz::propertyFailed("the serial decoder depends on how bytes arrive");

    // Any payload, framed and escaped, decodes to itself and its CRC.
    SbusSerialDecoder framed;
    framed.feed(QByteArray(QByteArrayLiteral("\x11\x22") + SbusFrame::serialFrame(bytes)));
    const quint16 crc = SbusFrame::serialCrc(bytes);
    const QByteArray expected = QByteArray(bytes + char(crc >> 8) + char(crc & 0xFF));
    if (!framed.inFrame() || framed.broken() || framed.frame() != expected
        || framed.noiseBytes() != 2)
        tlv::fuzz::propertyFailed("the serial decoder does not undo the frame's escaping");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkEther(bytes);
    checkSerial(bytes);
    return 0;
}
