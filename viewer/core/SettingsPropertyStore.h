#pragma once

#include "viewer/core/PropertyStore.h"

class QSettings;

namespace tlv::viewer {

// A property store over one group of a QSettings the host owns.
class SettingsPropertyStore : public PropertyStore
{
public:
    SettingsPropertyStore(QSettings &settings, const QString &group);

    [[nodiscard]] QVariant value(const QString &name) const override;
    void setValue(const QString &name, const QVariant &value) override;

private:
    [[nodiscard]] QString key(const QString &name) const;

    QSettings &m_settings;
    QString m_group;
};

} // namespace tlv::viewer
