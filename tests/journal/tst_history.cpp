// The graph's history of a journal: buckets read from the summaries against a scan of the
// same rows, at every level, by row and by time, for journals with and without summaries.

#include "tests/TestSupport.h"

#include "journal/JournalHistory.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "viewer/core/HistoryBuckets.h"

#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace Qt::StringLiterals;
using namespace tlv;
using journal::JournalRow;
using journal::RowKind;
using viewer::HistoryBucket;
using viewer::HistoryBuckets;
using viewer::HistoryQuery;

namespace {

constexpr qint64 StartMs = 1'765'000'000'000;

// Rows with a wave, a bit and a text column; status, miss and restart rows now and then, a
// clock that jumps once; written in ticks of uneven size so blocks end inside a tick.
void writeJournal(const QString &path, qint64 rows)
{
    journal::JournalWriter writer;
    ASSERT_TRUE(writer.open(path)) << qPrintable(writer.errorString());
    journal::JournalBuffer buffer;
    buffer.title = u"wave"_s;
    buffer.columns = { { 0, u"Wave"_s, 1000, 4, u"d"_s }, { 1, u"Bit"_s, 500, 1, u"d"_s },
        { 2, u"Text"_s, 800, 6, u"s"_s } };
    writer.setBuffer(buffer);
    for (qint64 i = 1; i <= rows; ++i) {
        JournalRow r;
        r.recordNumber = i;
        r.pcMillis = StartMs + i * 100 + (i > rows / 2 ? 3'600'000 : 0);
        r.cells = { QString::number(i), QString::number(i % 3 == 0), u"t"_s };
        if (i % 997 == 0 || i == 5000 || i == 5001)
            r.kind = i % 2 == 0 ? RowKind::Status : i == 5001 ? RowKind::Restart : RowKind::Miss;
        if (r.kind == RowKind::Record) {
            const double wave = std::round(1000 * std::sin(i / 700.0)) + (i * 7919) % 13;
            r.numbers = { wave, double(i % 3 == 0 && i % 5 != 0), std::nullopt };
            r.rawValues = { qint64(wave), qint64(i % 3 == 0), std::nullopt };
        } else {
            r.numbers = QList<std::optional<double>>(3);
            r.rawValues = QList<std::optional<qint64>>(3);
        }
        writer.addRow(r);
        if (i % 777 == 0 || i == rows) {
            ASSERT_TRUE(writer.flush()) << qPrintable(writer.errorString());
        }
    }
    writer.close();
}

QList<JournalRow> allRows(const QString &path)
{
    journal::JournalReader reader;
    EXPECT_TRUE(reader.open(path));
    QList<JournalRow> rows;
    EXPECT_TRUE(reader.rows(1, 1'000'000, &rows)) << qPrintable(reader.errorString());
    return rows;
}

int gapOf(RowKind kind)
{
    switch (kind) {
    case RowKind::Status:
        return HistoryBucket::StatusGap;
    case RowKind::Miss:
        return HistoryBucket::MissGap;
    case RowKind::Restart:
        return HistoryBucket::RestartGap;
    default:
        return 0;
    }
}

// The buckets by their definition, from every row: whole blocks of level rows, each in the
// column of its first id (or earliest time), raised to the range's start.
QList<HistoryBucket> scan(const QList<JournalRow> &rows, const HistoryQuery &q, int level)
{
    struct Block
    {
        qint64 minMs = 0;
        qint64 maxMs = 0;
        QList<const JournalRow *> rows;
    };
    std::map<qint64, Block> blocks;
    for (const JournalRow &r : rows) {
        Block &b = blocks[HistoryBuckets::blockOf(r.id, level)];
        b.rows.append(&r);
        if (r.pcMillis != 0) {
            b.minMs = b.minMs == 0 ? r.pcMillis : std::min(b.minMs, r.pcMillis);
            b.maxMs = std::max(b.maxMs, r.pcMillis);
        }
    }
    std::map<int, HistoryBucket> out;
    for (const auto &[block, b] : blocks) {
        const qint64 start = block * level + 1;
        qint64 key = start;
        if (q.byTime) {
            if (b.minMs == 0 || b.maxMs < q.from || b.minMs > q.to)
                continue;
            key = b.minMs;
        } else if (start + level - 1 < q.from || start > q.to) {
            continue;
        }
        const int column = HistoryBuckets::column(key, q.from, q.to, q.columns);
        auto [it, fresh] = out.try_emplace(column);
        HistoryBucket &h = it->second;
        if (fresh) {
            h.column = column;
            h.firstId = b.rows.first()->id;
            h.low = h.high = QList<double>(q.positions.size(), std::nan(""));
        }
        for (const JournalRow *r : b.rows) {
            h.firstId = std::min(h.firstId, r->id);
            h.lastId = std::max(h.lastId, r->id);
            h.gaps |= gapOf(r->kind);
            for (qsizetype i = 0; i < q.positions.size(); ++i) {
                const std::optional<double> v = r->numbers.value(q.positions[i]);
                if (!v)
                    continue;
                h.low[i] = std::isnan(h.low[i]) ? *v : std::min(h.low[i], *v);
                h.high[i] = std::isnan(h.high[i]) ? *v : std::max(h.high[i], *v);
            }
        }
    }
    QList<HistoryBucket> list;
    for (const auto &entry : out)
        list.append(entry.second);
    return list;
}

// Bucket by bucket; "-" stands for no value.
QString text(const QList<HistoryBucket> &buckets)
{
    const auto v = [](double d) { return std::isnan(d) ? u"-"_s : QString::number(d); };
    QStringList lines;
    for (const HistoryBucket &b : buckets) {
        QString line = QString::number(b.column) + u' ' + QString::number(b.firstId) + u".."
            + QString::number(b.lastId) + u" gaps " + QString::number(b.gaps);
        for (qsizetype i = 0; i < b.low.size(); ++i)
            line += u' ' + v(b.low[i]) + u'/' + v(b.high[i]);
        lines << line;
    }
    return lines.join(u'\n');
}

QByteArray fileHash(const QString &path)
{
    return QCryptographicHash::hash(test::readBytes(path), QCryptographicHash::Sha256);
}

// Every level, by row and by time, equals the scan; gaps are kept at the coarsest level.
void expectLikeScan(journal::JournalHistory &history, const QList<JournalRow> &rows)
{
    const qint64 last = rows.last().id;
    const qint64 lastMs = rows.last().pcMillis;
    const QList<HistoryQuery> queries {
        { 1, last, false, 4, { 0, 1, 2 } }, // level 4096
        { 1, last, false, 16, { 2, 0 } }, // 1024
        { 1, last, false, 70, { 0, 1 } }, // 256
        { 1, last, false, 300, { 0 } }, // 64
        { 333, 9000, false, 500, { 1, 0 } }, // 16
        { 4990, 5030, false, 100, { 0 } }, // the rows themselves
        { last - 100, last + 50, false, 8, { 0 } }, // the newest, not summed up yet
        { StartMs, lastMs, true, 3, { 0, 1 } },
        { StartMs + 150'000, StartMs + 1'200'000, true, 64, { 0 } },
        { StartMs + 500'000, StartMs + 502'000, true, 50, { 0 } },
    };
    for (const HistoryQuery &q : queries) {
        QList<HistoryBucket> got;
        ASSERT_TRUE(history.buckets(q, &got)) << qPrintable(history.errorString());
        const QList<HistoryBucket> want = scan(rows, q, history.level());
        EXPECT_EQ(text(got), text(want)) << "from " << q.from << " to " << q.to;
        if (!q.byTime) {
            EXPECT_EQ(history.level(), HistoryBuckets::levelFor(q.to - q.from + 1, q.columns));
        }
    }
    QList<HistoryBucket> coarse;
    ASSERT_TRUE(history.buckets({ 1, last, false, 4, { 0 } }, &coarse));
    int gaps = 0;
    for (const HistoryBucket &b : coarse)
        gaps |= b.gaps;
    EXPECT_EQ(gaps, HistoryBucket::StatusGap | HistoryBucket::MissGap | HistoryBucket::RestartGap);
}

} // namespace

TEST(History, BucketsEqualAScanOfTheirRowsWithAndWithoutKeptSummaries)
{
    test::ensureApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"history.db"_s);
    writeJournal(path, 20'000);
    const QList<JournalRow> rows = allRows(path);
    ASSERT_EQ(rows.size(), 20'000);
    {
        journal::JournalHistory history;
        ASSERT_TRUE(history.open(path)) << qPrintable(history.errorString());
        EXPECT_FALSE(history.ownSummaries());
        expectLikeScan(history, rows);
    }

    // A journal written before the summaries: the reader sums up on its own, the file
    // stays as it is.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"older"_s);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(u"DROP TABLE summaries"_s)) << qPrintable(q.lastError().text());
        q.finish();
        ASSERT_TRUE(q.exec(u"VACUUM"_s));
        db.close();
    }
    QSqlDatabase::removeDatabase(u"older"_s);
    const QByteArray before = fileHash(path);
    {
        journal::JournalHistory history;
        ASSERT_TRUE(history.open(path)) << qPrintable(history.errorString());
        EXPECT_TRUE(history.ownSummaries());
        expectLikeScan(history, rows);
    }
    EXPECT_EQ(fileHash(path), before);

    // A writer that opens it again sums up what is there and goes on.
    writeJournal(path, 10);
    journal::JournalHistory history;
    ASSERT_TRUE(history.open(path));
    EXPECT_FALSE(history.ownSummaries());
    expectLikeScan(history, allRows(path));
}

TEST(History, CursorsReadTheNearestRealRecordAndAnOlderJournalIsDrawnUntouched)
{
    test::ensureApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"history.db"_s);
    writeJournal(path, 6000);
    journal::JournalHistory history;
    ASSERT_TRUE(history.open(path));
    viewer::HistoryRecord r;
    // Row 5000 is a status row and 5001 a restart: the record before them is nearer.
    ASSERT_TRUE(history.nearestRecord(5000, false, { 0, 2 }, &r));
    EXPECT_EQ(r.id, 4999);
    EXPECT_EQ(r.values.value(0), std::round(1000 * std::sin(4999 / 700.0)) + (4999 * 7919) % 13);
    EXPECT_EQ(r.texts, QStringList({ u"4999"_s, u"t"_s }));
    EXPECT_TRUE(std::isnan(r.values.value(1)));
    ASSERT_TRUE(history.nearestRecord(StartMs + 1234 * 100 + 40, true, { 0 }, &r));
    EXPECT_EQ(r.id, 1234);
    viewer::HistoryExtent extent;
    ASSERT_TRUE(history.extent(&extent));
    EXPECT_EQ(extent.firstId, 1);
    EXPECT_EQ(extent.lastId, 6000);

    const QString old = dir.filePath(u"v1.db"_s);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"v1"_s);
        db.setDatabaseName(old);
        ASSERT_TRUE(db.open());
        const QString sql = QString::fromUtf8(
            test::readBytes(QStringLiteral(TOLVANE_TEST_DATA "/journal/v1.sql")));
        for (const QString &statement : sql.split(u";\n"_s, Qt::SkipEmptyParts)) {
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(statement)) << qPrintable(q.lastError().text());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(u"v1"_s);
    const QByteArray before = fileHash(old);
    journal::JournalHistory v1;
    ASSERT_TRUE(v1.open(old)) << qPrintable(v1.errorString());
    const QList<JournalRow> rows = allRows(old);
    const HistoryQuery q { 1, 4, false, 2, { 0, 1 } };
    QList<HistoryBucket> got;
    ASSERT_TRUE(v1.buckets(q, &got)) << qPrintable(v1.errorString());
    EXPECT_EQ(text(got), text(scan(rows, q, 1)));
    EXPECT_EQ(got.value(0).low.value(0), -21.5);
    EXPECT_EQ(fileHash(old), before);
}
