#include "viewer/widgets/ConversionText.h"

#include "viewer/core/ColumnTable.h"
#include "viewer/core/FormatText.h"

#include <algorithm>

namespace tlv::viewer {

namespace {

// Binary digits the way the window always built them: each octal digit as
// three bits, then the rightmost n. Padding goes as far as n needs.
QString bitsOf(quint64 value, int n)
{
    static constexpr std::array<const char *, 8> Triples { "000", "001", "010", "011", "100", "101",
        "110", "111" };
    QString out;
    const QString octal = QString::number(value, 8);
    out.reserve(octal.size() * 3);
    for (const QChar c : octal)
        out.append(QLatin1String(Triples[size_t(c.unicode() - u'0')]));
    if (out.size() < n)
        out.prepend(QString(n - out.size(), u'0'));
    return out.right(n);
}

// A group of 16 digits reads as two bytes.
QString grouped16(quint64 value)
{
    const QString digits = bitsOf(value & 0xFFFFu, 16);
    return digits.left(8) + u' ' + digits.mid(8);
}

QString hex4(quint64 value)
{
    return QStringLiteral("%1").arg(value & 0xFFFFu, 4, 16, QLatin1Char('0')).toUpper();
}

bool isTextFormat(const ColumnDescription &column)
{
    const QString &f = column.Format;
    const QChar letter = FormatText::conversion(f);
    if (letter == u's' || letter == u'S' || letter == u'f' || letter == u'F')
        return true;
    if (column.DataType == ColumnDescription::Long
        && (f.startsWith(u't') || (f.size() == 2 && f.startsWith(u'g'))))
        return true;
    return false;
}

} // namespace

QString ConversionText::decimal(quint64 value, qint64 raw)
{
    QString out = QString::number(value);
    if (raw < 0)
        out += QStringLiteral(" (") + QString::number(raw) + u')';
    return out;
}

QString ConversionText::hexa(qint16 bits, qint16 hexDigits, quint64 value)
{
    if (bits >= 32)
        return hex4(value >> 16) + hex4(value);
    QString out = QString::number(value, 16).toUpper();
    const int zeros = std::clamp(int(hexDigits) - int(out.size()), 0, 4);
    return QString(zeros, u'0') + out;
}

QString ConversionText::binary(qint16 bits, quint64 value)
{
    if (bits >= 32)
        return grouped16(value >> 16) + u' ' + grouped16(value);
    if (bits == 16)
        return grouped16(value);
    return bitsOf(value, std::max<int>(bits, 1));
}

ConversionText ConversionText::numeric(
    qint16 bits, qint16 hexDigits, quint64 value, qint64 raw, const QString &shown)
{
    ConversionText t;
    t.caption = QString::number(bits) + QStringLiteral(" bits conversion");
    t.heightTwips = std::max<int>(bits, 0) * TwipsPerBit + BaseTwips;
    t.rows[0] = { QStringLiteral("Decimal:"), decimal(value, raw), true };
    t.rows[1] = { QStringLiteral("Hexa:"), hexa(bits, hexDigits, value), true };
    t.rows[2] = { QStringLiteral("Binary:"), binary(bits, value), true };
    t.rows[3] = { QStringLiteral("Shown:"), shown, !shown.isEmpty() };
    return t;
}

ConversionText ConversionText::text(const QString &value, const QString &comment)
{
    ConversionText t;
    t.caption = QStringLiteral("Text value");
    t.rows[0] = { QStringLiteral("Value:"), value, true };
    t.rows[1] = { QStringLiteral("Comment:"), comment, !comment.isEmpty() };
    return t;
}

QString ConversionText::formatCaption(qint16 format, const QString &formatName)
{
    if (!formatName.isEmpty())
        return QStringLiteral("As %") + formatName + u':';
    if (format > 0)
        return QStringLiteral("As %") + QChar(char16_t(format)) + u':';
    return {};
}

std::optional<ConversionText::Request> ConversionText::forCell(const ColumnDescription &column,
    std::optional<qint64> raw, const QString &cellText, const QString &comment)
{
    if (cellText.isEmpty())
        return std::nullopt;
    Request r;
    r.shown = cellText;
    r.comment = comment;
    r.format = qint16(FormatText::conversion(column.Format).unicode());
    r.formatName = column.Format;

    static constexpr std::array<qint16, 6> Bits { 1, 4, 8, 16, 32, 0 };
    static constexpr std::array<qint16, 6> HexDigits { 1, 1, 2, 4, 8, 0 };
    const int type = column.DataType;
    if (type < ColumnDescription::Bit || type > ColumnDescription::Long || !raw
        || isTextFormat(column))
        return r; // a text: the grid text and its comment

    r.numeric = true;
    r.bits = Bits[size_t(type - 1)];
    r.hexDigits = HexDigits[size_t(type - 1)];
    r.raw = *raw;
    r.value = quint64(*raw) & ((quint64(1) << r.bits) - 1);
    return r;
}

} // namespace tlv::viewer
