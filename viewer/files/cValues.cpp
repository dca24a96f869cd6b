#include "cValues.h"

namespace tlv::viewer {

QString cValues::keyOf(qint64 application, const QString &section, qint64 value)
{
    return QString::number(application) + u'_' + section + u'_' + QString::number(value);
}

bool cValues::Add(qint64 application, const QString &section, qint32 value, const QString &text,
    const QString &comment)
{
    return m_items.add(keyOf(application, section, value), cValue { value, text, comment })
        != nullptr;
}

} // namespace tlv::viewer
