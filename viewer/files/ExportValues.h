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

    // The date or time a PCD time word (month, day, hours, minutes and seconds as decimal
    // digit pairs) shows in the format of a time column ("td", "th", "t..."), in the given
    // year; none when the grid shows no valid one of that kind for it.
    [[nodiscard]] static std::optional<double> pcdTime(
        qint64 word, CellKind kind, QStringView format, int year);
    [[nodiscard]] static double oleDate(const QDateTime &dateTime);
    // Whether text is number written as the decoder writes a whole number.
    [[nodiscard]] static bool showsItself(double number, QStringView text);
};

} // namespace tlv::viewer
