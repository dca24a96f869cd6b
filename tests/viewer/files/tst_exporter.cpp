#include "../core/RecordRows.h"
#include "tests/TestSupport.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/RowStore.h"
#include "viewer/files/ExportGridSource.h"
#include "viewer/files/ExportSource.h"
#include "viewer/files/Exporter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using Shown = tlv::common::PromptMessage;
using tlv::viewer::ColumnDescription;
using tlv::viewer::Exporter;
using tlv::viewer::ExportSource;
using tlv::viewer::RowKind;
using Result = Exporter::Result;
using S = Shown::Style;
namespace test = tlv::viewer::test;

namespace {

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

// A records grid: record number, PC date, PC time, PCD status, data columns,
// then the raw and comment cells. Its decimal cells carry the numbers they show and its
// rows the moment of their date and time, as the decoder's do; raw values are set apart.
struct FakeGrid : ExportSource
{
    struct Column
    {
        QString header;
        qint32 width = 0;
        std::optional<ColumnDescription> description;
    };
    QList<Column> columns { { {}, 500, {} }, { q("PC Date"), 1100, {} }, { q("PC Time"), 1100, {} },
        { q("PCD"), 1100, {} } };
    QList<QStringList> rows;
    QSet<int> selected, separators;
    QHash<QPair<int, int>, qint64> raws; // (row, grid column)
    int generatedRows = 0; // with cellAt: rows made up on the fly
    std::function<QString(int, int)> cellAt;

    void addData(const char *title, qint16 type, const char *format, qint32 width = 1000)
    {
        ColumnDescription d;
        d.Defined = true;
        d.Title = q(title);
        d.DataType = type;
        d.Format = q(format);
        columns.append({ q(title), width, d });
    }
    void finishColumns() { columns += { Column(), Column() }; }
    // Cells of grid columns 1 to the last data column, '|' between them.
    void addRow(const char *cells, bool separator = false)
    {
        QStringList row = q(cells).split(u'|');
        row.prepend(QString::number(rows.size() + 1));
        while (row.size() < columns.size())
            row.append(QString());
        if (separator)
            separators.insert(int(rows.size()));
        rows.append(row);
    }

    int gridColumnCount() const override { return int(columns.size()); }
    int rowCount() const override { return cellAt ? generatedRows : int(rows.size()); }
    QString headerText(int g) const override { return columns.at(g).header; }
    qint32 columnWidth(int g) const override { return columns.at(g).width; }
    bool isSelected(int g) const override { return selected.contains(g); }
    const ColumnDescription *description(int g) const override
    {
        const auto &d = columns.at(g).description;
        return d ? &*d : nullptr;
    }
    QString cellText(int row, int g) const override
    {
        return cellAt ? cellAt(row, g) : rows.at(row).at(g);
    }
    RowKind rowKind(int row) const override
    {
        return separators.contains(row) ? RowKind::Miss : RowKind::Record;
    }
    std::optional<double> cellValue(int row, int g) const override
    {
        const ColumnDescription *d = description(g);
        bool ok = false;
        const double number = cellText(row, g).toDouble(&ok);
        return d && d->Format.endsWith(u'd') && !separators.contains(row) && ok
            ? std::optional<double>(number)
            : std::nullopt;
    }
    std::optional<qint64> rawValue(int row, int g) const override
    {
        const auto at = raws.constFind({ row, g });
        return at == raws.cend() ? std::nullopt : std::optional<qint64>(*at);
    }
    qint64 rowMsecs(int row) const override
    {
        const QDate date = QDate::fromString(cellText(row, 1), q("dd/MM/yy")).addYears(100);
        const QTime time = QTime::fromString(cellText(row, 2), q("HH:mm:ss"));
        return date.isValid() && time.isValid() ? QDateTime(date, time).toMSecsSinceEpoch() : 0;
    }
};

const QDateTime fixedNow(QDate(2026, 12, 5), QTime(19, 18, 43));

// The worksheet as xlrd reads it with formatting information, a cell a line:
// "row col kind value", then the number format unless it is General; nullopt
// when python3-xlrd is missing, an empty list with *error set when xlrd refuses it.
std::optional<QStringList> readBack(const QString &file, QString *error)
{
    const QString script = q(TOLVANE_TEST_DATA "/export/read_xls.py");
    for (const QString &python : { q("/usr/bin/python3"), q("python3") }) {
        QProcess probe;
        probe.start(python, { q("-c"), q("import xlrd") });
        if (!probe.waitForFinished(60000) || probe.exitStatus() != QProcess::NormalExit
            || probe.exitCode() != 0)
            continue;
        QProcess p;
        p.start(python, { script, file });
        p.waitForFinished(60000);
        *error = QString::fromUtf8(p.readAllStandardError());
        QStringList cells;
        const QJsonObject sheet = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        for (const QJsonValue &v : sheet.value(q("cells")).toArray()) {
            const QJsonArray a = v.toArray();
            QString line = QString::number(a[0].toInt()) + u' ' + QString::number(a[1].toInt())
                + u' ' + a[2].toString() + u' '
                + (a[3].isDouble() ? QString::number(a[3].toDouble(), 'g', 15) : a[3].toString());
            if (a[4].toString() != q("General"))
                line += q(" [") + a[4].toString() + u']';
            cells.append(line);
        }
        return cells;
    }
    return std::nullopt;
}

class ExporterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        exporter.setClock([] { return fixedNow; });
        exporter.setDefaultFolder(dir.path());
        exporter.setClearRecords([this] { ++cleared; });
    }
    QString path(const char *name) const { return dir.filePath(q(name)); }

    QTemporaryDir dir;
    FakeGrid grid;
    Exporter exporter { grid };
    int cleared = 0;
};

} // namespace

TEST_F(ExporterTest, MessagesShowOnlyWhenThePcdAskedAndAutoExportIsOff)
{
    const QString target = path("Tolvane.xls");
    // A PCD's export tells without waiting.
    const Shown success { q("Successful export to file : ") + target, q("Tolvane exportation"),
        S::Information, true };
    const Shown noData { q("Export aborted : No data to export !"), q("Tolvane exportation"),
        S::Exclamation, true };
    const Shown noFile { q("No export file defined !"), q("Tolvane Export File"), S::Information };
    const struct
    {
        const char *name;
        bool autoExport, pcd, named, data;
        Result result;
        QList<Shown> shown;
    } cases[] = {
        { "user press", false, false, true, true, Result::Exported, {} },
        { "pcd request", false, true, true, true, Result::Exported, { success } },
        { "pcd request, AutoExport", true, true, true, true, Result::Exported, {} },
        { "grid full", true, false, true, true, Result::Exported, {} },
        { "user press, no name", false, false, false, true, Result::NoExportFile, { noFile } },
        { "pcd request, no name", false, true, false, true, Result::Exported, { success } },
        { "user press, no data", false, false, true, false, Result::NoData, {} },
        { "pcd request, no data", false, true, true, false, Result::NoData, { noData } },
        { "pcd request, AutoExport, no data", true, true, true, false, Result::NoData, {} },
    };
    for (const auto &c : cases) {
        QFile::remove(target);
        FakeGrid g;
        if (c.data)
            g.addData("Level", ColumnDescription::Word, "d");
        g.finishColumns();
        g.addRow("05/12/26|19:18:43|Run|1");
        int clears = 0;
        Exporter e(g);
        e.setDefaultFolder(dir.path());
        e.setClearRecords([&] { ++clears; });
        e.setAutoExport(c.autoExport);
        e.setExportFile(c.named ? target : QString());
        QSignalSpy newFile(&e, &Exporter::NewExportFile);

        EXPECT_EQ(e.Export(c.pcd), c.result) << c.name;
        EXPECT_EQ(e.takeMessages(), c.shown) << c.name;
        const bool written = c.result == Result::Exported;
        EXPECT_EQ(clears, written ? 1 : 0) << c.name;
        EXPECT_EQ(QFile::exists(target), written) << c.name;
        EXPECT_EQ(newFile.count(), c.result == Result::NoExportFile ? 0 : 1) << c.name;
        EXPECT_EQ(e.exportFile(), c.result == Result::NoExportFile ? QString() : target) << c.name;
    }
    grid.finishColumns(); // no rows at all: nothing happens, not even the missing-name box
    EXPECT_EQ(exporter.Export(false), Result::NoRecords);
    EXPECT_TRUE(exporter.takeMessages().isEmpty());
}

// The stamps the options ask for stay whatever data columns are selected (a graph visit
// selects them all); a selected stamp column goes even with its option off.
TEST_F(ExporterTest, StampsByOptionOrSelectionAndSelectedOrEveryDataColumn)
{
    grid.addData("A", ColumnDescription::Word, "d");
    grid.addData("B", ColumnDescription::Word, "d");
    grid.finishColumns();
    grid.addRow("05/12/26|19:18:43|Run|1|2");
    const struct
    {
        QSet<int> selected;
        bool date, time, status;
        QList<int> columns;
    } cases[] = {
        { {}, false, false, false, { 4, 5 } }, { {}, true, false, false, { 1, 4, 5 } },
        { {}, false, true, true, { 2, 3, 4, 5 } }, { { 5 }, true, true, true, { 1, 2, 3, 5 } },
        { { 4, 5 }, false, true, false, { 2, 4, 5 } }, { { 2, 5 }, false, false, false, { 2, 5 } },
        { { 6, 7 }, true, false, false, { 1, 4, 5 } }, // the hidden cells never go out
    };
    exporter.setExportFile(path("sel.xls"));
    for (const auto &c : cases) {
        grid.selected = c.selected;
        exporter.setStampColumns(c.date, c.time, c.status);
        EXPECT_EQ(exporter.Export(), Result::Exported);
        EXPECT_EQ(exporter.lastColumns(), c.columns);
    }
}

TEST_F(ExporterTest, NewExportFileComesWithTheNameBeforeAnythingIsWritten)
{
    grid.addData("Level", ColumnDescription::Word, "d");
    grid.finishColumns();
    grid.addRow("05/12/26|19:18:43|Run|42");
    exporter.setExportFile(dir.path() + q("/run"));
    exporter.setIndexFile(1);
    const QString target = dir.path() + q("/runTolvane_261205191843.xls");
    QStringList events;
    QObject::connect(&exporter, &Exporter::NewExportFile, [&] {
        events << exporter.exportFile() + (QFile::exists(target) ? q(" exists") : QString());
    });
    QObject::connect(&exporter, &Exporter::busyChanged,
        [&](bool busy) { events << (busy ? q("busy") : q("idle")); });
    exporter.setClearRecords([&] { events << q("clear"); });
    EXPECT_EQ(exporter.Export(), Result::Exported);
    EXPECT_EQ(events,
        QStringList({ dir.path() + q("/runTolvane.xls"), q("busy"), q("idle"), q("clear") }));
    EXPECT_TRUE(QFile::exists(target));
    exporter.setIndexFile(2);
    exporter.setExportIndex(17);
    EXPECT_EQ(exporter.Export(), Result::Exported);
    EXPECT_TRUE(QFile::exists(dir.path() + q("/runTolvane_17.xls")));
}

TEST_F(ExporterTest, FailuresKeepTheRecordsAndEveryOlderFile)
{
    grid.addData("Level", ColumnDescription::Word, "d");
    grid.finishColumns();
    grid.addRow("05/12/26|19:18:43|Run|42");
    QSignalSpy newFile(&exporter, &Exporter::NewExportFile);

    // A folder where the file should be cannot be opened for writing, as a held file.
    ASSERT_TRUE(QDir(dir.path()).mkdir(q("held.xls")));
    exporter.setExportFile(path("held.xls"));
    // Whether each message of an export waits for the user.
    const auto waits = [&] {
        QList<bool> wait;
        for (const Shown &m : exporter.takeMessages())
            wait << !m.notice;
        return wait;
    };
    EXPECT_EQ(exporter.Export(false), Result::Failed);
    EXPECT_EQ(waits(), QList<bool>());
    EXPECT_EQ(exporter.Export(true), Result::Failed);
    const Shown held { exporter.lastError(), q("Tolvane exportation aborted !"), S::Exclamation,
        true };
    EXPECT_TRUE(held.text.startsWith(q("ExportExcelFile Error ")));
    EXPECT_EQ(exporter.takeMessages(), QList { held });
    EXPECT_EQ(newFile.count(), 0);

    // A missing folder: the writer's own box on a user press, one notice on a PCD
    // request, nothing unattended.
    exporter.setExportFile(path("missing/x.xls"));
    EXPECT_EQ(exporter.Export(false), Result::Failed);
    EXPECT_EQ(waits(), QList<bool> { true });
    EXPECT_EQ(exporter.Export(true), Result::Failed);
    EXPECT_EQ(waits(), QList<bool> { false });
    exporter.setAutoExport(true);
    EXPECT_EQ(exporter.Export(true), Result::Failed);
    EXPECT_EQ(waits(), QList<bool>());
    EXPECT_FALSE(exporter.lastError().isEmpty());

    // Nothing to write: no new file, and the older export stays.
    ASSERT_TRUE(tlv::test::writeBytes(path("keep.xls"), "earlier export"));
    exporter.setExportFile(path("keep.xls"));
    grid.columns.removeAt(4); // no data column left, stamps off
    EXPECT_EQ(exporter.Export(), Result::NoData);
    EXPECT_EQ(tlv::test::readBytes(path("keep.xls")), QByteArray("earlier export"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { q("keep.xls") });
    EXPECT_EQ(cleared, 0);
}

TEST_F(ExporterTest, WorksheetReadsBackWithValuesDatesTimesAndTexts)
{
    using T = ColumnDescription;
    grid.addData("Level", T::Word, "2sd", 1500);
    grid.addData("Hex", T::Word, "h");
    grid.addData("Day", T::Long, "td");
    grid.addData("Clock", T::Long, "th");
    grid.addData("Stamp", T::Long, "t", 20000);
    grid.addData("Temp\u00e9rature", T::Byte, "s");
    grid.addData("Digits", T::Word, "p");
    grid.finishColumns();
    grid.addRow("05/12/26|19:18:43|Run|-12.34|0012|24/12/26|23:59:59|24/12/26 12:00:00|Ein\u00e9 "
                "\u20ac|0021");
    grid.addRow("06/12/26|00:00:01|2|4294967295|FFFF|45/13/26|Invalid time||<7>|0*#W");
    // The PCD time words behind the texts; the year is the row's.
    grid.raws = { { { 0, 6 }, 1224000000 }, { { 0, 7 }, 235959 }, { { 0, 8 }, 1224120000 },
        { { 1, 6 }, 1345000000 }, { { 1, 7 }, -1 } };
    exporter.setStampColumns(true, true, true);
    exporter.setExportFile(path("full.xls"));
    ASSERT_EQ(exporter.Export(), Result::Exported);

    QString error;
    const auto cells = readBack(path("full.xls"), &error);
    if (!cells)
        FAIL() << "python3-xlrd is missing (scripts/bootstrap installs it)";
    // 19:18:43 is 0.804664351851852 of a day, 23:59:59 0.999988425925926.
    EXPECT_EQ(*cells,
        QStringList({ q("0 0 text PC Date"), q("0 1 text PC Time"), q("0 2 text PCD"),
            q("0 3 text Level"), q("0 4 text Hex"), q("0 5 text Day"), q("0 6 text Clock"),
            q("0 7 text Stamp"), q("0 8 text Temp\u00e9rature"), q("0 9 text Digits"),
            q("1 0 date 46361 [dd/mm/yy]"), q("1 1 date 0.804664351851852 [hh:mm:ss]"),
            q("1 2 text Run"), q("1 3 number -12.34"), q("1 4 text 0012"),
            q("1 5 date 46380 [dd/mm/yy]"), q("1 6 date 0.999988425925926 [hh:mm:ss]"),
            q("1 7 date 46380.5 [dd/mm/yy\\ hh:mm]"), q("1 8 text Ein\u00e9 \u20ac"),
            q("1 9 text 0021"), q("2 0 date 46362 [dd/mm/yy]"),
            q("2 1 date 1.15740740740741e-05 [hh:mm:ss]"), q("2 2 text 2"),
            q("2 3 number 4294967295"), q("2 4 text FFFF"), q("2 5 text 45/13/26"),
            q("2 6 text Invalid time"), q("2 8 text <7>"), q("2 9 text 0*#W") }))
        << qPrintable(error);
}

TEST_F(ExporterTest, RowsPastTheWorksheetLimitStayInTheGridForTheNextExport)
{
    grid.addData("Level", ColumnDescription::Word, "d");
    grid.finishColumns();
    // One row more than a worksheet holds below its header.
    grid.generatedRows = Exporter::MaxWorksheetRows + 1;
    grid.cellAt = [](int row, int g) {
        return g == 4 && (row == 0 || row >= 16382) ? QString::number(row) : QString();
    };
    QList<int> removed;
    exporter.setRemoveOldestRows([&](int count) { removed << count; });
    const QString limited = q("Export limited : 16383 of 16384 rows written, the file holds no "
                              "more.\rThe other rows stay in the grid.");
    const struct
    {
        const char *name;
        bool autoExport, pcd;
        QStringList shown;
    } cases[] = {
        { "user press", false, false, { limited } },
        { "pcd request", false, true,
            { limited, q("Successful export to file : ") + path("long.xls") } },
        { "grid full", true, false, {} },
    };
    for (const auto &c : cases) {
        removed.clear();
        exporter.setAutoExport(c.autoExport);
        exporter.setExportFile(path("long.xls"));
        EXPECT_EQ(exporter.Export(c.pcd), Result::Exported) << c.name;
        EXPECT_EQ(exporter.lastRowCount(), 16383) << c.name;
        EXPECT_EQ(removed, QList<int> { 16383 }) << c.name;
        EXPECT_EQ(cleared, 0) << c.name;
        QStringList texts;
        for (const Shown &m : exporter.takeMessages())
            texts << m.text;
        EXPECT_EQ(texts, c.shown) << c.name;
    }

    QString error;
    const auto cells = readBack(path("long.xls"), &error);
    if (!cells)
        FAIL() << "python3-xlrd is missing (scripts/bootstrap installs it)";
    // The last row a worksheet has holds the last row written.
    EXPECT_EQ(
        *cells, QStringList({ q("0 0 text Level"), q("1 0 number 0"), q("16383 0 number 16382") }))
        << qPrintable(error);
}

TEST_F(ExporterTest, AFailedColumnKeepsTheRecordsAndTheFileKeepsTheOthers)
{
    // A worksheet has 256 columns; the ones after that cannot be written.
    for (int k = 0; k < 254; ++k)
        grid.addData("Col", ColumnDescription::Word, "d");
    grid.finishColumns();
    grid.cellAt = [](int, int g) { return QString::number(g); };
    grid.generatedRows = 1;
    int removals = 0;
    exporter.setRemoveOldestRows([&](int) { ++removals; });
    exporter.setStampColumns(true, true, true);
    exporter.setExportFile(path("wide.xls"));

    EXPECT_EQ(exporter.Export(true), Result::Incomplete);
    EXPECT_EQ(cleared, 0);
    EXPECT_EQ(removals, 0);
    // No success after a failed column.
    const QList<Shown> failedColumn { { q("WriteColumn 257 Error : Overflow"),
        q("Tolvane exportation aborted !"), S::Exclamation, true } };
    EXPECT_EQ(exporter.takeMessages(), failedColumn);
    EXPECT_EQ(exporter.lastColumns().size(), 256);
    EXPECT_TRUE(QFile::exists(path("wide.xls")));
}

TEST_F(ExporterTest, CsvExportHoldsTheGridTexts)
{
    grid.addData("Level", ColumnDescription::Word, "2sd");
    grid.addData("Note, \"quoted\"", ColumnDescription::Long, "tx");
    grid.finishColumns();
    grid.addRow("05/12/26|19:18:43|Run|-12.34|a,b \"c\"\nd \u00e9");
    grid.addRow("05/12/26|19:18:44|Miss 3|-----|", true);
    exporter.setStampColumns(false, true, true);
    exporter.setExportFile(path("Trace.CSV"));
    exporter.setIndexFile(1);
    ASSERT_EQ(exporter.Export(true), Result::Exported);
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(QString::fromUtf8(tlv::test::readBytes(path("Trace_261205191843.CSV"))),
        q("PC Time,PCD,Level,\"Note, \"\"quoted\"\"\"\r\n"
          "19:18:43,Run,-12.34,\"a,b \"\"c\"\"\nd \u00e9\"\r\n"
          "19:18:44,Miss 3,-----,\r\n"));
    const auto told = exporter.takeMessages();
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(told[0].text, q("Successful export to file : ") + path("Trace_261205191843.CSV"));
}

TEST_F(ExporterTest, TheRowStoreExportsThroughItsAdapterWhenTheGridIsFull)
{
    using namespace tlv::viewer;
    ColumnTable table;
    const auto define = [&](int k, const char *title, qint16 type, const char *format) {
        table[k].Defined = true;
        table[k].Title = q(title);
        table[k].DataType = type;
        table[k].Format = q(format);
        table[k].Width = 1200;
    };
    define(0, "Level", ColumnDescription::Word, "d");
    define(2, "Clock", ColumnDescription::Long, "th");
    table.MaxColumn = 2;
    RowStore rows;
    rows.setColumns(table);
    rows.setStamps(true, false, true);
    rows.setStatusText(q("Run"));
    ExportGridSource source(rows, table);
    ASSERT_EQ(source.gridColumnCount(), 8);
    EXPECT_EQ(source.headerText(5), q("Clock"));
    EXPECT_EQ(source.description(5), &table[2]);
    EXPECT_EQ(source.description(6), nullptr);

    Exporter e(source);
    e.setExportFile(path("grid.xls"));
    e.setAutoExport(true);
    e.setStampColumns(rows.dateStamp(), rows.timeStamp(), rows.statusStamp());
    e.setClearRecords([&] { rows.removeAllRows(); });
    rows.setMaxRows(3);
    rows.setAutoExport(true);
    rows.setExportHandler([&] { return e.Export() == Result::Exported; });
    const qint64 at = fixedNow.toMSecsSinceEpoch();
    rows.addRecord(test::record(
        { test::num(12), { q("23:59:59"), 235959.0, 235959 } }, q("05/12/26"), q("19:18:43"), at));
    rows.addStatusRow(q("05/12/26"), q("19:18:44"), at + 1000);
    rows.addSeparator(RowKind::Miss, q("Miss 2"), q("05/12/26"), q("19:18:45"), at + 2000);
    EXPECT_EQ(source.rowKind(0), RowKind::Record);
    EXPECT_EQ(source.rowKind(1), RowKind::Status);
    EXPECT_EQ(source.rowKind(2), RowKind::Miss);
    EXPECT_FALSE(QFile::exists(path("grid.xls")));
    rows.addRecord(test::record(
        { test::num(13), { q("00:00:01"), 1.0, 1 } }, q("05/12/26"), q("19:18:46"), at + 3000));
    EXPECT_EQ(e.lastColumns(), QList<int>({ 1, 3, 4, 5 }));
    EXPECT_EQ(rows.dataRowCount(), 1); // only the record after the export

    QString error;
    const auto cells = readBack(path("grid.xls"), &error);
    if (!cells)
        FAIL() << "python3-xlrd is missing (scripts/bootstrap installs it)";
    EXPECT_EQ(*cells,
        QStringList({ q("0 0 text PC Date"), q("0 1 text PCD"), q("0 2 text Level"),
            q("0 3 text Clock"), q("1 0 date 46361 [dd/mm/yy]"), q("1 1 text Run"),
            q("1 2 number 12"), q("1 3 date 0.999988425925926 [hh:mm:ss]"),
            q("2 0 date 46361 [dd/mm/yy]"), q("2 1 text Run"), q("3 0 date 46361 [dd/mm/yy]"),
            q("3 1 text Miss 2"), q("3 2 text ----------------"), q("3 3 text ----------------") }))
        << qPrintable(error);
}
