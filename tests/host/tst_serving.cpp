#include "tests/TestSupport.h"

#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "host/PcdHost.h"
#include "pcdsim/SbusServer.h"
#include "pcdsim/SimulatedPcd.h"
#include "tests/support/ScriptedPrompter.h"
#include "viewer/core/ControlCore.h"

#include <QCoreApplication>
#include <QDir>
#include <QHostAddress>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace tlv;

namespace {

qint32 registerValue(qint32 i)
{
    return i * 7 + 3;
}
qint32 dbValue(qint32 block, qint32 element)
{
    return block * 100000 + element;
}
QList<qint32> registers(qint32 first, qint32 count)
{
    QList<qint32> v;
    for (qint32 i = 0; i < count; ++i)
        v << registerValue(first + i);
    return v;
}

// A simulated PCD on 127.0.0.1 and the host's whole read path against it; the
// control only listens, the test looks at what the host serves and publishes.
class Serving : public ::testing::Test
{
protected:
    Serving()
    {
        test::ensureApplication();
        for (int i = 0; i < pcdsim::SimulatedPcd::registerCount; ++i)
            pcd.setRegister(i, registerValue(i));
        for (int e = 0; e < 100; ++e)
            pcd.setDataBlockElement(7, e, dbValue(7, e));
        QString error;
        EXPECT_TRUE(server.listenUdp(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
        sbus.port = server.udpPort();
        sbus.timeoutMs = 150;
        sbus.retries = 2;
        host.setFixedConnection(sbus);
        host.setPg5Channel([] { return host::Pg5Channel { 21, { { 21, QDir::currentPath() } } }; });
        project.settings().connection.dll = 1;
        QObject::connect(&host, &host::PcdHost::served,
            [this](const QList<qint32> &values) { served << values; });
        QObject::connect(&host, &host::PcdHost::progressRangeChanged,
            [this](int, int maximum) { progressMax = maximum; });
        QObject::connect(
            &host, &host::PcdHost::progressChanged, [this](int value) { progress << value; });
        QObject::connect(
            &host, &host::PcdHost::abortEnabledChanged, [this](bool on) { abortEnabled = on; });
        QObject::connect(&host, &host::PcdHost::ButtonsStart,
            [this](const QString &sta, bool staEn, const QString &, bool, const QString &, bool,
                qint16 focus) {
                startCaption = sta;
                startEnabled = staEn;
                this->focus = focus;
            });
        QObject::connect(&host, &host::PcdHost::connectionFrameChanged,
            [this](const QString &caption, quint32) { frame = caption; });
    }

    pcdsim::SimulatedPcd pcd;
    pcdsim::SbusServer server { &pcd };
    comm::SbusSettings sbus;
    common::ScriptedPrompter prompter;
    buffer::UserColumns columns;
    buffer::TraceProject project { columns };
    viewer::ControlCore control { &prompter };
    host::PcdHost host { control, project, prompter };
    QList<QList<qint32>> served;
    QList<int> progress;
    int progressMax = -1;
    bool abortEnabled = false;
    QString startCaption, frame;
    bool startEnabled = false;
    qint16 focus = -1;
};

TEST_F(Serving, ConnectionStateAndStatusLetters)
{
    ASSERT_TRUE(host.Connect()) << host.messageText().toStdString();
    EXPECT_EQ(host.connectionText(), u"Connected by PG5"_s);
    EXPECT_EQ(host.messageText(), QString());
    EXPECT_EQ(frame, u"PCD Connected"_s);
    EXPECT_EQ(startCaption, u"Start"_s);
    EXPECT_TRUE(startEnabled);
    EXPECT_EQ(focus, 1);
    for (const auto &[letter, status] :
        { std::pair { 'R', 2 }, { 'S', 3 }, { 'H', 4 }, { 'C', 5 }, { 'D', 1 }, { 'X', 6 } }) {
        pcd.setStatus(quint8(letter));
        host.ReadPCDReg(0, 1);
        EXPECT_EQ(control.pcdStatus(), status) << letter;
    }
    host.connectClicked();
    EXPECT_FALSE(host.connected());
    EXPECT_EQ(host.connectionText(), u"PCD disconnected"_s);
    EXPECT_EQ(host.messageText(), u"Press 'Connect' button to activate the PCD connection"_s);
    EXPECT_EQ(frame, u"PCD disconnected"_s);

    // In simulation the frame says what the status bar says.
    host.setSimulation(true);
    host.connectClicked();
    EXPECT_EQ(host.connectionText(), u"Demo mode, no PCD connection !"_s);
    EXPECT_EQ(frame, host.connectionText());
    EXPECT_EQ(control.pcdStatus(), 99);
}

TEST_F(Serving, RegistryEntryMovesEveryRegisterReadUntilSwitchedOff)
{
    QString error;
    ASSERT_TRUE(pcd.setDbxEntry(5, 2, "TLVR__ACCESS_KEY", 0, { 1000 }, &error));
    pcd.setDbxSize(5, 2 + 128);
    project.settings().connection.pcdRegistery = 1;
    ASSERT_TRUE(host.Connect()) << host.messageText().toStdString();
    host.ReadPCDReg(10, 1);
    ASSERT_EQ(served.size(), 1);
    EXPECT_EQ(served.last(), registers(1010, 1));
    project.settings().connection.pcdRegistery = 0;
    host.ReadPCDReg(10, 1);
    EXPECT_EQ(served.last(), registers(10, 1));
}

TEST_F(Serving, BlocksOf32ProgressFromTwoBlocksAndTheLimit)
{
    ASSERT_TRUE(host.Connect());
    for (qint16 count : { 32, 63, 64, 65, 320 }) {
        served.clear();
        progressMax = -1;
        bool abortSeen = false;
        host.setProcessEvents([&] { abortSeen |= abortEnabled; });
        host.ReadPCDReg(16383 - count, count);
        ASSERT_EQ(served.size(), 1) << count << host.messageText().toStdString();
        EXPECT_EQ(served.first(), registers(16383 - count, count));
        EXPECT_EQ(progressMax, count >= 64 ? count / 32 : -1) << count;
        EXPECT_EQ(abortSeen, count >= 64) << count;
        EXPECT_FALSE(abortEnabled);
        EXPECT_EQ(host.messageText(), u"PCD communication OK."_s);
    }
    served.clear();
    host.ReadPCDReg(16380, 4);
    EXPECT_TRUE(served.isEmpty());
    EXPECT_EQ(
        host.messageText(), u"PCD reading aborted.    Error: Register address out of range !"_s);

    host.ReadPCDDB(7, 30, 65);
    ASSERT_EQ(served.size(), 1);
    EXPECT_EQ(served.first().first(), dbValue(7, 30));
    EXPECT_EQ(served.first().last(), dbValue(7, 94));
}

TEST_F(Serving, AbortAfterThreeBlocksAndButtonsDeferredMeanwhile)
{
    ASSERT_TRUE(host.Connect());
    int blocks = 0;
    host.setProcessEvents([&] {
        host.stopClicked();
        host.runClicked();
        // A request arriving meanwhile must not disturb the one being served.
        host.ReadPCDReg(5000, 1);
        if (++blocks == 3)
            host.abortClicked();
    });
    host.ReadPCDReg(100, 320);
    ASSERT_EQ(served.size(), 1) << host.messageText().toStdString();
    EXPECT_EQ(served.first(), registers(100, 96));
    EXPECT_EQ(progress.mid(0, 3), (QList<int> { 1, 2, 3 }));
    EXPECT_EQ(progress.last(), 0);
    EXPECT_FALSE(host.readingInBlocks());
    EXPECT_TRUE(host.stopPending());
    EXPECT_TRUE(host.runPending());
}

TEST_F(Serving, RefusedAndUnansweredReadsAreToldWithoutWaiting)
{
    ASSERT_TRUE(host.Connect());
    host.ReadPCDDB(99, 0, 4); // no such block: refused
    EXPECT_TRUE(served.isEmpty());
    EXPECT_TRUE(prompter.messages().isEmpty());
    ASSERT_EQ(prompter.notices().size(), 1);
    EXPECT_EQ(prompter.notices().first().text,
        u"PCD reading aborted.\r\rInvalid Start Register or reading overflow !\rError:  PCD_NAK"_s);
    EXPECT_EQ(prompter.notices().first().style, common::Prompter::Style::Critical);
    EXPECT_EQ(host.messageText(),
        u"PCD reading aborted.   Invalid Start Register or reading overflow !   Error:  PCD_NAK"_s);

    server.close();
    host.ReadPCDReg(0, 40);
    EXPECT_TRUE(served.isEmpty());
    EXPECT_EQ(host.messageText(), u"PCD communication problems.    Error:  PCD_NORESP"_s);
    EXPECT_EQ(control.pcdStatus(), 0);
    // Without AutoConnect the connection stays: the next tick asks again.
    EXPECT_TRUE(host.connected());
}

// A UDP timeout on its way to the user: the wire's kind decides what the host does, the
// driver's name of it is what the status bar says; the next good read is served as usual.
TEST_F(Serving, ATimeoutReachesTheStatusBarAndTheNextGoodReadIsServed)
{
    ASSERT_TRUE(host.Connect());
    pcdsim::FaultPlan silent;
    silent.drop = 1.0;
    server.setFaultPlan(silent);
    QList<comm::SbusError> errors;
    QObject::connect(&host, &host::PcdHost::errorOccurred,
        [&errors](const comm::SbusResult &result) { errors << result.error; });
    host.ReadPCDReg(0, 40);
    EXPECT_TRUE(served.isEmpty());
    EXPECT_EQ(errors, QList { comm::SbusError::NoResponse });
    EXPECT_EQ(host.messageText(), u"PCD communication problems.    Error:  PCD_NORESP"_s);

    server.setFaultPlan({});
    host.ReadPCDReg(0, 40);
    ASSERT_EQ(served.size(), 1);
    EXPECT_EQ(served.first(), registers(0, 40));
    EXPECT_EQ(host.messageText(), u"PCD communication OK."_s);

    // With AutoConnect the link counts as lost once the handler returned, and a PCD that
    // merely went quiet is asked again at the read interval.
    project.settings().connection.autoConnect = 1;
    project.settings().connection.readInterval = 300;
    server.setFaultPlan(silent);
    host.ReadPCDReg(0, 1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(host.connected());
    EXPECT_EQ(host.messageText(), u"PCD communication failed   Error:  PCD_NORESP"_s);
    EXPECT_EQ(host.lostLinks(), 1);
    EXPECT_TRUE(host.connectTimer().isActive());
    EXPECT_EQ(host.connectTimer().interval(), 300);
    host.stop();
}

// PG5's folder problems are told once per version, and the channel opens all the same.
TEST_F(Serving, Pg5FolderProblemIsToldOnceAndTheChannelStillOpens)
{
    host.setPg5Channel([] { return host::Pg5Channel { 99, {} }; });
    ASSERT_TRUE(host.Connect());
    host.connectClicked();
    ASSERT_TRUE(host.Connect());
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.lastMessage().text, u"PG5 version not supported! 99"_s);
    EXPECT_EQ(prompter.lastMessage().style, common::Prompter::Style::Critical);
}

TEST_F(Serving, SpoiledAnswersNeverBecomeWrongValues)
{
    pcdsim::FaultPlan plan;
    plan.seed = 7;
    plan.drop = 0.15;
    plan.duplicate = 0.2;
    plan.corrupt = 0.15;
    server.setFaultPlan(plan);
    sbus.retries = 4;
    host.setFixedConnection(sbus);
    int good = 0;
    for (int round = 0; round < 12; ++round) {
        if (!host.connected() && !host.Connect())
            continue;
        served.clear();
        host.ReadPCDReg(qint16(round * 500), 96);
        if (served.isEmpty()) {
            const QString error = host.messageText().section(u"Error: "_s, 1);
            EXPECT_TRUE(host.messageText().startsWith(u"PCD communication problems."_s));
            EXPECT_TRUE(error == u" PCD_NORESP"_s || error == u" PCD_BCCERR"_s
                || error == u" PCD_INVALID"_s)
                << error.toStdString();
        } else {
            ++good;
            EXPECT_EQ(served.first(), registers(round * 500, 96)) << round;
        }
    }
    EXPECT_GT(good, 0);
    const auto stats = server.statistics();
    EXPECT_GT(stats.dropped + stats.corrupted + stats.duplicated, 0u);
}

TEST_F(Serving, MakersDriverOnASerialLine)
{
    QTemporaryDir common;
    qputenv("TOLVANE_COMMON_DIR", common.path().toLocal8Bit());
    QString error;
    ASSERT_TRUE(server.openPseudoTerminal(&error)) << error.toStdString();
    const QString ini = common.path() + u"/Settings.ini"_s;
    ASSERT_TRUE(
        test::writeBytes(ini, "[Ports]\r\nCOM7=" + server.slavePath().toLocal8Bit() + "\r\n"));

    pcd.setStatus('H');
    pcd.setDbxEntry(5, 0, "TLVR__ACCESS_KEY", 0, { 32768 + 400 });
    buffer::ConnectionSettings &c = project.settings().connection;
    c.dll = 0;
    c.com = 7;
    c.pcdRegistery = 1;
    sbus.timeoutMs = 300;
    host.setFixedConnection(sbus);
    ASSERT_TRUE(host.Connect()) << host.messageText().toStdString();
    EXPECT_EQ(host.connectionText(), u"Connected"_s);
    host.ReadPCDDB(7, 0, 40);
    ASSERT_EQ(served.size(), 1);
    EXPECT_EQ(served.first().last(), dbValue(7, 39));
    EXPECT_EQ(control.pcdStatus(), 4);

    // A block that is not there: the driver's NAK, 1 + 100.
    served.clear();
    host.ReadPCDDB(99, 0, 4);
    EXPECT_TRUE(served.isEmpty());
    EXPECT_EQ(host.messageText(), u"PCD communication problems.    Error: NAK Response"_s);

    host.DisconnectWithMessage(comm::DisconnectKind::ByUser);
    c.com = 8;
    c.pcdRegistery = 0;
    ASSERT_TRUE(test::writeBytes(ini, "[Ports]\r\nCOM8=/dev/no-such-tty\r\n"));
    EXPECT_FALSE(host.Connect());
    EXPECT_EQ(host.messageText(), u"PCD Open Connection aborted.   Error: COM don't exist"_s);
    qunsetenv("TOLVANE_COMMON_DIR");
}

} // namespace
