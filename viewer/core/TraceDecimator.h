#pragma once

#include <QList>
#include <QPointF>

namespace tlv::viewer {

// Thins a line to what its pixel columns can show: per column the first,
// the lowest, the highest and the last point, in the order they come. The
// polyline through them covers the same pixels as the whole line, so the
// cost of drawing follows the width of the plot, not the number of records.
// Points outside the range collapse into one column on either side, which
// keeps the lines that enter and leave the view.
class TraceDecimator
{
public:
    // One pixel column's share of a line.
    struct Bucket
    {
        int column = 0;
        qsizetype first = 0; // indexes into the line
        qsizetype last = 0;
        qsizetype lowest = 0;
        qsizetype highest = 0;
    };

    // x from low to high over columns pixel columns.
    TraceDecimator(double low, double high, int columns);

    [[nodiscard]] int columns() const { return m_columns; }
    // The pixel column of x: -1 left of the range, columns() right of it.
    [[nodiscard]] int column(double x) const;
    // True when more points of xs lie in the range than it has columns.
    [[nodiscard]] bool crowded(const QList<double> &xs) const;
    // The columns of a line, a new one whenever the column changes (a line
    // going back in x opens a column again rather than merging with it).
    [[nodiscard]] QList<Bucket> buckets(const QList<QPointF> &line) const;
    // The line thinned to at most four points per bucket; every point is one
    // of the line's own.
    [[nodiscard]] QList<QPointF> reduce(const QList<QPointF> &line) const;

private:
    // Calls done with every bucket of line, in order.
    template<typename Done> void eachBucket(const QList<QPointF> &line, Done done) const;

    double m_low;
    double m_scale;
    int m_columns;
};

} // namespace tlv::viewer
