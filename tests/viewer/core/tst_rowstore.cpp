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
    EXPECT_EQ(s.rows.columnWidth(5), 800); // each data column its own width
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
    // Without AutoExport a record past the limit drops the oldest row and takes its
    // memory: rows of longer and shorter texts taking turns each keep their own.
    Store t;
    t.rows.setMaxRows(2);
    for (const int n : { 7, 123456789, 8, 98765, 1 }) {
        t.next = n - 1;
        t.add(1);
    }
    EXPECT_EQ(t.firstCells(), QStringList({ u"98765"_s, u"1"_s }));
    EXPECT_EQ(t.rows.cell(0, 5) + t.rows.cell(1, 5), u"OnOn"_s);
    EXPECT_EQ(t.rows.cell(1, t.rows.rawColumn()), u"1;1"_s);

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
    f.add(int(f.rows.backlogLimit()) + 100);
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
    // What a header double-click and Clear do to it: the control's tests.
    Store s;
    s.add(3);
    s.rows.toggleGraphSelection(5);
    s.rows.clear();
    EXPECT_EQ(s.rows.dataRowCount(), 0);
    EXPECT_EQ(s.rows.recordCount(), 0);
    // The selection follows the column number through a rebuild.
    s.rows.setColumns(QList<RowStore::DataColumn> { { 5, u"Pump"_s, 800 } });
    EXPECT_TRUE(s.rows.isGraphSelected(4));
    s.rows.toggleGraphSelection(4);
    EXPECT_TRUE(s.rows.selectionText().isEmpty());

    EXPECT_EQ(RowStore::parseSelection(u"3, 7,x,,200,-1"_s), QSet<int>({ 3, 7 }));
}
