#pragma once

#include <QByteArray>
#include <QString>

namespace tlv::common {

// The ANSI code page of the Windows peers. Undefined bytes map like Windows
// does (to the C1 control of the same code), so every byte round-trips.
[[nodiscard]] QString fromCp1252(const QByteArray &bytes);
// Characters outside CP1252 become '?'.
[[nodiscard]] QByteArray toCp1252(const QString &text);

} // namespace tlv::common
