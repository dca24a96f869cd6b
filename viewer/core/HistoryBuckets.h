#pragma once

#include "viewer/core/HistorySource.h"

#include <QtGlobal>

#include <array>

namespace tlv::viewer {

// How the rows of a range fall into pixel columns. Rows are summed up in blocks of Level
// consecutive row ids (block b holds ids b * level + 1 to (b + 1) * level); a query takes
// the largest level whose blocks hold no more than about a pixel column's rows (a quarter
// more at most), level 1 being the rows themselves. Every block whose ids meet the range belongs
// whole to the column of its key: its first id, or its earliest PC time, raised to the range's
// start. Thus a bucket is the union of whole blocks, and a scan of those rows gives the same
// minimum and maximum.
class HistoryBuckets
{
public:
    static constexpr std::array<int, 6> Levels { 1, 16, 64, 256, 1024, 4096 };

    // The level for rows rows over columns pixel columns.
    [[nodiscard]] static int levelFor(qint64 rows, int columns);
    [[nodiscard]] static qint64 blockOf(qint64 id, int level) { return (id - 1) / level; }
    [[nodiscard]] static qint64 blockStart(qint64 id, int level)
    {
        return blockOf(id, level) * level + 1;
    }
    // The pixel column of key in from..to over columns columns (clamped into them).
    [[nodiscard]] static int column(qint64 key, qint64 from, qint64 to, int columns);

    // What one query reads: the rows firstId..lastId, the level of blocks they are read
    // from, and what a key is measured against to find its pixel column (by time a block's
    // key is its earliest PC time).
    struct Span
    {
        Span(const HistoryQuery &query, qint64 firstId, qint64 lastId);
        [[nodiscard]] qint64 firstBlock() const { return blockOf(from, level); }
        [[nodiscard]] qint64 lastBlock() const { return blockOf(to, level); }
        // The column of an SQL expression key, as column() (SQLite and PostgreSQL alike).
        [[nodiscard]] QString columnOf(const QString &key) const;

        qint64 from = 0;
        qint64 to = -1;
        int level = 1;
        int columns = 1;
        // What keys are measured against.
        qint64 keyFrom = 0;
        qint64 keyTo = 0;
    };

    // Folds what a query says of one block (or row group) into the bucket of its column:
    // slots holds one bucket per column, values at position index at (-1: none). A time of 0
    // is unknown.
    struct Part
    {
        int column = 0;
        qsizetype at = -1;
        double low = 0; // NaN: none
        double high = 0;
        qint64 firstId = 0;
        qint64 lastId = 0;
        qint64 firstMs = 0;
        qint64 lastMs = 0;
        int gaps = 0;
    };
    static void fold(QList<HistoryBucket> &slots, qsizetype positions, const Part &part);
    // The buckets that hold rows, left to right.
    [[nodiscard]] static QList<HistoryBucket> taken(QList<HistoryBucket> &slots);
};

} // namespace tlv::viewer
