#include "viewer/core/TraceDecimator.h"

#include <QList>
#include <QPointF>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

using tlv::viewer::TraceDecimator;

namespace {

// A noisy line with spikes: the values a column holds are not its ends.
QList<QPointF> noisy(int n, double x0, double dx)
{
    QList<QPointF> line;
    quint32 seed = 12345;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double noise = double((seed >> 16) % 1000) / 10.0;
        line.append({ x0 + i * dx, std::sin(i / 50.0) * 100 + noise + (i % 997 == 0 ? 5000 : 0) });
    }
    return line;
}

struct Extent
{
    double low = 0, high = 0, first = 0, last = 0;
    int count = 0;
};

// Brute force: every point's column by the same rule, and what each column holds.
std::map<int, Extent> scan(const QList<QPointF> &line, const TraceDecimator &d)
{
    std::map<int, Extent> columns;
    for (const QPointF &p : line) {
        Extent &e = columns[d.column(p.x())];
        if (e.count++ == 0)
            e.low = e.high = e.first = p.y();
        e.low = std::min(e.low, p.y());
        e.high = std::max(e.high, p.y());
        e.last = p.y();
    }
    return columns;
}

} // namespace

TEST(TraceDecimator, EveryColumnKeepsItsExtremesAndEndsAsABruteForceScanFindsThem)
{
    const QList<QPointF> line = noisy(20000, 1, 1);
    struct View
    {
        double low, high;
        int columns;
    };
    // Full view, a zoom into the middle, a range wider than the line, one column.
    for (const View v : { View { 0.5, 20000.5, 640 }, View { 5000, 5600, 333 },
             View { -1000, 40000, 1000 }, View { 0, 20001, 1 } }) {
        const TraceDecimator d(v.low, v.high, v.columns);
        const QList<QPointF> reduced = d.reduce(line);
        const std::map<int, Extent> whole = scan(line, d);
        const std::map<int, Extent> kept = scan(reduced, d);
        ASSERT_EQ(kept.size(), whole.size());
        for (const auto &[column, e] : whole) {
            const Extent &k = kept.at(column);
            EXPECT_EQ(k.low, e.low) << column;
            EXPECT_EQ(k.high, e.high) << column;
            EXPECT_EQ(k.first, e.first) << column;
            EXPECT_EQ(k.last, e.last) << column;
            EXPECT_LE(k.count, 4);
        }
        // Only the line's own points, in its order.
        qsizetype at = 0;
        for (const QPointF &p : reduced) {
            while (at < line.size() && line[at] != p)
                ++at;
            ASSERT_LT(at, line.size()) << "not a point of the line or out of order";
        }
        EXPECT_LE(reduced.size(), 4 * (v.columns + 2));
    }
}

TEST(TraceDecimator, ColumnsAtTheEdgesAndOddInput)
{
    const TraceDecimator d(0, 10, 5);
    EXPECT_EQ(d.column(-0.1), -1);
    EXPECT_EQ(d.column(0), 0);
    EXPECT_EQ(d.column(9.99), 4);
    EXPECT_EQ(d.column(10), 4); // the right edge belongs to the last column
    EXPECT_EQ(d.column(10.1), 5);
    EXPECT_EQ(d.column(std::numeric_limits<double>::quiet_NaN()), -1);
    EXPECT_TRUE(d.reduce({}).isEmpty());
    EXPECT_EQ(d.reduce({ { 3, 7 } }), (QList<QPointF> { { 3, 7 } }));

    // Everything outside the range collapses to one column a side, keeping the
    // points that lead into the view.
    const QList<QPointF> line = noisy(1000, -500, 1);
    const QList<QPointF> reduced = d.reduce(line);
    EXPECT_LE(reduced.size(), 4 * 7);
    EXPECT_TRUE(reduced.contains(line[499])); // last before the range
    EXPECT_TRUE(reduced.contains(line[511])); // first after it

    // Crowded only when more points than columns fall inside.
    EXPECT_FALSE(d.crowded({ -5, 1, 2, 3, 4, 5, 50 }));
    EXPECT_TRUE(d.crowded({ 1, 2, 3, 4, 5, 6 }));

    // An empty or reversed range, or no columns, divides by nothing.
    for (const TraceDecimator odd :
        { TraceDecimator(5, 5, 100), TraceDecimator(9, 1, 100), TraceDecimator(0, 1, 0) }) {
        EXPECT_GE(odd.columns(), 1);
        EXPECT_LE(odd.reduce(line).size(), 4 * 3);
    }
}

TEST(TraceDecimator, AStepBackInTimeOpensANewColumnInsteadOfJoiningTheOld)
{
    // The PC clock set back: x goes 1, 2, 1.5 ... the line must still pass each point in turn.
    const TraceDecimator d(0, 10, 10);
    const QList<QPointF> line { { 1.1, 0 }, { 1.5, 9 }, { 2.5, 1 }, { 1.2, 5 }, { 1.3, 6 } };
    const auto b = d.buckets(line);
    ASSERT_EQ(b.size(), 3);
    EXPECT_EQ(b[0].column, 1);
    EXPECT_EQ(b[2].column, 1);
    EXPECT_EQ(d.reduce(line), line);
}
