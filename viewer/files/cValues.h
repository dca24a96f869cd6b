#pragma once

#include "cValue.h"

#include <QHash>
#include <QList>
#include <QString>

namespace tlv::viewer {

// The texts of the value-text files keyed by application + "_" + section + "_"
// + value ("3_Pump state_2"), keys without regard to case. First definition wins.
class cValues
{
public:
    [[nodiscard]] static QString keyOf(qint64 application, const QString &section, qint64 value);

    // False when the key exists already (nothing changes).
    bool Add(qint64 application, const QString &section, qint32 value, const QString &text,
        const QString &comment);
    // By key, or by position counting from 1; nullptr when missing.
    [[nodiscard]] const cValue *Item(const QString &key) const;
    [[nodiscard]] const cValue *Item(int position) const;
    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    bool Remove(const QString &key);

    [[nodiscard]] QList<cValue>::const_iterator begin() const { return m_items.cbegin(); }
    [[nodiscard]] QList<cValue>::const_iterator end() const { return m_items.cend(); }

private:
    QList<cValue> m_items;
    QHash<QString, qsizetype> m_index; // folded key -> position in m_items
};

} // namespace tlv::viewer
