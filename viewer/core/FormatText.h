#pragma once

#include <QString>
#include <QStringView>

namespace tlv::viewer {

// A text of at most Capacity characters built without an allocation: on the stack, or
// straight into room for Capacity characters at the end of a longer text.
class ShortText
{
public:
    static constexpr qsizetype Capacity = 96;

    ShortText()
        : m_chars(m_own)
    { }
    ShortText(const ShortText &) = delete;
    // Starts again, empty, in room for Capacity characters that someone else owns.
    void reset(char16_t *room)
    {
        m_chars = room;
        m_size = 0;
    }
    ShortText &operator=(const ShortText &) = delete;

    // False (and nothing appended) when the text would not fit.
    bool append(char16_t c)
    {
        if (m_size >= Capacity)
            return false;
        m_chars[m_size++] = c;
        return true;
    }
    bool append(QStringView text);
    // v (below 100) as two digits.
    bool appendTwoDigits(unsigned v)
    {
        if (m_size + 2 > Capacity)
            return false;
        m_chars[m_size++] = char16_t(u'0' + v / 10 % 10);
        m_chars[m_size++] = char16_t(u'0' + v % 10);
        return true;
    }
    // Digits of value in base 2, 10 or 16 (upper case), zero padded on the left to width.
    bool appendNumber(quint64 value, int base, int width = 0);
    bool appendSigned(qint64 value);

    void clear() { m_size = 0; }
    [[nodiscard]] qsizetype size() const { return m_size; }
    [[nodiscard]] QStringView view() const { return QStringView(m_chars, m_size); }
    [[nodiscard]] QString toString() const { return view().toString(); }

private:
    char16_t *m_chars;
    qsizetype m_size = 0;
    char16_t m_own[Capacity];
};

// Pieces of a display format such as "2sd", "10a", "th" or "gs", and the
// value conversions that do not depend on a whole column.
class FormatText
{
public:
    // The leading number of the format (decimals, or a string length); 0 when
    // none, capped so a long digit run cannot overflow.
    [[nodiscard]] static qint64 leadingNumber(QStringView format);
    // The conversion letter: the last character, or '\0' for an empty format.
    [[nodiscard]] static QChar conversion(QStringView format);

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
    [[nodiscard]] static QString time(qint64 value, QStringView kind, int currentYear);

    // The same conversions appended to out; false when out has no room left
    // (a decimal with hundreds of places), out then holds a partial text.
    static bool appendDecimal(ShortText &out, qint64 value, qint64 decimals);
    static bool appendBinary(ShortText &out, quint64 value, int width);
    static bool appendDisplayDigits(ShortText &out, quint64 value, int digits);
    static bool appendAscii(ShortText &out, quint64 value, int bytes);
    static bool appendThreeField(ShortText &out, quint64 word);
    static bool appendTime(ShortText &out, qint64 value, QStringView kind, int currentYear);
};

} // namespace tlv::viewer
