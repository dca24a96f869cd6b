#include "viewer/core/TraceDecimator.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tlv::viewer {

TraceDecimator::TraceDecimator(double low, double high, int columns)
    : m_low(low)
    , m_scale(0)
    , m_columns(std::max(columns, 1))
{
    // An empty or reversed range puts everything in column 0 rather than dividing by zero.
    if (high > low && std::isfinite(high - low))
        m_scale = m_columns / (high - low);
}

int TraceDecimator::column(double x) const
{
    const double c = std::floor((x - m_low) * m_scale);
    if (!(c >= 0)) // NaN counts as left of the range
        return -1;
    if (c >= m_columns)
        return x - m_low <= m_columns / m_scale ? m_columns - 1 : m_columns;
    return int(c);
}

bool TraceDecimator::crowded(const QList<double> &xs) const
{
    qsizetype inside = 0;
    for (double x : xs) {
        const int c = column(x);
        if (c >= 0 && c < m_columns && ++inside > m_columns)
            return true;
    }
    return false;
}

template<typename Done> void TraceDecimator::eachBucket(const QList<QPointF> &line, Done done) const
{
    Bucket b;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const int c = column(line[i].x());
        if (i == 0 || b.column != c) {
            if (i > 0)
                done(b);
            b = { c, i, i, i, i };
            continue;
        }
        b.last = i;
        // The first of equal values is kept, so a flat stretch costs two points.
        if (line[i].y() < line[b.lowest].y())
            b.lowest = i;
        if (line[i].y() > line[b.highest].y())
            b.highest = i;
    }
    if (!line.isEmpty())
        done(b);
}

QList<TraceDecimator::Bucket> TraceDecimator::buckets(const QList<QPointF> &line) const
{
    QList<Bucket> result;
    eachBucket(line, [&result](const Bucket &b) { result.append(b); });
    return result;
}

QList<QPointF> TraceDecimator::reduce(const QList<QPointF> &line) const
{
    QList<QPointF> result;
    result.reserve(std::min<qsizetype>(line.size(), 4 * (qsizetype(m_columns) + 2)));
    eachBucket(line, [&](const Bucket &b) {
        const std::array<qsizetype, 4> picks { b.first, std::min(b.lowest, b.highest),
            std::max(b.lowest, b.highest), b.last };
        qsizetype previous = -1;
        for (qsizetype i : picks) {
            if (i != previous)
                result.append(line[i]);
            previous = i;
        }
    });
    return result;
}

} // namespace tlv::viewer
