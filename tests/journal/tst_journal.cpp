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
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
            { 0, QStringLiteral("Temperature"), 1000 }, { 3, QStringLiteral("Mode"), 800 } });
        core.rows().setMaxRows(500);
        core.rows().setStatusText(QStringLiteral("Run"));
    }
    void record(const QString &display, const QString &time)
    {
        viewer::DecodedRecord r;
        r.ok = true;
        r.date = QStringLiteral("06/12/26");
        r.time = time;
        for (const QString &text : display.split(u'\t')) {
            viewer::DecodedColumn column;
            column.text = text;
            column.raw = QStringLiteral("raw ") + text;
            column.comment = QStringLiteral("comment");
            r.columns.append(column);
        }
        core.rows().addRecord(r);
    }
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
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

TEST(Journal, KeepsEveryRowThroughExportsClearsAndTrimmingAndReopens)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("j.db"));
    Grid grid;
    {
        JournalWriter writer;
        ASSERT_TRUE(writer.open(path)) << qPrintable(writer.errorString());
        writer.attach(grid.core);
        grid.record(QStringLiteral("21.5\tauto"), QStringLiteral("10:00:01"));
        grid.core.rows().addSeparator(
            QStringLiteral("Miss 3"), QStringLiteral("06/12/26"), QStringLiteral("10:00:02"));
        grid.core.rows().setStatusText(QStringLiteral("Stop"));
        grid.core.rows().addStatusRow(QStringLiteral("06/12/26"), QStringLiteral("10:00:03"));
        grid.core.rows().addSeparator(
            QStringLiteral("Restart"), QStringLiteral("06/12/26"), QStringLiteral("10:00:04"));
        grid.record(QStringLiteral("-4\t"), QStringLiteral("10:00:05"));
        ASSERT_TRUE(writer.flush());

        journal::JournalInfo info;
        const QList<JournalRow> rows = readAll(path, &info);
        ASSERT_EQ(rows.size(), 5);
        const QList<RowKind> kinds { RowKind::Record, RowKind::Miss, RowKind::Status,
            RowKind::Restart, RowKind::Record };
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(rows[i].id, i + 1);
            EXPECT_EQ(rows[i].kind, kinds[i]) << i;
            EXPECT_EQ(rows[i].date, QStringLiteral("06/12/26"));
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
        EXPECT_EQ(rows[1].cells, QStringList(2, QString(16, u'-')));
        EXPECT_EQ(info.rows, 5);
        EXPECT_EQ(info.records, 2);
        EXPECT_EQ(info.statusRows, 1);
        EXPECT_EQ(info.misses, 1);
        EXPECT_EQ(info.missedRecords, 3);
        EXPECT_EQ(info.restarts, 1);
        EXPECT_EQ(info.firstTime, QStringLiteral("06/12/26 10:00:01"));
        EXPECT_EQ(info.lastTime, QStringLiteral("06/12/26 10:00:05"));
        EXPECT_EQ(info.buffer.columns.size(), 2);
        EXPECT_EQ(info.buffer.columns[1].title, QStringLiteral("Mode"));
        EXPECT_FALSE(info.closedClean); // the writer still has it
        EXPECT_EQ(info.notExported, 5);

        // A good export marks what it wrote; clearing and trimming the grid remove nothing.
        viewer::ControlExport exporter(grid.core, nullptr);
        grid.core.setExportFile(dir.filePath(QStringLiteral("grid.csv")));
        ASSERT_TRUE(exporter.run(viewer::ControlSeams::ExportTrigger::User));
        EXPECT_EQ(grid.core.rows().dataRowCount(), 0);
        grid.record(QStringLiteral("1\ta"), QStringLiteral("10:00:06"));
        grid.core.Clear();
        grid.core.rows().setMaxRows(2);
        for (int i = 0; i < 3; ++i)
            grid.record(QString::number(i) + QStringLiteral("\tb"), QStringLiteral("10:00:07"));
        ASSERT_TRUE(writer.flush());
        readAll(path, &info);
        EXPECT_EQ(info.rows, 9);
        EXPECT_EQ(info.notExported, 4);
        // An export of the trimmed grid marks only the rows still in it.
        grid.core.setExportFile(dir.filePath(QStringLiteral("grid2.csv")));
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
        again.record(QStringLiteral("7\tc"), QStringLiteral("11:00:00"));
    }
    const QList<JournalRow> rows = readAll(path, &info);
    EXPECT_EQ(rows.last().id, 10);
    EXPECT_EQ(rows.last().cells, QStringList({ QStringLiteral("7"), QStringLiteral("c") }));
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
        EXPECT_TRUE(writer.errorString().endsWith(
            QStringLiteral("Recording goes on without the journal.")));
        writer.attach(grid.core);
        grid.record(QStringLiteral("1\ta"), QStringLiteral("10:00:00"));
        EXPECT_EQ(grid.core.rows().dataRowCount(), 1);
        JournalReader reader;
        EXPECT_FALSE(reader.open(path));
        EXPECT_TRUE(reader.errorString().contains(why)) << qPrintable(reader.errorString());
        EXPECT_EQ(fileHash(path), before);
    };

    const QString damaged = dir.filePath(QStringLiteral("damaged.db"));
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(8192, 'x'));
    f.close();
    refused(damaged, QStringLiteral("is damaged or no journal"));

    const QString newer = dir.filePath(QStringLiteral("newer.db"));
    {
        JournalWriter writer;
        ASSERT_TRUE(writer.open(newer));
    }
    const QString other = dir.filePath(QStringLiteral("other.db"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("t"));
        db.setDatabaseName(newer);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(
            QStringLiteral("UPDATE meta SET value = '2' WHERE key = 'schema_version'"));
        db.close();
        db.setDatabaseName(other);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE notes (text TEXT)")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("t"));
    refused(newer, QStringLiteral("was written by a newer Tolvane (journal version 2)"));
    refused(other, QStringLiteral("is no Tolvane journal"));
}

TEST(Journal, ALockedJournalLosesNoRowAndSaysSoOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("j.db"));
    Grid grid;
    JournalWriter writer;
    ASSERT_TRUE(writer.open(path));
    writer.attach(grid.core);
    QSignalSpy problems(&writer, &JournalWriter::problem);
    QSignalSpy recovered(&writer, &JournalWriter::recovered);
    grid.record(QStringLiteral("1\ta"), QStringLiteral("10:00:01"));
    ASSERT_TRUE(writer.flush());

    {
        QSqlDatabase other
            = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        other.setDatabaseName(path);
        ASSERT_TRUE(other.open());
        QSqlQuery lock(other);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        for (int tick = 0; tick < 3; ++tick) {
            grid.record(QString::number(tick) + QStringLiteral("\tb"), QStringLiteral("10:00:02"));
            EXPECT_FALSE(writer.flush());
        }
        EXPECT_EQ(problems.size(), 1);
        EXPECT_TRUE(problems.first().first().toString().contains(QStringLiteral("locked")))
            << qPrintable(problems.first().first().toString());
        EXPECT_EQ(writer.pendingRows(), 3);
        EXPECT_EQ(grid.core.rows().dataRowCount(), 4);
        ASSERT_TRUE(lock.exec(QStringLiteral("ROLLBACK")));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    grid.record(QStringLiteral("9\tc"), QStringLiteral("10:00:03"));
    ASSERT_TRUE(writer.flush());
    EXPECT_EQ(recovered.size(), 1);
    const QList<JournalRow> rows = readAll(path);
    ASSERT_EQ(rows.size(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(rows[i].cells.join(u'\t'),
            grid.core.rows().cell(i, 4) + u'\t' + grid.core.rows().cell(i, 5));
}

TEST(Journal, AnXlsxExportTakesWhatABiff2SheetCannotHold)
{
    test::ensureApplication();
    QTemporaryDir dir;
    const journal::JournalBuffer buffer { 1, QStringLiteral("B"), QStringLiteral("KEY"), 1,
        { { 0, QStringLiteral("Value"), 1000, 5, QStringLiteral("d") } } };
    QList<JournalRow> rows;
    for (int i = 0; i < 20000; ++i)
        rows.append({ i + 1, 1, RowKind::Record, i + 1, QStringLiteral("06/12/26"),
            QStringLiteral("10:00:00"), QStringLiteral("Run"), { QString::number(i) }, {}, {},
            false, {}, {} });
    journal::JournalSource source(buffer, rows);
    for (const auto &[name, written] : { std::pair { "all.xlsx", 20000 }, { "cut.xls", 16383 } }) {
        viewer::Exporter exporter(source, nullptr);
        exporter.setAutoExport(true);
        exporter.setExportFile(dir.filePath(QString::fromLatin1(name)));
        EXPECT_EQ(exporter.Export(), viewer::Exporter::Result::Exported) << name;
        EXPECT_EQ(exporter.lastRowCount(), written) << name;
        EXPECT_GT(QFileInfo(exporter.lastTarget()).size(), 100000) << name;
    }
}
