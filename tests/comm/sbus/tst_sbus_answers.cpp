// The client against scripted peers that answer with chosen bytes: every kind of bad answer
// must end in its error code with the caller's values untouched.
#include "SbusTestSupport.h"

#include "comm/sbus/SbusClient.h"
#include "comm/sbus/SbusFrame.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::comm;
using namespace sbustest;

namespace {

SbusSettings udpSettings(quint16 port)
{
    SbusSettings settings;
    settings.port = port;
    settings.station = 10;
    settings.timeoutMs = 80;
    settings.retries = 2;
    return settings;
}

struct UdpCase
{
    const char *name;
    // answer to a "read 2 registers" request with this sequence number
    std::function<QList<QByteArray>(quint16)> answer;
    SbusError expected;
    quint16 nakCode = 0;
};

TEST(SbusUdpAnswers, EachBadAnswerEndsInItsErrorAndLeavesValuesAlone)
{
    const QByteArray twoValues = hex("00000001 00000002");
    const UdpCase cases[] = {
        { "good", [&](quint16 s) { return QList { SbusFrame::etherResponse(s, twoValues) }; },
            SbusError::Ok },
        { "NAK 2 (password)", [](quint16 s) { return QList { SbusFrame::etherAckNak(s, 2) }; },
            SbusError::Nak, 2 },
        { "NAK 0x0100 is not an ACK",
            [](quint16 s) { return QList { SbusFrame::etherAckNak(s, 0x0100) }; }, SbusError::Nak,
            0x0100 },
        { "ACK where data is due", [](quint16 s) { return QList { SbusFrame::etherAckNak(s, 0) }; },
            SbusError::WrongAnswer },
        { "short answer",
            [](quint16 s) { return QList { SbusFrame::etherResponse(s, hex("00000001")) }; },
            SbusError::WrongAnswer },
        { "bad CRC",
            [&](quint16 s) {
                QByteArray frame = SbusFrame::etherResponse(s, twoValues);
                frame[frame.size() - 1] = char(frame[frame.size() - 1] ^ 0x40);
                return QList { frame };
            },
            SbusError::BadCrc },
        { "version 2", [&](quint16 s) { return QList { etherRaw(19, 2, s, 1, twoValues) }; },
            SbusError::WrongAnswer },
        { "echoed request", [&](quint16 s) { return QList { etherRaw(19, 0, s, 0, twoValues) }; },
            SbusError::WrongAnswer },
        { "only an answer to another sequence",
            [&](quint16 s) { return QList { SbusFrame::etherResponse(s - 1, twoValues) }; },
            SbusError::NoResponse },
        { "stale answer first, then the right one",
            [&](quint16 s) {
                return QList { SbusFrame::etherResponse(s - 1, hex("0000000900000009")),
                    SbusFrame::etherResponse(s, twoValues) };
            },
            SbusError::Ok },
        { "damaged late answer first, then the right one",
            [&](quint16 s) {
                QByteArray late = SbusFrame::etherResponse(s - 1, twoValues);
                late[late.size() - 1] = char(late[late.size() - 1] ^ 0x40);
                return QList { late, SbusFrame::etherResponse(s, twoValues) };
            },
            SbusError::Ok },
        { "silence", [](quint16) { return QList<QByteArray> {}; }, SbusError::NoResponse },
    };
    for (const UdpCase &c : cases) {
        ScriptedUdpPeer peer(
            [&](const QByteArray &request) { return c.answer(sequenceOf(request)); });
        SbusClient client;
        ASSERT_TRUE(client.open(udpSettings(peer.port())).ok());
        QList<qint32> values { -7 };
        const SbusResult result = client.readRegisters(100, 2, &values);
        EXPECT_EQ(result.error, c.expected) << c.name << ": " << qPrintable(result.errorString);
        EXPECT_EQ(result.nakCode, c.nakCode) << c.name;
        const QList<qint32> expectedValues
            = c.expected == SbusError::Ok ? QList<qint32> { 1, 2 } : QList<qint32> { -7 };
        EXPECT_EQ(values, expectedValues) << c.name;
        // Refusals are final; damaged or missing answers are tried three times.
        const int tries = c.expected == SbusError::Ok || c.expected == SbusError::Nak ? 1 : 3;
        EXPECT_EQ(peer.requests(), tries) << c.name;
    }
}

TEST(SbusUdpAnswers, RetriesKeepTheSequenceAndNewRequestsAdvanceIt)
{
    QList<quint16> seen;
    int calls = 0;
    ScriptedUdpPeer peer([&](const QByteArray &request) {
        seen.append(sequenceOf(request));
        if (++calls == 1)
            return QList<QByteArray> {}; // lose the first answer
        return QList { SbusFrame::etherResponse(sequenceOf(request), "R") };
    });
    SbusClient client;
    client.setNextSequence(0xFFFF);
    ASSERT_TRUE(client.open(udpSettings(peer.port())).ok());
    quint8 status = 0;
    ASSERT_TRUE(client.readStatus(&status).ok());
    ASSERT_TRUE(client.readStatus(&status).ok());
    EXPECT_EQ(seen, (QList<quint16> { 0xFFFF, 0xFFFF, 0x0000 }));
}

TEST(SbusUdpAnswers, ALateAnswerBetweenRequestsLeavesTheNextOneHeard)
{
    QList<quint16> seen;
    ScriptedUdpPeer peer([&](const QByteArray &request) {
        seen.append(sequenceOf(request));
        if (seen.size() == 1)
            return QList<QByteArray> {};
        return QList { SbusFrame::etherResponse(sequenceOf(request), "R") };
    });
    SbusSettings settings = udpSettings(peer.port());
    settings.retries = 0;
    SbusClient client;
    ASSERT_TRUE(client.open(settings).ok());
    quint8 status = 0;
    EXPECT_EQ(client.readStatus(&status).error, SbusError::NoResponse);
    // The answer comes after all, while the program is busy with other things.
    peer.sendToLastClient(SbusFrame::etherResponse(seen.constFirst(), "R"));
    const QDeadlineTimer busy(100);
    while (!busy.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(client.readStatus(&status).error, SbusError::Ok);
    EXPECT_EQ(seen.size(), 2);
}

TEST(SbusUdpAnswers, AnswerFromAnotherPortIsIgnored)
{
    QUdpSocket foreign;
    ASSERT_TRUE(foreign.bind(QHostAddress::LocalHost, 0));
    ScriptedUdpPeer peer([](const QByteArray &request) {
        return QList { SbusFrame::etherResponse(sequenceOf(request), "R") };
    });
    peer.replySocket = &foreign;
    SbusClient client;
    ASSERT_TRUE(client.open(udpSettings(peer.port())).ok());
    quint8 status = 0;
    EXPECT_EQ(client.readStatus(&status).error, SbusError::NoResponse);
}

QByteArray serialCrcBytes(const QByteArray &plainAfterFs)
{
    const quint16 crc = SbusFrame::serialCrc(plainAfterFs);
    QByteArray out;
    out.append(char(crc >> 8)).append(char(crc & 0xFF));
    return out;
}

struct SerialCase
{
    const char *name;
    QList<QByteArray> answer;
    SbusError expected;
};

TEST(SbusSerialAnswers, EachBadAnswerEndsInItsErrorAndLeavesValuesAlone)
{
    const QByteArray twoValues = hex("00000001 00000002");
    QByteArray badCrc = SbusFrame::serialResponse(twoValues);
    badCrc[badCrc.size() - 1] = char(badCrc[badCrc.size() - 1] ^ 0x01);
    const QByteArray longer = hex("01") + twoValues + "xyz";
    const SerialCase cases[] = {
        { "good", { SbusFrame::serialResponse(twoValues) }, SbusError::Ok },
        { "broken frame, then a new good one",
            { hex("b5 01 0000") + SbusFrame::serialResponse(twoValues) }, SbusError::Ok },
        { "NAK 1", { SbusFrame::serialAckNak(1) }, SbusError::Nak },
        { "ACK where data is due", { SbusFrame::serialAckNak(0) }, SbusError::WrongAnswer },
        { "bad CRC", { badCrc }, SbusError::BadCrc },
        { "answer longer than asked, valid CRC",
            { hex("b5") + SbusFrame::escapeSerial(QByteArray(longer + serialCrcBytes(longer))) },
            SbusError::WrongAnswer },
        { "bad escape", { hex("b5 01 c5 07 00000001 00000002 0000") }, SbusError::BadCrc },
        { "unknown attribute", { hex("b5 07 00 00") }, SbusError::WrongAnswer },
        { "garbage without a frame start", { hex("01 02 03 04") }, SbusError::WrongAnswer },
        { "silence", {}, SbusError::NoResponse },
    };
    for (const SerialCase &c : cases) {
        ScriptedSerialPeer peer([&](const QByteArray &) { return c.answer; });
        ASSERT_TRUE(peer.ok());
        SbusSettings settings;
        settings.channel = SbusSettings::Channel::Serial;
        settings.device = peer.slavePath();
        settings.station = 10;
        settings.timeoutMs = 80;
        settings.retries = 1;
        SbusClient client;
        ASSERT_TRUE(client.open(settings).ok()) << qPrintable(client.errorString());
        QList<qint32> values { -7 };
        const SbusResult result = client.readRegisters(100, 2, &values);
        EXPECT_EQ(result.error, c.expected) << c.name << ": " << qPrintable(result.errorString);
        const QList<qint32> expectedValues
            = c.expected == SbusError::Ok ? QList<qint32> { 1, 2 } : QList<qint32> { -7 };
        EXPECT_EQ(values, expectedValues) << c.name;
    }
}

TEST(SbusClientOpen, PortProblemsAndStateErrors)
{
    SbusClient client;
    QList<qint32> values;
    EXPECT_EQ(client.readRegisters(0, 1, &values).error, SbusError::NotOpen);

    SbusSettings serial;
    serial.channel = SbusSettings::Channel::Serial;
    serial.device = u"/dev/tolvane-no-such-port"_s;
    EXPECT_EQ(client.open(serial).error, SbusError::PortMissing);
    serial.device = u"/"_s;
    EXPECT_EQ(client.open(serial).error, SbusError::PortOpenFailed);
    EXPECT_FALSE(client.isOpen());

    SbusSettings udp;
    udp.host = u"no-such-host.invalid"_s;
    EXPECT_EQ(client.open(udp).error, SbusError::PortOpenFailed);

    udp.host = u"127.0.0.1"_s;
    ASSERT_TRUE(client.open(udp).ok());
    EXPECT_EQ(client.open(udp).error, SbusError::AlreadyOpen);
    EXPECT_TRUE(client.isOpen());
    client.close();
    EXPECT_FALSE(client.isOpen());
    EXPECT_EQ(client.readRegisters(0, 1, &values).error, SbusError::NotOpen);
}

} // namespace
