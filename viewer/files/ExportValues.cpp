#include "viewer/files/ExportValues.h"

#include "viewer/core/ColumnTable.h"

#include <QDate>
#include <QRegularExpression>

namespace tlv::viewer {

namespace {

const QDate oleEpoch(1899, 12, 30);

int digit(QChar c)
{
    return c >= u'0' && c <= u'9' ? c.unicode() - u'0' : -1;
}

// Two digits at text[at].
int twoDigits(QStringView text, qsizetype at)
{
    const int high = digit(text[at]);
    const int low = digit(text[at + 1]);
    return high < 0 || low < 0 ? -1 : high * 10 + low;
}

// "dd/mm/yy" as days since 1899-12-30.
std::optional<int> parseDate(QStringView text)
{
    if (text.size() != 8 || text[2] != u'/' || text[5] != u'/')
        return std::nullopt;
    const int d = twoDigits(text, 0);
    const int m = twoDigits(text, 3);
    const int y = twoDigits(text, 6);
    if (d < 1 || m < 1 || m > 12 || y < 0)
        return std::nullopt;
    // The stamps are today's dates, so a two-digit year is in this century, where every
    // fourth year is a leap year (2000 too).
    static constexpr int lengths[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    static constexpr int before[] = { 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334 };
    const bool leap = y % 4 == 0;
    if (d > lengths[m - 1] + (leap && m == 2 ? 1 : 0))
        return std::nullopt;
    constexpr int year2000 = 36526; // 1 January 2000
    return year2000 + y * 365 + (y + 3) / 4 + before[m - 1] + (leap && m > 2 ? 1 : 0) + d - 1;
}

// "h:mm", "hh:mm", "h:mm:ss" or "hh:mm:ss".
std::optional<int> parseSeconds(QStringView text)
{
    const qsizetype size = text.size();
    const qsizetype colon = size > 1 && text[1] == u':' ? 1 : size > 2 && text[2] == u':' ? 2 : -1;
    if (colon < 0 || size < colon + 3)
        return std::nullopt;
    const int h = colon == 1 ? digit(text[0]) : twoDigits(text, 0);
    const int m = twoDigits(text, colon + 1);
    int s = 0;
    if (size != colon + 3) {
        if (size != colon + 6 || text[colon + 3] != u':')
            return std::nullopt;
        s = twoDigits(text, colon + 4);
    }
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return std::nullopt;
    return h * 3600 + m * 60 + s;
}

constexpr double powersOfTen[] = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };

} // namespace

ExportValues::CellKind ExportValues::kindOf(int gridColumn, const ColumnDescription *description)
{
    if (gridColumn == 1)
        return CellKind::Date;
    if (gridColumn == 2)
        return CellKind::Time;
    if (gridColumn == 3 || !description)
        return CellKind::NumberOrText;
    const QString &format = description->Format;
    // A bit is shown as 0 or 1 whatever its format.
    if (description->DataType == ColumnDescription::Bit)
        return CellKind::NumberOrText;
    if (format.startsWith(u't')) {
        if (format.startsWith(u"tx"))
            return CellKind::Text;
        if (format.startsWith(u"td"))
            return CellKind::Date;
        if (format.startsWith(u"th"))
            return CellKind::Time;
        return CellKind::DateTime;
    }
    if (description->DataType == ColumnDescription::String)
        return CellKind::Text;
    // Hex, binary, display-digit and character texts are no decimal numbers
    // even when they hold only digits ("0012" in hex is 18, "0021" on a display
    // keeps its zeros): they keep the text the grid shows.
    if (format.endsWith(u'h') || format.endsWith(u'b') || format.endsWith(u'p')
        || format.endsWith(u'a'))
        return CellKind::Text;
    return CellKind::NumberOrText;
}

int ExportValues::formatIndex(CellKind kind)
{
    switch (kind) {
    case CellKind::Date:
        return DateFormat;
    case CellKind::Time:
        return TimeFormat;
    case CellKind::DateTime:
        return DateTimeFormat;
    case CellKind::NumberOrText:
    case CellKind::Text:
        break;
    }
    return GeneralFormat;
}

std::optional<double> ExportValues::number(QStringView text)
{
    // -?[0-9]+(\.[0-9]+)? read in one pass.
    qsizetype i = text.startsWith(u'-') ? 1 : 0;
    const bool negative = i == 1;
    quint64 mantissa = 0;
    int digits = 0, decimals = 0;
    bool point = false, wellFormed = i < text.size();
    for (; wellFormed && i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (digits < 19)
                mantissa = mantissa * 10 + (c - u'0');
            ++digits;
            decimals += point ? 1 : 0;
        } else if (c == u'.' && !point && digits > 0 && i + 1 < text.size()) {
            point = true;
        } else {
            wellFormed = false;
        }
    }
    // Up to 15 digits and 22 places the quotient is exact and correctly rounded.
    if (wellFormed && digits <= 15 && decimals <= 22) {
        const double magnitude = double(mantissa) / powersOfTen[decimals];
        return negative ? -magnitude : magnitude;
    }
    // Longer digit runs, and whatever else the pattern's '$' lets through (a final
    // line feed), go the general way.
    if (!wellFormed && !text.endsWith(u'\n'))
        return std::nullopt;
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok); // locale-independent ('.')
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<double> ExportValues::date(QStringView text)
{
    const auto d = parseDate(text);
    if (!d)
        return std::nullopt;
    return double(*d);
}

std::optional<double> ExportValues::time(QStringView text)
{
    const auto s = parseSeconds(text);
    if (!s)
        return std::nullopt;
    return *s / 86400.0;
}

std::optional<double> ExportValues::dateTime(QStringView text)
{
    // The date has eight characters, so the first space can only be the ninth.
    if (text.size() < 9 || text[8] != u' ')
        return std::nullopt;
    const auto d = parseDate(text.left(8));
    const auto s = parseSeconds(text.mid(9));
    if (!d || !s)
        return std::nullopt;
    return double(*d) + *s / 86400.0;
}

std::optional<double> ExportValues::dateValue(CellKind kind, QStringView text)
{
    switch (kind) {
    case CellKind::Date:
        return date(text);
    case CellKind::Time:
        return time(text);
    case CellKind::DateTime:
        return dateTime(text);
    case CellKind::NumberOrText:
    case CellKind::Text:
        break;
    }
    return std::nullopt;
}

double ExportValues::oleDate(const QDateTime &dateTime)
{
    const QTime t = dateTime.time();
    return double(oleEpoch.daysTo(dateTime.date())) + t.msecsSinceStartOfDay() / 86400000.0;
}

} // namespace tlv::viewer
