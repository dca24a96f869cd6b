#include "comm/ConnectionString.h"
#include "comm/PCDConnect.h"
#include "comm/ReadServer.h"
#include "comm/Scomm5.h"
#include "comm/ScommLibrary.h"
#include "comm/VarnokDLL.h"
#include "common/ScriptedPrompter.h"
#include "pcdsim/SbusServer.h"
#include "pcdsim/SimulatedPcd.h"

#include "Fakes.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::comm;
using test::DbValue;
using test::registers;
using test::RegisterValue;

namespace {

// A simulated PCD on 127.0.0.1 and the host's whole read path against it.
class EndToEnd : public ::testing::Test
{
protected:
    EndToEnd()
    {
        test::ensureApplication();
        for (int i = 0; i < tlv::pcdsim::SimulatedPcd::registerCount; ++i)
            pcd.setRegister(i, RegisterValue(i));
        for (int e = 0; e < 100; ++e)
            pcd.setDataBlockElement(7, e, DbValue(7, e));
        QString error;
        EXPECT_TRUE(server.listenUdp(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
        sbus.port = server.udpPort();
        sbus.timeoutMs = 150;
        sbus.retries = 2;
        library.setFixedSetup(sbus);
        scomm.setPg5VersionCode(21);
        scomm.setAppsDirs({ { 21, QDir::currentPath() } });
        settings.dll = 1;
    }

    tlv::pcdsim::SimulatedPcd pcd;
    tlv::pcdsim::SbusServer server { &pcd };
    SbusSettings sbus;
    ScommLibrary library;
    tlv::buffer::ConnectionSettings settings;
    tlv::common::ScriptedPrompter prompter;
    Scomm5 scomm { library, prompter, settings };
    VarnokDLL varnok;
    test::RecordingView view;
    test::RecordingControl control;
    PCDConnect connection { settings, varnok, scomm, view, control };
    ReadServer server2 { connection, control, view, prompter };
};

TEST_F(EndToEnd, StatusLettersArriveAsNumbers)
{
    ASSERT_TRUE(connection.Connect()) << view.panel[2].toStdString();
    for (const auto &[letter, status] :
        { std::pair { 'R', 2 }, { 'S', 3 }, { 'H', 4 }, { 'C', 5 }, { 'D', 1 }, { 'X', 6 } }) {
        pcd.setStatus(quint8(letter));
        EXPECT_EQ(connection.ReadPcdStatus(), status) << letter;
    }
}

TEST_F(EndToEnd, RegistryEntryMovesEveryRegisterRead)
{
    QString error;
    ASSERT_TRUE(pcd.setDbxEntry(5, 2, "TLVR__ACCESS_KEY", 0, { 1000 }, &error));
    pcd.setDbxSize(5, 2 + 128);
    settings.pcdRegistery = 1;
    ASSERT_TRUE(connection.Connect()) << view.panel[2].toStdString();
    EXPECT_EQ(settings.baseRegister, 1000);
    EXPECT_TRUE(settings.inRegisters);
    server2.ReadPCDReg(10, 1);
    ASSERT_EQ(control.dataBlocks.size(), 1);
    EXPECT_EQ(control.dataBlocks.last(), registers(1010, 1));
}

TEST_F(EndToEnd, LongReadsComeBackWholeAndTheLimitHolds)
{
    ASSERT_TRUE(connection.Connect());
    for (qint16 count : { 63, 64, 65, 320 }) {
        control.dataBlocks.clear();
        server2.ReadPCDReg(16383 - count, count);
        ASSERT_EQ(control.dataBlocks.size(), 1) << count << view.panel[2].toStdString();
        EXPECT_EQ(control.dataBlocks.first(), registers(16383 - count, count));
    }
    control.dataBlocks.clear();
    server2.ReadPCDReg(16380, 4);
    EXPECT_TRUE(control.dataBlocks.isEmpty());
    EXPECT_EQ(view.panel[2], u"PCD reading aborted.    Error: Register address out of range !"_s);

    server2.ReadPCDDB(7, 30, 65);
    ASSERT_EQ(control.dataBlocks.size(), 1);
    EXPECT_EQ(control.dataBlocks.first().first(), DbValue(7, 30));
    EXPECT_EQ(control.dataBlocks.first().last(), DbValue(7, 94));
}

TEST_F(EndToEnd, AbortAfterThreeBlocksKeepsWhatWasRead)
{
    ASSERT_TRUE(connection.Connect());
    int blocks = 0;
    server2.setProcessEvents([&] {
        if (++blocks == 3)
            server2.abortClicked();
    });
    server2.ReadPCDReg(100, 320);
    ASSERT_EQ(control.dataBlocks.size(), 1) << view.panel[2].toStdString();
    EXPECT_EQ(control.dataBlocks.first(), registers(100, 96));
    EXPECT_FALSE(server2.readingInBlocks());
}

TEST_F(EndToEnd, RefusedAndUnansweredReads)
{
    ASSERT_TRUE(connection.Connect());
    control.runMode = 2;
    server2.ReadPCDDB(99, 0, 4); // no such block: refused
    EXPECT_TRUE(control.dataBlocks.isEmpty());
    EXPECT_EQ(control.runMode, 0);
    EXPECT_EQ(prompter.texts(),
        QStringList { QStringLiteral("PCD reading aborted.\r\rInvalid Start Register or "
                                     "reading overflow !\rError:  PCD_NAK") });

    server.close();
    server2.ReadPCDReg(0, 40);
    EXPECT_TRUE(control.dataBlocks.isEmpty());
    EXPECT_EQ(view.panel[2], u"PCD communication problems.    Error:  PCD_NORESP"_s);
    EXPECT_EQ(control.pcdStatuses.last(), 0);
}

TEST_F(EndToEnd, SpoiledAnswersNeverBecomeWrongValues)
{
    tlv::pcdsim::FaultPlan plan;
    plan.seed = 7;
    plan.drop = 0.15;
    plan.duplicate = 0.2;
    plan.corrupt = 0.15;
    server.setFaultPlan(plan);
    sbus.retries = 4;
    library.setFixedSetup(sbus);
    int good = 0, failed = 0;
    for (int round = 0; round < 12; ++round) {
        if (!settings.connected && !connection.Connect())
            continue;
        control.dataBlocks.clear();
        server2.ReadPCDReg(qint16(round * 500), 96);
        if (control.dataBlocks.isEmpty()) {
            ++failed;
            EXPECT_TRUE(view.panel[2].startsWith(u"PCD communication problems."_s));
            EXPECT_TRUE(settings.errorText == u" PCD_NORESP"_s
                || settings.errorText == u" PCD_BCCERR"_s
                || settings.errorText == u" PCD_INVALID"_s)
                << settings.errorText.toStdString();
        } else {
            ++good;
            EXPECT_EQ(control.dataBlocks.first(), registers(round * 500, 96)) << round;
        }
    }
    EXPECT_GT(good, 0);
    const auto stats = server.statistics();
    EXPECT_GT(stats.dropped + stats.corrupted + stats.duplicated, 0u);
}

TEST_F(EndToEnd, MakersDriverOnASerialLine)
{
    QTemporaryDir common;
    qputenv("TOLVANE_COMMON_DIR", common.path().toLocal8Bit());
    QString error;
    ASSERT_TRUE(server.openPseudoTerminal(&error)) << error.toStdString();
    QFile ini(common.path() + u"/Settings.ini"_s);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Ports]\r\nCOM7=" + server.slavePath().toLocal8Bit() + "\r\n");
    ini.close();

    pcd.setStatus('H');
    pcd.setDbxEntry(5, 0, "TLVR__ACCESS_KEY", 0, { 32768 + 400 });
    settings.dll = 0;
    settings.com = 7;
    settings.pcdRegistery = 1;
    varnok.setTiming(300, 2);
    ASSERT_TRUE(connection.Connect()) << view.panel[2].toStdString();
    EXPECT_EQ(view.panel[1], u"Connected"_s);
    EXPECT_EQ(settings.baseRegister, 100);
    EXPECT_FALSE(settings.inRegisters);
    EXPECT_EQ(connection.ReadPcdStatus(), 4);
    server2.ReadPCDDB(7, 0, 40);
    ASSERT_EQ(control.dataBlocks.size(), 1);
    EXPECT_EQ(control.dataBlocks.first().last(), DbValue(7, 39));

    // A block that is not there: the driver's NAK, 1 + 100.
    control.dataBlocks.clear();
    server2.ReadPCDDB(99, 0, 4);
    EXPECT_TRUE(control.dataBlocks.isEmpty());
    EXPECT_EQ(view.panel[2], u"PCD communication problems.    Error: NAK Response"_s);

    connection.DisconnectWithMessage(0);
    settings.com = 8; // not mapped and not a device here
    qputenv("TOLVANE_COMMON_DIR", common.path().toLocal8Bit());
    settings.pcdRegistery = 0;
    QFile::remove(common.path() + u"/Settings.ini"_s);
    ini.open(QIODevice::WriteOnly);
    ini.write("[Ports]\r\nCOM8=/dev/no-such-tty\r\n");
    ini.close();
    EXPECT_FALSE(connection.Connect());
    EXPECT_EQ(view.panel[2], u"PCD Open Connection aborted.   Error: COM don't exist"_s);
    qunsetenv("TOLVANE_COMMON_DIR");
}

TEST(ConnectionString, Forms)
{
    const struct
    {
        const char *text;
        bool ok;
        SbusSettings::Channel channel;
        const char *where;
        int portOrBaud;
        int station;
    } rows[] = {
        { "udp:10.0.0.5", true, SbusSettings::Channel::Udp, "10.0.0.5", 5050, 0 },
        { "udp:10.0.0.5:6000/12", true, SbusSettings::Channel::Udp, "10.0.0.5", 6000, 12 },
        { "udp:host/255", true, SbusSettings::Channel::Udp, "host", 5050, 255 },
        { "serial:/dev/ttyUSB0:38400/3", true, SbusSettings::Channel::Serial, "/dev/ttyUSB0", 38400,
            3 },
        { "serial:/dev/null", true, SbusSettings::Channel::Serial, "/dev/null", 9600, 0 },
        { "udp:host/256", false, {}, "", 0, 0 },
        { "udp:host:0", false, {}, "", 0, 0 },
        { "udp:", false, {}, "", 0, 0 },
        { "tcp:host", false, {}, "", 0, 0 },
        { "serial:/dev/ttyS0:fast", false, {}, "", 0, 0 },
    };
    for (const auto &row : rows) {
        SbusSettings s;
        QString why;
        ASSERT_EQ(parseConnectionString(QLatin1String(row.text), s, &why), row.ok) << row.text;
        if (!row.ok) {
            EXPECT_FALSE(why.isEmpty());
            EXPECT_EQ(s.host, SbusSettings().host);
            continue;
        }
        EXPECT_EQ(s.channel, row.channel) << row.text;
        const bool udp = row.channel == SbusSettings::Channel::Udp;
        EXPECT_EQ(udp ? s.host : s.device, QLatin1String(row.where)) << row.text;
        EXPECT_EQ(udp ? int(s.port) : s.baudRate, row.portOrBaud) << row.text;
        EXPECT_EQ(s.station, row.station) << row.text;
    }
}

TEST(ChannelSetup, ProjectFileFirstThenGoOnlineIniThenLocalDefault)
{
    QTemporaryDir dir;
    const QString start = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const auto write = [&](const QString &name, const QByteArray &text) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    ScommLibrary library;
    ScommChannelSetup setup;
    EXPECT_EQ(library.PcdRdChanSetupFromIni(nullptr, "GoOnline", setup), 0);
    EXPECT_TRUE(setup.valid);
    EXPECT_EQ(setup.sbus.host, u"127.0.0.1"_s);
    EXPECT_EQ(setup.sbus.port, 5050);
    EXPECT_EQ(setup.sbus.station, 0);

    write(u"goonline.INI"_s,
        "[GoOnline]\r\nChannel=Serial\r\nDevice=/dev/ttyUSB1\r\nBaudrate=19200\r\n"
        "Station=9\r\nTimeout=700\r\nRetries=1\r\n");
    EXPECT_EQ(library.PcdRdChanSetupFromIni(nullptr, "GoOnline", setup), 0);
    EXPECT_EQ(setup.sbus.channel, SbusSettings::Channel::Serial);
    EXPECT_EQ(setup.sbus.device, u"/dev/ttyUSB1"_s);
    EXPECT_EQ(setup.sbus.baudRate, 19200);
    EXPECT_EQ(setup.sbus.station, 9);
    EXPECT_EQ(setup.sbus.timeoutMs, 700);
    EXPECT_EQ(setup.sbus.retries, 1);

    write(u"p.tlvr"_s, "[GoOnline]\r\nchannel=udp\r\nADDRESS=10.1.1.1\r\nStation=4\r\n");
    library.setProjectFile(dir.filePath(u"p.tlvr"_s));
    EXPECT_EQ(library.PcdRdChanSetupFromIni(nullptr, "GoOnline", setup), 0);
    EXPECT_EQ(setup.sbus.channel, SbusSettings::Channel::Udp);
    EXPECT_EQ(setup.sbus.host, u"10.1.1.1"_s);
    EXPECT_EQ(setup.sbus.port, 5050);
    EXPECT_EQ(setup.sbus.station, 4);

    write(u"p.tlvr"_s, "[GoOnline]\r\nChannel=Modem\r\n");
    EXPECT_EQ(library.PcdRdChanSetupFromIni(nullptr, "GoOnline", setup), 10);
    qint32 handle = 0;
    EXPECT_EQ(library.PcdConnectChannel(handle, setup, 0, 0), 10);
    write(u"p.tlvr"_s, "[GoOnline]\r\nStation=300\r\n");
    EXPECT_EQ(library.PcdRdChanSetupFromIni(nullptr, "GoOnline", setup), 10);
    QDir::setCurrent(start);
}

} // namespace
