#pragma once

#include <QList>
#include <QString>

#include <limits>

namespace tlv::viewer {

// Which rows of a recording one pixel column of the graph stands for, and what they held:
// per position asked for, the lowest and highest number (NaN where no row had one).
struct HistoryBucket
{
    // Kinds of rows that break the lines, as bits of gaps.
    static constexpr int StatusGap = 1;
    static constexpr int MissGap = 2;
    static constexpr int RestartGap = 4;

    int column = 0;
    qint64 firstId = 0;
    qint64 lastId = 0;
    qint64 firstMs = 0; // 0 where no row of the bucket has a PC time
    qint64 lastMs = 0;
    int gaps = 0;
    QList<double> low; // one per position asked for
    QList<double> high;

    // A bit lane whose bit took both values within the bucket.
    [[nodiscard]] bool changed(qsizetype i) const { return low.value(i) != high.value(i); }
};

// Rows from..to (row ids, or PC times in UTC ms when byTime; both included) spread over
// columns pixel columns, for the data columns at positions.
struct HistoryQuery
{
    qint64 from = 1;
    qint64 to = std::numeric_limits<qint64>::max();
    bool byTime = false;
    int columns = 1;
    QList<int> positions;
};

// The first and last row of a recording.
struct HistoryExtent
{
    qint64 firstId = 0;
    qint64 lastId = -1; // below firstId: no rows
    qint64 firstMs = 0;
    qint64 lastMs = 0;

    [[nodiscard]] bool isEmpty() const { return lastId < firstId; }
};

// One real row: its values at the positions asked for (NaN where none).
struct HistoryRecord
{
    qint64 id = 0;
    qint64 recordNumber = 0;
    qint64 ms = 0;
    QList<double> values;
    QStringList texts;
};

// A recording's whole history as the graph draws it, read where it is kept (a journal file,
// a plant database), so the graph needs no rows in memory to show a million.
class HistorySource
{
public:
    virtual ~HistorySource() = default;

    virtual bool extent(HistoryExtent *extent) = 0;
    // One entry per pixel column holding rows, left to right; the level of summary used is
    // HistoryBuckets::levelFor the rows in the range.
    virtual bool buckets(const HistoryQuery &query, QList<HistoryBucket> *buckets) = 0;
    // The record (status and separator rows passed over) nearest to key (a row id, or a
    // PC time when byTime); an empty record (id 0) when there is none, false on an error.
    virtual bool nearestRecord(
        qint64 key, bool byTime, const QList<int> &positions, HistoryRecord *record)
        = 0;
    // The row that carries number (the latest where the PCD counted it twice), or the record
    // nearest to it when that is a status row: a cursor kept by its number. An empty record
    // (id 0) when there is none.
    virtual bool recordByNumber(qint64 number, const QList<int> &positions, HistoryRecord *record)
        = 0;
    [[nodiscard]] virtual QString errorString() const = 0;
};

} // namespace tlv::viewer
