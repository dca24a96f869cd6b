#include "ControlTestHost.h"

#include "tests/support/ScriptedPrompter.h"
#include "viewer/core/ControlCore.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::viewer;
using namespace tlv::viewer::test;

namespace {

constexpr qint16 kStartRegister = 50;

// A control wired to a test host and a fake loader, its start register
// pointing at a TLV1 buffer.
struct Rig
{
    explicit Rig(bool dataBlock = false, qint32 address = 100, int words = 2, qint32 capacity = 10)
        : loader(words, 10, std::min(words, 2))
        , core(&prompter)
        , host(core)
        , writer(host.pcd, dataBlock, address, false, words, capacity)
    {
        core.setLoader(&loader);
        core.setClock([] { return QDateTime(QDate(2024, 3, 5), QTime(14, 15, 16)); });
        core.setStartRegister(kStartRegister);
        host.pcd.registers[kStartRegister] = writer.startValue();
    }
    void startAndRun()
    {
        core.Start();
        core.setRunMode(2);
    }
    [[nodiscard]] qint16 state() { return core.cycle().state(); }

    tlv::common::ScriptedPrompter prompter;
    FakeLoader loader;
    ControlCore core;
    TestHost host;
    TraceWriter writer;
};

QStringList numbered(int from, int to)
{
    QStringList out;
    for (int n = from; n <= to; ++n)
        out << QString::number(n) + u'\t' + QString::number(n * 10);
    return out;
}

} // namespace

TEST(ReadingCycle, RegisterBufferRequestSequence)
{
    Rig rig;
    rig.writer.writeNumbered(3);
    rig.core.Start();
    EXPECT_EQ(rig.host.requests, QList<Request>({ reg(kStartRegister, 1) }));
    EXPECT_EQ(rig.state(), 2);
    EXPECT_EQ(rig.core.statusLabel(), u"Stoped"_s);

    rig.core.setRunMode(2);
    // Header (16 words at the first read), counters at A+c, 3 records from slot 0.
    EXPECT_EQ(rig.host.requests,
        QList<Request>({ reg(kStartRegister, 1), reg(100, 16), reg(104, 12), reg(108, 6) }));
    EXPECT_EQ(rig.host.lines, numbered(1, 3));
    EXPECT_EQ(rig.state(), 3);
    EXPECT_TRUE(rig.core.cycle().readTimerActive());
    EXPECT_EQ(rig.core.recordNumber(), 10);

    // One tick with 3 new records: counter block, then R*3 words at A+F.
    rig.host.requests.clear();
    rig.host.lines.clear();
    rig.writer.writeNumbered(3);
    QSignalSpy status(&rig.core, &ControlCore::Status);
    rig.core.cycle().tick();
    EXPECT_EQ(rig.host.requests, QList<Request>({ reg(104, 12), reg(100 + 8 + 2 * 3, 6) }));
    EXPECT_EQ(rig.host.lines, numbered(4, 6));
    EXPECT_EQ(rig.state(), 3);
    ASSERT_EQ(status.size(), 2);
    EXPECT_EQ(status[0][0].value<qint16>(), 4);
    EXPECT_EQ(status[1][0].value<qint16>(), 3);
    EXPECT_EQ(rig.core.recordCount(), 6);

    // Nothing new: only the counter request.
    rig.host.requests.clear();
    rig.core.cycle().tick();
    EXPECT_EQ(rig.host.requests, QList<Request>({ reg(104, 12) }));
    EXPECT_EQ(rig.state(), 3);
    EXPECT_TRUE(rig.host.errors.isEmpty());
    EXPECT_EQ(rig.loader.descriptionLoads.size(), 1);
    EXPECT_EQ(rig.loader.descriptionLoads[0].headerKey, u"TEST"_s);
    EXPECT_EQ(rig.loader.descriptionLoads[0].headerLength, 8);
}

TEST(ReadingCycle, RestartOnAnotherLayoutReportsTheChangedHeader)
{
    Rig rig;
    rig.writer.writeNumbered(4);
    rig.startAndRun();
    rig.host.lines.clear();

    // The PCD runs a buffer compiled anew: same place, another version.
    rig.writer.restart();
    rig.writer.setWord(2, -4);
    rig.writer.writeNumbered(2);
    rig.core.cycle().tick();
    EXPECT_TRUE(rig.host.lines.isEmpty()); // nothing read with the old layout
    ASSERT_EQ(rig.host.errors.size(), 1);
    EXPECT_EQ(rig.host.errors[0].first, 11);
    EXPECT_TRUE(rig.host.errors[0].second.contains(
        u"The buffer header changed: version 3 -> 4. Start again to read it."_s))
        << rig.host.errors[0].second.toStdString();
    EXPECT_EQ(rig.core.runMode(), 0);
    EXPECT_EQ(rig.state(), 2);
}

TEST(ReadingCycle, ShortRecordAnswerStopsTheRun)
{
    Rig rig;
    rig.writer.writeNumbered(1);
    rig.startAndRun();
    rig.writer.writeNumbered(3);
    rig.host.lines.clear();

    // The counter answer is whole; the record answer holds one record and a half.
    rig.host.cutAnswers[int(rig.host.requests.size()) + 1] = 3;
    rig.core.cycle().tick();
    EXPECT_EQ(rig.host.lines, numbered(2, 2));
    ASSERT_EQ(rig.host.errors.size(), 1);
    EXPECT_EQ(rig.host.errors[0].first, 12);
    EXPECT_EQ(rig.host.errors[0].second, u"1 from 3 records loaded."_s);
    EXPECT_EQ(rig.core.runMode(), 0);
    EXPECT_EQ(rig.state(), 2);
    EXPECT_EQ(rig.core.statusLabel(), u"Stoped"_s);
    EXPECT_FALSE(rig.core.cycle().readTimerActive());
}

TEST(ReadingCycle, ShortHeaderAndCounterAnswers)
{
    Rig rig;
    rig.core.Start();
    rig.host.cutAnswers[1] = 10; // the header
    rig.core.setRunMode(2);
    ASSERT_EQ(rig.host.errors.size(), 1);
    EXPECT_EQ(rig.host.errors[0],
        qMakePair(
            qint16(10), u"The DataBlock Property wait an array of 16 registers (long value)."_s));
    EXPECT_EQ(rig.state(), 2);

    // Run again with a whole header but a counter answer shorter than c.
    rig.core.setRunMode(0);
    rig.host.cutAnswers[3] = 3;
    rig.core.setRunMode(2);
    ASSERT_EQ(rig.host.errors.size(), 2);
    EXPECT_EQ(rig.host.errors[1],
        qMakePair(
            qint16(10), u"The DataBlock Property wait an array of 4 registers (long value)."_s));
    EXPECT_EQ(rig.state(), 3);
}

TEST(ReadingCycle, RefusedStartRegisterAndHeader)
{
    const QString badStart = u"Invalid buffer\rCheck the start register value"_s;
    Rig refused;
    refused.host.pcd.registers[kStartRegister] = 8001;
    refused.core.Start();
    EXPECT_EQ(refused.host.errors, (QList<QPair<qint16, QString>> { { 10, badStart } }));
    EXPECT_EQ(refused.state(), 1);
    refused.core.setRunMode(2); // below state 2 the run mode falls back to 0
    EXPECT_EQ(refused.core.runMode(), 0);

    Rig rig;
    rig.writer.setWord(0, fourChars("XLV1"));
    rig.startAndRun();
    EXPECT_EQ(rig.host.errors, (QList<QPair<qint16, QString>> { { 11, badStart } }));
    EXPECT_EQ(rig.state(), 2);
    EXPECT_TRUE(rig.loader.descriptionLoads.isEmpty());
}

TEST(ReadingCycle, DescriptionFailureIsCode10)
{
    Rig rig;
    rig.loader.failWith = u"No description file from driver found (*.tlv)"_s;
    rig.startAndRun();
    ASSERT_EQ(rig.host.errors.size(), 1);
    EXPECT_EQ(rig.host.errors[0], qMakePair(qint16(10), rig.loader.failWith));
    EXPECT_EQ(rig.state(), 2);
    EXPECT_EQ(rig.core.title(), ControlCore::noBufferTitle());

    // A user file makes it a user buffer, checked against the header key.
    Rig user;
    user.core.setUserFile(u"C:\\p\\x.tlvr"_s);
    user.startAndRun();
    EXPECT_TRUE(user.loader.descriptionLoads.isEmpty());
    ASSERT_EQ(user.loader.keyChecks, QList<bool>({ true }));
    EXPECT_EQ(user.loader.userLoads[0].headerKey, u"TEST"_s);
}

TEST(ReadingCycle, GarbledCounterBlockIsReportedOnceAndFetchesNothing)
{
    Rig rig;
    rig.writer.writeNumbered(3);
    rig.startAndRun();
    ASSERT_EQ(rig.host.lines, numbered(1, 3));
    rig.host.lines.clear();
    rig.host.requests.clear();

    rig.writer.writeNumbered(2);
    rig.writer.setWord(7, 0); // no capacity
    rig.core.cycle().tick();
    rig.core.cycle().tick();
    EXPECT_EQ(rig.host.errors,
        (QList<QPair<qint16, QString>> { { 10, u"Invalid buffer\rBad counter values"_s } }));
    EXPECT_EQ(rig.host.requests, QList<Request>({ reg(104, 12), reg(104, 12) }));
    EXPECT_TRUE(rig.host.lines.isEmpty());
    EXPECT_EQ(rig.state(), 3);
    EXPECT_EQ(rig.core.recordCount(), 3);

    // Sound again: the records written meanwhile arrive, nothing is lost or doubled.
    rig.writer.setWord(7, 10);
    rig.core.cycle().tick();
    EXPECT_EQ(rig.host.lines, numbered(4, 5));
    EXPECT_EQ(rig.host.errors.size(), 1);
}

TEST(ReadingCycle, CapacityBeyondTheBufferIsInvalidAndFetchesNothing)
{
    // A sound ring first, then a hostile counter block: a capacity of 2^31-1 or
    // 4e8 in a buffer of 100 records, the counter jumping by two billion.
    for (const qint32 capacity : { 2147483647, 400000000 }) {
        Rig rig;
        rig.writer.writeNumbered(3);
        rig.startAndRun();
        ASSERT_EQ(rig.host.lines, numbered(1, 3));
        rig.host.requests.clear();

        rig.writer.setWord(4, 2000000003);
        rig.writer.setWord(7, capacity);
        for (int i = 0; i < 3; ++i)
            rig.core.cycle().tick();
        ASSERT_EQ(rig.host.errors.size(), 1);
        EXPECT_EQ(rig.host.errors[0].first, 10);
        EXPECT_EQ(rig.host.errors[0].second,
            u"Invalid buffer\rBad capacity value : "_s + QString::number(capacity)
                + u" records, the buffer holds at most 100 (buffer length 100, record length 2)"_s);
        // Counter reads only, and the reader goes on from where it was.
        EXPECT_EQ(rig.host.requests, QList<Request>(3, reg(104, 12)));
        EXPECT_EQ(rig.host.lines.size(), 3);
        EXPECT_EQ(rig.state(), 3);
        EXPECT_EQ(rig.core.cycle().reader().previousCounter, 3);
    }

    // The first look already hostile; and a ring larger than 16-bit addresses
    // reach (8000-word records) although the buffer length allows it.
    struct Case
    {
        bool dataBlock;
        qint32 address, recordLength, capacity;
        QString why;
    };
    const Case cases[] = {
        { false, 100, 2, 2147483647, u"2147483647 records, the buffer holds at most 100"_s },
        { false, 100, 8000, 6, u"6 records, the buffer holds at most 4"_s },
        { true, 9, 8000, 6, u"6 records, the buffer holds at most 4"_s },
    };
    for (const Case &c : cases) {
        Rig rig(c.dataBlock, c.address, c.recordLength, 6);
        rig.writer.writeNumbered(2);
        rig.writer.setWord(7, c.capacity);
        rig.startAndRun();
        ASSERT_EQ(rig.host.errors.size(), 1);
        EXPECT_TRUE(rig.host.errors[0].second.contains(c.why))
            << rig.host.errors[0].second.toStdString();
        EXPECT_TRUE(rig.host.lines.isEmpty());
        EXPECT_EQ(rig.host.requests.size(), 3); // start register, header, counters
    }

    // Four 8000-word records fit from register 100 (32108 words): the whole
    // ring comes in requests that stay within 16 bits.
    Rig fits(false, 100, 8000, 4);
    fits.writer.writeNumbered(4);
    fits.startAndRun();
    ASSERT_TRUE(fits.host.errors.isEmpty()) << fits.host.errors.value(0).second.toStdString();
    EXPECT_EQ(fits.host.lines.size(), 4);
    EXPECT_EQ(fits.host.lines.last(), u"4\t40"_s);
    for (const Request &r : fits.host.requests) {
        EXPECT_LE(r.first, 32767);
        EXPECT_LE(r.count, 32767);
    }
}

TEST(ReadingCycle, RunModes)
{
    // Single read from state 2: one counter read of c words, one record read,
    // run mode 1 afterwards, no timer.
    Rig rig;
    rig.writer.writeNumbered(2);
    rig.startAndRun();
    rig.core.setRunMode(0);
    rig.writer.writeNumbered(2);
    rig.host.requests.clear();
    rig.core.setRunMode(3);
    EXPECT_EQ(rig.host.requests, QList<Request>({ reg(104, 4), reg(112, 4) }));
    EXPECT_EQ(rig.core.runMode(), 1);
    EXPECT_EQ(rig.state(), 3);
    EXPECT_FALSE(rig.core.cycle().readTimerActive());
    EXPECT_EQ(rig.host.lines, numbered(1, 4));

    // Right after Start no header has been read yet: it is read first.
    Rig fresh;
    fresh.writer.writeNumbered(2);
    fresh.core.Start();
    fresh.host.requests.clear();
    fresh.core.setRunMode(3);
    EXPECT_EQ(fresh.host.requests, QList<Request>({ reg(100, 16), reg(104, 4), reg(108, 4) }));
    EXPECT_EQ(fresh.host.lines, numbered(1, 2));

    // Pause from a run: state 3, timer off, "Refresh mode paused"; stop: state 2.
    Rig run;
    run.startAndRun();
    run.core.setRunMode(1);
    EXPECT_EQ(run.state(), 3);
    EXPECT_FALSE(run.core.cycle().readTimerActive());
    EXPECT_EQ(run.core.statusLabel(), u"Refresh mode paused"_s);
    run.host.requests.clear();
    run.core.cycle().tick(); // paused ticks read nothing
    EXPECT_TRUE(run.host.requests.isEmpty());
    run.core.setRunMode(2);
    EXPECT_EQ(run.core.statusLabel(), u"Refresh mode running"_s);
    EXPECT_TRUE(run.core.cycle().readTimerActive());
    run.core.setRunMode(0);
    EXPECT_EQ(run.state(), 2);
    EXPECT_EQ(run.core.statusLabel(), u"Stoped"_s);
    EXPECT_FALSE(run.core.activityVisible());

    // Reset returns to state 0 and forgets the header.
    run.core.Reset();
    EXPECT_EQ(run.state(), 0);
    EXPECT_EQ(run.core.runMode(), 0);
    EXPECT_TRUE(run.core.headerKey().isEmpty());
    EXPECT_EQ(run.core.title(), ControlCore::noBufferTitle());
}

TEST(ReadingCycle, AnswersIgnoredWhileDisabledOrInState0)
{
    Rig rig;
    QSignalSpy status(&rig.core, &ControlCore::Status);
    rig.core.setDataBlock(QList<qint32> { rig.writer.startValue() });
    EXPECT_EQ(rig.state(), 0);
    EXPECT_TRUE(status.isEmpty());

    rig.core.setEnabled(false);
    rig.core.Start();
    EXPECT_TRUE(rig.host.requests.isEmpty());
    EXPECT_EQ(rig.state(), 0);
}

TEST(ReadingCycle, RestartReadsTheRingWithoutAFalseMiss)
{
    // A demo that ran long past its ring of 50; Clear, then Restart (stop,
    // start, run) as the window's button does.
    Rig rig(true, 100, 4, 50);
    QSignalSpy separators(&rig.core.cycle(), &ReadingCycle::separator);
    rig.writer.writeNumbered(30);
    rig.startAndRun();
    for (int i = 0; i < 307; ++i) {
        rig.writer.writeNumbered(2);
        rig.core.cycle().tick();
    }
    const auto restart = [&rig] {
        rig.core.Clear();
        rig.host.lines.clear();
        rig.core.setRunMode(0);
        rig.core.Start();
        rig.core.setRunMode(2);
    };
    rig.writer.writeNumbered(2);
    restart();
    // The same buffer: it goes on from its counters, nothing is read twice.
    EXPECT_EQ(rig.host.lines, numbered(645, 646));

    // A changed header (the PCD program was rebuilt): the ring is read as at
    // a first look, without "Miss" for the records written before.
    rig.writer.setWord(2, -4);
    restart();
    EXPECT_EQ(rig.host.lines, numbered(598, 646)); // the slot at the write index is skipped
    EXPECT_EQ(rig.core.headerVersion(), 4);
    EXPECT_EQ(separators.count(), 0);
    EXPECT_TRUE(rig.host.errors.isEmpty());
}
