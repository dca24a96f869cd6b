#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <utility>

namespace tlv::viewer {

// Items in the order added, found by a key that compares without regard to
// case, or by position from 1. The first item of a key wins.
template<typename T> class KeyedCollection
{
public:
    // The stored item, or nullptr when the key exists already (nothing changes).
    const T *add(const QString &key, T item)
    {
        const QString folded = key.toCaseFolded();
        if (m_index.contains(folded))
            return nullptr;
        m_index.insert(folded, m_items.size());
        m_items.append(std::move(item));
        return &m_items.constLast();
    }
    [[nodiscard]] const T *item(const QString &key) const
    {
        const auto it = m_index.constFind(key.toCaseFolded());
        return it == m_index.cend() ? nullptr : &m_items.at(it.value());
    }
    [[nodiscard]] const T *item(int position) const
    {
        if (position < 1 || position > m_items.size())
            return nullptr;
        return &m_items.at(position - 1);
    }
    [[nodiscard]] int count() const { return static_cast<int>(m_items.size()); }
    bool remove(const QString &key)
    {
        const auto it = m_index.constFind(key.toCaseFolded());
        if (it == m_index.cend())
            return false;
        const qsizetype removed = it.value();
        m_index.erase(it);
        m_items.removeAt(removed);
        for (auto &position : m_index) {
            if (position > removed)
                --position;
        }
        return true;
    }

    [[nodiscard]] typename QList<T>::const_iterator begin() const { return m_items.cbegin(); }
    [[nodiscard]] typename QList<T>::const_iterator end() const { return m_items.cend(); }

private:
    QList<T> m_items;
    QHash<QString, qsizetype> m_index; // folded key -> position in m_items
};

} // namespace tlv::viewer
