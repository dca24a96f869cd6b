#include "viewer/core/RequestPlanner.h"

namespace tlv::viewer {

QList<RecordRequest> RequestPlanner::plan(
    qint32 base, qint32 firstOffset, qint32 recordLength, qint32 records, qint32 maxWords)
{
    QList<RecordRequest> requests;
    maxWords = qBound(1, maxWords, MaxArgument);
    if (recordLength <= 0 || records <= 0 || firstOffset < 0 || base < 0)
        return requests;
    const qint64 perRequest = maxWords / recordLength;
    if (perRequest == 0)
        return requests; // a single record is larger than any request may be

    qint64 offset = firstOffset;
    qint64 left = records;
    while (left > 0 && base + offset <= MaxArgument) {
        const qint64 count = qMin(left, perRequest);
        requests.append({ static_cast<qint32>(offset), static_cast<qint32>(count * recordLength) });
        offset += count * recordLength;
        left -= count;
    }
    return requests;
}

} // namespace tlv::viewer
