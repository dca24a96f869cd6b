// The journal against the grid of a real control core: every kind of row, exports and
// clears, a reopened journal, and journals that are refused or cannot be written.

#include "tests/TestSupport.h"

#include "journal/JournalReader.h"
#include "journal/JournalSource.h"
#include "journal/JournalWriter.h"
#include "viewer/core/ControlCore.h"
#include "viewer/files/ControlExport.h"
#include "viewer/files/Exporter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv;
using journal::JournalReader;
using journal::JournalRow;
using journal::JournalWriter;
using journal::RowKind;

namespace {

struct Grid
{
    Grid()
    {
        test::ensureApplication();
        core.rows().setColumns(QList<viewer::RowStore::DataColumn> {
            { 0, u"Temperature"_s, 1000 }, { 3, u"Mode"_s, 800 } });
        core.rows().setMaxRows(500);
        core.rows().setStatusText(u"Run"_s);
    }
    // A number cell keeps a value that its text only rounds and a wide negative raw value; a
    // string cell has neither.
    void record(const QString &display, const QString &time, qint64 msecs = 0)
    {
        viewer::DecodedRecord r;
        r.ok = true;
        r.date = u"06/12/26"_s;
        r.time = time;
        r.msecs = msecs;
        for (const QString &text : display.split(u'\t')) {
            bool isNumber = false;
            const double number = text.toDouble(&isNumber);
            const qint64 raw = isNumber ? RawBase - qint64(number * 10) : 0;
            r.appendColumn(0, text, isNumber ? QString::number(raw) : text, raw,
                isNumber ? std::optional(number + 0.1) : std::nullopt, u"comment"_s);
        }
        core.rows().addRecord(r);
    }
    static constexpr qint64 RawBase = -(qint64(1) << 40);
    viewer::ControlCore core;
};

QList<JournalRow> readAll(const QString &path, journal::JournalInfo *info = nullptr)
{
    JournalReader reader;
    EXPECT_TRUE(reader.open(path)) << qPrintable(reader.errorString());
    QList<JournalRow> rows;
    EXPECT_TRUE(reader.rows(1, 1000000, &rows)) << qPrintable(reader.errorString());
    if (info) {
        EXPECT_TRUE(reader.info(info)) << qPrintable(reader.errorString());
    }
    return rows;
}

QByteArray fileHash(const QString &path)
{
    return QCryptographicHash::hash(test::readBytes(path), QCryptographicHash::Sha256);
}

} // namespace

TEST(Journal, KeepsEveryRowThroughExportsClearsAndTrimmingAndReopens)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"j.db"_s);
    Grid grid;
    {
        JournalWriter writer;
        ASSERT_TRUE(writer.open(path)) << qPrintable(writer.errorString());
        writer.attach(grid.core);
        const qint64 ms = 1796551201234; // 2026-12-06 10:00:01.234 UTC
        grid.record(u"21.5\tauto"_s, u"10:00:01"_s, ms);
        grid.core.rows().addSeparator(
            tlv::viewer::RowKind::Miss, u"Miss 3"_s, u"06/12/26"_s, u"10:00:02"_s, ms + 1000);
        grid.core.rows().setStatusText(u"Stop"_s);
        grid.core.rows().addStatusRow(u"06/12/26"_s, u"10:00:03"_s, ms + 2000);
        grid.core.rows().addSeparator(
            tlv::viewer::RowKind::Restart, u"Restart"_s, u"06/12/26"_s, u"10:00:04"_s);
        grid.record(u"-4\t"_s, u"10:00:05"_s);
        ASSERT_TRUE(writer.flush());

        journal::JournalInfo info;
        const QList<JournalRow> rows = readAll(path, &info);
        ASSERT_EQ(rows.size(), 5);
        const QList<RowKind> kinds { RowKind::Record, RowKind::Miss, RowKind::Status,
            RowKind::Restart, RowKind::Record };
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(rows[i].id, i + 1);
            EXPECT_EQ(rows[i].kind, kinds[i]) << i;
            // Every cell as the grid holds it.
            for (int g = 0; g < grid.core.rows().columnCount(); ++g) {
                const QString cell = g == 0 ? QString::number(rows[i].recordNumber)
                    : g == 1                ? rows[i].date
                    : g == 2                ? rows[i].time
                    : g == 3                ? rows[i].status
                    : g == 4 || g == 5      ? rows[i].cells.value(g - 4)
                    : g == 6                ? rows[i].raw
                                            : rows[i].comment;
                EXPECT_EQ(cell, grid.core.rows().cell(i, g)) << "row " << i << " column " << g;
            }
        }
        // The values behind the texts, exactly.
        using Numbers = QList<std::optional<double>>;
        using Raws = QList<std::optional<qint64>>;
        EXPECT_EQ(rows[0].numbers, Numbers({ 21.5 + 0.1, std::nullopt }));
        EXPECT_EQ(rows[0].rawValues, Raws({ Grid::RawBase - 215, std::nullopt }));
        EXPECT_EQ(rows[4].numbers, Numbers({ -4 + 0.1, std::nullopt }));
        for (int i : { 1, 2, 3 }) {
            EXPECT_EQ(rows[i].numbers, Numbers(2, std::nullopt)) << i;
            EXPECT_EQ(rows[i].rawValues, Raws(2, std::nullopt)) << i;
        }
        EXPECT_EQ(rows[0].pcMillis, ms);
        EXPECT_EQ(rows[1].pcMillis, ms + 1000);
        EXPECT_EQ(rows[2].pcMillis, ms + 2000);
        EXPECT_EQ(rows[3].pcMillis, 0); // not known
        EXPECT_EQ(info.version, 2);
        EXPECT_FALSE(info.readOnly);
        EXPECT_EQ(info.rows, 5);
        EXPECT_EQ(info.records, 2);
        EXPECT_EQ(info.statusRows, 1);
        EXPECT_EQ(info.misses, 1);
        EXPECT_EQ(info.missedRecords, 3);
        EXPECT_EQ(info.restarts, 1);
        EXPECT_EQ(
            info.firstTime, QDateTime::fromMSecsSinceEpoch(ms).toString(u"dd/MM/yy HH:mm:ss"_s));
        EXPECT_EQ(info.lastTime, u"06/12/26 10:00:05"_s);
        EXPECT_EQ(info.buffer.columns.size(), 2);
        EXPECT_EQ(info.buffer.columns[1].title, u"Mode"_s);
        EXPECT_FALSE(info.closedClean); // the writer still has it
        EXPECT_EQ(info.notExported, 5);

        // A good export marks what it wrote; clearing and trimming the grid remove nothing.
        viewer::ControlExport exporter(grid.core);
        grid.core.setExportFile(dir.filePath(u"grid.csv"_s));
        ASSERT_TRUE(exporter.run(viewer::ControlSeams::ExportTrigger::User));
        EXPECT_EQ(grid.core.rows().dataRowCount(), 0);
        grid.record(u"1\ta"_s, u"10:00:06"_s);
        grid.core.Clear();
        grid.core.rows().setMaxRows(2);
        for (int i = 0; i < 3; ++i)
            grid.record(QString::number(i) + u"\tb"_s, u"10:00:07"_s);
        ASSERT_TRUE(writer.flush());
        readAll(path, &info);
        EXPECT_EQ(info.rows, 9);
        EXPECT_EQ(info.notExported, 4);
        // An export of the trimmed grid marks only the rows still in it.
        grid.core.setExportFile(dir.filePath(u"grid2.csv"_s));
        ASSERT_TRUE(exporter.run(viewer::ControlSeams::ExportTrigger::User));
        ASSERT_TRUE(writer.flush());
        const QList<JournalRow> after = readAll(path, &info);
        EXPECT_EQ(info.notExported, 2);
        EXPECT_FALSE(after[5].exported);
        EXPECT_FALSE(after[6].exported);
        EXPECT_TRUE(after[7].exported);
        EXPECT_TRUE(after[8].exported);
    }
    // Closed in order; a new writer goes on with the next id and the same buffer.
    journal::JournalInfo info;
    readAll(path, &info);
    EXPECT_TRUE(info.closedClean);
    {
        Grid again;
        JournalWriter writer;
        ASSERT_TRUE(writer.open(path)) << qPrintable(writer.errorString());
        EXPECT_TRUE(writer.previousCloseClean());
        writer.attach(again.core);
        again.record(u"7\tc"_s, u"11:00:00"_s);
    }
    const QList<JournalRow> rows = readAll(path, &info);
    EXPECT_EQ(rows.last().id, 10);
    EXPECT_EQ(rows.last().cells, QStringList({ u"7"_s, u"c"_s }));
    EXPECT_EQ(info.buffers, 1);
}

TEST(Journal, RefusedJournalsSayWhyAndLeaveTheFileAndTheGridAlone)
{
    QTemporaryDir dir;
    const auto refused = [](const QString &path, const QString &why) {
        const QByteArray before = fileHash(path);
        Grid grid;
        JournalWriter writer;
        EXPECT_FALSE(writer.open(path));
        EXPECT_TRUE(writer.errorString().contains(why)) << qPrintable(writer.errorString());
        EXPECT_TRUE(writer.errorString().endsWith(u"Recording goes on without the journal."_s));
        writer.attach(grid.core);
        grid.record(u"1\ta"_s, u"10:00:00"_s);
        EXPECT_EQ(grid.core.rows().dataRowCount(), 1);
        JournalReader reader;
        EXPECT_FALSE(reader.open(path));
        EXPECT_TRUE(reader.errorString().contains(why)) << qPrintable(reader.errorString());
        EXPECT_EQ(fileHash(path), before);
    };

    const QString damaged = dir.filePath(u"damaged.db"_s);
    ASSERT_TRUE(test::writeBytes(damaged, QByteArray(8192, 'x')));
    refused(damaged, u"is damaged or no journal"_s);

    const QString newer = dir.filePath(u"newer.db"_s);
    {
        JournalWriter writer;
        ASSERT_TRUE(writer.open(newer));
    }
    const QString other = dir.filePath(u"other.db"_s);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"t"_s);
        db.setDatabaseName(newer);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(u"UPDATE meta SET value = '3' WHERE key = 'schema_version'"_s);
        db.close();
        db.setDatabaseName(other);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(u"CREATE TABLE notes (text TEXT)"_s));
        db.close();
    }
    QSqlDatabase::removeDatabase(u"t"_s);
    refused(newer, u"was written by a newer Tolvane (journal version 3)"_s);
    refused(other, u"is no Tolvane journal"_s);
}

TEST(Journal, AnOlderJournalIsReadWithItsValuesButNeverWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"v1.db"_s);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"v1"_s);
        db.setDatabaseName(path);
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
    const QByteArray before = fileHash(path);

    journal::JournalInfo info;
    const QList<JournalRow> rows = readAll(path, &info);
    EXPECT_EQ(info.version, 1);
    EXPECT_TRUE(info.readOnly);
    EXPECT_EQ(info.rows, 4);
    EXPECT_EQ(info.missedRecords, 3);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].cells, QStringList({ u"-21.5"_s, u"auto"_s }));
    EXPECT_EQ(rows[0].numbers, QList<std::optional<double>>({ -21.5, std::nullopt }));
    EXPECT_EQ(rows[0].rawValues, QList<std::optional<qint64>>({ -215, std::nullopt }));
    EXPECT_EQ(rows[1].kind, RowKind::Miss);
    EXPECT_EQ(rows[2].cells, QStringList(2, QString()));
    EXPECT_EQ(rows[2].numbers, QList<std::optional<double>>(2, std::nullopt));
    EXPECT_EQ(rows[3].pcMillis,
        QDateTime(QDate(2026, 12, 6), QTime(10, 0, 4)).toMSecsSinceEpoch()); // local time

    // Neither a writer nor an export mark touches it.
    JournalWriter writer;
    EXPECT_FALSE(writer.open(path));
    EXPECT_EQ(writer.errorString(),
        u"The journal "_s + path
            + u" was written by an older Tolvane (journal version 1) and is kept read-only; move "
              "it away to start a new journal there. Recording goes on without the journal."_s);
    JournalReader reader;
    ASSERT_TRUE(reader.open(path));
    EXPECT_FALSE(reader.markExported(rows));
    EXPECT_TRUE(reader.errorString().contains(u"read-only"_s)) << qPrintable(reader.errorString());
    EXPECT_EQ(readAll(path)[1].exported, false);
    EXPECT_EQ(fileHash(path), before);
}

TEST(Journal, ALockedJournalLosesNoRowAndSaysSoOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"j.db"_s);
    Grid grid;
    JournalWriter writer;
    ASSERT_TRUE(writer.open(path));
    writer.attach(grid.core);
    QSignalSpy problems(&writer, &JournalWriter::problem);
    QSignalSpy recovered(&writer, &JournalWriter::recovered);
    grid.record(u"1\ta"_s, u"10:00:01"_s);
    ASSERT_TRUE(writer.flush());

    {
        QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"locker"_s);
        other.setDatabaseName(path);
        ASSERT_TRUE(other.open());
        QSqlQuery lock(other);
        ASSERT_TRUE(lock.exec(u"BEGIN EXCLUSIVE"_s));
        for (int tick = 0; tick < 3; ++tick) {
            grid.record(QString::number(tick) + u"\tb"_s, u"10:00:02"_s);
            EXPECT_FALSE(writer.flush());
        }
        EXPECT_EQ(problems.size(), 1);
        EXPECT_TRUE(problems.first().first().toString().contains(u"locked"_s))
            << qPrintable(problems.first().first().toString());
        EXPECT_EQ(writer.pendingRows(), 3);
        EXPECT_EQ(grid.core.rows().dataRowCount(), 4);
        ASSERT_TRUE(lock.exec(u"ROLLBACK"_s));
        other.close();
    }
    QSqlDatabase::removeDatabase(u"locker"_s);
    grid.record(u"9\tc"_s, u"10:00:03"_s);
    ASSERT_TRUE(writer.flush());
    EXPECT_EQ(recovered.size(), 1);
    const QList<JournalRow> rows = readAll(path);
    ASSERT_EQ(rows.size(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(rows[i].cells.join(u'\t'),
            grid.core.rows().cell(i, 4) + u'\t' + grid.core.rows().cell(i, 5));
}

namespace {

// The first data row of a sheet as openpyxl reads it: its cells' values, tab-joined.
QString firstSheetRow(const QString &file)
{
    QProcess python;
    python.start(u"/usr/bin/python3"_s,
        { u"-c"_s,
            u"import sys, openpyxl\n"
            "ws = openpyxl.load_workbook(sys.argv[1], read_only=True).active\n"
            "print('\\t'.join(str(c.value) for c in next(ws.iter_rows(min_row=2, max_row=2))))"_s,
            file });
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return QString::fromUtf8(python.readAllStandardError());
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed();
}

} // namespace

// How many rows a sheet holds is the exporter's own rule; here what the journal hands it.
TEST(Journal, AnExportTakesTheKeptValuesNotTheirTexts)
{
    test::ensureApplication();
    QTemporaryDir dir;
    const journal::JournalBuffer buffer { 1, u"B"_s, u"KEY"_s, 1,
        { { 0, u"Value"_s, 1000, 5, u"d"_s } } };
    const QDateTime moment(QDate(2026, 12, 6), QTime(10, 0, 1, 500));
    const QList<JournalRow> rows { { 1, 1, RowKind::Record, 1, moment.toMSecsSinceEpoch(),
        u"01/01/20"_s, u"23:59:59"_s, u"Run"_s, { u"1.5"_s }, {}, {}, false, { 1.25 }, { 1 } } };
    journal::JournalSource source(buffer, rows);
    for (const char *name : { "all.xlsx", "all.csv" }) {
        viewer::Exporter exporter(source);
        exporter.setAutoExport(true);
        exporter.setStampColumns(true, true, true);
        exporter.setExportFile(dir.filePath(QString::fromLatin1(name)));
        EXPECT_EQ(exporter.Export(), viewer::Exporter::Result::Exported) << name;
    }
    EXPECT_TRUE(
        test::readBytes(dir.filePath(u"all.csv"_s)).contains("\r\n06/12/26,10:00:01,Run,1.5\r\n"));
    EXPECT_EQ(
        firstSheetRow(dir.filePath(u"all.xlsx"_s)), u"2026-12-06 00:00:00\t10:00:01\tRun\t1.25"_s);
}
