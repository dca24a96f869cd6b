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
        // Only a Long holds a PCD time; the others show no date. The grid shows a time for
        // "th", a date for "td", both for the others: "tdx" shows no date alone.
        const QStringView shown = QStringView(format).mid(1);
        if (!isLong || shown.startsWith(u'x'))
            return CellKind::Text;
        if (shown.startsWith(u'd') || shown.startsWith(u'h'))
            return shown == u"d" ? CellKind::Date : shown == u"h" ? CellKind::Time : CellKind::Text;
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
