#pragma once

#include "buffer/ColFormat.h"

#include <QList>
#include <QString>

namespace tlv::buffer {

// The ordered table of display formats, keyed by format code.
class cFormats
{
public:
    // The fourteen formats the editor offers, in their fixed order.
    [[nodiscard]] static cFormats standard();

    // Appends a format; nullptr (and nothing added) when the key is taken.
    ColFormat *add(const QString &sKey, const QString &sDescription, bool BitUsed, bool NibleUsed,
        bool ByteUsed, bool WordUsed, bool LongUsed);
    // 1-based position or exact key; nullptr when there is none.
    [[nodiscard]] const ColFormat *item(int position) const;
    [[nodiscard]] const ColFormat *item(const QString &key) const;
    bool remove(int position);
    bool remove(const QString &key);
    [[nodiscard]] int count() const { return int(m_formats.size()); }

    [[nodiscard]] auto begin() const { return m_formats.cbegin(); }
    [[nodiscard]] auto end() const { return m_formats.cend(); }

private:
    QList<ColFormat> m_formats;
};

} // namespace tlv::buffer
