#pragma once

#include "viewer/core/BufferCheck.h"

#include <QList>

#include <limits>

namespace tlv::viewer {

// Which fetched records to decode, in which order, and how many must succeed.
struct FetchOrder
{
    QList<qint32> records; // record numbers within the fetched answer, oldest first
    qint32 expected = 0;

    // A whole ring (records == capacity, from slot 0) is decoded from the slot
    // after the write index round to the last written slot; the slot the writer
    // fills next is skipped. Otherwise the records in fetch order. Only the
    // first `available` records came with the answer: the others are left out
    // (and found missing), so a short answer costs no more than what it holds.
    [[nodiscard]] static FetchOrder plan(qint32 recordsToFetch, qint32 capacity, qint32 lastSlot,
        qint32 available = std::numeric_limits<qint32>::max());

    // Code 12 with "<decoded> from <expected> records loaded." when too few decoded.
    [[nodiscard]] CheckResult completeness(qint32 decoded) const;
};

} // namespace tlv::viewer
