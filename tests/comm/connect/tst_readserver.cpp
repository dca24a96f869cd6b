#include "comm/PCDConnect.h"
#include "comm/ReadServer.h"
#include "comm/Scomm5.h"
#include "common/ScriptedPrompter.h"

#include "Fakes.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::comm;
using test::DbValue;
using test::registers;
using test::RegisterValue;

namespace {

class ReadServerTest : public ::testing::Test
{
protected:
    ReadServerTest()
    {
        test::ensureApplication();
        settings.connected = true;
        control.runMode = 2;
    }

    QStringList reads() const
    {
        QStringList out;
        for (const QString &c : api.calls) {
            if (c.startsWith(QLatin1String("rtc")) || c.startsWith(QLatin1String("db")))
                out << c;
        }
        return out;
    }

    tlv::buffer::ConnectionSettings settings;
    test::FakeVarnok varnok;
    test::FakeScommApi api;
    tlv::common::ScriptedPrompter prompter;
    Scomm5 scomm { api, prompter, settings };
    test::RecordingView view;
    test::RecordingControl control;
    PCDConnect connection { settings, varnok, scomm, view, control };
    ReadServer server { connection, control, view, prompter };
};

TEST_F(ReadServerTest, BlocksOf32AndProgressOnlyFromTwoBlocks)
{
    const struct
    {
        qint16 count;
        QStringList telegrams;
        int progressMax;
    } rows[] = {
        { 32, { u"rtc 82 100 32"_s }, -1 },
        { 63, { u"rtc 82 100 32"_s, u"rtc 82 132 31"_s }, -1 },
        { 64, { u"rtc 82 100 32"_s, u"rtc 82 132 32"_s }, 2 },
        { 65, { u"rtc 82 100 32"_s, u"rtc 82 132 32"_s, u"rtc 82 164 1"_s }, 2 },
    };
    for (const auto &row : rows) {
        api.calls.clear();
        control.dataBlocks.clear();
        view.progressMax = -1;
        bool abortSeenEnabled = false;
        server.setProcessEvents([&] { abortSeenEnabled |= view.abortEnabled; });
        server.ReadPCDReg(100, row.count);
        EXPECT_EQ(api.calls.first(), u"status"_s) << row.count;
        EXPECT_EQ(reads(), row.telegrams) << row.count;
        ASSERT_EQ(control.dataBlocks.size(), 1);
        EXPECT_EQ(control.dataBlocks.first(), registers(100, row.count));
        EXPECT_EQ(view.progressMax, row.progressMax);
        EXPECT_EQ(abortSeenEnabled, row.progressMax > 0) << row.count;
        EXPECT_FALSE(view.abortEnabled);
        EXPECT_FALSE(server.readingInBlocks());
        EXPECT_EQ(view.panel[2], u"PCD communication OK."_s);
    }
    EXPECT_EQ(control.pcdStatuses.last(), 2);
}

TEST_F(ReadServerTest, BaseRegisterAndRegisterLimit)
{
    settings.baseRegister = 1000;
    server.ReadPCDReg(10, 1);
    EXPECT_EQ(reads(), QStringList { u"rtc 82 1010 1"_s });
    EXPECT_EQ(control.dataBlocks.last(), registers(1010, 1));

    settings.baseRegister = 0;
    control.dataBlocks.clear();
    server.ReadPCDReg(16380, 4);
    EXPECT_EQ(view.panel[2], u"PCD reading aborted.    Error: Register address out of range !"_s);
    EXPECT_TRUE(control.dataBlocks.isEmpty());

    // The limit applies to each block as it is read.
    api.calls.clear();
    server.ReadPCDReg(16300, 100);
    EXPECT_EQ(reads().size(), 2);
    EXPECT_TRUE(control.dataBlocks.isEmpty());
    EXPECT_FALSE(view.abortEnabled);
    EXPECT_EQ(view.progressValue, 0);
}

TEST_F(ReadServerTest, AbortAfterThreeBlocksHandsOver96Values)
{
    int blocks = 0;
    server.setProcessEvents([&] {
        if (++blocks == 3)
            server.abortClicked();
    });
    server.ReadPCDReg(0, 320);
    EXPECT_EQ(reads().size(), 3);
    ASSERT_EQ(control.dataBlocks.size(), 1);
    EXPECT_EQ(control.dataBlocks.first(), registers(0, 96));
    EXPECT_EQ(view.progressValues.mid(0, 3), (QList<int> { 1, 2, 3 }));
    EXPECT_EQ(view.progressMax, 10);
    EXPECT_EQ(view.progressValue, 0);
    EXPECT_FALSE(view.abortEnabled);
    EXPECT_FALSE(server.readingInBlocks());
}

TEST_F(ReadServerTest, ErrorInsideTheLoopEndsAtOnceWithoutValues)
{
    api.failOnRead = 2;
    api.readFailure = 6;
    server.ReadPCDReg(0, 320);
    EXPECT_EQ(reads().size(), 2);
    EXPECT_TRUE(control.dataBlocks.isEmpty());
    EXPECT_EQ(view.panel[2], u"PCD communication problems.    Error:  PCD_NORESP"_s);
    EXPECT_FALSE(view.abortEnabled);
    EXPECT_EQ(view.progressValue, 0);
    EXPECT_FALSE(server.readingInBlocks());
    EXPECT_EQ(control.runMode, 2);
}

TEST_F(ReadServerTest, DataBlockReadsAndTheirFailures)
{
    settings.baseRegister = 1000; // not used for data blocks
    server.ReadPCDDB(7, 10, 40);
    EXPECT_EQ(reads(), (QStringList { u"db 7 10 32"_s, u"db 7 42 8"_s }));
    ASSERT_EQ(control.dataBlocks.size(), 1);
    EXPECT_EQ(control.dataBlocks.first().last(), DbValue(7, 49));

    // Code 2: only the status bar.
    control.dataBlocks.clear();
    api.reads = 0;
    api.failOnRead = 1;
    api.readFailure = 2;
    server.ReadPCDDB(7, 0, 5);
    EXPECT_EQ(view.panel[2], u"PCD communication problems.    Error:  PCD_COMERR"_s);
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(control.runMode, 2);

    // Code 1 (refused): the control is stopped and told so.
    api.reads = 0;
    api.readFailure = 1;
    server.ReadPCDDB(7, 0, 5);
    EXPECT_TRUE(control.dataBlocks.isEmpty());
    EXPECT_EQ(control.runMode, 0);
    EXPECT_EQ(view.panel[2],
        QStringLiteral("PCD reading aborted.   Invalid Start Register or reading overflow !"
                       "   Error:  PCD_NAK"));
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.lastMessage().text,
        QStringLiteral("PCD reading aborted.\r\rInvalid Start Register or reading overflow "
                       "!\rError:  PCD_NAK"));
    EXPECT_EQ(prompter.lastMessage().style, tlv::common::Prompter::Style::Critical);
}

TEST_F(ReadServerTest, FailedStatusDoesNotStopTheRead)
{
    api.statusResult = 6;
    server.ReadPCDReg(0, 1);
    EXPECT_EQ(control.pcdStatuses.last(), 0);
    EXPECT_EQ(control.dataBlocks.size(), 1);
}

TEST_F(ReadServerTest, RunAndStopWaitForTheBlockReadAndTheNextStatus)
{
    server.setProcessEvents([&] {
        server.stopClicked();
        server.runPauseClicked();
        // A request arriving meanwhile must not disturb the one being served.
        server.ReadPCDReg(5000, 1);
    });
    server.ReadPCDReg(0, 320);
    EXPECT_TRUE(server.stopPending());
    EXPECT_TRUE(server.runPending());
    EXPECT_EQ(control.runMode, 2);
    ASSERT_EQ(control.dataBlocks.size(), 1);
    EXPECT_EQ(control.dataBlocks.first(), registers(0, 320));

    server.statusChanged(2);
    EXPECT_TRUE(server.stopPending());
    EXPECT_EQ(view.startCaption, u"Start"_s);
    EXPECT_TRUE(view.startEnabled);
    EXPECT_EQ(view.focus, 1);

    server.statusChanged(3);
    EXPECT_EQ(view.startCaption, u"Restart"_s);
    EXPECT_EQ(view.runCaption, u"Run"_s); // Run/Pause paused it first
    EXPECT_EQ(control.runMode, 0); // then Stop
    EXPECT_FALSE(server.stopPending());
    EXPECT_FALSE(server.runPending());
    EXPECT_EQ(view.panel[2], u"PCD communication stoped."_s);
}

} // namespace
