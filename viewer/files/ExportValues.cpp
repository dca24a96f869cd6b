#include "viewer/files/ExportValues.h"

#include "viewer/core/ColumnTable.h"
#include "viewer/core/FormatText.h"

#include <QDate>

#include <charconv>
#include <cmath>

namespace tlv::viewer {

namespace {

const QDate oleEpoch(1899, 12, 30);

} // namespace

ExportValues::CellKind ExportValues::kindOf(int gridColumn, const ColumnDescription *description)
{
    if (gridColumn == 1)
        return CellKind::Date;
    if (gridColumn == 2)
        return CellKind::Time;
    if (gridColumn == 3 || !description)
        return CellKind::Text;
    const QString &format = description->Format;
    const QChar conversion = FormatText::conversion(format);
    // Texts from value lists, text files and symbols are texts, whatever they spell.
    const bool listed
        = conversion == u's' || conversion == u'S' || conversion == u'f' || conversion == u'F';
    // A bit is shown as 0 or 1 whatever its format.
    if (description->DataType == ColumnDescription::Bit)
        return listed ? CellKind::Listed : CellKind::Number;
    if (description->DataType == ColumnDescription::String)
        return CellKind::Text;
    const bool isLong = description->DataType == ColumnDescription::Long;
    if (format.startsWith(u't')) {
        // Only a Long holds a PCD time; the others show no date.
        if (!isLong || format.startsWith(u"tx"))
            return CellKind::Text;
        if (format.startsWith(u"td"))
            return CellKind::Date;
        if (format.startsWith(u"th"))
            return CellKind::Time;
        return CellKind::DateTime;
    }
    if (listed || (isLong && format.size() == 2 && format.startsWith(u'g')))
        return CellKind::Listed;
    // Hex, binary, display-digit and character texts are no decimal numbers even when they
    // hold only digits ("0012" in hex is 18, "0021" on a display keeps its zeros): they keep
    // the text the grid shows.
    return conversion == u'd' ? CellKind::Number : CellKind::Text;
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
    case CellKind::Number:
    case CellKind::Listed:
    case CellKind::Text:
        break;
    }
    return GeneralFormat;
}

std::optional<double> ExportValues::pcdTime(
    qint64 word, CellKind kind, QStringView format, int year)
{
    // What the grid shows for the format: a time for "th", a date for "td", else both.
    const QStringView shown = format.mid(1);
    const CellKind shownKind = shown == u"h" ? CellKind::Time
        : shown == u"d"                      ? CellKind::Date
                                             : CellKind::DateTime;
    if (word < 0 || kind != shownKind)
        return std::nullopt;
    const int month = int(word / 100000000);
    const int day = int((word / 1000000) % 100);
    const int hours = int((word / 10000) % 100);
    const int minutes = int((word / 100) % 100);
    const int seconds = int(word % 100);
    double value = 0;
    if (kind != CellKind::Time) {
        // The grid shows the year in two digits, as one of this century.
        const QDate date(2000 + ((year % 100) + 100) % 100, month, day);
        if (!date.isValid())
            return std::nullopt;
        value = double(oleEpoch.daysTo(date));
    }
    if (kind != CellKind::Date) {
        if (hours > 23 || minutes > 59 || seconds > 59)
            return std::nullopt;
        value += (hours * 3600 + minutes * 60 + seconds) / 86400.0;
    }
    return value;
}

bool ExportValues::showsItself(double number, QStringView text)
{
    constexpr double Whole = 9007199254740992.0; // 2^53: every whole number below is exact
    if (!(number > -Whole && number < Whole) || number != std::trunc(number))
        return false;
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, qint64(number)).ptr;
    return text == QLatin1StringView(digits, end - digits);
}

double ExportValues::oleDate(const QDateTime &dateTime)
{
    const QTime t = dateTime.time();
    return double(oleEpoch.daysTo(dateTime.date())) + t.msecsSinceStartOfDay() / 86400000.0;
}

} // namespace tlv::viewer
