#pragma once

#include "viewer/core/RecordDecoder.h"
#include "viewer/core/RowStore.h"

namespace tlv::bench {

// A decoded record into the grid the way the control hands it over.
inline void appendRecord(viewer::RowStore &store, const viewer::DecodedRecord &record)
{
    QString display = record.displayLine;
    if (display.startsWith(u'\t'))
        display.remove(0, 1);
    store.addRecord(display, record.rawLine, record.commentLine, record.date, record.time);
}

} // namespace tlv::bench
