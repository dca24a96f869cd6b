#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

namespace tlv::viewer {

struct ColumnDescription;

// How grid texts become spreadsheet cells. The texts are the decoder's: numbers
// with a '.' decimal point and an optional leading '-', dates "dd/mm/yy",
// times "hh:mm:ss", date-and-time "dd/mm/yy hh:mm:ss". Dates and times become
// OLE Automation values: days since 30 December 1899, the time as the fraction.
class ExportValues
{
public:
    enum class CellKind { NumberOrText, Text, Date, Time, DateTime };

    static constexpr int GeneralFormat = 0;
    static constexpr int DateFormat = 12; // "dd/mm/yy"
    static constexpr int TimeFormat = 19; // "hh:mm:ss"
    static constexpr int DateTimeFormat = 20; // "dd/mm/yy\ hh:mm"

    // The kind of a grid column: 1 date, 2 time, 3 status, else a data column
    // with its description (null is taken as a plain data column).
    [[nodiscard]] static CellKind kindOf(int gridColumn, const ColumnDescription *description);
    [[nodiscard]] static int formatIndex(CellKind kind);

    [[nodiscard]] static std::optional<double> number(QStringView text);
    [[nodiscard]] static std::optional<double> date(QStringView text);
    [[nodiscard]] static std::optional<double> time(QStringView text);
    [[nodiscard]] static std::optional<double> dateTime(QStringView text);
    // The value for a cell of the given date or time kind; nullopt when the text is no such value.
    [[nodiscard]] static std::optional<double> dateValue(CellKind kind, QStringView text);
    [[nodiscard]] static double oleDate(const QDateTime &dateTime);
};

} // namespace tlv::viewer
