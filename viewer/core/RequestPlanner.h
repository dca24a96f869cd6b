#pragma once

#include <QList>

namespace tlv::viewer {

// One read of records: word offset from word 0 of the buffer and word count.
struct RecordRequest
{
    qint32 offset = 0;
    qint32 count = 0;
};

// Request arguments are 16-bit. A record fetch whose address (base + offset)
// or size would pass 32767 is split into several requests of whole records,
// in ring order, whose answers laid end to end give the records in order.
// base is the start register of a register buffer and 0 for a data block.
// Records whose address cannot be expressed at all are left out; the decoder
// then finds them missing and reports the fetch incomplete.
class RequestPlanner
{
public:
    static constexpr qint32 MaxArgument = 32767;

    [[nodiscard]] static QList<RecordRequest> plan(qint32 base, qint32 firstOffset,
        qint32 recordLength, qint32 records, qint32 maxWords = MaxArgument);
};

} // namespace tlv::viewer
