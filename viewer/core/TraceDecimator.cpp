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

QList<TraceDecimator::Bucket> TraceDecimator::buckets(const QList<QPointF> &line) const
{
    QList<Bucket> result;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const int c = column(line[i].x());
        if (result.isEmpty() || result.last().column != c) {
            result.append({ c, i, i, i, i });
            continue;
        }
        Bucket &b = result.last();
        b.last = i;
        // The first of equal values is kept, so a flat stretch costs two points.
        if (line[i].y() < line[b.lowest].y())
            b.lowest = i;
        if (line[i].y() > line[b.highest].y())
            b.highest = i;
    }
    return result;
}

QList<QPointF> TraceDecimator::reduce(const QList<QPointF> &line) const
{
    QList<QPointF> result;
    const QList<Bucket> all = buckets(line);
    result.reserve(all.size() * 4);
    for (const Bucket &b : all) {
        std::array<qsizetype, 4> picks { b.first, std::min(b.lowest, b.highest),
            std::max(b.lowest, b.highest), b.last };
        qsizetype previous = -1;
        for (qsizetype i : picks) {
            if (i != previous)
                result.append(line[i]);
            previous = i;
        }
    }
    return result;
}

} // namespace tlv::viewer
