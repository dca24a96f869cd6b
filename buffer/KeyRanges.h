#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace tlv::buffer {

// What a numeric key of the trace project file may hold: the values the editor,
// the settings page and the PCD library accept. A value outside its range is
// never used: the reader keeps the default and names the key and the value.
struct KeyRange
{
    const char16_t *section; // the columns' numeric fields: "Column"
    const char16_t *key; // the columns' numeric fields: "field 1" ...
    qint32 low;
    qint32 high;

    [[nodiscard]] bool contains(double value) const { return value >= low && value <= high; }
    // "0 to 1", for messages.
    [[nodiscard]] QString text() const;

    // The range of a key (names compared without regard to case); nullptr for a
    // key bound by its width only.
    [[nodiscard]] static const KeyRange *find(QStringView section, QStringView key);
    // The same for a key that has one.
    [[nodiscard]] static const KeyRange &of(QStringView section, QStringView key);
};

} // namespace tlv::buffer
