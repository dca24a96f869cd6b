#include "viewer/files/ExportValues.h"

#include "viewer/core/ColumnTable.h"

#include <QDate>
#include <QRegularExpression>

namespace tlv::viewer {

namespace {

const QDate oleEpoch(1899, 12, 30);

// Two digits, or one for the first field of a time.
bool field(QStringView text, int minDigits, int &value)
{
    if (text.size() < minDigits || text.size() > 2)
        return false;
    value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
    }
    return true;
}

// "dd/mm/yy": three fields of two digits.
std::optional<QDate> parseDate(QStringView text)
{
    int d = 0, m = 0, y = 0;
    if (text.size() != 8 || text[2] != u'/' || text[5] != u'/' || !field(text.mid(0, 2), 2, d)
        || !field(text.mid(3, 2), 2, m) || !field(text.mid(6, 2), 2, y))
        return std::nullopt;
    // The stamps are today's dates, so a two-digit year is in this century.
    const QDate date(2000 + y, m, d);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

// "h:mm", "hh:mm", "h:mm:ss" or "hh:mm:ss".
std::optional<int> parseSeconds(QStringView text)
{
    const qsizetype colon = text.indexOf(u':');
    int h = 0, m = 0, s = 0;
    if (colon < 0 || !field(text.left(colon), 1, h) || !field(text.mid(colon + 1, 2), 2, m))
        return std::nullopt;
    const QStringView rest = text.mid(colon + 3);
    if (!rest.isEmpty() && (rest[0] != u':' || !field(rest.mid(1), 2, s)))
        return std::nullopt;
    if (h > 23 || m > 59 || s > 59)
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
    return double(oleEpoch.daysTo(*d));
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
    const qsizetype space = text.indexOf(u' ');
    if (space < 0)
        return std::nullopt;
    const auto d = parseDate(text.left(space));
    const auto s = parseSeconds(text.mid(space + 1));
    if (!d || !s)
        return std::nullopt;
    return double(oleEpoch.daysTo(*d)) + *s / 86400.0;
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
