#include "common/Prompter.h"
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

using tlv::common::Prompter;
using tlv::viewer::ColumnDescription;
using tlv::viewer::Exporter;
using tlv::viewer::ExportSource;
using Result = Exporter::Result;

namespace {

struct RecordingPrompter : Prompter
{
    struct Shown
    {
        QString text, title;
        Style style;
        bool operator==(const Shown &) const = default;
    };
    QList<Shown> shown;
    Answer message(const QString &text, const QString &title, Style style, Buttons) override
    {
        shown.append({ text, title, style });
        return Answer::Ok;
    }
    QString openFile(const FileRequest &) override { return {}; }
    QString saveFile(const FileRequest &) override { return {}; }
};

// A records grid: record number, PC date, PC time, PCD status, data columns,
// then the raw and comment cells.
struct FakeGrid : ExportSource
{
    struct Column
    {
        QString header;
        qint32 width = 0;
        std::optional<ColumnDescription> description;
    };
    QList<Column> columns;
    QList<QStringList> rows;
    QSet<int> selected;
    QSet<int> separators;
    // When set, rowCount() is generatedRows and every cell comes from cellAt.
    int generatedRows = 0;
    std::function<QString(int, int)> cellAt;

    explicit FakeGrid(bool stampsShown = true)
    {
        const qint32 w = stampsShown ? 1100 : 0;
        columns = { { {}, 500, {} }, { QStringLiteral("PC Date"), w, {} },
            { QStringLiteral("PC Time"), w, {} }, { QStringLiteral("PCD"), w, {} } };
    }
    void addData(const QString &title, qint16 type, const QString &format, qint32 width = 1000)
    {
        ColumnDescription d;
        d.Defined = true;
        d.Title = title;
        d.DataType = type;
        d.Format = format;
        d.Width = width;
        columns.append({ title, width, d });
    }
    void finishColumns() { columns += { Column { {}, 0, {} }, Column { {}, 0, {} } }; }
    // Cells of grid columns 1 .. last data column; the rest is filled in.
    void addRow(QStringList cells, bool separator = false)
    {
        cells.prepend(QString::number(rows.size() + 1));
        while (cells.size() < columns.size() - 2)
            cells.append(QString());
        cells += { QStringLiteral("raw"), QStringLiteral("comment") };
        if (separator)
            separators.insert(int(rows.size()));
        rows.append(cells);
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
        return separators.contains(row) ? RowKind::Separator : RowKind::Record;
    }
};

const QDateTime fixedNow(QDate(2026, 12, 5), QTime(19, 18, 43));

class ExporterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        exporter.setClock([] { return fixedNow; });
        exporter.setDefaultFolder(dir.path());
        exporter.setClearRecords([this] { ++cleared; });
    }
    void useSimpleGrid()
    {
        grid.addData(QStringLiteral("Level"), ColumnDescription::Word, QStringLiteral("d"));
        grid.finishColumns();
        grid.addRow({ QStringLiteral("05/12/26"), QStringLiteral("19:18:43"), QStringLiteral("Run"),
            QStringLiteral("42") });
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    FakeGrid grid;
    RecordingPrompter prompter;
    Exporter exporter { grid, &prompter };
    int cleared = 0;
};

// The worksheet as xlrd (with formatting information) reads it; null when xlrd
// is not on this machine.
std::optional<QJsonObject> readBack(const QString &file, QString *error)
{
    const QString script = QStringLiteral(TOLVANE_TEST_DATA "/export/read_xls.py");
    for (const QString &python :
        { QStringLiteral("/usr/bin/python3"), QStringLiteral("python3") }) {
        QProcess probe;
        probe.start(python, { QStringLiteral("-c"), QStringLiteral("import xlrd") });
        if (!probe.waitForFinished(60000) || probe.exitStatus() != QProcess::NormalExit
            || probe.exitCode() != 0)
            continue;
        QProcess p;
        p.start(python, { script, file });
        p.waitForFinished(60000);
        *error = QString::fromUtf8(p.readAllStandardError());
        if (p.exitCode() != 0)
            return QJsonObject { { QStringLiteral("refused"), *error } };
        return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    }
    return std::nullopt;
}

struct Cell
{
    int row, col;
    std::string kind;
    QJsonValue value;
    QString format;
};

QList<Cell> cellsOf(const QJsonObject &sheet)
{
    QList<Cell> cells;
    for (const QJsonValue &v : sheet.value(QStringLiteral("cells")).toArray()) {
        const QJsonArray a = v.toArray();
        cells.append(
            { a[0].toInt(), a[1].toInt(), a[2].toString().toStdString(), a[3], a[4].toString() });
    }
    return cells;
}

} // namespace

TEST_F(ExporterTest, MessagesShowOnlyWhenThePcdAskedAndAutoExportIsOff)
{
    using S = Prompter::Style;
    struct Case
    {
        const char *name;
        bool autoExport, pcd, named, data;
        Result result;
        QList<RecordingPrompter::Shown> shown; // %1 = target
        bool cleared;
    };
    const QString target = dir.filePath(QStringLiteral("Tolvane.xls"));
    const RecordingPrompter::Shown success { QStringLiteral("Successful export to file : ")
            + target,
        QStringLiteral("Tolvane exportation"), S::Information };
    const RecordingPrompter::Shown noData { QStringLiteral("Export aborted : No data to export !"),
        QStringLiteral("Tolvane exportation"), S::Exclamation };
    const RecordingPrompter::Shown noFile { QStringLiteral("No export file defined !"),
        QStringLiteral("Tolvane Export File"), S::Information };
    const QList<Case> cases = {
        { "user press", false, false, true, true, Result::Exported, {}, true },
        { "pcd request", false, true, true, true, Result::Exported, { success }, true },
        { "pcd request with AutoExport", true, true, true, true, Result::Exported, {}, true },
        { "grid full", true, false, true, true, Result::Exported, {}, true },
        { "user press, no name", false, false, false, true, Result::NoExportFile, { noFile },
            false },
        { "pcd request, no name", false, true, false, true, Result::Exported, { success }, true },
        { "grid full, no name", true, false, false, true, Result::Exported, {}, true },
        { "user press, no data", false, false, true, false, Result::NoData, {}, false },
        { "pcd request, no data", false, true, true, false, Result::NoData, { noData }, false },
        { "pcd request with AutoExport, no data", true, true, true, false, Result::NoData, {},
            false },
    };
    for (const Case &c : cases) {
        QFile::remove(target);
        FakeGrid g;
        if (c.data)
            g.addData(QStringLiteral("Level"), ColumnDescription::Word, QStringLiteral("d"));
        g.finishColumns();
        g.addRow({ QStringLiteral("05/12/26"), QStringLiteral("19:18:43"), QStringLiteral("Run"),
            QStringLiteral("1") });
        RecordingPrompter p;
        int clears = 0;
        Exporter e(g, &p);
        e.setClock([] { return fixedNow; });
        e.setDefaultFolder(dir.path());
        e.setClearRecords([&] { ++clears; });
        e.setAutoExport(c.autoExport);
        e.setExportFile(c.named ? target : QString());
        QSignalSpy newFile(&e, &Exporter::NewExportFile);

        EXPECT_EQ(e.Export(c.pcd), c.result) << c.name;
        EXPECT_EQ(p.shown, c.shown) << c.name;
        EXPECT_EQ(clears, c.cleared ? 1 : 0) << c.name;
        EXPECT_EQ(QFile::exists(target), c.cleared) << c.name;
        EXPECT_EQ(newFile.count(), c.result == Result::NoExportFile ? 0 : 1) << c.name;
        EXPECT_EQ(e.exportFile(), c.result == Result::NoExportFile ? QString() : target) << c.name;
    }
}

TEST_F(ExporterTest, AGridWithoutRecordsIsLeftAlone)
{
    grid.finishColumns();
    QSignalSpy newFile(&exporter, &Exporter::NewExportFile);
    EXPECT_EQ(exporter.Export(false), Result::NoRecords);
    EXPECT_EQ(exporter.Export(true), Result::NoRecords);
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_EQ(newFile.count(), 0);
    EXPECT_TRUE(exporter.exportFile().isEmpty());
}

TEST_F(ExporterTest, SelectedColumnsFirstThenStampsByOptionAndEveryDataColumn)
{
    grid.addData(QStringLiteral("A"), ColumnDescription::Word, QStringLiteral("d"));
    grid.addData(QStringLiteral("B"), ColumnDescription::Word, QStringLiteral("d"));
    grid.finishColumns();
    grid.addRow({ QStringLiteral("05/12/26"), QStringLiteral("19:18:43"), QStringLiteral("Run"),
        QStringLiteral("1"), QStringLiteral("2") });
    const struct
    {
        QSet<int> selected;
        bool date, time, status;
        QList<int> columns;
    } cases[] = {
        { {}, false, false, false, { 4, 5 } }, { {}, true, false, false, { 1, 4, 5 } },
        { {}, false, true, true, { 2, 3, 4, 5 } }, { {}, true, true, true, { 1, 2, 3, 4, 5 } },
        { { 5 }, true, true, true, { 5 } }, { { 4, 5 }, false, false, false, { 4, 5 } },
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

TEST_F(ExporterTest, NewExportFileComesWithTheNameBeforeTheFileAndBusyAroundWriting)
{
    useSimpleGrid();
    exporter.setExportFile(dir.path() + QStringLiteral("/run"));
    exporter.setIndexFile(1);
    const QString target = dir.path() + QStringLiteral("/runTolvane_261205191843.xls");
    QStringList events;
    QObject::connect(&exporter, &Exporter::NewExportFile, [&] {
        events << QStringLiteral("new ") + exporter.exportFile()
                + (QFile::exists(target) ? QStringLiteral(" exists") : QString());
    });
    QObject::connect(&exporter, &Exporter::busyChanged,
        [&](bool busy) { events << (busy ? QStringLiteral("busy") : QStringLiteral("idle")); });
    exporter.setClearRecords([&] { events << QStringLiteral("clear"); });
    EXPECT_EQ(exporter.Export(), Result::Exported);
    EXPECT_EQ(events,
        QStringList({ QStringLiteral("new ") + dir.path() + QStringLiteral("/runTolvane.xls"),
            QStringLiteral("busy"), QStringLiteral("idle"), QStringLiteral("clear") }));
    EXPECT_EQ(exporter.lastTarget(), target);
    EXPECT_TRUE(QFile::exists(target));

    exporter.setIndexFile(2);
    exporter.setExportIndex(17);
    EXPECT_EQ(exporter.Export(), Result::Exported);
    EXPECT_TRUE(QFile::exists(dir.path() + QStringLiteral("/runTolvane_17.xls")));
}

TEST_F(ExporterTest, AHeldTargetEndsTheExportAndKeepsTheRecords)
{
    useSimpleGrid();
    // A folder where the file should be: it cannot be opened for writing.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("held.xls")));
    exporter.setExportFile(path("held.xls"));
    QSignalSpy newFile(&exporter, &Exporter::NewExportFile);

    EXPECT_EQ(exporter.Export(false), Result::Failed);
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_EQ(exporter.Export(true), Result::Failed);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.startsWith(QStringLiteral("ExportExcelFile Error ")));
    EXPECT_GT(prompter.shown[0].text.size(), 22);
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("Tolvane exportation aborted !"));
    EXPECT_EQ(prompter.shown[0].style, Prompter::Style::Exclamation);
    EXPECT_EQ(cleared, 0);
    EXPECT_EQ(newFile.count(), 0);
}

TEST_F(ExporterTest, AnUnwritableFolderFailsWithTheWriterMessageUnlessUnattended)
{
    useSimpleGrid();
    exporter.setExportFile(path("missing/x.xls"));
    exporter.setIndexFile(1);
    const QString target = path("missing/x_261205191843.xls");

    EXPECT_EQ(exporter.Export(false), Result::Failed);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.startsWith(
        QStringLiteral("Open File : ") + target + QStringLiteral(" Error\r\n")));

    prompter.shown.clear();
    EXPECT_EQ(exporter.Export(true), Result::Failed);
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[1].title, QStringLiteral("Tolvane exportation aborted !"));
    EXPECT_TRUE(prompter.shown[1].text.startsWith(QStringLiteral("ExportExcelFile Error ")));

    prompter.shown.clear();
    exporter.setAutoExport(true);
    EXPECT_EQ(exporter.Export(true), Result::Failed);
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_FALSE(exporter.lastError().isEmpty());
    EXPECT_EQ(cleared, 0);
}

TEST_F(ExporterTest, AnExportWithNothingToWriteLeavesNoFileAndKeepsAnOlderOne)
{
    grid.finishColumns(); // no data columns, stamps off
    grid.addRow({ QStringLiteral("05/12/26"), QStringLiteral("19:18:43"), QStringLiteral("Run") });
    exporter.setExportFile(path("keep.xls"));
    EXPECT_EQ(exporter.Export(), Result::NoData);
    EXPECT_FALSE(QFile::exists(path("keep.xls")));
    {
        QFile old(path("keep.xls"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier export");
    }
    EXPECT_EQ(exporter.Export(), Result::NoData);
    QFile old(path("keep.xls"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("earlier export"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("keep.xls") });
    EXPECT_EQ(cleared, 0);
}

TEST_F(ExporterTest, ExportedWorksheetReadsBackWithValuesDatesTimesAndTexts)
{
    using T = ColumnDescription;
    grid.addData(QStringLiteral("Level"), T::Word, QStringLiteral("2sd"), 1500);
    grid.addData(QStringLiteral("Hex"), T::Word, QStringLiteral("h"));
    grid.addData(QStringLiteral("Day"), T::Long, QStringLiteral("td"));
    grid.addData(QStringLiteral("Clock"), T::Long, QStringLiteral("th"));
    grid.addData(QStringLiteral("Stamp"), T::Long, QStringLiteral("t"), 20000);
    grid.addData(QStringLiteral("Temp\u00e9rature"), T::Byte, QStringLiteral("s"));
    grid.addData(QStringLiteral("Note"), T::Long, QStringLiteral("tx"));
    grid.finishColumns();
    grid.addRow({ QStringLiteral("05/12/26"), QStringLiteral("19:18:43"), QStringLiteral("Run"),
        QStringLiteral("-12.34"), QStringLiteral("0012"), QStringLiteral("24/12/26"),
        QStringLiteral("23:59:59"), QStringLiteral("24/12/26 12:00:00"),
        QStringLiteral("Ein\u00e9 \u20ac"), QStringLiteral("42") });
    grid.addRow({ QStringLiteral("05/12/26"), QStringLiteral("19:18:44"), QStringLiteral("Miss 3"),
                    QStringLiteral("----------------"), QStringLiteral("----------------"),
                    QStringLiteral("----------------"), QStringLiteral("----------------"),
                    QStringLiteral("----------------"), QStringLiteral("----------------"),
                    QStringLiteral("----------------") },
        true);
    grid.addRow({ QStringLiteral("06/12/26"), QStringLiteral("00:00:01"), QStringLiteral("2"),
        QStringLiteral("4294967295"), QStringLiteral("FFFF"), QStringLiteral("45/13/26"),
        QStringLiteral("Invalid time"), QString(), QStringLiteral("<7>"),
        QStringLiteral("-65536") });
    exporter.setStampColumns(true, true, true);
    exporter.setExportFile(path("full.xls"));
    ASSERT_EQ(exporter.Export(), Result::Exported);

    QString error;
    const auto sheet = readBack(path("full.xls"), &error);
    if (!sheet)
        GTEST_SKIP() << "python3-xlrd is not installed";
    ASSERT_FALSE(sheet->contains(QStringLiteral("refused"))) << qPrintable(error);
    const double s = 1.0 / 86400;
    const QString general = QStringLiteral("General");
    const QString date = QStringLiteral("dd/mm/yy");
    const QString time = QStringLiteral("hh:mm:ss");
    const QString stamp = QStringLiteral("dd/mm/yy\\ hh:mm");
    const auto text = [](const char16_t *t) { return QJsonValue(QString::fromUtf16(t)); };
    const QList<Cell> expected = {
        { 0, 0, "text", text(u"PC Date"), general },
        { 0, 1, "text", text(u"PC Time"), general },
        { 0, 2, "text", text(u"PCD"), general },
        { 0, 3, "text", text(u"Level"), general },
        { 0, 4, "text", text(u"Hex"), general },
        { 0, 5, "text", text(u"Day"), general },
        { 0, 6, "text", text(u"Clock"), general },
        { 0, 7, "text", text(u"Stamp"), general },
        { 0, 8, "text", text(u"Temp\u00e9rature"), general },
        { 0, 9, "text", text(u"Note"), general },
        { 1, 0, "date", 46361.0, date },
        { 1, 1, "date", (19 * 3600 + 18 * 60 + 43) * s, time },
        { 1, 2, "text", text(u"Run"), general },
        { 1, 3, "number", -12.34, general },
        { 1, 4, "text", text(u"0012"), general },
        { 1, 5, "date", 46380.0, date },
        { 1, 6, "date", 86399 * s, time },
        { 1, 7, "date", 46380.5, stamp },
        { 1, 8, "text", text(u"Ein\u00e9 \u20ac"), general },
        { 1, 9, "text", text(u"42"), general },
        { 2, 0, "date", 46361.0, date },
        { 2, 1, "date", (19 * 3600 + 18 * 60 + 44) * s, time },
        { 2, 2, "text", text(u"Miss 3"), general },
        { 2, 3, "text", text(u"----------------"), general },
        { 2, 4, "text", text(u"----------------"), general },
        { 2, 5, "text", text(u"----------------"), general },
        { 2, 6, "text", text(u"----------------"), general },
        { 2, 7, "text", text(u"----------------"), general },
        { 2, 8, "text", text(u"----------------"), general },
        { 2, 9, "text", text(u"----------------"), general },
        { 3, 0, "date", 46362.0, date },
        { 3, 1, "date", 1 * s, time },
        { 3, 2, "number", 2.0, general },
        { 3, 3, "number", 4294967295.0, general },
        { 3, 4, "text", text(u"FFFF"), general },
        { 3, 5, "text", text(u"45/13/26"), general },
        { 3, 6, "text", text(u"Invalid time"), general },
        { 3, 8, "text", text(u"<7>"), general },
        { 3, 9, "text", text(u"-65536"), general },
    };
    const QList<Cell> cells = cellsOf(*sheet);
    ASSERT_EQ(cells.size(), expected.size());
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const Cell &got = cells[i], &want = expected[i];
        const QString where = QStringLiteral("row %1 col %2").arg(want.row).arg(want.col);
        EXPECT_EQ(got.row, want.row) << qPrintable(where);
        EXPECT_EQ(got.col, want.col) << qPrintable(where);
        EXPECT_EQ(got.kind, want.kind) << qPrintable(where);
        EXPECT_EQ(got.format, want.format) << qPrintable(where);
        if (want.value.isDouble())
            EXPECT_NEAR(got.value.toDouble(), want.value.toDouble(), 1e-9) << qPrintable(where);
        else
            EXPECT_EQ(got.value.toString(), want.value.toString()) << qPrintable(where);
    }
    // Grid widths in twips / 100, as characters; the widest a record holds for the wide one.
    const QJsonObject widths = sheet->value(QStringLiteral("widths")).toObject();
    EXPECT_EQ(widths.value(QStringLiteral("0")).toInt(), 11 * 256);
    EXPECT_EQ(widths.value(QStringLiteral("3")).toInt(), 15 * 256);
    EXPECT_EQ(widths.value(QStringLiteral("7")).toInt(), 127 * 256);
}

TEST_F(ExporterTest, AColumnThatFailsPartWayKeepsItsPlaceAndTheOthersGoOn)
{
    grid.addData(QStringLiteral("Late"), ColumnDescription::Word, QStringLiteral("d"));
    grid.addData(QStringLiteral("Early"), ColumnDescription::Word, QStringLiteral("d"));
    grid.finishColumns();
    // 32767 records: the last would go to spreadsheet row 32768, past what a cell row holds.
    grid.generatedRows = 32767;
    grid.cellAt = [](int row, int g) {
        if (g == 4 && (row == 0 || row == 32766))
            return QStringLiteral("1");
        if (g == 5 && row == 0)
            return QStringLiteral("2");
        return QString();
    };
    exporter.setExportFile(path("long.xls"));
    EXPECT_EQ(exporter.Export(true), Result::Exported);
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("WriteColumn 4 Error : Overflow"));
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("Tolvane exportation aborted !"));
    EXPECT_EQ(
        prompter.shown[1].text, QStringLiteral("Successful export to file : ") + path("long.xls"));
    EXPECT_EQ(exporter.lastColumns(), QList<int>({ 4, 5 }));

    QString error;
    const auto sheet = readBack(path("long.xls"), &error);
    if (!sheet)
        GTEST_SKIP() << "python3-xlrd is not installed";
    const QList<Cell> cells = cellsOf(*sheet);
    ASSERT_EQ(cells.size(), 4) << qPrintable(error);
    EXPECT_EQ(cells[0].value.toString(), QStringLiteral("Late"));
    EXPECT_EQ(cells[1].value.toString(), QStringLiteral("Early"));
    EXPECT_EQ(cells[1].col, 1);
    EXPECT_EQ(cells[3].value.toDouble(), 2.0);
    EXPECT_EQ(cells[3].col, 1);
}

TEST_F(ExporterTest, CsvExportHoldsTheGridTexts)
{
    grid.addData(QStringLiteral("Level"), ColumnDescription::Word, QStringLiteral("2sd"));
    grid.addData(QStringLiteral("Note, \"quoted\""), ColumnDescription::Long, QStringLiteral("tx"));
    grid.finishColumns();
    grid.addRow({ QStringLiteral("05/12/26"), QStringLiteral("19:18:43"), QStringLiteral("Run"),
        QStringLiteral("-12.34"), QStringLiteral("a,b \"c\"\nd \u00e9") });
    grid.addRow({ QStringLiteral("05/12/26"), QStringLiteral("19:18:44"), QStringLiteral("Miss 3"),
                    QStringLiteral("----------------"), QString() },
        true);
    exporter.setStampColumns(false, true, true);
    exporter.setExportFile(path("Trace.CSV"));
    exporter.setIndexFile(1);
    QSignalSpy newFile(&exporter, &Exporter::NewExportFile);
    ASSERT_EQ(exporter.Export(true), Result::Exported);
    EXPECT_EQ(newFile.count(), 1);
    EXPECT_EQ(cleared, 1);
    QFile f(path("Trace_261205191843.CSV"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()),
        QStringLiteral("PC Time,PCD,Level,\"Note, \"\"quoted\"\"\"\r\n"
                       "19:18:43,Run,-12.34,\"a,b \"\"c\"\"\nd \u00e9\"\r\n"
                       "19:18:44,Miss 3,----------------,\r\n"));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text,
        QStringLiteral("Successful export to file : ") + path("Trace_261205191843.CSV"));
}

TEST_F(ExporterTest, SameFileModeReplacesAnOlderLongerExport)
{
    useSimpleGrid();
    exporter.setExportFile(path("same.xls"));
    {
        QFile old(path("same.xls"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
    }
    ASSERT_EQ(exporter.Export(), Result::Exported);
    QFile f(path("same.xls"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_LT(bytes.size(), 1000);
    EXPECT_TRUE(bytes.endsWith(QByteArray("\x0a\x00\x00\x00", 4)));
}

TEST_F(ExporterTest, TheRowStoreExportsThroughItsAdapterWhenTheGridIsFull)
{
    using tlv::viewer::ColumnTable;
    using tlv::viewer::ExportGridSource;
    using tlv::viewer::RowStore;
    ColumnTable table;
    const auto define
        = [&](int k, const char *title, qint16 type, const char *format, qint32 width) {
              table[k].Defined = true;
              table[k].Title = QString::fromLatin1(title);
              table[k].DataType = type;
              table[k].Format = QString::fromLatin1(format);
              table[k].Width = width;
          };
    define(0, "Level", ColumnDescription::Word, "d", 900);
    define(2, "Clock", ColumnDescription::Long, "th", 1200);
    table.MaxColumn = 2;
    RowStore rows;
    rows.setColumns(table);
    rows.setStamps(true, false, true);
    rows.setStatusText(QStringLiteral("Run"));
    ExportGridSource source(rows, table);

    ASSERT_EQ(source.gridColumnCount(), 8);
    EXPECT_EQ(source.headerText(5), QStringLiteral("Clock"));
    EXPECT_EQ(source.description(5), &table[2]);
    EXPECT_EQ(source.description(3), nullptr);
    EXPECT_EQ(source.description(6), nullptr);
    EXPECT_EQ(source.columnWidth(1), 1100);
    EXPECT_EQ(source.columnWidth(5), 1200);

    Exporter e(source, &prompter);
    e.setClock([] { return fixedNow; });
    e.setExportFile(path("grid.xls"));
    e.setAutoExport(true);
    e.setStampColumns(rows.dateStamp(), rows.timeStamp(), rows.statusStamp());
    e.setClearRecords([&] { rows.removeAllRows(); });
    rows.setMaxRows(3);
    rows.setAutoExport(true);
    rows.setExportHandler([&] { return e.Export() == Result::Exported; });

    rows.addRecord(QStringLiteral("12\t23:59:59"), QStringLiteral("12;235959"), QString(),
        QStringLiteral("05/12/26"), QStringLiteral("19:18:43"));
    rows.addStatusRow(QStringLiteral("05/12/26"), QStringLiteral("19:18:44"));
    rows.addSeparator(
        QStringLiteral("Miss 2"), QStringLiteral("05/12/26"), QStringLiteral("19:18:45"));
    EXPECT_EQ(source.rowKind(0), ExportSource::RowKind::Record);
    EXPECT_EQ(source.rowKind(1), ExportSource::RowKind::Status);
    EXPECT_EQ(source.rowKind(2), ExportSource::RowKind::Separator);
    EXPECT_FALSE(QFile::exists(path("grid.xls")));

    rows.addRecord(QStringLiteral("13\t00:00:01"), QStringLiteral("13;1"), QString(),
        QStringLiteral("05/12/26"), QStringLiteral("19:18:46"));
    EXPECT_EQ(e.lastColumns(), QList<int>({ 1, 3, 4, 5 }));
    EXPECT_EQ(rows.dataRowCount(), 1); // the new record after the export emptied the grid
    EXPECT_TRUE(prompter.shown.isEmpty());

    QString error;
    const auto sheet = readBack(path("grid.xls"), &error);
    if (!sheet)
        GTEST_SKIP() << "python3-xlrd is not installed";
    const QList<Cell> cells = cellsOf(*sheet);
    const auto at = [&](int r, int c) -> std::optional<Cell> {
        for (const Cell &cell : cells) {
            if (cell.row == r && cell.col == c)
                return cell;
        }
        return std::nullopt;
    };
    ASSERT_TRUE(at(1, 2) && at(1, 3)) << qPrintable(error);
    EXPECT_EQ(at(1, 2)->value.toDouble(), 12.0);
    EXPECT_EQ(at(1, 3)->kind, "date");
    EXPECT_NEAR(at(1, 3)->value.toDouble(), 86399.0 / 86400, 1e-9);
    EXPECT_EQ(at(2, 1)->value.toString(), QStringLiteral("Run"));
    EXPECT_FALSE(at(2, 2)); // a status row has no data
    EXPECT_EQ(at(3, 1)->value.toString(), QStringLiteral("Miss 2"));
    EXPECT_EQ(at(3, 3)->value.toString(), QStringLiteral("----------------"));
    EXPECT_FALSE(at(4, 0));
}
