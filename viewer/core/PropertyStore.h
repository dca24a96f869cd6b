#pragma once

#include <QString>
#include <QVariant>

namespace tlv::viewer {

// Where a host keeps the control's settings between runs: a QSettings group,
// an INI section or a map in a test. Names are the control's property names.
class PropertyStore
{
public:
    virtual ~PropertyStore() = default;

    // The stored value, or an invalid QVariant when the name was never stored.
    [[nodiscard]] virtual QVariant value(const QString &name) const = 0;
    virtual void setValue(const QString &name, const QVariant &value) = 0;
};

} // namespace tlv::viewer
