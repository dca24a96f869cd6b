#include "ControlTestHost.h"

#include "viewer/core/BufferCheck.h"
#include "viewer/core/CounterEvaluation.h"
#include "viewer/core/FetchOrder.h"
#include "viewer/core/FourCharText.h"
#include "viewer/core/RequestPlanner.h"

#include <gtest/gtest.h>

using namespace tlv::viewer;
using tlv::viewer::test::fourChars;
using namespace Qt::StringLiterals;
using Command = CounterOutcome::Command;

namespace {

QList<qint32> header(qint32 typeKey, qint32 length, qint32 headerKey = fourChars("ABCD"))
{
    QList<qint32> words(16, 0);
    words[0] = typeKey;
    words[1] = headerKey;
    words[2] = -7;
    words[3] = length;
    words[8] = 5; // command word
    words[10] = 42; // export index
    return words;
}

// Counter block answer: element i is word c + i.
QList<qint32> counters(qint32 n, qint32 w, qint32 c, qint32 command = 0)
{
    return { n, w, 0, c, command, 0, 0, 0 };
}

ReaderState running(qint32 previous, qint16 recordLength = 3, bool tlv2 = false)
{
    ReaderState s;
    s.headerTypeKey = tlv2 ? u"TLV2"_s : u"TLV1"_s;
    s.headerLength = tlv2 ? 16 : 8;
    s.recordLength = recordLength;
    s.previousCounter = s.counter = previous;
    s.firstRead = false;
    return s;
}

} // namespace

TEST(FourCharText, BytesMostSignificantFirst)
{
    EXPECT_EQ(fourCharText(fourChars("TLV1")), u"TLV1"_s);
    EXPECT_EQ(fourCharText(fourChars("\xC4"
                                     "bcd")),
        u"\u00C4bcd"_s); // negative word
    EXPECT_EQ(fourCharText(fourChars("AB\0D")), u"AB"_s);
}

TEST(StartRegister, KindAndAddressLimits)
{
    struct Row
    {
        qint32 value;
        bool ok;
        bool dataBlock;
        qint16 address;
    };
    const Row rows[] = {
        { 68 * 65536 + 16, true, true, 16 },
        { 82 * 65536 + 16, true, false, 16 },
        { 16, true, false, 16 },
        { 8000, true, false, 8000 },
        { 8001, false, false, 0 },
        { -1, false, false, 0 },
        { 16777216, false, false, 0 },
        { 16777215, false, false, 0 },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.value);
        const StartRegisterResult r = BufferCheck::checkStartRegister(row.value);
        EXPECT_EQ(r.ok, row.ok);
        if (row.ok) {
            EXPECT_EQ(r.isDataBlock, row.dataBlock);
            EXPECT_EQ(r.startAddress, row.address);
        } else {
            EXPECT_EQ(r.code, 10);
            EXPECT_EQ(r.text, u"Invalid buffer\rCheck the start register value"_s);
        }
    }
}

TEST(HeaderCheck, BufferLengthLimitsPerStorage)
{
    struct Row
    {
        bool dataBlock;
        qint32 length;
        bool ok;
    };
    const Row rows[] = {
        { false, 4096, true },
        { false, 4097, false },
        { true, 16383, true },
        { true, 16384, false },
        { false, 0, false },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.length);
        ReaderState s;
        s.isDataBlock = row.dataBlock;
        const auto r = BufferCheck::checkHeader(s, header(fourChars("TLV1"), row.length));
        EXPECT_EQ(r.ok, row.ok);
        if (!row.ok) {
            EXPECT_EQ(r.code, 11);
            EXPECT_EQ(r.text, u"Invalid buffer\rBad size value"_s);
        }
    }
}

TEST(HeaderCheck, TypeKeysSetHeaderAndCommandState)
{
    ReaderState s;
    auto r = BufferCheck::checkHeader(s, header(fourChars("TLV2"), 100));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.state.headerLength, 16);
    EXPECT_EQ(r.state.firstRecordOffset, 16);
    EXPECT_EQ(r.state.commandWord, 5);
    EXPECT_EQ(r.state.lastCommand, 5); // nothing acted on at header time
    EXPECT_EQ(r.state.exportIndex, 42);

    // A TLV1 buffer has neither: nothing left over from the TLV2 before.
    r = BufferCheck::checkHeader(r.state, header(fourChars("TLV1"), 100));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.state.headerLength, 8);
    EXPECT_EQ(r.state.commandWord, 0);
    EXPECT_EQ(r.state.lastCommand, 0);
    EXPECT_EQ(r.state.exportIndex, 0);
}

TEST(HeaderCheck, RefusalsKeepHeaderAndClearOnlyCounters)
{
    ReaderState good = BufferCheck::checkHeader({}, header(fourChars("TLV1"), 10)).state;
    good.counter = good.previousCounter = 77;
    good.capacity = 10;

    auto r = BufferCheck::checkHeader(good, header(fourChars("TLV3"), 10));
    EXPECT_EQ(r.code, 11);
    EXPECT_EQ(r.text, u"Invalid buffer\rCheck the start register value"_s);
    EXPECT_EQ(r.state.counter, 0);
    EXPECT_EQ(r.state.capacity, 0);
    EXPECT_EQ(r.state.headerKey, u"ABCD"_s);

    r = BufferCheck::checkHeader(good, header(fourChars("TLV1"), 10, fourChars("A\0CD")));
    EXPECT_EQ(r.code, 11);
    EXPECT_EQ(r.text, u"Invalid buffer\rBad key value"_s);
    EXPECT_EQ(r.state.headerKey, u"ABCD"_s);

    // Too short: code 10, nothing touched.
    r = BufferCheck::checkHeader(good, header(fourChars("TLV1"), 10).mid(0, 7));
    EXPECT_EQ(r.code, 10);
    EXPECT_EQ(r.text, u"The DataBlock Property wait an array of 8 registers (long value)."_s);
    EXPECT_EQ(r.state.counter, 77);

    // The buffer turned TLV2 while the last header was TLV1: words 8 and 10 are
    // not in an 8-word answer, and the next read must ask for 16.
    r = BufferCheck::checkHeader(good, header(fourChars("TLV2"), 10).mid(0, 8));
    EXPECT_EQ(r.code, 10);
    EXPECT_EQ(r.state.headerLength, 16);
}

// New, wrapped, overtaken and restarted counters are read end to end by the
// reading-cycle tests; here only the counter words no ring produces.
TEST(CounterEvaluation, CounterExtremes)
{
    // Counter -1 reads as 2^31-1, INT_MIN as 0.
    ReaderState s = running(2147483640);
    EXPECT_EQ(evaluateCounters(s, counters(-1, 50, 100)).recordsToFetch, 7);
    EXPECT_EQ(s.counter, 2147483647);
    s = running(0);
    EXPECT_EQ(
        evaluateCounters(s, counters(std::numeric_limits<qint32>::min(), 5, 100)).recordsToFetch,
        0);
    EXPECT_EQ(s.counter, 0);
}

TEST(CounterEvaluation, CommandWordActsOnlyOnChange)
{
    ReaderState s = running(0, 3, true);
    const std::pair<qint32, Command> steps[] = {
        { 0, Command::None },
        { 1, Command::Clear },
        { 1, Command::None },
        { 0, Command::None },
        { 1, Command::Clear },
        { 8, Command::Export },
        { 9, Command::Shutdown },
        { 5, Command::None },
        { 9, Command::Shutdown },
    };
    for (const auto &[word, expected] : steps) {
        EXPECT_EQ(evaluateCounters(s, counters(0, 0, 10, word)).command, expected) << word;
        EXPECT_EQ(s.lastCommand, word);
    }
    ReaderState tlv1 = running(0);
    EXPECT_EQ(evaluateCounters(tlv1, counters(0, 0, 10, 1)).command, Command::None);
}

TEST(CounterEvaluation, ShortOrGarbledAnswersKeepState)
{
    // A single read answers c words: command and export index keep their values.
    ReaderState s = running(500, 3, true);
    s.commandWord = s.lastCommand = 4;
    s.exportIndex = 12;
    auto out = evaluateCounters(s, { 510, 20, 0, 100 });
    EXPECT_EQ(out.recordsToFetch, 10);
    EXPECT_EQ(out.command, Command::None);
    EXPECT_EQ(s.exportIndex, 12);

    for (const auto &answer :
        { counters(600, 0, 0), counters(600, 101, 100), counters(600, -1, 100) }) {
        ReaderState bad = running(500);
        out = evaluateCounters(bad, answer);
        EXPECT_TRUE(out.invalid);
        EXPECT_TRUE(out.newlyInvalid);
        EXPECT_EQ(out.recordsToFetch, 0);
        EXPECT_EQ(bad.previousCounter, 500);
        // Still garbled: no news; good again, then garbled: news again.
        EXPECT_FALSE(evaluateCounters(bad, answer).newlyInvalid);
        EXPECT_EQ(evaluateCounters(bad, counters(510, 20, 100)).recordsToFetch, 10);
        EXPECT_TRUE(evaluateCounters(bad, answer).newlyInvalid);
    }
    // A write index equal to the capacity: the last slot was just filled.
    ReaderState full = running(500);
    out = evaluateCounters(full, counters(510, 100, 100));
    EXPECT_FALSE(out.invalid);
    EXPECT_EQ(out.recordsToFetch, 10);
    EXPECT_EQ(out.firstRecordOffset, full.headerLength + 90 * full.recordLength);
    // Nothing written yet: an untouched block is empty, not garbled.
    ReaderState fresh;
    out = evaluateCounters(fresh, counters(0, 0, 0));
    EXPECT_FALSE(out.invalid);
    EXPECT_EQ(out.recordsToFetch, 0);
}

// Ring order and short answers are read end to end by the reading-cycle and record tests;
// here only what a hostile counter block could ask for.
TEST(FetchOrder, OnlyTheRecordsFetchedHoweverManyWereToCome)
{
    EXPECT_EQ(FetchOrder::plan(5, 5, 2, 3).records, (QList<qint32> { 0, 1, 2 }));
    EXPECT_EQ(FetchOrder::plan(5, 5, 2, 0).records, QList<qint32> {});
    const FetchOrder huge = FetchOrder::plan(2147483647, 2147483647, 5, 2);
    EXPECT_EQ(huge.records, (QList<qint32> { 0, 1 }));
    EXPECT_EQ(huge.completeness(2).text, u"2 from 2147483646 records loaded."_s);
}

TEST(RequestPlanner, KeepsArgumentsWithin16Bits)
{
    struct Row
    {
        qint32 base, first, length, records, maxWords;
        QList<std::pair<qint32, qint32>> expected; // offset, count
    };
    const Row rows[] = {
        { 100, 16, 4, 3, 32767, { { 16, 12 } } },
        // Offsets past 32767 cannot be asked for; the rest is left to be missed.
        { 0, 16, 10, 5000, 32767, { { 16, 32760 } } },
        { 0, 16, 10, 7, 32, { { 16, 30 }, { 46, 30 }, { 76, 10 } } },
        { 8000, 24000, 100, 20, 32767, { { 24000, 2000 } } },
        { 8000, 24767, 100, 3, 32767, { { 24767, 300 } } },
        { 8000, 24768, 100, 3, 32767, {} },
        { 0, 16, 0, 3, 32767, {} },
        { 0, 16, 40000, 1, 32767, {} },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.records);
        const auto plan
            = RequestPlanner::plan(row.base, row.first, row.length, row.records, row.maxWords);
        ASSERT_EQ(plan.size(), row.expected.size());
        for (qsizetype i = 0; i < plan.size(); ++i) {
            EXPECT_EQ(plan[i].offset, row.expected[i].first);
            EXPECT_EQ(plan[i].count, row.expected[i].second);
            EXPECT_LE(row.base + plan[i].offset, 32767);
            EXPECT_LE(plan[i].count, 32767);
        }
    }
}
