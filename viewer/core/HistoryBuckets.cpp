#include "viewer/core/HistoryBuckets.h"

#include <algorithm>
#include <cmath>

namespace tlv::viewer {

int HistoryBuckets::levelFor(qint64 rows, int columns)
{
    const qint64 perColumn = rows * 5 / 4 / std::max(columns, 1);
    int level = 1;
    for (int l : Levels) {
        if (l <= perColumn)
            level = l;
    }
    return level;
}

int HistoryBuckets::column(qint64 key, qint64 from, qint64 to, int columns)
{
    columns = std::max(columns, 1);
    if (to < from)
        return 0;
    key = std::clamp(key, from, to);
    // In 128 bits: a span of milliseconds times a few thousand columns may pass 63.
    const __int128 c = __int128(key - from) * columns / (__int128(to - from) + 1);
    return int(std::clamp<__int128>(c, 0, columns - 1));
}

HistoryBuckets::Span::Span(const HistoryQuery &query, qint64 firstId, qint64 lastId)
    : from(firstId)
    , to(lastId)
    , level(levelFor(to - from + 1, std::max(query.columns, 1)))
    , columns(std::max(query.columns, 1))
    , keyFrom(query.byTime ? query.from : from)
    , keyTo(query.byTime ? query.to : to)
{ }

QString HistoryBuckets::Span::columnOf(const QString &key) const
{
    // Integer division: the key is a row id or a time in ms.
    return QStringLiteral(
        "CASE WHEN %1 < %2 THEN 0 WHEN %1 > %3 THEN %4 ELSE (%1 - %2) * %5 / %6 END")
        .arg(key)
        .arg(keyFrom)
        .arg(keyTo)
        .arg(columns - 1)
        .arg(columns)
        .arg(keyTo - keyFrom + 1);
}

void HistoryBuckets::fold(QList<HistoryBucket> &slots, qsizetype positions, const Part &part)
{
    if (part.column < 0 || part.column >= slots.size())
        return;
    HistoryBucket &b = slots[part.column];
    if (b.firstId == 0) {
        b.column = part.column;
        b.firstId = part.firstId;
        b.low = QList<double>(positions, std::nan(""));
        b.high = b.low;
    }
    if (part.at >= 0 && part.at < positions) {
        if (!std::isnan(part.low) && (std::isnan(b.low[part.at]) || part.low < b.low[part.at]))
            b.low[part.at] = part.low;
        if (!std::isnan(part.high) && (std::isnan(b.high[part.at]) || part.high > b.high[part.at]))
            b.high[part.at] = part.high;
    }
    b.firstId = std::min(b.firstId, part.firstId);
    b.lastId = std::max(b.lastId, part.lastId);
    if (part.firstMs != 0 && (b.firstMs == 0 || part.firstMs < b.firstMs))
        b.firstMs = part.firstMs;
    b.lastMs = std::max(b.lastMs, part.lastMs);
    b.gaps |= part.gaps;
}

QList<HistoryBucket> HistoryBuckets::taken(QList<HistoryBucket> &slots)
{
    QList<HistoryBucket> list;
    for (HistoryBucket &b : slots) {
        if (b.firstId != 0)
            list.append(std::move(b));
    }
    return list;
}

} // namespace tlv::viewer
