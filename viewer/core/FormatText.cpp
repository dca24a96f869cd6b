#include "viewer/core/FormatText.h"

#include "common/Cp1252.h"

#include <QByteArray>

using namespace Qt::StringLiterals;

namespace tlv::viewer {

namespace {
constexpr qint64 MaxLeadingNumber = 999999;

QString twoDigits(qint64 v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}
} // namespace

qint64 FormatText::leadingNumber(const QString &format)
{
    qint64 n = 0;
    for (const QChar c : format) {
        if (!c.isDigit() || c.unicode() > u'9')
            break;
        n = qMin(n * 10 + (c.unicode() - u'0'), MaxLeadingNumber);
    }
    return n;
}

QChar FormatText::conversion(const QString &format)
{
    return format.isEmpty() ? QChar() : format.back();
}

QString FormatText::decimal(qint64 value, qint64 decimals)
{
    if (decimals <= 0)
        return QString::number(value);
    const bool negative = value < 0;
    // The magnitude as unsigned so the most negative value keeps its digits.
    const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    QString digits = QString::number(magnitude);
    if (digits.size() <= decimals)
        digits = QString(decimals + 1 - digits.size(), QLatin1Char('0')) + digits;
    digits.insert(digits.size() - decimals, QLatin1Char('.'));
    return negative ? QLatin1Char('-') + digits : digits;
}

QString FormatText::hex(quint64 value, int width)
{
    return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

QString FormatText::binary(quint64 value, int width)
{
    const QString digits = QStringLiteral("%1").arg(value, width, 2, QLatin1Char('0'));
    if (width == 16 && digits.size() == 16)
        return digits.left(8) + QLatin1Char(' ') + digits.mid(8);
    return digits;
}

QString FormatText::displayDigits(quint64 value, int digits)
{
    static constexpr char16_t Glyphs[] = u"0123456789*#W,+ ";
    const QString hexText = hex(value, digits).right(digits);
    QString out;
    out.reserve(hexText.size());
    for (const QChar c : hexText)
        out.append(QChar(Glyphs[QStringView(u"0123456789ABCDEF").indexOf(c)]));
    return out;
}

QString FormatText::ascii(quint64 value, int bytes)
{
    QByteArray text;
    for (int i = bytes - 1; i >= 0; --i) {
        const auto b = static_cast<unsigned char>((value >> (8 * i)) & 0xFFu);
        text.append(static_cast<char>(b < 32 ? 127 : b));
    }
    return common::fromCp1252(text);
}

QString FormatText::threeField(quint64 word)
{
    const quint64 a0 = word & 0xFFu;
    const quint64 a1 = (word >> 8) & 0x7u;
    const quint64 a2 = (word >> 11) & 0xFu;
    return QString::number(a2) + QLatin1Char('/') + QString::number(a1) + QLatin1Char('/')
        + QString::number(a0);
}

QString FormatText::time(qint64 value, const QString &kind, int currentYear)
{
    if (value < 0)
        return u"Invalid time"_s;
    const qint64 f0 = value / 100000000;
    const qint64 f1 = (value / 1000000) % 100;
    const qint64 f2 = (value / 10000) % 100;
    const qint64 f3 = (value / 100) % 100;
    const qint64 f4 = value % 100;
    const QString clock
        = twoDigits(f2) + QLatin1Char(':') + twoDigits(f3) + QLatin1Char(':') + twoDigits(f4);
    const QString date = twoDigits(f1) + QLatin1Char('/') + twoDigits(f0) + QLatin1Char('/')
        + twoDigits(((currentYear % 100) + 100) % 100);
    if (kind == QLatin1String("h"))
        return clock;
    if (kind == QLatin1String("d"))
        return date;
    return date + QLatin1Char(' ') + clock;
}

} // namespace tlv::viewer
