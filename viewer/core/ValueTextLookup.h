#pragma once

#include <QString>

namespace tlv::viewer {

struct ColumnDescription;

// Text of a value from the column's value texts: the first entry with that
// value, else DefaultText when set, else "<" value ">" or, plain, the bare value.
[[nodiscard]] QString columnText(const ColumnDescription &column, qint64 value, bool plain);
// The stored text columnText gives for value: its entry or DefaultText; null when it
// would make one of the value.
[[nodiscard]] const QString *storedColumnText(const ColumnDescription &column, qint64 value);

} // namespace tlv::viewer
