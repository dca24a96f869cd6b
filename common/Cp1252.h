#pragma once

#include <QByteArray>
#include <QString>

namespace tlv::common {

// The ANSI code page of the Windows peers. Undefined bytes map like Windows
// does (to the C1 control of the same code), so every byte round-trips.
[[nodiscard]] QString fromCp1252(const QByteArray &bytes);
// Characters outside CP1252 become '?'.
[[nodiscard]] QByteArray toCp1252(const QString &text);
// The first character of text that CP1252 cannot hold (a surrogate pair whole); empty
// when it holds them all.
[[nodiscard]] QString firstNonCp1252(const QString &text);
// "Invalid character "Δ" : the project file holds Windows-1252 text only !" for what
// firstNonCp1252() found.
[[nodiscard]] QString nonCp1252Message(const QString &character);
// One byte or one character, for writers that convert in place.
[[nodiscard]] char16_t cp1252Char(unsigned char byte);
[[nodiscard]] char cp1252Byte(char16_t character);

} // namespace tlv::common
