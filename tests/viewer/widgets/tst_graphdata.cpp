#include "../core/RecordRows.h"
#include "common/ScriptedPrompter.h"
#include "viewer/core/RowStore.h"
#include "viewer/widgets/GraphData.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using tlv::common::ScriptedPrompter;
using tlv::viewer::GraphData;
using tlv::viewer::RowStore;
namespace test = tlv::viewer::test;

namespace {

// A grid with columns A (number 2) and B (number 5) and n records "i<TAB>10i".
void fill(RowStore &rows, int records)
{
    rows.setColumns(QList<RowStore::DataColumn> { { 2, u"A"_s, 900 }, { 5, u"B"_s, 900 } });
    rows.setMaxRows(100000);
    for (int i = 1; i <= records; ++i)
        rows.addRecord(test::record({ test::num(i), test::num(10 * i) }));
}

TEST(GraphData, LabelStepGrowsWithTheRowCount)
{
    const std::pair<int, int> steps[] = { { 1, 1 }, { 20, 1 }, { 21, 5 }, { 100, 5 }, { 101, 10 },
        { 500, 10 }, { 501, 20 }, { 5000, 20 } };
    for (const auto &[maxGraph, step] : steps)
        EXPECT_EQ(GraphData::labelStep(maxGraph), step) << maxGraph;
}

TEST(GraphData, FewRecordsFillTheFirstRowsOnly)
{
    RowStore rows;
    fill(rows, 5);
    rows.setGraphSelection({ 2, 5 });
    const GraphData g = GraphData::build(rows, 20);

    EXPECT_EQ(g.rowCount, 20);
    ASSERT_EQ(g.labels.size(), 20);
    ASSERT_EQ(g.series.size(), 2);
    EXPECT_EQ(g.series[0].title, u"A"_s);
    EXPECT_EQ(g.series[1].gridColumn, 5);
    for (int i = 0; i < 20; ++i) {
        if (i < 5) {
            EXPECT_EQ(g.labels[i], QString::number(i + 1));
            EXPECT_EQ(g.series[1].values[i], 10.0 * (i + 1));
        } else {
            EXPECT_TRUE(g.labels[i].isEmpty()) << i;
            EXPECT_FALSE(g.series[0].values[i].has_value()) << i;
        }
    }
    // The pointer names the record under it and its cells; empty slots name nothing.
    EXPECT_EQ(g.pointerText(rows, 2), u"Record 2:   A = 2   B = 20"_s);
    EXPECT_TRUE(g.pointerText(rows, 6).isEmpty());
    EXPECT_TRUE(g.pointerText(rows, 0).isEmpty());
}

TEST(GraphData, ManyRecordsShowTheNewestWithSteppedLabels)
{
    RowStore rows;
    fill(rows, 300);
    rows.setGraphSelection({ 2 });
    const GraphData g = GraphData::build(rows, 100);

    EXPECT_EQ(g.first, 200);
    EXPECT_EQ(g.records, 100);
    ASSERT_EQ(g.series.size(), 1);
    EXPECT_EQ(g.series[0].values.first(), 201.0);
    EXPECT_EQ(g.series[0].values.last(), 300.0);
    for (int i = 0; i < 100; ++i) {
        const int record = 201 + i;
        EXPECT_EQ(g.labels[i].isEmpty(), record % 5 != 0) << record;
    }
    EXPECT_EQ(g.labels[4], u"205"_s);
}

TEST(GraphData, LabelsAreTheRowHeadersNotThePositions)
{
    // After rows were dropped, the record numbers run ahead of the row positions.
    RowStore rows;
    fill(rows, 30);
    rows.setMaxRows(10);
    rows.setGraphSelection({ 2 });
    const GraphData g = GraphData::build(rows, 20);
    EXPECT_EQ(g.records, 10);
    EXPECT_EQ(g.labels[0], u"21"_s);
    EXPECT_EQ(g.series[0].values[0], 21.0);
}

TEST(GraphData, ValuesAreTheCellsNumbersAndRowsWithoutOneAreGaps)
{
    // A value text stands for its number, a string for none; status and
    // separator rows never draw a false zero.
    RowStore rows;
    rows.setColumns(QList<RowStore::DataColumn> { { 0, u"State"_s, 900 }, { 1, u"Name"_s, 900 } });
    rows.addRecord(test::record({ { u"Idle"_s, 2.0, 2 }, test::str(u"0;1"_s) }));
    rows.addRecord(test::record({ test::num(-2.5), test::str(u"x"_s) }));
    rows.addSeparator(u"Restart"_s, {}, {});
    rows.addStatusRow({}, {});
    rows.setGraphSelection({ 0, 1 });
    const GraphData g = GraphData::build(rows, 20);
    ASSERT_EQ(g.records, 4);
    const QList<std::optional<double>> state { 2.0, -2.5, std::nullopt, std::nullopt };
    EXPECT_EQ(g.series[0].values.mid(0, 4), state);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(g.series[1].values[i].has_value()) << i;
}

TEST(GraphData, OpeningSelectsEveryDataColumnOrRefusesWithoutAny)
{
    RowStore rows;
    ScriptedPrompter prompter;
    EXPECT_FALSE(GraphData::prepareToShow(rows, &prompter));
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.lastMessage().title, u"Show graph"_s);
    EXPECT_EQ(prompter.lastMessage().text,
        u"No data columns selected for the graph !\r\r"
        u"Double-click on the data column header to select it."_s);

    prompter.clear();
    fill(rows, 3);
    EXPECT_TRUE(GraphData::prepareToShow(rows, &prompter));
    EXPECT_EQ(rows.selectedGridColumns(), (QList<int> { 4, 5 }));
    EXPECT_TRUE(prompter.messages().isEmpty());
    // A selection made by the user is kept as it is.
    rows.setGraphSelection({ 5 });
    EXPECT_TRUE(GraphData::prepareToShow(rows, &prompter));
    EXPECT_EQ(rows.selectedGridColumns(), (QList<int> { 5 }));
}

} // namespace
