#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace tlv::buffer {

// Number reading as the project file and the editor fields need it.

// The value of the leading number of text: blanks skipped, optional sign,
// digits, '.' fraction and exponent; 0 when the text does not start with one.
[[nodiscard]] double leadingNumber(const QString &text);
// True when the whole text (outer blanks aside) is one number; '.' or ',' may
// separate the decimals.
[[nodiscard]] bool isNumeric(const QString &text);
// The number a user typed: the whole text when numeric, else its leading number.
[[nodiscard]] double fieldNumber(const QString &text);
// A decimal number as the user reads it: the default locale's decimal
// separator, no group separators (fieldNumber reads it back).
[[nodiscard]] QString localNumberText(double value);
// Nearest integer, halves to the even neighbour; empty when it does not fit.
[[nodiscard]] std::optional<qint16> toInt16(double value);
[[nodiscard]] std::optional<qint32> toInt32(double value);

} // namespace tlv::buffer
