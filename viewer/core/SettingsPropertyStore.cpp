#include "viewer/core/SettingsPropertyStore.h"

#include <QSettings>

namespace tlv::viewer {

SettingsPropertyStore::SettingsPropertyStore(QSettings &settings, const QString &group)
    : m_settings(settings)
    , m_group(group)
{ }

QString SettingsPropertyStore::key(const QString &name) const
{
    return m_group.isEmpty() ? name : m_group + u'/' + name;
}

QVariant SettingsPropertyStore::value(const QString &name) const
{
    return m_settings.value(key(name));
}

void SettingsPropertyStore::setValue(const QString &name, const QVariant &value)
{
    m_settings.setValue(key(name), value);
}

} // namespace tlv::viewer
