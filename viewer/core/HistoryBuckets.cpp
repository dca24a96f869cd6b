#include "viewer/core/HistoryBuckets.h"

#include <algorithm>

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

} // namespace tlv::viewer
