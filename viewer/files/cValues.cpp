#include "cValues.h"

namespace tlv::viewer {

QString cValues::keyOf(qint64 application, const QString &section, qint64 value)
{
    return QString::number(application) + u'_' + section + u'_' + QString::number(value);
}

bool cValues::Add(qint64 application, const QString &section, qint32 value, const QString &text,
    const QString &comment)
{
    const QString key = keyOf(application, section, value).toCaseFolded();
    if (m_index.contains(key))
        return false;
    m_index.insert(key, m_items.size());
    m_items.append(cValue { value, text, comment });
    return true;
}

const cValue *cValues::Item(const QString &key) const
{
    const auto it = m_index.constFind(key.toCaseFolded());
    return it == m_index.cend() ? nullptr : &m_items.at(it.value());
}

const cValue *cValues::Item(int position) const
{
    if (position < 1 || position > m_items.size())
        return nullptr;
    return &m_items.at(position - 1);
}

bool cValues::Remove(const QString &key)
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
