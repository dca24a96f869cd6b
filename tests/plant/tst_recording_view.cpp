// A recording shown read-only in the window's grid: from a journal file and from a source of a
// real throwaway PostgreSQL, followed while its recorder goes on, and a time range shown and
// exported as the command line exports it.
#include "PgCluster.h"
#include "tests/TestSupport.h"

#include "app/core/ExportRange.h"
#include "app/core/PlantSourceList.h"
#include "app/core/RecordingPager.h"
#include "app/core/RecordingView.h"
#include "journal/JournalWriter.h"
#include "tests/support/ScriptedPrompter.h"
#include "viewer/core/ControlCore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tlv::app {
namespace {

using test::CliRun;
using test::runCli;

constexpr qint64 BaseMs = 1796551200000; // 2026-12-06 10:00:00 UTC
constexpr int Bound = 10000; // ms any follow may take

qint64 rowMs(qint64 id)
{
    return BaseMs + id * 1000;
}

QString iso(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

// A recorder's journal: a number and a text column, a "Miss 2" at every 40th row.
struct Recorder
{
    explicit Recorder(const QString &path)
    {
        EXPECT_TRUE(writer.open(path)) << qPrintable(writer.errorString());
        setBuffer(u"Boiler"_s);
    }
    // The recorder's columns change: a buffer of that title.
    void setBuffer(const QString &title)
    {
        journal::JournalBuffer buffer;
        buffer.title = title;
        buffer.headerKey = u"boiler"_s;
        buffer.columns = { { 0, u"Temperature"_s, 1000, 4, u"d"_s }, { 1, title, 800, 6, u"s"_s } };
        writer.setBuffer(buffer);
    }
    // Rows up to id last, written in one go.
    void writeTo(qint64 last)
    {
        for (qint64 id = next; id <= last; ++id) {
            journal::JournalRow r;
            r.pcMillis = rowMs(id);
            const QDateTime t = QDateTime::fromMSecsSinceEpoch(r.pcMillis);
            r.date = t.toString(u"dd/MM/yy"_s);
            r.time = t.toString(u"HH:mm:ss"_s);
            r.recordNumber = id;
            if (id % 40 == 0) {
                r.kind = journal::RowKind::Miss;
                r.status = u"Miss 2"_s;
                r.cells = { u"-----"_s, u"-----"_s };
                r.numbers = { std::nullopt, std::nullopt };
                r.rawValues = { std::nullopt, std::nullopt };
            } else {
                r.status = u"Run"_s;
                r.cells = { QString::number(id), u"auto"_s };
                r.numbers = { double(id), std::nullopt };
                r.rawValues = { id, std::nullopt };
            }
            writer.addRow(r);
            if (id % 20000 == 0) {
                EXPECT_TRUE(writer.flush());
            }
        }
        next = last + 1;
        EXPECT_TRUE(writer.flush());
    }
    journal::JournalWriter writer;
    qint64 next = 1;
};

struct Viewer
{
    Viewer()
        : view(prompter, core)
    {
        test::ensureApplication();
        core.setMaxRows(50);
    }
    [[nodiscard]] bool shows(const QString &text)
    {
        const QDeadlineTimer deadline(Bound);
        while (view.shownText() != text && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(10);
        }
        return view.shownText() == text;
    }
    common::ScriptedPrompter prompter;
    viewer::ControlCore core;
    RecordingView view;
};

// A recording of rows rows (row i holding i) opened in v: paged from its newest rows to
// its first, and back.
void pagesToTheFirstRow(Viewer &v, qint64 rows)
{
    const QString of = u" of "_s + QString::number(rows);
    EXPECT_EQ(v.view.shownText(), u"Rows %1 to %2"_s.arg(rows - 49).arg(rows) + of);
    RecordingPager pager(v.view, v.core);
    ASSERT_TRUE(v.view.showRange(rowMs(3), rowMs(rows)));
    EXPECT_EQ(v.view.shownText(), u"Rows 3 to 52"_s + of);
    EXPECT_EQ(pager.older(), 2);
    EXPECT_EQ(v.view.shownText(), u"Rows 1 to 50"_s + of);
    EXPECT_EQ(v.core.rows().cell(0, 4), u"1"_s);
    EXPECT_EQ(pager.older(), std::nullopt);
    EXPECT_EQ(pager.newer(), -25);
    EXPECT_EQ(v.view.shownText(), u"Rows 26 to 75"_s + of);
}

// The row numbers of the grid's rows, from their times.
QList<qint64> gridIds(const viewer::RowStore &grid)
{
    QList<qint64> ids;
    for (int row = 0; row < grid.dataRowCount(); ++row)
        ids.append((grid.rowMsecs(row) - BaseMs) / 1000);
    return ids;
}

} // namespace

TEST(RecordingView, PagingReachesEveryRowOnceInOrderAcrossBuffersWithTheGridBounded)
{
    test::ensureApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"boiler.db"_s);
    Recorder recorder(path);
    recorder.writeTo(610);
    recorder.setBuffer(u"Boiler 2"_s);
    recorder.writeTo(1000);
    Viewer v;
    ASSERT_TRUE(v.view.open(path, {}));
    RecordingPager pager(v.view, v.core);
    const viewer::RowStore &grid = v.core.rows();
    EXPECT_EQ(v.core.title(), u"Tolvane for : Boiler 2      version 0"_s);

    // Back from the newest row: every page goes in front, the rows looked at move down by
    // as many, and the grid keeps at most MaxRows.
    QList<qint64> seen = gridIds(grid);
    int switches = 0;
    while (true) {
        const QList<qint64> before = gridIds(grid);
        const auto shift = pager.older();
        if (!shift) {
            EXPECT_EQ(pager.errorString(), QString());
            break;
        }
        const QList<qint64> after = gridIds(grid);
        ASSERT_LE(after.size(), 50);
        ASSERT_FALSE(after.isEmpty());
        for (qsizetype i = 1; i < after.size(); ++i)
            ASSERT_EQ(after[i], after[i - 1] + 1) << "at " << after[0];
        if (*shift == RecordingPager::ToTheEnd) {
            ++switches;
            EXPECT_EQ(after.last() + 1, before.first());
        } else {
            ASSERT_EQ(after.value(*shift), before.first());
        }
        ASSERT_LT(after.first(), before.first());
        for (auto id = after.crbegin(); id != after.crend(); ++id)
            if (*id < seen.first())
                seen.prepend(*id);
        EXPECT_EQ(
            v.view.shownText(), u"Rows %1 to %2 of 1000"_s.arg(after.first()).arg(after.last()));
    }
    EXPECT_EQ(switches, 1);
    ASSERT_EQ(seen.size(), 1000);
    EXPECT_EQ(seen.first(), 1);
    EXPECT_EQ(v.view.shownText(), u"Rows 1 to 50 of 1000"_s);
    EXPECT_EQ(v.core.title(), u"Tolvane for : Boiler      version 0"_s);
    // The rows keep the numbers they were recorded with; a separator repeats the one before.
    EXPECT_EQ(grid.cell(38, 0), u"39"_s);
    EXPECT_EQ(grid.cell(39, 0), u"40"_s);
    EXPECT_TRUE(grid.isSeparator(39));
    EXPECT_FALSE(v.core.followNewest());

    // And forward again to the newest, where the grid follows the recorder once more.
    while (true) {
        const QList<qint64> before = gridIds(grid);
        const auto shift = pager.newer();
        if (!shift)
            break;
        const QList<qint64> after = gridIds(grid);
        ASSERT_LE(after.size(), 50);
        ASSERT_GT(after.last(), before.last());
        for (qsizetype i = 1; i < after.size(); ++i)
            ASSERT_EQ(after[i], after[i - 1] + 1) << "at " << after[0];
        if (*shift == -RecordingPager::ToTheEnd)
            EXPECT_EQ(after.first(), before.last() + 1);
        else
            ASSERT_EQ(after.value(before.size() - 1 + *shift), before.last());
    }
    EXPECT_EQ(gridIds(grid).last(), 1000);
    EXPECT_TRUE(v.core.followNewest());
    EXPECT_TRUE(v.view.tailing());
    recorder.writeTo(1010);
    ASSERT_TRUE(v.shows(u"Rows 961 to 1010 of 1010"_s)) << qPrintable(v.view.shownText());

    // The rows a zoomed graph shows are the rows exported, as the command line writes them.
    const QList<qint64> msecs = [&] {
        QList<qint64> times;
        for (int row = 0; row < grid.dataRowCount(); ++row)
            times.append(grid.rowMsecs(row));
        return times;
    }();
    ExportRange choice;
    const ExportRange::Span box { rowMs(1), rowMs(2) };
    const ExportRange::Span span = choice.choose(box, { 10.2, 20 }, { 1, 50 }, msecs, false);
    EXPECT_EQ(span, ExportRange::Span(rowMs(971), rowMs(980)));
    EXPECT_EQ(choice.choose(box, { 1, 50 }, { 1, 50 }, msecs, false), box);
    EXPECT_EQ(choice.choose(box, { 0, 4.5 }, { 0, 49 }, msecs, true),
        ExportRange::Span(rowMs(961), rowMs(965)));
    choice.boxUsed({ 10.2, 20 });
    EXPECT_EQ(choice.choose(box, { 10.2, 20 }, { 1, 50 }, msecs, false), box);
    ASSERT_TRUE(v.view.exportRange(dir.filePath(u"window.csv"_s), span.first, span.second));
    const CliRun cli = runCli({ u"journal"_s, path, u"export"_s, dir.filePath(u"cli.csv"_s),
        u"--from-time"_s, iso(span.first), u"--to-time"_s, iso(span.second) });
    ASSERT_EQ(cli.code, 0) << qPrintable(cli.err);
    EXPECT_TRUE(cli.out.startsWith(u"10 rows (971 to 980)"_s)) << qPrintable(cli.out);
    EXPECT_EQ(test::readBytes(dir.filePath(u"window.csv"_s)),
        test::readBytes(dir.filePath(u"cli.csv"_s)));
    EXPECT_TRUE(v.prompter.messages().isEmpty());
}

TEST(RecordingView, HistoryReachesTheFirstRowOfAMillionRowJournal)
{
    test::ensureApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"boiler.db"_s);
    Recorder(path).writeTo(1000000);
    Viewer v;
    ASSERT_TRUE(v.view.open(path, {}));
    pagesToTheFirstRow(v, 1000000);
}

TEST(RecordingView, AJournalFollowsItsRecorderAndShowsAndExportsATimeRange)
{
    test::ensureApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"boiler.db"_s);
    Recorder recorder(path);
    recorder.writeTo(300);
    Viewer v;
    // A full grid gives way to the recording's newest rows, never through an export.
    v.core.setExportFile(dir.filePath(u"auto.csv"_s));
    v.core.setAutoExport(true);

    ASSERT_TRUE(v.view.open(path, {}));
    EXPECT_EQ(v.view.title(), u"Tolvane - boiler.db (read-only)"_s);
    EXPECT_EQ(v.view.shownText(), u"Rows 251 to 300 of 300"_s);
    viewer::RowStore &grid = v.core.rows();
    ASSERT_EQ(grid.dataRowCount(), 50);
    EXPECT_EQ(grid.cell(49, 4), u"300"_s);
    EXPECT_TRUE(grid.isSeparator(29)); // row 280

    recorder.writeTo(320);
    ASSERT_TRUE(v.shows(u"Rows 271 to 320 of 320"_s)) << qPrintable(v.view.shownText());
    EXPECT_EQ(grid.dataRowCount(), 50);
    EXPECT_TRUE(grid.isSeparator(49));
    EXPECT_EQ(grid.cell(48, 4), u"319"_s);
    EXPECT_EQ(grid.cellValue(48, 4), 319.0);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"auto.csv"_s)));

    // A range holds still while the recorder goes on; follow returns to the newest.
    ASSERT_TRUE(v.view.showRange(rowMs(1), rowMs(12)));
    EXPECT_EQ(v.view.shownText(), u"Rows 1 to 12 of 320"_s);
    EXPECT_FALSE(v.core.followNewest());
    recorder.writeTo(330);
    v.view.poll();
    EXPECT_EQ(v.view.shownText(), u"Rows 1 to 12 of 330"_s);
    EXPECT_EQ(grid.cell(0, 4), u"1"_s);
    ASSERT_TRUE(v.view.showRange(rowMs(100), rowMs(400)));
    EXPECT_EQ(v.view.shownText(), u"Rows 100 to 149 of 330"_s); // as many as the grid holds
    EXPECT_FALSE(v.view.showRange(rowMs(500), rowMs(600)));
    EXPECT_EQ(v.view.shownText(), u"Rows 100 to 149 of 330"_s);
    v.core.setFollowNewest(true);
    EXPECT_EQ(v.view.shownText(), u"Rows 281 to 330 of 330"_s);

    // The same rows, byte for byte, as the command line's export of that time range.
    const qint64 from = rowMs(37) + 1;
    const qint64 to = rowMs(81);
    ASSERT_TRUE(v.view.exportRange(dir.filePath(u"window.csv"_s), from, to));
    const CliRun cli = runCli({ u"journal"_s, path, u"export"_s, dir.filePath(u"cli.csv"_s),
        u"--from-time"_s, iso(from), u"--to-time"_s, iso(to) });
    ASSERT_EQ(cli.code, 0) << qPrintable(cli.err);
    EXPECT_TRUE(cli.out.startsWith(u"44 rows (38 to 81)"_s)) << qPrintable(cli.out);
    const QByteArray rows = test::readBytes(dir.filePath(u"cli.csv"_s));
    EXPECT_EQ(rows.count('\n'), 45);
    EXPECT_EQ(test::readBytes(dir.filePath(u"window.csv"_s)), rows);
    EXPECT_TRUE(v.prompter.messages().isEmpty());

    // Refused: the view shown stays.
    EXPECT_FALSE(v.view.open(dir.filePath(u"none.db"_s), {}));
    EXPECT_EQ(v.prompter.messages().size(), 1);
    EXPECT_EQ(v.view.shownText(), u"Rows 281 to 330 of 330"_s);
    // Opened again, it shows and follows the newest rows.
    ASSERT_TRUE(v.view.showRange(rowMs(1), rowMs(2)));
    ASSERT_TRUE(v.view.open(path, {}));
    EXPECT_TRUE(v.core.followNewest());
    EXPECT_EQ(v.view.shownText(), u"Rows 281 to 330 of 330"_s);
}

TEST(RecordingView, APlantSourceIsListedAndFollowsWhatItsRecorderSends)
{
    if (!test::PgCluster::available())
        GTEST_SKIP() << "postgresql-15 is missing (scripts/bootstrap)";
    test::ensureApplication();
    test::PgCluster pg;
    QString why;
    ASSERT_TRUE(pg.start(&why)) << qPrintable(why);
    const QString uri = pg.uri(u"postgres"_s);
    ASSERT_EQ(runCli({ u"plant"_s, u"init"_s, uri }).code, 0);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"boiler.db"_s);
    Recorder recorder(path);
    const auto forward = [&] {
        const CliRun run
            = runCli({ u"journal"_s, path, u"forward"_s, uri, u"--source"_s, u"boiler"_s });
        EXPECT_EQ(run.code, 0) << qPrintable(run.err);
    };
    recorder.writeTo(100);
    forward();

    PlantSourceList list;
    ASSERT_TRUE(list.read(uri)) << qPrintable(list.errorString());
    ASSERT_EQ(list.sources().size(), 1);
    EXPECT_EQ(PlantSourceList::cells(list.sources().first()),
        QStringList({ u"boiler"_s, u"100"_s, u"2026-12-06 10:00:01"_s, u"2026-12-06 10:01:40"_s }));
    EXPECT_FALSE(list.read(u"postgresql://me:secret@/plant"_s));
    EXPECT_FALSE(list.errorString().isEmpty());

    Viewer v;
    ASSERT_TRUE(v.view.open(uri, u"boiler"_s)) << qPrintable(
        v.prompter.messages().isEmpty() ? QString() : v.prompter.messages().first().text);
    EXPECT_EQ(v.view.title(), u"Tolvane - source boiler of "_s + uri + u" (read-only)"_s);
    EXPECT_EQ(v.view.shownText(), u"Rows 51 to 100 of 100"_s);
    recorder.writeTo(120);
    forward();
    ASSERT_TRUE(v.shows(u"Rows 71 to 120 of 120"_s)) << qPrintable(v.view.shownText());
    EXPECT_TRUE(v.core.rows().isSeparator(49));
    EXPECT_EQ(v.core.rows().cell(48, 4), u"119"_s);

    // A server that went away and came back is read again.
    ASSERT_TRUE(pg.stopImmediate());
    v.view.poll();
    ASSERT_TRUE(pg.startAgain(&why)) << qPrintable(why);
    recorder.writeTo(130);
    forward();
    ASSERT_TRUE(v.shows(u"Rows 81 to 130 of 130"_s)) << qPrintable(v.view.shownText());

    // The same range from the server as from the file.
    ASSERT_TRUE(v.view.exportRange(dir.filePath(u"server.csv"_s), rowMs(5), rowMs(45)));
    EXPECT_TRUE(v.view.showRange(rowMs(5), rowMs(45)));
    EXPECT_EQ(v.view.shownText(), u"Rows 5 to 45 of 130"_s);
    Viewer file;
    ASSERT_TRUE(file.view.open(path, {}));
    ASSERT_TRUE(file.view.exportRange(dir.filePath(u"file.csv"_s), rowMs(5), rowMs(45)));
    EXPECT_EQ(test::readBytes(dir.filePath(u"server.csv"_s)),
        test::readBytes(dir.filePath(u"file.csv"_s)));

    // A large source, made in the server (forwarding it would take minutes), is paged to its
    // first row as a journal file is.
    const CliRun made = pg.psql(
        u"postgres"_s, uR"sql(INSERT INTO tolvane.sources (name, held) VALUES ('large', 300000);
        INSERT INTO tolvane.buffers SELECT id, 1, 'Boiler', 'boiler', 0 FROM tolvane.sources
            WHERE name = 'large';
        INSERT INTO tolvane.columns SELECT id, 1, 0, 0, 'Temperature', 1000, 4, 'd'
            FROM tolvane.sources WHERE name = 'large';
        SELECT tolvane.add_partition(timestamptz 'epoch' + (%1 + d * 86400000)
            * interval '1 millisecond') FROM generate_series(0, 4) d;
        INSERT INTO tolvane.rows (source_id, seq, time, buffer_id, kind, record_number, status,
                pc_date, pc_time, texts, numbers, raw_values, raw, comment)
            SELECT s.id, i, timestamptz 'epoch' + (%1 + i * 1000) * interval '1 millisecond', 1,
                'record', i, 'Run', '', '', ARRAY[i::text], ARRAY[i::float8], ARRAY[i], '', ''
            FROM tolvane.sources s, generate_series(1::bigint, 300000) i
            WHERE s.name = 'large')sql"_s.arg(BaseMs));
    ASSERT_EQ(made.code, 0) << qPrintable(made.err);

    Viewer large;
    ASSERT_TRUE(large.view.open(uri, u"large"_s));
    pagesToTheFirstRow(large, 300000);
}

} // namespace tlv::app
