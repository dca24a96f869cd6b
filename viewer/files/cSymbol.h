#pragma once

#include "colSymbols.h"

#include <QHash>
#include <QList>
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
    [[nodiscard]] const colSymbols *Item(const QString &key) const;
    [[nodiscard]] const colSymbols *Item(int position) const;
    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    bool Remove(const QString &key);

    // Enumeration in the order added.
    [[nodiscard]] QList<colSymbols>::const_iterator begin() const { return m_items.cbegin(); }
    [[nodiscard]] QList<colSymbols>::const_iterator end() const { return m_items.cend(); }

private:
    QList<colSymbols> m_items;
    QHash<QString, qsizetype> m_index; // folded key -> position in m_items
};

} // namespace tlv::viewer
