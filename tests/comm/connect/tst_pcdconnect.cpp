#include "comm/PCDConnect.h"

#include "Fakes.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::comm;
using test::RegisterValue;

namespace {

class PcdConnectTest : public ::testing::Test
{
protected:
    PcdConnectTest() { test::ensureApplication(); }

    void useMakersDriver() { settings.dll = 0; }
    // Connects and returns the message a failed attempt ends with ("" on success).
    QString connect()
    {
        connection.setSettings(settings);
        PCDConnect::Failure failure;
        if (connection.Connect(&failure))
            return {};
        EXPECT_FALSE(connection.connected());
        return PCDConnect::disconnectMessage(failure.kind, failure.result);
    }

    DriverSettings settings;
    test::FakeVarnok varnok;
    test::FakeScommApi api;
    PCDConnect connection { varnok, api };
};

TEST_F(PcdConnectTest, MakersDriverOpensInOrderAndAlreadyOpenCounts)
{
    useMakersDriver();
    settings.com = 3;
    settings.baudrate = 19200;
    settings.station = 12;
    varnok.openResult = 9;
    ASSERT_EQ(connect(), QString());
    EXPECT_EQ(varnok.calls.mid(0, 6),
        (QStringList { u"PCDClose"_s, u"PCDSetParameter 3 19200 1"_s, u"PCDNoMsg"_s, u"PCDOpen"_s,
            u"PCDSetStation 12"_s, u"PcdRdStatus 0"_s }));
    EXPECT_TRUE(connection.connected());
    EXPECT_TRUE(connection.Disconnect());
    EXPECT_FALSE(connection.Disconnect());
}

TEST_F(PcdConnectTest, MakersFailuresShowTheirTexts)
{
    useMakersDriver();
    varnok.parameterResult = 1;
    EXPECT_EQ(
        connect(), u"PCD Connection parameters not correct.   Error: Invalid COM-Port Parameter"_s);
    EXPECT_FALSE(varnok.calls.contains(u"PCDOpen"_s));

    varnok.parameterResult = 0;
    varnok.openResult = 32;
    EXPECT_EQ(connect(), u"PCD Open Connection aborted.   Error: COM don't exist"_s);

    // A status answered "no response" (6 + 100) after the port was opened.
    varnok.openResult = 0;
    varnok.statusResult = 6;
    varnok.calls.clear();
    EXPECT_EQ(connect(), u"PCD Open Connection aborted.   Error: No Response"_s);
    // The port opened for the attempt is closed again.
    EXPECT_EQ(varnok.calls.last(), u"PCDClose"_s);
}

TEST_F(PcdConnectTest, Pg5ChannelFailures)
{
    api.failure = u"gone"_s;
    EXPECT_EQ(connect(), u"Communication DLL unavailable."_s);
    PCDConnect::Failure failure;
    EXPECT_FALSE(connection.Connect(&failure));
    EXPECT_EQ(failure.result.errorString, u"Error reading channel settings."_s);

    api.failure.clear();
    api.statusResult = 6;
    EXPECT_EQ(connect(), u"PCD Open Connection aborted.   Error:  PCD_NORESP"_s);
    // The channel opened for the failed attempt does not stay open.
    EXPECT_EQ(api.calls.filter(u"disconnect"_s).size(), 1);

    api.statusResult = 0;
    ASSERT_EQ(connect(), QString());
    EXPECT_TRUE(connection.Disconnect());
    EXPECT_EQ(api.calls.filter(u"disconnect"_s).size(), 2);
}

TEST_F(PcdConnectTest, RegistryLocatesTheBufferWithEitherDriver)
{
    const auto entryWith
        = [](quint32 slot0) { return test::dbxEntryBytes("TLVR__ACCESS_KEY", 0, { slot0 }); };
    settings.pcdRegistery = 1;
    const struct
    {
        quint32 slot0;
        bool ok;
        qint32 base;
        bool inRegisters;
    } rows[] = {
        { 32768 + 400, true, 100, false },
        { 8191, true, 8191, true },
        { 70000, false, 0, false },
    };
    for (qint16 dll : { 0, 1 }) {
        for (const auto &row : rows) {
            settings.dll = dll;
            varnok.dbx[5] = test::swapGroups(entryWith(row.slot0));
            api.dbx[5] = QByteArray("\0\0", 2) + entryWith(row.slot0);
            EXPECT_EQ(connect(), row.ok ? QString() : u"Invalid Media Address in DBX registery."_s)
                << dll << " " << row.slot0;
            EXPECT_EQ(connection.baseRegister(), row.base);
            EXPECT_EQ(connection.inRegisters(), row.inRegisters);
            connection.Disconnect();
        }
    }
    // What an earlier connection found does not carry over to a new one (from
    // 8192 to 32767 the entry names no base register).
    settings.dll = 1;
    api.dbx[5] = QByteArray("\0\0", 2) + entryWith(1000);
    EXPECT_EQ(connect(), QString());
    EXPECT_EQ(connection.baseRegister(), 1000);
    connection.Disconnect();
    api.dbx[5] = QByteArray("\0\0", 2) + entryWith(9000);
    EXPECT_EQ(connect(), QString());
    EXPECT_EQ(connection.baseRegister(), 0);

    connection.Disconnect();
    api.dbx.clear();
    settings.pcdRegistery = 1;
    EXPECT_EQ(connect(), u"Invalid DBX registery."_s);
}

TEST_F(PcdConnectTest, MakersDbxSearchStartsAtZeroAndWalksDown)
{
    useMakersDriver();
    connection.setSettings(settings);
    QByteArray five;
    for (int i = 0; i < 8; ++i)
        five += test::swapGroups(test::dbxEntryBytes("OTHER", 0, {}));
    varnok.dbx[5] = five;
    varnok.dbx[3] = test::swapGroups(test::dbxEntryBytes("TLVR__ACCESS_KEY", 0x12345678, { 3 }));
    ASSERT_TRUE(connection.LookupDbx(5, u"TLVR__ACCESS_KEY"_s));
    EXPECT_EQ(varnok.calls.filter(u"PcdRdDBX 5 "_s).size(), 6);
    EXPECT_EQ(varnok.calls.filter(u"PcdRdDBX 5 "_s).first(), u"PcdRdDBX 5 0 128"_s);
    EXPECT_EQ(varnok.calls.filter(u"PcdRdDBX 4 "_s).size(), 1); // failed read
    EXPECT_EQ(connection.dbxEntry().value, 0x12345678);
    EXPECT_EQ(connection.dbxEntry().values[0], 3);
    // Walking past DBX 0 ends with the failed read of DBX 0 (no contents there).
    const SbusResult absent = connection.LookupDbx(2, u"TLVR__ACCESS_KEY"_s);
    EXPECT_FALSE(absent);
    EXPECT_EQ(absent.errorString, u"NAK Response"_s);
}

TEST_F(PcdConnectTest, RegisterLimitIsCheckedBeforeTheDriver)
{
    useMakersDriver();
    connection.setSettings(settings);
    QList<qint32> buffer(4, 0);
    const SbusResult refused = connection.ReadRegisters(16380, 4, 0, buffer);
    EXPECT_EQ(refused.error, SbusError::OutOfRange);
    EXPECT_EQ(refused.errorString, u"Register address out of range !"_s);
    // A sum that would not fit 16 bits is refused the same way, not wrapped.
    EXPECT_EQ(connection.ReadRegisters(32767 + 100, 4, 0, buffer).error, SbusError::OutOfRange);
    EXPECT_EQ(varnok.reads, 0);
    EXPECT_TRUE(connection.ReadRegisters(16379, 4, 0, buffer));
    EXPECT_EQ(buffer[3], RegisterValue(16382));
}

TEST_F(PcdConnectTest, MakersReadAndStatusCodesGetOneHundred)
{
    useMakersDriver();
    connection.setSettings(settings);
    QList<qint32> buffer(2, 0);
    varnok.failOnRead = 1;
    varnok.readResult = 3; // data blocks: the serving test's NAK on the serial line
    const SbusResult bcc = connection.ReadRegisters(0, 2, 0, buffer);
    EXPECT_EQ(bcc.error, SbusError::BadCrc); // 3 on a read, not the bad protocol of opening
    EXPECT_EQ(bcc.errorString, u"Invalid BCC"_s);
    // A span outside the buffer never reaches the driver.
    EXPECT_EQ(connection.ReadDataBlock(4, 0, 3, 0, buffer).errorString, u"Invalid Parameter"_s);

    varnok.statusResult = 6;
    SbusResult status;
    EXPECT_EQ(connection.ReadPcdStatus(&status), 0);
    EXPECT_EQ(status.error, SbusError::NoResponse);
    EXPECT_EQ(status.errorString, u"No Response"_s);
}

} // namespace
