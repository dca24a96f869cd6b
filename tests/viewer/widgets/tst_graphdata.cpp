#include "../core/RecordRows.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/RowStore.h"
#include "viewer/plot/GraphData.h"
#include "viewer/plot/GraphPalette.h"
#include "viewer/plot/GraphTicks.h"
#include "viewer/plot/GraphTraces.h"
#include "viewer/widgets/GraphCursors.h"
#include "viewer/widgets/GridPalette.h"

#include <QDateTime>
#include <QPalette>
#include <QSet>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using tlv::viewer::GraphCursors;
using tlv::viewer::GraphData;
using tlv::viewer::GraphTicks;
using tlv::viewer::GraphTraces;
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

} // namespace

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

TEST(GraphData, ManyRecordsShowTheNewestLabelledByTheirNumbers)
{
    RowStore rows;
    fill(rows, 300);
    rows.setMaxRows(250); // records 1 to 50 dropped: the numbers run ahead of the positions
    rows.setGraphSelection({ 2 });
    const GraphData g = GraphData::build(rows, 100);

    EXPECT_EQ(g.first, 150);
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

TEST(GraphTicks, StepsAreOneTwoOrFiveTimesAPowerOfTen)
{
    const std::pair<double, double> steps[] = { { 100, 10 }, { 631.367, 100 }, { 7, 1 },
        { 0.3, 0.05 }, { 12.5, 2 }, { 1e-3, 1e-4 }, { 0, 1 } };
    for (const auto &[span, step] : steps)
        EXPECT_DOUBLE_EQ(GraphTicks::niceStep(span, 10), step) << span;
    // Labels carry the digits of their step and no more.
    QStringList texts;
    for (const auto &[value, text] : GraphTicks::valueTicks(-0.12, 0.31, 5))
        texts << text;
    EXPECT_EQ(texts, QStringList({ u"-0.1"_s, u"0.0"_s, u"0.1"_s, u"0.2"_s, u"0.3"_s }));
    EXPECT_EQ(GraphTicks::valueText(1200, 100), u"1200"_s);

    // Time steps are whole clock units; labels are clock times on them.
    EXPECT_EQ(GraphTicks::niceTimeStep(100, 10), 10);
    EXPECT_EQ(GraphTicks::niceTimeStep(500, 10), 60);
    EXPECT_EQ(GraphTicks::niceTimeStep(0.9, 10), 0.1);
    const qint64 origin = QDateTime(QDate(2026, 3, 7), QTime(9, 5, 4, 300)).toMSecsSinceEpoch();
    const auto ticks = GraphTicks::timeTicks(0, 40, origin, 4);
    ASSERT_EQ(ticks.size(), 4);
    EXPECT_EQ(ticks[0].second, u"09:05:10"_s);
    EXPECT_NEAR(ticks[0].first, 5.7, 1e-9);
    EXPECT_EQ(ticks[3].second, u"09:05:40"_s);
}

// A label centred on its tick is kept only where the room holds it whole.
TEST(GraphTicks, LabelsThatWouldBeCutAtAnEdgeAreLeftOut)
{
    const QList<GraphTicks::Tick> ticks { { 0, u"ab"_s }, { 5, u"a"_s }, { 10, u"abcd"_s } };
    const auto width = [](const QString &text) { return 10.0 * text.size(); };
    // 0..10 drawn over pixels 50..150: "abcd" at 150 would reach 170.
    auto kept = GraphTicks::wholeLabels(ticks, { 0, 10 }, { 50, 150 }, { 0, 170 }, width);
    EXPECT_EQ(kept, ticks);
    kept = GraphTicks::wholeLabels(ticks, { 0, 10 }, { 50, 150 }, { 0, 169 }, width);
    EXPECT_EQ(kept, ticks.mid(0, 2));
    kept = GraphTicks::wholeLabels(ticks, { 0, 10 }, { 50, 150 }, { 41, 200 }, width);
    EXPECT_EQ(kept, ticks.mid(1));
}

TEST(GraphTraces, GapsStepsLanesAndOwnRanges)
{
    using tlv::viewer::ColumnDescription;
    using tlv::viewer::ColumnTable;
    ColumnTable table;
    const auto define = [&](int k, qint16 type, const char *format) {
        table[k].Defined = true;
        table[k].Title = u"C"_s + QString::number(k);
        table[k].DataType = type;
        table[k].Format = QString::fromLatin1(format);
    };
    define(0, ColumnDescription::Word, "d");
    define(1, ColumnDescription::Word, "s");
    define(2, ColumnDescription::Bit, "d");
    define(3, ColumnDescription::Long, "h");
    RowStore rows;
    rows.setColumns(table);
    rows.addRecord(test::record(
        { test::num(10), { u"Idle"_s, 0.0, 0 }, test::num(0), test::num(1167, u"048F"_s) }));
    rows.addRecord(test::record(
        { test::num(20), { u"Run"_s, 2.0, 2 }, test::num(1), test::num(1168, u"0490"_s) }));
    rows.addSeparator(RowStore::RowKind::Miss, u"Miss 3"_s, {}, {});
    rows.addRecord(test::record(
        { test::num(1210), { u"Run"_s, 2.0, 2 }, test::num(1), test::num(1169, u"0491"_s) }));
    rows.setGraphSelection({ 0, 1, 2, 3 });
    const GraphData data = GraphData::build(rows, 20, &table);
    ASSERT_EQ(data.series.size(), 4);
    EXPECT_EQ(data.series[0].kind, GraphData::Kind::Analog);
    EXPECT_EQ(data.series[1].kind, GraphData::Kind::Steps);
    EXPECT_EQ(data.series[2].kind, GraphData::Kind::Lane);
    EXPECT_EQ(data.series[3].kind, GraphData::Kind::Analog);
    EXPECT_EQ(data.series[3].values[0], 1167.0); // hex by the number it shows

    const GraphTraces t = GraphTraces::build(data, {});
    // The separator breaks every line: two segments, no point at row 3.
    ASSERT_EQ(t.traces[0].segments.size(), 2);
    EXPECT_EQ(t.traces[0].segments[0], (QList<QPointF> { { 1, 10 }, { 2, 20 } }));
    EXPECT_EQ(t.traces[0].segments[1], (QList<QPointF> { { 4, 1210 } }));
    // A text steps: it holds its value until the next record.
    EXPECT_EQ(t.traces[1].segments[0], (QList<QPointF> { { 1, 0 }, { 2, 0 }, { 2, 2 } }));
    // A bit is a lane of its own on the lane axis, under the lines.
    EXPECT_TRUE(t.traces[2].lane);
    EXPECT_EQ(t.lanes, 1);
    EXPECT_EQ(t.laneTitles, QStringList({ u"C2"_s }));
    const double base = t.traces[2].segments[0][0].y();
    EXPECT_EQ(t.traces[2].segments[0].last().y(), base + GraphTraces::LaneHeight);
    EXPECT_LT(t.laneAxisHigh * 0.6, t.laneAxisHigh - GraphTraces::LanePitch);
    EXPECT_LT(t.valueAxisLow, t.valueLow); // room below the lines for the lane
    EXPECT_EQ(t.xLow, 0.5);
    EXPECT_EQ(t.xHigh, 20.5);

    // Own ranges: every line from 0 to 1.
    GraphTraces::Options own;
    own.ownRanges = true;
    const GraphTraces o = GraphTraces::build(data, own);
    EXPECT_EQ(o.traces[3].segments[0].first().y(), 0.0);
    EXPECT_EQ(o.traces[3].segments[1].first().y(), 1.0);
    EXPECT_EQ(o.traces[0].high, 1210);

    // Lanes: every line fills a band of its own, first series on top, above
    // the bit lane; its own low and high touch the band's edges.
    GraphTraces::Options lanes;
    lanes.lanes = true;
    const GraphTraces l = GraphTraces::build(data, lanes);
    EXPECT_FALSE(l.anyLine);
    EXPECT_EQ(l.lanes, 1);
    ASSERT_EQ(l.laneTitles, (QStringList { u"C2"_s, u"C0"_s, u"C1"_s, u"C3"_s }));
    const GraphTraces::Trace &c0 = l.traces[0];
    const GraphTraces::Trace &c3 = l.traces[3];
    EXPECT_TRUE(c0.band && c0.lane);
    EXPECT_EQ(c0.segments[0][0].y(), c0.bandBase); // 10, its low
    EXPECT_EQ(c0.segments[1][0].y(), c0.bandBase + GraphTraces::BandHeight); // 1210, its high
    EXPECT_GT(c0.bandBase, l.traces[1].bandBase);
    EXPECT_GT(l.traces[1].bandBase, c3.bandBase);
    EXPECT_GE(c3.bandBase, GraphTraces::LanePitch); // above the bit lane
    EXPECT_LE(c0.bandBase + GraphTraces::BandHeight, l.laneAxisHigh);
    EXPECT_EQ(l.laneCentres[1], c0.bandBase + GraphTraces::BandHeight / 2);

    // A hidden series draws nothing and leaves the others its room.
    lanes.hiddenColumns = { 0, 2 };
    const GraphTraces h = GraphTraces::build(data, lanes);
    EXPECT_TRUE(h.traces[0].hidden && h.traces[0].segments.isEmpty());
    EXPECT_TRUE(h.traces[2].segments.isEmpty());
    EXPECT_EQ(h.lanes, 0);
    EXPECT_EQ(h.laneTitles, (QStringList { u"C1"_s, u"C3"_s }));
    EXPECT_EQ(h.traces[3].bandBase, (GraphTraces::BandPitch - GraphTraces::BandHeight) / 2);
    GraphTraces::Options shared;
    shared.hiddenColumns = { 3 };
    EXPECT_EQ(GraphTraces::build(data, shared).valueHigh, 1210); // C3 (1169) no longer counts
    shared.hiddenColumns = { 0 };
    EXPECT_EQ(GraphTraces::build(data, shared).valueHigh, 1169);
}

// The squares of check boxes keep a frame on a dark desktop (the style draws it from the
// window colour, a shade darker); a light desktop keeps its own look.
TEST(GridPalette, CheckBoxFramesStandOutOfADarkBase)
{
    using tlv::viewer::GraphPalette;
    using tlv::viewer::GridPalette;
    QPalette light;
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    EXPECT_EQ(GridPalette::readableIndicators(light).resolveMask(), 0u);
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::Window, QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::Text, QColor(0xEF, 0xF0, 0xF1));
    EXPECT_LT(GraphPalette::contrast(
                  dark.color(QPalette::Window).darker(140), dark.color(QPalette::Base)),
        1.1);
    const QPalette indicators = GridPalette::readableIndicators(dark);
    for (const auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        EXPECT_GE(GraphPalette::contrast(indicators.color(group, QPalette::Window).darker(140),
                      dark.color(group, QPalette::Base)),
            3.0);
}

TEST(GraphPalette, ColoursStayReadableOnLightAndDarkDesktops)
{
    using tlv::viewer::GraphPalette;
    QPalette light;
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::Text, QColor(0xEF, 0xF0, 0xF1));
    for (const QPalette &palette : { light, dark }) {
        const GraphPalette p(palette);
        EXPECT_EQ(p.background, palette.color(QPalette::Base));
        EXPECT_EQ(p.text, palette.color(QPalette::Text));
        for (const QColor &c : { p.cursorA, p.cursorB, p.statusMark, p.separatorMark })
            EXPECT_GE(GraphPalette::contrast(c, p.background), GraphPalette::MinContrast);
        EXPECT_LT(GraphPalette::contrast(p.grid, p.background), 1.6); // faint, behind the lines
        QSet<QRgb> seen;
        for (int k = 0; k < 64; ++k) {
            const QColor c = p.trace(k);
            EXPECT_GE(GraphPalette::contrast(c, p.background), GraphPalette::MinContrast) << k;
            // The hue of the column stays, so a column is the same colour on both.
            if (GraphTraces::colour(k).hsvSaturation() > 60) {
                EXPECT_NEAR(c.hslHue(), GraphTraces::colour(k).hslHue(), 3) << k;
            }
            seen.insert(c.rgb());
        }
        EXPECT_EQ(seen.size(), 64) << "every column keeps a colour of its own";
    }
    // Colours that already read well are left as they are.
    EXPECT_EQ(GraphPalette(light).trace(0), GraphTraces::colour(0));
    EXPECT_TRUE(GraphPalette(dark).dark());
    EXPECT_FALSE(GraphPalette(light).dark());

    // A palette with text as dark as its base still gets labels one can read.
    QPalette broken;
    broken.setColor(QPalette::Base, Qt::black);
    broken.setColor(QPalette::Text, QColor(0x10, 0x10, 0x10));
    EXPECT_EQ(GraphPalette(broken).text, QColor(Qt::white));
}

TEST(GraphCursors, ValuesDifferencesAndStatisticsBetweenTheCursors)
{
    RowStore rows;
    rows.setColumns(QList<RowStore::DataColumn> { { 0, u"Level"_s, 900 }, { 1, u"Name"_s, 900 } });
    const qint64 t0 = 1700000000000;
    rows.addRecord(test::record({ test::num(4), test::str(u"a"_s) }, {}, {}, t0));
    rows.addRecord(test::record({ test::num(8), test::str(u"b"_s) }, {}, {}, t0 + 1000));
    rows.setStatusText(u"Stop"_s);
    rows.addStatusRow({}, {}, t0 + 1500);
    rows.addRecord(test::record({ test::num(3), test::str(u"c"_s) }, {}, {}, t0 + 2500));
    rows.setGraphSelection({ 0, 1 });
    const GraphData data = GraphData::build(rows, 20);

    const GraphCursors c = GraphCursors::read(rows, data.series, 0, 3);
    EXPECT_EQ(c.deltaRecords, 3); // the status row is numbered too
    EXPECT_EQ(c.deltaSeconds, 2.5);
    ASSERT_EQ(c.series.size(), 2);
    EXPECT_EQ(c.series[0].a, 4.0);
    EXPECT_EQ(c.series[0].b, 3.0);
    EXPECT_EQ(c.series[0].delta, -1.0);
    EXPECT_EQ(c.series[0].min, 3.0);
    EXPECT_EQ(c.series[0].max, 8.0);
    EXPECT_EQ(c.series[0].mean, 5.0); // the status row is no zero
    EXPECT_FALSE(data.series[1].values[0].has_value()); // a string stands for no number
    EXPECT_EQ(c.series[1].textB, u"c"_s);
    EXPECT_FALSE(c.series[1].delta.has_value());
    EXPECT_EQ(c.lines().value(1), u"Level:  A 4   B 3   \u0394 -1   min 3   max 8   mean 5"_s);

    // A cursor on the status row is no cursor; snapping passes it by.
    EXPECT_EQ(GraphCursors::read(rows, data.series, 2, 3).rowA, -1);
    const QList<double> x { 1, 2, 3, 4 };
    EXPECT_EQ(GraphCursors::snap(data, x, 3.1), 3);
    EXPECT_EQ(GraphCursors::snap(data, x, 1.4), 0);
}

// Rows without values (status) or without a PC time (before the PC clock was known) hold
// no cursor: the nearest record does, the one before on a tie.
TEST(GraphCursors, ACursorOnARowWithoutValuesOrTimeTakesTheNearestRecord)
{
    RowStore rows;
    rows.setColumns(QList<RowStore::DataColumn> { { 0, u"Level"_s, 900 } });
    const qint64 t0 = 1700000000000;
    rows.addStatusRow({}, {}, t0);
    rows.addRecord(test::record({ test::num(1) }));
    rows.addRecord(test::record({ test::num(2) }, {}, {}, t0 + 1000));
    rows.addStatusRow({}, {}, t0 + 2000);
    rows.addStatusRow({}, {}, t0 + 2500);
    rows.addRecord(test::record({ test::num(3) }, {}, {}, t0 + 3000));
    const int untimed[] = { 1, 1, 2, 2, 5, 5 };
    const int timed[] = { 2, 2, 2, 2, 5, 5 };
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(GraphCursors::recordRow(rows, row, false), untimed[row]) << row;
        EXPECT_EQ(GraphCursors::recordRow(rows, row, true), timed[row]) << row;
    }
    EXPECT_EQ(GraphCursors::recordRow(rows, -1, false), -1);
    EXPECT_EQ(GraphCursors::recordRow(rows, 6, false), -1);
    // Where no record has a PC time, records without one hold the cursor still.
    RowStore untimedRows;
    untimedRows.setColumns(QList<RowStore::DataColumn> { { 0, u"Level"_s, 900 } });
    untimedRows.addStatusRow({}, {});
    untimedRows.addRecord(test::record({ test::num(1) }));
    EXPECT_EQ(GraphCursors::recordRow(untimedRows, 0, true), 1);
}

TEST(GraphData, AViewThatStaysShowsItsRowsWhileNewOnesArrive)
{
    RowStore rows;
    fill(rows, 30);
    rows.setGraphSelection({ 2 });
    const GraphData g = GraphData::build(rows, 10, nullptr, 5);
    EXPECT_EQ(g.first, 5);
    EXPECT_EQ(g.records, 10);
    EXPECT_EQ(g.series[0].values[0], 6.0);
    EXPECT_EQ(g.gridRow(1), 5);
    EXPECT_EQ(g.gridRow(11), -1);
    // Near the end it shows what there is.
    EXPECT_EQ(GraphData::build(rows, 10, nullptr, 25).records, 5);
}

TEST(GraphData, LabelsFallOnRecordNumbersPastASeparator)
{
    // A separator takes a chart row but no number: the labels stay on the
    // records numbered by the step, not on every step-th row.
    RowStore rows;
    fill(rows, 12);
    rows.addSeparator(RowStore::RowKind::Miss, u"Miss 3"_s, {}, {});
    for (int i = 13; i <= 30; ++i)
        rows.addRecord(test::record({ test::num(i), test::num(10 * i) }));
    rows.setGraphSelection({ 2 });
    const GraphData g = GraphData::build(rows, 25);
    QStringList shown;
    for (const QString &label : g.labels) {
        if (!label.isEmpty())
            shown << label;
    }
    EXPECT_EQ(shown, QStringList({ u"10"_s, u"15"_s, u"20"_s, u"25"_s, u"30"_s }));
}

TEST(GraphTraces, ThinnedToThePlotWidthKeepsBreaksAndCursorsReadTheRealRecords)
{
    RowStore rows;
    rows.setColumns(QList<RowStore::DataColumn> { { 0, u"Level"_s, 900 } });
    rows.setMaxRows(100000);
    // 3000 records with a status row after every 700th: 5 segments.
    for (int i = 1; i <= 3000; ++i) {
        rows.addRecord(test::record({ test::num(i % 13 == 0 ? -i : i) }));
        if (i % 700 == 0)
            rows.addStatusRow({}, {});
    }
    rows.setGraphSelection({ 0 });
    const GraphData data = GraphData::build(rows, rows.dataRowCount());
    const GraphTraces whole = GraphTraces::build(data, {});
    ASSERT_EQ(whole.traces[0].segments.size(), 5);

    // Fewer records than columns: drawn as they are.
    const GraphTraces roomy = whole.shownIn(whole.xLow, whole.xHigh, 4000);
    EXPECT_EQ(roomy.traces[0].segments, whole.traces[0].segments);

    const GraphTraces thin = whole.shownIn(whole.xLow, whole.xHigh, 300);
    ASSERT_EQ(thin.traces[0].segments.size(), 5); // every break still there
    qsizetype points = 0;
    for (qsizetype k = 0; k < 5; ++k) {
        const QList<QPointF> &s = thin.traces[0].segments[k];
        const QList<QPointF> &w = whole.traces[0].segments[k];
        points += s.size();
        EXPECT_EQ(s.first(), w.first());
        EXPECT_EQ(s.last(), w.last());
    }
    EXPECT_LT(points, 4 * (300 + 5));
    EXPECT_EQ(thin.x, whole.x); // the cursors snap on every record, not the thinned ones

    // A cursor between two drawn points lands on a real record with its exact value.
    const int row = tlv::viewer::GraphCursors::snap(data, thin.x, 1301.2);
    ASSERT_GE(row, 0);
    EXPECT_EQ(row, 1300);
    EXPECT_EQ(rows.rowKind(row), RowStore::RowKind::Record);
    const auto r = tlv::viewer::GraphCursors::read(rows, data.series, row, -1);
    EXPECT_EQ(r.series[0].a, -1300.0);
}
