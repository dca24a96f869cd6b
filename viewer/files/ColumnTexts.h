#pragma once

#include "viewer/core/ColumnTable.h"

#include <QString>

namespace tlv::viewer {

// The value-text list of one column (the "s"/"S" formats and symbol lists).
class ColumnTexts
{
public:
    // Appends value and text; false when the column then holds the maximum
    // number of entries (one column keeps at most 2047 usable texts).
    static bool add(ColumnDescription &column, qint64 value, const QString &text);
    // The first text defined for value, else DefaultText, else "<value>" or,
    // with plain set, the bare value.
    [[nodiscard]] static QString lookup(const ColumnDescription &column, qint64 value, bool plain);
};

} // namespace tlv::viewer
