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

std::optional<QDate> parseDate(QStringView text)
{
    const auto parts = text.split(u'/');
    int d = 0, m = 0, y = 0;
    if (parts.size() != 3 || !field(parts[0], 2, d) || !field(parts[1], 2, m)
        || !field(parts[2], 2, y))
        return std::nullopt;
    // The stamps are today's dates, so a two-digit year is in this century.
    const QDate date(2000 + y, m, d);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<int> parseSeconds(QStringView text)
{
    const auto parts = text.split(u':');
    int h = 0, m = 0, s = 0;
    if (parts.size() < 2 || parts.size() > 3 || !field(parts[0], 1, h) || !field(parts[1], 2, m))
        return std::nullopt;
    if (parts.size() == 3 && !field(parts[2], 2, s))
        return std::nullopt;
    if (h > 23 || m > 59 || s > 59)
        return std::nullopt;
    return h * 3600 + m * 60 + s;
}

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

std::optional<double> ExportValues::number(const QString &text)
{
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok); // QString::toDouble is locale-independent ('.')
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<double> ExportValues::date(const QString &text)
{
    const auto d = parseDate(text);
    if (!d)
        return std::nullopt;
    return double(oleEpoch.daysTo(*d));
}

std::optional<double> ExportValues::time(const QString &text)
{
    const auto s = parseSeconds(text);
    if (!s)
        return std::nullopt;
    return *s / 86400.0;
}

std::optional<double> ExportValues::dateTime(const QString &text)
{
    const qsizetype space = text.indexOf(u' ');
    if (space < 0)
        return std::nullopt;
    const auto d = parseDate(QStringView(text).left(space));
    const auto s = parseSeconds(QStringView(text).mid(space + 1));
    if (!d || !s)
        return std::nullopt;
    return double(oleEpoch.daysTo(*d)) + *s / 86400.0;
}

std::optional<double> ExportValues::dateValue(CellKind kind, const QString &text)
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
