#pragma once

#include <QDateTime>
#include <QStringView>

#include <optional>

namespace tlv::viewer {

struct ColumnDescription;

// How grid cells become spreadsheet cells: from the values behind them, never from their
// texts. Dates and times become OLE Automation values: days since 30 December 1899, the
// time of day as the fraction.
class ExportValues
{
public:
    // Number: the decoder's number; Listed: the decoder's number where the grid shows it as
    // it is (a value with no text of its own in a list), else the text; Date, Time, DateTime:
    // the PC time of the row for the PC date and time, the PCD time word of a data cell. A
    // cell without such a value goes out as its text.
    enum class CellKind { Text, Number, Listed, Date, Time, DateTime };

    static constexpr int GeneralFormat = 0;
    static constexpr int DateFormat = 12; // "dd/mm/yy"
    static constexpr int TimeFormat = 19; // "hh:mm:ss"
    static constexpr int DateTimeFormat = 20; // "dd/mm/yy\ hh:mm"

    // The kind of a grid column: 1 date, 2 time, 3 status, else a data column
    // with its description (null is taken as a column of texts).
    [[nodiscard]] static CellKind kindOf(int gridColumn, const ColumnDescription *description);
    [[nodiscard]] static int formatIndex(CellKind kind);

    // The date (Date), time (Time) or both (DateTime) of a PCD time word, its month, day,
    // hours, minutes and seconds as decimal digit pairs, in the given year; none when it
    // holds no valid one.
    [[nodiscard]] static std::optional<double> pcdTime(qint64 word, CellKind kind, int year);
    [[nodiscard]] static double oleDate(const QDateTime &dateTime);
    // Whether text is number written as the decoder writes a whole number.
    [[nodiscard]] static bool showsItself(double number, QStringView text);
};

// Inline: an export of a time column calls it for every cell.
inline std::optional<double> ExportValues::pcdTime(qint64 word, CellKind kind, int year)
{
    if (word < 0 || word > 0xFFFFFFFF)
        return std::nullopt;
    const auto w = quint32(word);
    const int month = int(w / 100000000);
    const int day = int((w / 1000000) % 100);
    const int hours = int((w / 10000) % 100);
    const int minutes = int((w / 100) % 100);
    const int seconds = int(w % 100);
    double value = 0;
    if (kind != CellKind::Time) {
        // The grid shows the year in two digits, as one of this century, where every fourth
        // year is a leap year (2000 too). Counted here: a QDate per cell costs more than the
        // rest of the cell.
        static constexpr int lengths[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
        static constexpr int before[] = { 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334 };
        const int y = ((year % 100) + 100) % 100;
        const bool leap = y % 4 == 0;
        if (month < 1 || month > 12 || day < 1
            || day > lengths[month - 1] + (leap && month == 2 ? 1 : 0))
            return std::nullopt;
        constexpr int year2000 = 36526; // 1 January 2000
        value = year2000 + y * 365 + (y + 3) / 4 + before[month - 1] + (leap && month > 2 ? 1 : 0)
            + day - 1;
    }
    if (kind != CellKind::Date) {
        if (hours > 23 || minutes > 59 || seconds > 59)
            return std::nullopt;
        value += (hours * 3600 + minutes * 60 + seconds) / 86400.0;
    }
    return value;
}

} // namespace tlv::viewer
