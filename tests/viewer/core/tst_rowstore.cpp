#include "RecordRows.h"
#include "viewer/core/RowStore.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using tlv::viewer::RowStore;
namespace test = tlv::viewer::test;

namespace {

struct Store
{
    Store()
    {
        rows.setColumns(
            QList<RowStore::DataColumn> { { 1, u"Level"_s, 1200 }, { 5, u"Pump"_s, 800 } });
        QObject::connect(
            &rows, &RowStore::outputLine, [this](const QString &line) { lines.append(line); });
    }
    void add(int n)
    {
        for (int i = 0; i < n; ++i) {
            ++next;
            rows.addRecord(test::record(
                { test::num(next), { u"On"_s, 1.0, 1 } }, u"05/03/24"_s, u"14:15:16"_s));
        }
    }
    [[nodiscard]] QStringList firstCells() const
    {
        QStringList out;
        for (int r = 0; r < rows.dataRowCount(); ++r)
            out << rows.cell(r, 4);
        return out;
    }

    RowStore rows;
    QAbstractItemModelTester tester { &rows,
        QAbstractItemModelTester::FailureReportingMode::Fatal };
    QStringList lines;
    int next = 0;
};

} // namespace

TEST(RowStore, ColumnsAndCells)
{
    Store s;
    s.rows.setStatusText(u"Run"_s);
    s.add(1);
    ASSERT_EQ(s.rows.columnCount(), 4 + 2 + 2);
    EXPECT_EQ(s.rows.headerData(1, Qt::Horizontal).toString(), u"PC Date"_s);
    EXPECT_EQ(s.rows.headerData(5, Qt::Horizontal).toString(), u"Pump"_s);
    EXPECT_EQ(s.rows.headerData(5, Qt::Horizontal, RowStore::ColumnNumberRole).toInt(), 5);
    const QStringList expected { u"1"_s, u"05/03/24"_s, u"14:15:16"_s, u"Run"_s, u"1"_s, u"On"_s,
        u"1;1"_s, u";"_s };
    for (int c = 0; c < expected.size(); ++c)
        EXPECT_EQ(s.rows.cell(0, c), expected[c]) << c;
    // Hidden raw/comment cells and stamp columns without their option.
    const QList<qint32> widths { 500, 0, 0, 0, 1200, 800, 0, 0 };
    for (int c = 0; c < widths.size(); ++c)
        EXPECT_EQ(s.rows.columnWidth(c), widths[c]) << c;
    s.rows.setStamps(true, false, true);
    EXPECT_EQ(s.rows.columnWidth(1), 1100);
    EXPECT_EQ(s.rows.columnWidth(2), 0);
    EXPECT_EQ(s.rows.columnWidth(3), 1100);
    EXPECT_EQ(s.rows.cell(0, 1), u"05/03/24"_s); // kept cells
}

TEST(RowStore, OutputLineStamps)
{
    struct Case
    {
        bool date, time, status;
        const char *line;
    };
    const Case cases[] = {
        { false, false, false, "1\tOn" },
        { false, false, true, "Halt\t1\tOn" },
        { false, true, false, "14:15:16\t1\tOn" },
        { true, true, true, "05/03/24\t14:15:16\tHalt\t1\tOn" },
    };
    for (const Case &c : cases) {
        Store s;
        s.rows.setStatusText(u"Halt"_s);
        s.rows.setStamps(c.date, c.time, c.status);
        s.add(1);
        EXPECT_EQ(s.lines, QStringList({ QString::fromLatin1(c.line) }));
    }
}

TEST(RowStore, RowLimit)
{
    // Without AutoExport a fourth record drops the first and the counter turns red.
    Store s;
    s.rows.setMaxRows(3);
    s.add(3);
    EXPECT_FALSE(s.rows.rowCounterRed());
    s.add(1);
    EXPECT_EQ(s.firstCells(), QStringList({ u"2"_s, u"3"_s, u"4"_s }));
    EXPECT_TRUE(s.rows.rowCounterRed());
    EXPECT_EQ(s.rows.recordCount(), 4);

    // A new row takes the dropped row's memory: rows of longer and shorter texts taking
    // turns each keep their own.
    Store t;
    t.rows.setMaxRows(2);
    for (const int n : { 7, 123456789, 8, 98765, 1 }) {
        t.next = n - 1;
        t.add(1);
    }
    EXPECT_EQ(t.firstCells(), QStringList({ u"98765"_s, u"1"_s }));
    EXPECT_EQ(t.rows.cell(0, 5) + t.rows.cell(1, 5), u"OnOn"_s);
    EXPECT_EQ(t.rows.cell(1, t.rows.rawColumn()), u"1;1"_s);

    // With AutoExport the grid is exported first; the export empties it.
    Store e;
    int exports = 0;
    e.rows.setMaxRows(3);
    e.rows.setAutoExport(true);
    e.rows.setExportHandler([&] {
        ++exports;
        e.rows.removeAllRows();
        return true;
    });
    e.add(4);
    EXPECT_EQ(exports, 1);
    EXPECT_EQ(e.firstCells(), QStringList({ u"4"_s }));
    EXPECT_FALSE(e.rows.rowCounterRed());

    // An export that could write only the oldest rows takes just those; the
    // newer ones stay in order and the record count goes on.
    Store p;
    p.rows.setMaxRows(4);
    p.rows.setAutoExport(true);
    p.rows.setExportHandler([&] {
        p.rows.removeOldestRows(3);
        return true;
    });
    p.add(5);
    EXPECT_EQ(p.firstCells(), QStringList({ u"4"_s, u"5"_s }));
    EXPECT_EQ(p.rows.recordCount(), 5);
    EXPECT_FALSE(p.rows.rowCounterRed());

    // A failing export keeps every row for the next one, told once; only a backlog past
    // its limit drops its oldest rows, counted, and a working export again says how many.
    Store f;
    bool exportWorks = false;
    int failures = 0;
    QList<qint64> recovered;
    f.rows.setMaxRows(2);
    f.rows.setAutoExport(true);
    f.rows.setExportHandler([&] {
        if (exportWorks)
            f.rows.removeAllRows();
        return exportWorks;
    });
    QObject::connect(&f.rows, &RowStore::autoExportFailed, [&] { ++failures; });
    QObject::connect(
        &f.rows, &RowStore::autoExportRecovered, [&](qint64 dropped) { recovered << dropped; });
    f.add(5);
    EXPECT_EQ(f.rows.dataRowCount(), 5);
    EXPECT_TRUE(f.rows.rowCounterRed());
    f.add(int(f.rows.backlogLimit()) + 95);
    EXPECT_EQ(f.rows.dataRowCount(), f.rows.backlogLimit());
    EXPECT_EQ(f.rows.droppedRows(), 100);
    EXPECT_EQ(f.firstCells().first(), u"101"_s);
    EXPECT_EQ(failures, 1);
    exportWorks = true;
    f.add(1);
    EXPECT_EQ(f.rows.dataRowCount(), 1);
    EXPECT_EQ(recovered, QList<qint64>({ 100 }));

    // Lowering MaxRows keeps the newest rows.
    Store m;
    m.add(50);
    m.rows.setMaxRows(10);
    EXPECT_EQ(m.rows.dataRowCount(), 10);
    EXPECT_EQ(m.firstCells().first(), u"41"_s);
    EXPECT_TRUE(m.rows.rowCounterRed());
}

TEST(RowStore, SeparatorsAndStatusRows)
{
    Store s;
    s.rows.setStamps(false, false, true);
    s.add(2);
    s.rows.addSeparator(RowStore::RowKind::Miss, u"Miss 4"_s, u"d"_s, u"t"_s);
    EXPECT_EQ(s.rows.recordCount(), 2);
    EXPECT_EQ(s.rows.cell(2, 0), u"2"_s);
    EXPECT_EQ(s.rows.cell(2, 3), u"Miss 4"_s);
    EXPECT_EQ(s.rows.cell(2, 4), u"----------------"_s);
    EXPECT_TRUE(s.rows.isSeparator(2));
    EXPECT_EQ(s.lines.last(), u"Miss 4\t----------------\t----------------"_s);
    s.add(1);
    EXPECT_EQ(s.rows.cell(3, 0), u"3"_s);

    s.rows.setStatusText(u"Stop"_s);
    s.rows.addStatusRow(u"d"_s, u"t"_s);
    EXPECT_EQ(s.rows.recordCount(), 4);
    EXPECT_EQ(s.lines.last(), u"Stop\t"_s);
    EXPECT_TRUE(s.rows.cell(4, 4).isEmpty());
}

TEST(RowStore, CellsKeepTheDecodersValues)
{
    // A string holding ";" sits before two numeric columns: every cell keeps
    // its own raw value and comment, and the hidden lines still print as before.
    RowStore rows;
    rows.setColumns(QList<RowStore::DataColumn> {
        { 0, u"Name"_s, 900 }, { 1, u"Level"_s, 900 }, { 2, u"Mode"_s, 900 } });
    QAbstractItemModelTester tester(&rows, QAbstractItemModelTester::FailureReportingMode::Fatal);
    test::Cell mode { u"Auto"_s, 3.0, 3, u"runs alone"_s };
    rows.addRecord(test::record(
        { test::str(u"a;b;c"_s), test::num(12.34, u"12.34"_s), mode }, {}, {}, 1700000000123));
    rows.setStatusText(u"Stop"_s);
    rows.addStatusRow(u"d"_s, u"t"_s, 5);
    rows.addSeparator(RowStore::RowKind::Miss, u"Miss 2"_s, u"d"_s, u"t"_s);

    EXPECT_FALSE(rows.cellValue(0, 4).has_value());
    EXPECT_FALSE(rows.rawValue(0, 4).has_value());
    EXPECT_EQ(rows.cellValue(0, 5), 12.34);
    EXPECT_EQ(rows.rawValue(0, 5), 12);
    EXPECT_EQ(rows.cellValue(0, 6), 3.0);
    EXPECT_EQ(rows.rawValue(0, 6), 3);
    EXPECT_EQ(rows.comment(0, 6), u"runs alone"_s);
    EXPECT_TRUE(rows.comment(0, 5).isEmpty());
    EXPECT_EQ(rows.cell(0, rows.rawColumn()), u"a;b;c;12;3"_s);
    EXPECT_EQ(rows.cell(0, rows.commentColumn()), u";;runs alone"_s);
    EXPECT_EQ(rows.rowMsecs(0), 1700000000123);

    const QModelIndex mode0 = rows.index(0, 6);
    EXPECT_EQ(mode0.data(RowStore::ValueRole).toDouble(), 3.0);
    EXPECT_EQ(mode0.data(RowStore::RawValueRole).toLongLong(), 3);
    EXPECT_EQ(mode0.data(RowStore::CommentRole).toString(), u"runs alone"_s);
    EXPECT_FALSE(rows.index(0, 4).data(RowStore::ValueRole).isValid());

    // Status and separator rows hold no numbers at all.
    EXPECT_EQ(rows.rowKind(0), RowStore::RowKind::Record);
    EXPECT_EQ(rows.rowKind(1), RowStore::RowKind::Status);
    EXPECT_EQ(rows.rowKind(2), RowStore::RowKind::Miss);
    EXPECT_EQ(rows.index(1, 0).data(RowStore::RowKindRole).toInt(), int(RowStore::RowKind::Status));
    for (int row : { 1, 2 }) {
        for (int c = 4; c <= rows.commentColumn(); ++c) {
            EXPECT_FALSE(rows.cellValue(row, c).has_value()) << row << c;
            EXPECT_FALSE(rows.rawValue(row, c).has_value()) << row << c;
        }
    }
    EXPECT_EQ(rows.cell(1, 3), u"Stop"_s);
    EXPECT_EQ(rows.rowMsecs(1), 5);
    EXPECT_TRUE(rows.cell(2, rows.rawColumn()).isEmpty());
    // Out of range asks get nothing.
    EXPECT_FALSE(rows.cellValue(7, 5).has_value());
    EXPECT_FALSE(rows.cellValue(0, 99).has_value());
    EXPECT_TRUE(rows.cell(-1, 0).isEmpty());
}

TEST(RowStore, ClearAndGraphSelection)
{
    Store s;
    s.add(3);
    s.rows.toggleGraphSelection(5);
    s.rows.toggleGraphSelection(2); // not a data column
    EXPECT_EQ(s.rows.selectionText(), u"5"_s);
    EXPECT_EQ(s.rows.selectedGridColumns(), QList<int>({ 5 }));

    s.rows.clear();
    EXPECT_EQ(s.rows.dataRowCount(), 0);
    EXPECT_EQ(s.rows.recordCount(), 0);
    EXPECT_TRUE(s.rows.isGraphSelected(5));
    // The selection follows the column number through a rebuild.
    s.rows.setColumns(QList<RowStore::DataColumn> { { 5, u"Pump"_s, 800 } });
    EXPECT_TRUE(s.rows.isGraphSelected(4));
    s.rows.toggleGraphSelection(4);
    EXPECT_TRUE(s.rows.selectionText().isEmpty());

    EXPECT_EQ(RowStore::parseSelection(u"3, 7,x,,200,-1"_s), QSet<int>({ 3, 7 }));
}
