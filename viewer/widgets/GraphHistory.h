#pragma once

#include "viewer/core/HistorySource.h"
#include "viewer/plot/GraphData.h"

#include <QStringList>

#include <optional>

namespace tlv::viewer {

// A recording's history as chart data: per pixel column two records, its lowest and its
// highest value, so the line covers every pixel the rows would; after a column with status
// or separator rows a record without values breaks the lines and carries the mark. x is a
// row id, or seconds after the recording's first PC time.
class GraphHistory
{
public:
    // The recording's column positions of the series (grid columns after the stamps).
    [[nodiscard]] static QList<int> positions(const QList<GraphData::Series> &series);
    [[nodiscard]] static GraphData data(const QList<HistoryBucket> &buckets,
        const QList<GraphData::Series> &series, bool byTime, qint64 originMs, double xLow,
        double xHigh);
    [[nodiscard]] static double xOf(const HistoryRecord &record, bool byTime, qint64 originMs);
    // "A: record 12 at 10:00:01.250" and per series its values at the cursors.
    [[nodiscard]] static QStringList readout(const std::optional<HistoryRecord> &a,
        const std::optional<HistoryRecord> &b, const QList<GraphData::Series> &series);
};

} // namespace tlv::viewer
