#pragma once

#include <QString>

namespace tlv::viewer {

// Pieces of a display format such as "2sd", "10a", "th" or "gs", and the
// value conversions that do not depend on a whole column.
class FormatText
{
public:
    // The leading number of the format (decimals, or a string length); 0 when
    // none, capped so a long digit run cannot overflow.
    [[nodiscard]] static qint64 leadingNumber(const QString &format);
    // The conversion letter: the last character, or '\0' for an empty format.
    [[nodiscard]] static QChar conversion(const QString &format);

    // Decimal with d places: "#0.00" style, exact for any d.
    [[nodiscard]] static QString decimal(qint64 value, qint64 decimals);
    // Upper-case hex, zero padded on the left to width digits (0 = no padding).
    [[nodiscard]] static QString hex(quint64 value, int width);
    // Binary digits, zero padded to width; 16 digits come as two groups of 8.
    [[nodiscard]] static QString binary(quint64 value, int width);
    // The last digits hex digits shown as PCD display digits (A '*', B '#',
    // C 'W', D ',', E '+', F blank).
    [[nodiscard]] static QString displayDigits(quint64 value, int digits);
    // The bytes lowest bytes of value, most significant first; a control byte
    // shows as the character of code 127.
    [[nodiscard]] static QString ascii(quint64 value, int bytes);
    // Word as a2 "/" a1 "/" a0 (bits 11-14, 8-10, 0-7).
    [[nodiscard]] static QString threeField(quint64 word);
    // Time text of a PCD time value; "Invalid time" when negative. kind is
    // the rest of the format after its 't': "h" time, "d" date, else both.
    [[nodiscard]] static QString time(qint64 value, const QString &kind, int currentYear);
};

} // namespace tlv::viewer
