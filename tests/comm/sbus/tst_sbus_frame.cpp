// Telegram bytes, CRC and serial framing against known frames; how the serial decoder takes
// bytes as they come is a property of the frames fuzz target.
#include "SbusTestSupport.h"

#include "comm/sbus/SbusFrame.h"

#include <gtest/gtest.h>

using namespace tlv::comm;
using sbustest::hex;

namespace {

// The capture test has tshark judge every kind of telegram; these pin the bytes, CRC included.
TEST(SbusEtherFrame, BuildsWorkedExamplesByteForByte)
{
    EXPECT_EQ(SbusFrame::etherRequest(0x0101, 10, 0x06, hex("010064")),
        hex("00000010 01 00 0101 00 0a 06 01 0064 bfef"));
    EXPECT_EQ(SbusFrame::etherResponse(0x0101, hex("00000001 12345678")),
        hex("00000013 00 00 0101 01 00000001 12345678 0906"));
    EXPECT_EQ(SbusFrame::etherAckNak(0x0106, 1), hex("0000000d 00 00 0106 02 0001 a5ed"));
}

TEST(SbusEtherFrame, ParsesGoodFramesAndRejectsDamagedOnes)
{
    SbusFrame::Ether frame;
    ASSERT_EQ(SbusFrame::parseEther(hex("00000013 00 00 0101 01 00000001 12345678 0906"), &frame),
        SbusFrame::Check::Ok);
    EXPECT_EQ(frame.sequence, 0x0101);
    EXPECT_EQ(frame.attribute, 1);
    EXPECT_EQ(frame.body, hex("00000001 12345678"));

    // A real PCD answer from a capture parses too.
    ASSERT_EQ(SbusFrame::parseEther(hex("0000000c000000060152a94d"), &frame), SbusFrame::Check::Ok);
    EXPECT_EQ(frame.body, QByteArray("R"));

    struct Bad
    {
        const char *name;
        QByteArray bytes;
        SbusFrame::Check expected;
    };
    QByteArray flipped = hex("0000000c 00 00 0103 01 52 3409");
    flipped[9] = 'S';
    QByteArray version2 = hex("0000000c 02 00 0103 01 52");
    version2 += char(SbusFrame::crc16(version2) >> 8);
    version2 += char(SbusFrame::crc16(version2.left(10)) & 0xFF);
    const QByteArray bodyOnly = hex("0000000c 00 00 0103 03 52");
    QByteArray attribute3 = bodyOnly;
    attribute3.append(char(SbusFrame::crc16(bodyOnly) >> 8))
        .append(char(SbusFrame::crc16(bodyOnly)));
    QByteArray lenTooBig = hex("0000000d 00 00 0103 01 52");
    const quint16 crc = SbusFrame::crc16(lenTooBig);
    lenTooBig.append(char(crc >> 8)).append(char(crc));
    const Bad cases[] = {
        { "empty", {}, SbusFrame::Check::Malformed },
        { "ten bytes", hex("0000000a000001030152"), SbusFrame::Check::Malformed },
        { "flipped data byte", flipped, SbusFrame::Check::BadCrc },
        { "truncated", hex("0000000c 00 00 0103 01 52 34"), SbusFrame::Check::BadCrc },
        { "version 2", version2, SbusFrame::Check::Malformed },
        { "attribute 3", attribute3, SbusFrame::Check::Malformed },
        { "LEN disagrees, CRC right", lenTooBig, SbusFrame::Check::Malformed },
    };
    for (const Bad &c : cases)
        EXPECT_EQ(SbusFrame::parseEther(c.bytes, &frame), c.expected) << c.name;
}

// Registers holding FS and DLE bytes travel the serial link end to end; here the bytes.
TEST(SbusSerialFrame, EscapesAfterFsRequestLayoutAndCrcPosition)
{
    EXPECT_EQ(SbusFrame::escapeSerial(hex("01 b5 02 c5 03")), hex("01 c500 02 c501 03"));
    // The CRC covers the frame start, then attribute and data.
    EXPECT_EQ(SbusFrame::serialCrc(hex("01 b5c5b5c5")), SbusFrame::crc16(hex("b5 01 b5c5b5c5")));
    const QByteArray frame = SbusFrame::serialRequest(10, 0x06, hex("010064"));
    const quint16 crc = SbusFrame::crc16(hex("b5 00 0a 06 01 0064"));
    QByteArray expected = hex("b5 00 0a 06 01 0064");
    QByteArray crcBytes;
    crcBytes.append(char(crc >> 8)).append(char(crc & 0xFF));
    expected.append(SbusFrame::escapeSerial(crcBytes));
    EXPECT_EQ(frame, expected);
    EXPECT_EQ(SbusFrame::serialAckNak(1).left(4), hex("b5 02 0001"));
}

} // namespace
