#include "comm/ConnectionString.h"
#include "comm/ScommLibrary.h"
#include "tests/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::comm;

namespace {

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
        ASSERT_TRUE(tlv::test::writeBytes(dir.filePath(name), text));
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
