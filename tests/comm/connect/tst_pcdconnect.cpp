#include "comm/PCDConnect.h"
#include "comm/Scomm5.h"
#include "common/ScriptedPrompter.h"

#include "Fakes.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::comm;
using test::DbValue;
using test::RegisterValue;

namespace {

class PcdConnectTest : public ::testing::Test
{
protected:
    PcdConnectTest() { test::ensureApplication(); }

    void useMakersDriver() { settings.dll = 0; }

    tlv::buffer::ConnectionSettings settings;
    test::FakeVarnok varnok;
    test::FakeScommApi api;
    tlv::common::ScriptedPrompter prompter;
    Scomm5 scomm { api, prompter, settings };
    test::RecordingView view;
    test::RecordingControl control;
    PCDConnect connection { settings, varnok, scomm, view, control };
};

void expectDisconnectedWith(const test::RecordingView &view,
    const tlv::buffer::ConnectionSettings &settings, const QString &message)
{
    EXPECT_FALSE(settings.connected);
    EXPECT_EQ(view.panel[1], u"PCD disconnected"_s);
    EXPECT_EQ(view.panel[2], message);
    EXPECT_EQ(view.frameCaption, u"PCD disconnected"_s);
    EXPECT_EQ(view.frameColour, ConnectionView::Red);
    EXPECT_TRUE(view.connectEnabled);
    EXPECT_FALSE(view.startEnabled);
}

TEST_F(PcdConnectTest, MakersDriverOpensInOrderAndAlreadyOpenCounts)
{
    useMakersDriver();
    settings.com = 3;
    settings.baudrate = 19200;
    settings.station = 12;
    varnok.openResult = 9;
    ASSERT_TRUE(connection.Connect());
    EXPECT_EQ(varnok.calls.mid(0, 6),
        (QStringList { u"PCDClose"_s, u"PCDSetParameter 3 19200 1"_s, u"PCDNoMsg"_s, u"PCDOpen"_s,
            u"PCDSetStation 12"_s, u"PcdRdStatus 0"_s }));
    EXPECT_TRUE(settings.connected);
    EXPECT_EQ(view.panel[1], u"Connected"_s);
    EXPECT_EQ(view.panel2History.first(), u"Open PCD connection..."_s);
    EXPECT_EQ(view.panel[2], QString());
    EXPECT_EQ(view.frameCaption, u"PCD Connected"_s);
    EXPECT_EQ(view.frameColour, ConnectionView::Blue);
    EXPECT_FALSE(view.connectEnabled);
    EXPECT_EQ(view.startCaption, u"Start"_s);
    EXPECT_TRUE(view.startEnabled);
    EXPECT_FALSE(view.runEnabled);
    EXPECT_EQ(view.focus, 1);
}

TEST_F(PcdConnectTest, MakersFailuresShowTheirTexts)
{
    useMakersDriver();
    varnok.parameterResult = 1;
    EXPECT_FALSE(connection.Connect());
    expectDisconnectedWith(view, settings,
        QStringLiteral(
            "PCD Connection parameters not correct.   Error: Invalid COM-Port Parameter"));
    EXPECT_FALSE(varnok.calls.contains(u"PCDOpen"_s));

    varnok.parameterResult = 0;
    varnok.openResult = 32;
    EXPECT_FALSE(connection.Connect());
    EXPECT_EQ(view.panel[2], u"PCD Open Connection aborted.   Error: COM don't exist"_s);

    // A status answered "no response" (6 + 100) after the port was opened.
    varnok.openResult = 0;
    varnok.statusResult = 6;
    varnok.calls.clear();
    control.runMode = 2;
    EXPECT_FALSE(connection.Connect());
    expectDisconnectedWith(view, settings, u"PCD Open Connection aborted.   Error: No Response"_s);
    EXPECT_EQ(control.runMode, 0);
    // The port opened for the attempt is closed again.
    EXPECT_EQ(varnok.calls.last(), u"PCDClose"_s);
    EXPECT_EQ(view.beeps, 0);
}

TEST_F(PcdConnectTest, Pg5ChannelFailures)
{
    api.failure = u"gone"_s;
    EXPECT_FALSE(connection.Connect());
    EXPECT_EQ(view.panel[2], u"Communication DLL unavailable."_s);

    api.failure.clear();
    api.statusResult = 6;
    EXPECT_FALSE(connection.Connect());
    EXPECT_EQ(view.panel[2], u"PCD Open Connection aborted.   Error:  PCD_NORESP"_s);
    // The channel opened for the failed attempt does not stay open.
    EXPECT_EQ(api.calls.filter(u"disconnect"_s).size(), 1);

    api.statusResult = 0;
    ASSERT_TRUE(connection.Connect());
    EXPECT_EQ(view.panel[1], u"Connected by PG5"_s);
    connection.DisconnectWithMessage(0);
    EXPECT_EQ(view.beeps, 1);
    expectDisconnectedWith(
        view, settings, u"Press 'Connect' button to activate the PCD connection"_s);
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
            settings.baseRegister = 0;
            settings.inRegisters = false;
            varnok.dbx[5] = test::swapGroups(entryWith(row.slot0));
            api.dbx[5] = QByteArray("\0\0", 2) + entryWith(row.slot0);
            EXPECT_EQ(connection.Connect(), row.ok) << dll << " " << row.slot0;
            EXPECT_EQ(settings.baseRegister, row.base);
            EXPECT_EQ(settings.inRegisters, row.inRegisters);
            if (!row.ok) {
                EXPECT_EQ(view.panel[2], u"Invalid Media Address in DBX registery."_s);
            }
            connection.Disconnect();
        }
    }
    // Between 8192 and 32767 nothing changes.
    settings.baseRegister = 55;
    api.dbx[5] = QByteArray("\0\0", 2) + entryWith(9000);
    settings.dll = 1;
    EXPECT_TRUE(connection.Connect());
    EXPECT_EQ(settings.baseRegister, 55);

    api.dbx.clear();
    connection.Disconnect();
    EXPECT_FALSE(connection.Connect());
    EXPECT_EQ(view.panel[2], u"Invalid DBX registery."_s);
}

TEST_F(PcdConnectTest, MakersDbxSearchStartsAtZeroAndWalksDown)
{
    useMakersDriver();
    QByteArray five;
    for (int i = 0; i < 8; ++i)
        five += test::swapGroups(test::dbxEntryBytes("OTHER", 0, {}));
    varnok.dbx[5] = five;
    varnok.dbx[3] = test::swapGroups(test::dbxEntryBytes("TLVR__ACCESS_KEY", 0x12345678, { 3 }));
    ASSERT_TRUE(connection.LookupDbx(5, u"TLVR__ACCESS_KEY"_s));
    EXPECT_EQ(connection.lastErrorCode(), -1);
    EXPECT_EQ(varnok.calls.filter(u"PcdRdDBX 5 "_s).size(), 6);
    EXPECT_EQ(varnok.calls.filter(u"PcdRdDBX 5 "_s).first(), u"PcdRdDBX 5 0 128"_s);
    EXPECT_EQ(varnok.calls.filter(u"PcdRdDBX 4 "_s).size(), 1); // failed read
    EXPECT_EQ(connection.dbxEntry().value, 0x12345678);
    EXPECT_EQ(connection.dbxEntry().values[0], 3);
    EXPECT_FALSE(connection.LookupDbx(2, u"TLVR__ACCESS_KEY"_s));
    EXPECT_EQ(connection.lastErrorCode(), 0);
}

TEST_F(PcdConnectTest, RegisterLimitIsCheckedBeforeTheDriver)
{
    useMakersDriver();
    QList<qint32> buffer(4, 0);
    EXPECT_EQ(connection.ReadRegisters(16380, 4, 0, buffer), 1001);
    EXPECT_EQ(connection.lastErrorCode(), 1001);
    EXPECT_EQ(settings.errorText, u"Register address out of range !"_s);
    // A sum that would not fit 16 bits is refused the same way, not wrapped.
    EXPECT_EQ(connection.ReadRegisters(32767 + 100, 4, 0, buffer), 1001);
    EXPECT_EQ(varnok.reads, 0);
    EXPECT_EQ(connection.ReadRegisters(16379, 4, 0, buffer), 0);
    EXPECT_EQ(buffer[3], RegisterValue(16382));
}

TEST_F(PcdConnectTest, MakersReadAndStatusCodesGetOneHundred)
{
    useMakersDriver();
    QList<qint32> buffer(2, 0);
    varnok.failOnRead = 1;
    varnok.readResult = 1;
    EXPECT_EQ(connection.ReadRegisters(0, 2, 0, buffer), 101);
    EXPECT_EQ(settings.errorText, u"NAK Response"_s);
    varnok.failOnRead = 2;
    varnok.readResult = 3;
    EXPECT_EQ(connection.ReadDataBlock(4, 0, 2, 0, buffer), 103);
    EXPECT_EQ(settings.errorText, u"Invalid BCC"_s);
    // A span outside the buffer never reaches the driver.
    EXPECT_EQ(connection.ReadDataBlock(4, 0, 3, 0, buffer), 110);

    varnok.statusByte = 'H';
    EXPECT_EQ(connection.ReadPcdStatus(), 4);
    varnok.statusResult = 6;
    EXPECT_EQ(connection.ReadPcdStatus(), 0);
    EXPECT_EQ(connection.lastErrorCode(), 106);
    EXPECT_EQ(settings.errorText, u"No Response"_s);
    connection.setSimulation(true);
    EXPECT_EQ(connection.ReadPcdStatus(), 99);
}

TEST_F(PcdConnectTest, SimulationConnectsWithoutDriver)
{
    connection.setSimulation(true);
    ASSERT_TRUE(connection.Connect());
    EXPECT_EQ(view.panel[1], u"Demo mode, no PCD connection !"_s);
    EXPECT_TRUE(settings.connected);
    connection.DisconnectWithMessage(4);
    EXPECT_FALSE(settings.connected);
    EXPECT_EQ(view.panel[2], u"Invalid start register."_s);
    EXPECT_TRUE(api.calls.isEmpty());
    EXPECT_EQ(view.beeps, 0);
}

TEST_F(PcdConnectTest, AutomaticConnectionRetriesUntilThePcdAnswers)
{
    settings.autoConnect = 1;
    api.connectResult = 6;
    connection.formActivated();
    EXPECT_FALSE(settings.connected);
    EXPECT_TRUE(connection.connectTimer().isActive());
    EXPECT_EQ(connection.connectTimer().interval(), 2000);

    api.connectResult = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return settings.connected; }, 10000));
    EXPECT_EQ(control.starts, 1);
    EXPECT_EQ(control.runMode, 2);
    EXPECT_FALSE(connection.connectTimer().isActive());

    // Connected at activation: the start goes through the host's preparation.
    connection.Disconnect();
    int prepared = 0;
    connection.setStartControl([&] { ++prepared; });
    connection.formActivated();
    EXPECT_EQ(prepared, 1);
    EXPECT_FALSE(connection.connectTimer().isActive());
}

} // namespace
