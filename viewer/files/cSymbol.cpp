#include "cSymbol.h"

namespace tlv::viewer {

QString cSymbol::keyOf(const QString &type, qint16 address)
{
    return type + u' ' + QString::number(address);
}

const colSymbols *cSymbol::Add(
    const QString &type, const QString &name, const QString &comment, qint16 address)
{
    const QString key = keyOf(type, address).toCaseFolded();
    if (m_index.contains(key))
        return nullptr;
    m_index.insert(key, m_items.size());
    m_items.append(colSymbols { name, comment, address, type });
    return &m_items.constLast();
}

const colSymbols *cSymbol::Item(const QString &key) const
{
    const auto it = m_index.constFind(key.toCaseFolded());
    return it == m_index.cend() ? nullptr : &m_items.at(it.value());
}

const colSymbols *cSymbol::Item(int position) const
{
    if (position < 1 || position > m_items.size())
        return nullptr;
    return &m_items.at(position - 1);
}

bool cSymbol::Remove(const QString &key)
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

} // namespace tlv::viewer
