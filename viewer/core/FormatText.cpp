#include "viewer/core/FormatText.h"

#include "common/Cp1252.h"

#include <bit>
#include <charconv>

using namespace Qt::StringLiterals;

namespace tlv::viewer {

namespace {
constexpr qint64 MaxLeadingNumber = 999999;
} // namespace

bool ShortText::append(QStringView text)
{
    if (text.size() > Capacity - m_size)
        return false;
    for (const QChar c : text)
        m_chars[m_size++] = c.unicode();
    return true;
}

namespace {

// Digits written backwards from end, straight as UTF-16: the cells are short and
// many, so going through a char buffer first costs as much as the digits.
template<typename U> char16_t *decimalDigits(U value, char16_t *end)
{
    static constexpr char Pairs[] = "00010203040506070809101112131415161718192021222324"
                                    "25262728293031323334353637383940414243444546474849"
                                    "50515253545556575859606162636465666768697071727374"
                                    "75767778798081828384858687888990919293949596979899";
    while (value >= 100) {
        const unsigned pair = unsigned(value % 100) * 2;
        value /= 100;
        *--end = char16_t(Pairs[pair + 1]);
        *--end = char16_t(Pairs[pair]);
    }
    if (value >= 10) {
        const unsigned pair = unsigned(value) * 2;
        *--end = char16_t(Pairs[pair + 1]);
        *--end = char16_t(Pairs[pair]);
    } else {
        *--end = char16_t(u'0' + unsigned(value));
    }
    return end;
}

char16_t *digitsOf(quint64 value, int base, char16_t *end)
{
    if (base == 10)
        return value <= 0xFFFFFFFFu ? decimalDigits(quint32(value), end)
                                    : decimalDigits(value, end);
    static constexpr char16_t Hex[] = u"0123456789ABCDEF";
    const int shift = base == 16 ? 4 : 1;
    const quint64 mask = base == 16 ? 0xF : 0x1;
    do {
        *--end = Hex[value & mask];
        value >>= shift;
    } while (value != 0);
    return end;
}

// How many digits digitsOf writes, so they go straight to their place.
qsizetype digitCount(quint64 value, int base)
{
    if (base == 16)
        return qMax(1, (int(std::bit_width(value)) + 3) / 4);
    if (base == 2)
        return qMax(1, int(std::bit_width(value)));
    static constexpr quint64 Powers[]
        = { 1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull, 10000000ull,
              100000000ull, 1000000000ull, 10000000000ull, 100000000000ull, 1000000000000ull,
              10000000000000ull, 100000000000000ull, 1000000000000000ull, 10000000000000000ull,
              100000000000000000ull, 1000000000000000000ull, 10000000000000000000ull };
    // log10 from the bit width (1233 / 4096 is just above log10(2)), then one correction.
    const int estimate = (int(std::bit_width(value)) * 1233) >> 12;
    return qMax(1, estimate + (estimate < 20 && value >= Powers[estimate] ? 1 : 0));
}

} // namespace

bool ShortText::appendNumber(quint64 value, int base, int width)
{
    if (base != 2 && base != 10 && base != 16) {
        char digits[64];
        const auto end = std::to_chars(digits, digits + sizeof digits, value, base).ptr;
        const qsizetype count = end - digits;
        const qsizetype padding = qMax<qsizetype>(0, width - count);
        if (count + padding > Capacity - m_size)
            return false;
        for (qsizetype i = 0; i < padding; ++i)
            m_chars[m_size++] = u'0';
        for (const char *c = digits; c != end; ++c)
            m_chars[m_size++] = char16_t(*c >= 'a' ? *c - 'a' + 'A' : *c);
        return true;
    }
    const qsizetype count = digitCount(value, base);
    const qsizetype padding = qMax<qsizetype>(0, width - count);
    if (count + padding > Capacity - m_size)
        return false;
    for (qsizetype i = 0; i < padding; ++i)
        m_chars[m_size++] = u'0';
    m_size += count;
    digitsOf(value, base, m_chars + m_size);
    return true;
}

bool ShortText::appendSigned(qint64 value)
{
    // The magnitude as unsigned so the most negative value keeps its digits.
    const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    const qsizetype count = digitCount(magnitude, 10) + (value < 0 ? 1 : 0);
    if (count > Capacity - m_size)
        return false;
    m_size += count;
    char16_t *const first = digitsOf(magnitude, 10, m_chars + m_size);
    if (value < 0)
        first[-1] = u'-';
    return true;
}

qint64 FormatText::leadingNumber(QStringView format)
{
    qint64 n = 0;
    for (const QChar c : format) {
        if (!c.isDigit() || c.unicode() > u'9')
            break;
        n = qMin(n * 10 + (c.unicode() - u'0'), MaxLeadingNumber);
    }
    return n;
}

QChar FormatText::conversion(QStringView format)
{
    return format.isEmpty() ? QChar() : format.back();
}

bool FormatText::appendDecimal(ShortText &out, qint64 value, qint64 decimals)
{
    if (decimals <= 0)
        return out.appendSigned(value);
    const bool negative = value < 0;
    // The magnitude as unsigned so the most negative value keeps its digits.
    const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    const qint64 count = end - digits;
    // At least one digit before the point.
    const qint64 zeros = qMax<qint64>(0, decimals + 1 - count);
    if (zeros + count + 2 > ShortText::Capacity - out.size())
        return false;
    if (negative)
        out.append(u'-');
    const qint64 total = zeros + count;
    for (qint64 i = 0; i < total; ++i) {
        if (i == total - decimals)
            out.append(u'.');
        out.append(i < zeros ? u'0' : char16_t(digits[i - zeros]));
    }
    return true;
}

QString FormatText::decimal(qint64 value, qint64 decimals)
{
    ShortText text;
    if (appendDecimal(text, value, decimals))
        return text.toString();
    // Hundreds of places: built the long way.
    const bool negative = value < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    QString digits = QString::number(magnitude);
    if (digits.size() <= decimals)
        digits = QString(decimals + 1 - digits.size(), QLatin1Char('0')) + digits;
    digits.insert(digits.size() - decimals, QLatin1Char('.'));
    return negative ? QLatin1Char('-') + digits : digits;
}

QString FormatText::hex(quint64 value, int width)
{
    ShortText text;
    if (width >= 0 && text.appendNumber(value, 16, width))
        return text.toString();
    return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

bool FormatText::appendBinary(ShortText &out, quint64 value, int width)
{
    if (width == 16 && value <= 0xFFFF) {
        // Two groups of 8, written straight in.
        char16_t digits[17];
        for (int i = 0; i < 16; ++i)
            digits[i < 8 ? i : i + 1] = char16_t(u'0' + ((value >> (15 - i)) & 1u));
        digits[8] = u' ';
        return out.append(QStringView(digits, 17));
    }
    return width >= 0 && out.appendNumber(value, 2, width);
}

QString FormatText::binary(quint64 value, int width)
{
    ShortText text;
    if (appendBinary(text, value, width))
        return text.toString();
    return QStringLiteral("%1").arg(value, width, 2, QLatin1Char('0'));
}

bool FormatText::appendDisplayDigits(ShortText &out, quint64 value, int digits)
{
    static constexpr char16_t Glyphs[] = u"0123456789*#W,+ ";
    ShortText hexText;
    if (digits < 0 || !hexText.appendNumber(value, 16, digits))
        return false;
    // Only the last digits count.
    for (const QChar c : hexText.view().right(digits)) {
        const char16_t d = c.unicode();
        if (!out.append(Glyphs[d <= u'9' ? d - u'0' : d - u'A' + 10]))
            return false;
    }
    return true;
}

QString FormatText::displayDigits(quint64 value, int digits)
{
    ShortText text;
    if (digits > 0 && appendDisplayDigits(text, value, digits))
        return text.toString();
    static constexpr char16_t Glyphs[] = u"0123456789*#W,+ ";
    const QString hexText = hex(value, digits).right(digits);
    QString out;
    out.reserve(hexText.size());
    for (const QChar c : hexText)
        out.append(QChar(Glyphs[QStringView(u"0123456789ABCDEF").indexOf(c)]));
    return out;
}

bool FormatText::appendAscii(ShortText &out, quint64 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) {
        // Bytes beyond the value are 0, like any control byte.
        const auto b = i < 8 ? static_cast<unsigned char>((value >> (8 * i)) & 0xFFu) : 0;
        if (!out.append(common::cp1252Char(b < 32 ? 127 : b)))
            return false;
    }
    return true;
}

QString FormatText::ascii(quint64 value, int bytes)
{
    ShortText text;
    if (appendAscii(text, value, bytes))
        return text.toString();
    QString out;
    for (int i = bytes - 1; i >= 0; --i) {
        const auto b = i < 8 ? static_cast<unsigned char>((value >> (8 * i)) & 0xFFu) : 0;
        out.append(QChar(common::cp1252Char(b < 32 ? 127 : b)));
    }
    return out;
}

bool FormatText::appendThreeField(ShortText &out, quint64 word)
{
    const quint64 a0 = word & 0xFFu;
    const quint64 a1 = (word >> 8) & 0x7u;
    const quint64 a2 = (word >> 11) & 0xFu;
    return out.appendNumber(a2, 10) && out.append(u'/') && out.appendNumber(a1, 10)
        && out.append(u'/') && out.appendNumber(a0, 10);
}

QString FormatText::threeField(quint64 word)
{
    ShortText text;
    appendThreeField(text, word);
    return text.toString();
}

bool FormatText::appendTime(ShortText &out, qint64 value, QStringView kind, int currentYear)
{
    if (value < 0)
        return out.append(u"Invalid time");
    const qint64 f0 = value / 100000000;
    const qint64 f1 = (value / 1000000) % 100;
    const qint64 f2 = (value / 10000) % 100;
    const qint64 f3 = (value / 100) % 100;
    const qint64 f4 = value % 100;
    // A field of more than two digits (the month of a garbled value) keeps all of them.
    const auto field = [&](qint64 f) {
        return f < 100 ? out.appendTwoDigits(unsigned(f)) : out.appendNumber(quint64(f), 10, 2);
    };
    const auto date = [&] {
        return field(f1) && out.append(u'/') && field(f0) && out.append(u'/')
            && field(((currentYear % 100) + 100) % 100);
    };
    const auto clock = [&] {
        return field(f2) && out.append(u':') && field(f3) && out.append(u':') && field(f4);
    };
    if (kind == u"h")
        return clock();
    if (kind == u"d")
        return date();
    return date() && out.append(u' ') && clock();
}

QString FormatText::time(qint64 value, QStringView kind, int currentYear)
{
    ShortText text;
    appendTime(text, value, kind, currentYear);
    return text.toString();
}

} // namespace tlv::viewer
