#pragma once

#include "viewer/core/RecordDecoder.h"
#include "viewer/core/RowStore.h"

namespace tlv::bench {

// A decoded record into the grid the way the control hands it over.
inline void appendRecord(viewer::RowStore &store, const viewer::DecodedRecord &record)
{
    store.addRecord(record);
}

} // namespace tlv::bench
