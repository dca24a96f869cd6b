#pragma once

#include "KeyedCollection.h"
#include "colSymbols.h"

#include <QString>

namespace tlv::viewer {

// The PCD symbols keyed by type + " " + address ("R 100"), keys without regard
// to case. The first definition of a key wins.
class cSymbol
{
public:
    [[nodiscard]] static QString keyOf(const QString &type, qint16 address);

    // The new symbol, or nullptr when the key exists already (nothing changes).
    const colSymbols *Add(
        const QString &type, const QString &name, const QString &comment, qint16 address);
    // By key, or by position counting from 1; nullptr when missing.
    [[nodiscard]] const colSymbols *Item(const QString &key) const { return m_items.item(key); }
    [[nodiscard]] const colSymbols *Item(int position) const { return m_items.item(position); }
    [[nodiscard]] int Count() const { return m_items.count(); }
    bool Remove(const QString &key) { return m_items.remove(key); }

    // Enumeration in the order added.
    [[nodiscard]] auto begin() const { return m_items.begin(); }
    [[nodiscard]] auto end() const { return m_items.end(); }

private:
    KeyedCollection<colSymbols> m_items;
};

} // namespace tlv::viewer
