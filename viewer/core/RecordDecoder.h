#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <span>

namespace tlv::viewer {

struct ColumnTable;
struct ColumnDescription;
class ShortText;
class TextSources;

// One column of a decoded record. Its texts lie in the record's lines, so a record of a
// hundred columns is a few allocations, not hundreds.
struct DecodedColumn
{
    int column = 0; // column number in the table
    qint64 value = 0; // raw value (0 for a String column)
    // The number the cell stands for: what a number-showing format shows
    // (decimals scaled, hex/binary/characters as their value, display digits
    // read as decimal), the numeric value behind a text; none for a string or
    // display digits that show no number.
    std::optional<double> number;
    bool hasRaw = false; // the raw entry is value in decimal; else it is the text (a string)
    qint32 textAt = 0; // display text: in the display line
    qint32 textSize = 0;
    qint32 commentAt = 0; // comment from the text files: in the comment line
    qint32 commentSize = 0;
};

// One decoded record: the three lines of the grid row and the PC stamps.
struct DecodedRecord
{
    bool ok = false; // false when a word of the record lies outside the answer
    QString displayLine; // TAB + text per defined column
    QString commentLine; // ';'-joined column comments
    QString date; // "dd/mm/yy"
    QString time; // "hh:mm:ss"
    qint64 msecs = 0; // the same PC time, ms since the epoch
    QList<DecodedColumn> columns;

    // The texts of column i (an index into columns), valid while the record lives.
    [[nodiscard]] QStringView text(qsizetype i) const
    {
        return QStringView(displayLine).sliced(columns[i].textAt, columns[i].textSize);
    }
    [[nodiscard]] QStringView comment(qsizetype i) const
    {
        return QStringView(commentLine).sliced(columns[i].commentAt, columns[i].commentSize);
    }
    // Its raw entry, and the ';'-joined raw entries of the record: made when asked for.
    [[nodiscard]] QString raw(qsizetype i) const;
    [[nodiscard]] QString rawLine() const;
    // Adds a column at the end of the lines (a record made from its texts).
    void appendColumn(int column, QStringView text, QStringView raw, qint64 value,
        std::optional<double> number, QStringView comment = {});
};

// One column decoded on its own.
struct DecodedCell
{
    QString text;
    QString raw;
    qint64 value = 0;
    std::optional<double> number;
    QString comment;
};

// Cuts records into column values and formats them. The clock is injectable so
// the stamps and the current year of the "td" format are deterministic in tests.
class RecordDecoder
{
public:
    using Clock = std::function<QDateTime()>;

    explicit RecordDecoder(Clock clock = {});

    // Decodes the record that starts at element recordStart of words; sources
    // may be null (texts then fall back to "<" value ">" or the bare value).
    [[nodiscard]] DecodedRecord decode(const ColumnTable &table, const QList<qint32> &words,
        qint64 recordStart, TextSources *sources) const;

    // Display text and raw value of one column given its first word (and the
    // further words of a String column).
    [[nodiscard]] DecodedCell decodeColumn(const ColumnDescription &column,
        const QList<qint32> &columnWords, TextSources *sources, const QDateTime &now) const;

private:
    // Stamps the record with the clock's time, its texts made once per second; returns the
    // clock's year.
    int stamp(QString *date, QString *time, qint64 *msecs) const;

    Clock m_clock; // empty: the system clock
    mutable int m_stampYear = 0;
    mutable qint64 m_stampSecond = -1;
    mutable QString m_stampDate;
    mutable QString m_stampTime;
};

} // namespace tlv::viewer
