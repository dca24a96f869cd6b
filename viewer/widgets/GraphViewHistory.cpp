// The chart of a recording's whole history: drawn from buckets read where it is kept.
#include "viewer/widgets/GraphView.h"

#include "viewer/core/ControlCore.h"
#include "viewer/widgets/GraphHistory.h"

#include <QChart>
#include <QLabel>
#include <QLineSeries>

#include <algorithm>
#include <cmath>

namespace tlv::viewer {

void GraphView::fillHistory()
{
    HistorySource *history = m_core.history();
    const GraphData grid
        = GraphData::build(m_core.rows(), m_core.maxGraph(), &m_core.cycle().columns(), m_firstRow);
    QList<HistoryBucket> buckets;
    const bool byTime = m_options.timeAxis;
    double fullLow = 0;
    double fullHigh = 1;
    bool ok = history->extent(&m_extent);
    if (ok && !m_extent.isEmpty()) {
        if (byTime) {
            fullHigh = std::max((m_extent.lastMs - m_extent.firstMs) / 1000.0, 0.001);
        } else {
            fullLow = m_extent.firstId - 0.5;
            fullHigh = m_extent.lastId + 0.5;
        }
        const auto [low, high]
            = m_zoomed ? std::pair(m_zoomLow, m_zoomHigh) : std::pair(fullLow, fullHigh);
        // One query for the range in view, a bucket per pixel column.
        HistoryQuery query;
        query.byTime = byTime;
        if (byTime) {
            query.from = m_extent.firstMs + qint64(std::floor(low * 1000));
            query.to = m_extent.firstMs + qint64(std::ceil(high * 1000));
        } else {
            query.from = std::max<qint64>(1, qint64(std::floor(low)));
            query.to = qint64(std::ceil(high));
        }
        query.columns = std::max(int(m_chart->plotArea().width()), 100);
        query.positions = GraphHistory::positions(grid.series);
        ok = history->buckets(query, &buckets);
    }
    if (!ok)
        m_pointer->setText(history->errorString());
    m_data = GraphHistory::data(buckets, grid.series, byTime, m_extent.firstMs, fullLow, fullHigh);
    // The cursors read the columns drawn: from their record, or first from their grid row.
    const QList<int> positions = GraphHistory::positions(m_data.series);
    if (positions != m_recordPositions) {
        m_recordPositions = positions;
        const auto again = [&](std::optional<HistoryRecord> &record, int gridRow) {
            HistoryRecord r;
            if (record && history->nearestRecord(record->id, false, positions, &r) && r.id > 0)
                record = r;
            else
                record = historyRecordOf(gridRow);
        };
        again(m_recordA, m_cursorA);
        again(m_recordB, m_cursorB);
    }
    showData();
}

bool GraphView::historyShown() const
{
    return m_core.history() != nullptr;
}

qint64 GraphView::timeOrigin() const
{
    return historyShown() ? m_extent.firstMs : m_data.msecs.value(0);
}

std::optional<HistoryRecord> GraphView::historyRecordOf(int gridRow) const
{
    // A grid row is found in the history by its PC time.
    const qint64 ms = gridRow >= 0 ? m_core.rows().rowMsecs(gridRow) : 0;
    HistoryRecord record;
    if (ms == 0
        || !m_core.history()->nearestRecord(
            ms, true, GraphHistory::positions(m_data.series), &record)
        || record.id <= 0)
        return std::nullopt;
    return record;
}

bool GraphView::setCursorOnRecord(bool cursorA, qint64 recordNumber)
{
    HistorySource *history = m_core.history();
    if (!history)
        return false;
    HistoryRecord record;
    if (!history->recordByNumber(recordNumber, GraphHistory::positions(m_data.series), &record)) {
        m_pointer->setText(history->errorString());
        return false;
    }
    if (record.id <= 0)
        return false;
    (cursorA ? m_cursorA : m_cursorB) = -1;
    (cursorA ? m_recordA : m_recordB) = record;
    placeMarks();
    updateReadout();
    return true;
}

void GraphView::snapHistory(double px, bool cursorA)
{
    const double x = pixelToX(px);
    const qint64 key = m_options.timeAxis ? timeOrigin() + std::llround(x * 1000) : std::llround(x);
    HistoryRecord record;
    HistorySource *history = m_core.history();
    if (!history->nearestRecord(
            key, m_options.timeAxis, GraphHistory::positions(m_data.series), &record)) {
        m_pointer->setText(history->errorString());
        return;
    }
    if (record.id <= 0)
        return;
    (cursorA ? m_recordA : m_recordB) = record;
    placeMarks();
    updateReadout();
}

} // namespace tlv::viewer
