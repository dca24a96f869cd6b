// The client against the in-process simulated PCD, once over UDP and once over a pseudo
// terminal: the same expectations must hold for both transports.
#include "SbusTestSupport.h"

#include "comm/sbus/SbusClient.h"
#include "pcdsim/PcdSetup.h"
#include "pcdsim/SbusServer.h"
#include "pcdsim/SimulatedPcd.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::comm;
using namespace tlv::pcdsim;

namespace {

enum class Link { Udp, Serial };

class SbusLink : public ::testing::TestWithParam<Link>
{
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(PcdSetup::applyLines(
            {
                u"station 10"_s,
                u"status R"_s,
                u"R 100 = 1 0x12345678 -1 0xB5C5B5C5"_s,
                u"R 16380 = 7 8 9 10"_s,
                u"T 3 = 300"_s,
                u"C 4 = 44"_s,
                u"F 5 = 1 0 1 1 0 0 0 0 1"_s,
                u"I 0 = 0 1"_s,
                u"O 8190 = 1 1"_s,
                u"DB 7 8 = 10 20 30"_s,
                u"DBX 5 entry 2 TLVR__ACCESS_KEY 1000 32768 2 3"_s,
            },
            &m_pcd, &error))
            << qPrintable(error);
        m_server = std::make_unique<SbusServer>(&m_pcd);
        SbusSettings settings;
        settings.station = 10;
        settings.timeoutMs = 150;
        settings.retries = 2;
        if (GetParam() == Link::Udp) {
            ASSERT_TRUE(m_server->listenUdp(QHostAddress::LocalHost, 0, &error))
                << qPrintable(error);
            settings.port = m_server->udpPort();
        } else {
            ASSERT_TRUE(m_server->openPseudoTerminal(&error)) << qPrintable(error);
            settings.channel = SbusSettings::Channel::Serial;
            settings.device = m_server->slavePath();
            settings.baudRate = 38400;
        }
        const SbusResult opened = m_client.open(settings);
        ASSERT_TRUE(opened.ok()) << qPrintable(opened.errorString);
    }

    SimulatedPcd m_pcd;
    std::unique_ptr<SbusServer> m_server;
    SbusClient m_client;
};

TEST_P(SbusLink, ReadsEveryMediaAsSetUp)
{
    quint8 status = 0;
    ASSERT_TRUE(m_client.readStatus(&status).ok()) << qPrintable(m_client.errorString());
    EXPECT_EQ(status, 'R');
    quint8 station = 0;
    ASSERT_TRUE(m_client.readStationNumber(&station).ok());
    EXPECT_EQ(station, 10);

    QList<qint32> words;
    ASSERT_TRUE(m_client.readRegisters(100, 4, &words).ok());
    // The last value needs escaping on the serial line.
    EXPECT_EQ(words, (QList<qint32> { 1, 0x12345678, -1, qint32(0xB5C5B5C5) }));
    ASSERT_TRUE(m_client.readRegisters(16380, 4, &words).ok());
    EXPECT_EQ(words, (QList<qint32> { 7, 8, 9, 10 }));
    ASSERT_TRUE(m_client.readTimers(3, 1, &words).ok());
    EXPECT_EQ(words, QList<qint32> { 300 });
    ASSERT_TRUE(m_client.readCounters(4, 1, &words).ok());
    EXPECT_EQ(words, QList<qint32> { 44 });
    ASSERT_TRUE(m_client.readDataBlock(7, 8, 3, &words).ok());
    EXPECT_EQ(words, (QList<qint32> { 10, 20, 30 }));

    QList<bool> bits;
    ASSERT_TRUE(m_client.readFlags(5, 9, &bits).ok());
    EXPECT_EQ(bits, (QList<bool> { true, false, true, true, false, false, false, false, true }));
    ASSERT_TRUE(m_client.readInputs(0, 2, &bits).ok());
    EXPECT_EQ(bits, (QList<bool> { false, true }));
    ASSERT_TRUE(m_client.readOutputs(8190, 2, &bits).ok());
    EXPECT_EQ(bits, (QList<bool> { true, true }));
}

TEST_P(SbusLink, ReadsDbxSizeElementsAndUnalignedBytes)
{
    qint32 size = 0;
    ASSERT_TRUE(m_client.readDbxSize(5, &size).ok());
    EXPECT_EQ(size, 130); // entry at byte 2 + 128 bytes
    QByteArray entry;
    ASSERT_TRUE(m_client.readDbxBytes(5, 2, 128, &entry).ok())
        << qPrintable(m_client.errorString());
    ASSERT_EQ(entry.size(), 128);
    EXPECT_TRUE(entry.startsWith("TLVR__ACCESS_KEY"));
    EXPECT_EQ(entry.mid(60, 12), QByteArray::fromHex("000003e8 00008000 00000002"));
    QList<qint32> elements;
    ASSERT_TRUE(m_client.readDbx(5, 0, 2, &elements).ok());
    EXPECT_EQ(elements, (QList<qint32> { 0x0000544C, 0x56525F5F })); // "\0\0TL" "VR__"
    // Past the end of the block, and a block that does not exist: refused.
    EXPECT_EQ(m_client.readDbx(5, 33, 1, &elements).error, SbusError::Nak);
    EXPECT_EQ(m_client.readDbxSize(6, &size).error, SbusError::Nak);
}

TEST_P(SbusLink, WritesRegistersAndFlags)
{
    ASSERT_TRUE(m_client.writeRegisters(200, { 0x1234, -5 }).ok())
        << qPrintable(m_client.errorString());
    EXPECT_EQ(m_pcd.registerValue(200), 0x1234);
    EXPECT_EQ(m_pcd.registerValue(201), -5);
    QList<bool> flags(10, false);
    flags[0] = flags[9] = true;
    ASSERT_TRUE(m_client.writeFlags(100, flags).ok());
    EXPECT_TRUE(m_pcd.flag(100));
    EXPECT_FALSE(m_pcd.flag(101));
    EXPECT_TRUE(m_pcd.flag(109));
}

TEST_P(SbusLink, RefusalsAndLimits)
{
    QList<qint32> words { 42 };
    // Out of the PCD's memory or a missing block: NAK 1, values untouched, no retry needed.
    const quint64 before = m_client.attemptsSent();
    SbusResult result = m_client.readRegisters(16383, 2, &words);
    EXPECT_EQ(result.error, SbusError::Nak);
    EXPECT_EQ(result.nakCode, 1);
    EXPECT_EQ(words, QList<qint32> { 42 });
    EXPECT_EQ(m_client.attemptsSent(), before + 1);
    // Beyond one telegram, or past 16-bit addresses: refused before sending.
    EXPECT_EQ(m_client.readRegisters(0, 33, &words).error, SbusError::InvalidArgument);
    EXPECT_EQ(m_client.readRegisters(0, 0, &words).error, SbusError::InvalidArgument);
    EXPECT_EQ(m_client.readRegisters(65535, 2, &words).error, SbusError::InvalidArgument);
    EXPECT_EQ(m_client.readRegisters(-1, 1, &words).error, SbusError::InvalidArgument);
    EXPECT_EQ(m_client.readFlags(0, 129, nullptr).error, SbusError::InvalidArgument);
    EXPECT_EQ(m_client.attemptsSent(), before + 1);
    EXPECT_TRUE(m_client.readRegisters(0, 32, &words).ok());
    EXPECT_EQ(words.size(), 32);
}

TEST_P(SbusLink, AnotherStationGetsSilence)
{
    m_client.setStation(11);
    m_client.setTimeout(100);
    m_client.setRetries(1);
    quint8 status = 0;
    const SbusResult result = m_client.readStatus(&status);
    EXPECT_EQ(result.error, SbusError::NoResponse);
    EXPECT_EQ(m_server->statistics().requests, 0u);
    EXPECT_GE(m_server->statistics().ignored, 2u); // both attempts
    EXPECT_FALSE(result.errorString.isEmpty());
}

TEST_P(SbusLink, LostCorruptedDuplicatedAndLateAnswersNeverGiveWrongValues)
{
    for (int r = 0; r < 1024; ++r)
        m_pcd.setRegister(r, r * 7 + 1);
    FaultPlan plan;
    plan.seed = 4711;
    plan.drop = 0.1;
    plan.corrupt = 0.15;
    plan.duplicate = 0.15;
    plan.delay = 0.1;
    plan.delayMs = 200; // beyond one timeout, within two
    m_server->setFaultPlan(plan);
    m_client.setTimeout(150);
    m_client.setRetries(4);
    int good = 0;
    for (int first = 0; first < 1024; first += 32) {
        QList<qint32> words;
        const SbusResult result = m_client.readRegisters(first, 32, &words);
        if (!result.ok()) {
            EXPECT_TRUE(result.error == SbusError::NoResponse || result.error == SbusError::BadCrc
                || result.error == SbusError::WrongAnswer)
                << qPrintable(result.errorString);
            continue;
        }
        ++good;
        for (int i = 0; i < 32; ++i)
            ASSERT_EQ(words[i], (first + i) * 7 + 1) << "register " << first + i;
    }
    const SbusServer::Statistics stats = m_server->statistics();
    EXPECT_GT(stats.dropped + stats.corrupted + stats.delayed, 0u);
    EXPECT_GT(m_client.attemptsSent(), 32u); // faults were answered by retries
    EXPECT_GE(good, 30);
}

INSTANTIATE_TEST_SUITE_P(Transports, SbusLink, ::testing::Values(Link::Udp, Link::Serial),
    [](const ::testing::TestParamInfo<Link> &info) {
        return info.param == Link::Udp ? "Udp" : "Serial";
    });

} // namespace
