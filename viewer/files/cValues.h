#pragma once

#include "KeyedCollection.h"
#include "cValue.h"

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
    [[nodiscard]] const cValue *Item(const QString &key) const { return m_items.item(key); }
    [[nodiscard]] const cValue *Item(int position) const { return m_items.item(position); }
    [[nodiscard]] int Count() const { return m_items.count(); }
    bool Remove(const QString &key) { return m_items.remove(key); }

    [[nodiscard]] auto begin() const { return m_items.begin(); }
    [[nodiscard]] auto end() const { return m_items.end(); }

private:
    KeyedCollection<cValue> m_items;
};

} // namespace tlv::viewer
