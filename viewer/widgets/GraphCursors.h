#pragma once

#include "viewer/plot/GraphData.h"

#include <QList>
#include <QString>

#include <optional>

namespace tlv::viewer {

class RowStore;

// What the two graph cursors read: the value of every series at A and at B,
// the differences, and min / max / mean of the records between them. Cursors
// sit on grid rows, so they stay on their record while new ones arrive.
class GraphCursors
{
public:
    struct SeriesReading
    {
        QString title;
        QString textA; // the cell as the grid shows it
        QString textB;
        std::optional<double> a;
        std::optional<double> b;
        std::optional<double> delta; // b - a
        std::optional<double> min; // over the records from A to B
        std::optional<double> max;
        std::optional<double> mean;
    };

    int rowA = -1; // grid rows; -1 when the cursor is not set
    int rowB = -1;
    std::optional<qint64> deltaRecords; // record number at B minus that at A
    std::optional<double> deltaSeconds; // PC time at B minus that at A
    QList<SeriesReading> series;

    [[nodiscard]] static GraphCursors read(
        const RowStore &rows, const QList<GraphData::Series> &series, int rowA, int rowB);
    // The record nearest to x among those shown (x as GraphTraces gives it);
    // status and separator rows are passed over. -1 when there is none.
    [[nodiscard]] static int snap(const GraphData &data, const QList<double> &x, double at);
    // The row a cursor put on row takes: row itself when it is a record (with a PC time where
    // timed), else the nearest such row, the one before on a tie; where timed and no record
    // has a PC time, the nearest record. -1 when there is none.
    [[nodiscard]] static int recordRow(const RowStore &rows, int row, bool timed);

    // Lines for the readout under the chart.
    [[nodiscard]] QStringList lines() const;
};

} // namespace tlv::viewer
