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

// One column of a decoded record.
struct DecodedColumn
{
    int column = 0; // column number in the table
    QString text; // display text
    QString raw; // raw line entry (a String column gives its text)
    qint64 value = 0; // raw value (0 for a String column)
    // The number the cell stands for: what a number-showing format shows
    // (decimals scaled, hex/binary/characters as their value, display digits
    // read as decimal), the numeric value behind a text; none for a string or
    // display digits that show no number.
    std::optional<double> number;
    QString comment; // from the text files, else empty
};

// One decoded record: the three lines of the grid row and the PC stamps.
struct DecodedRecord
{
    bool ok = false; // false when a word of the record lies outside the answer
    QString displayLine; // TAB + text per defined column
    QString rawLine; // ';'-joined raw values
    QString commentLine; // ';'-joined column comments
    QString date; // "dd/mm/yy"
    QString time; // "hh:mm:ss"
    qint64 msecs = 0; // the same PC time, ms since the epoch
    QList<DecodedColumn> columns;
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
    [[nodiscard]] DecodedColumn decodeColumn(const ColumnDescription &column,
        const QList<qint32> &columnWords, TextSources *sources, const QDateTime &now) const;

private:
    // Where decodeInto left the texts: Done, both in the column (a string); else the raw
    // entry in raw and the display text in the column (a value text), in text, or in raw.
    enum class TextIn { Done, Column, Buffer, Raw };
    // Fills out's value and whatever texts are ready strings; formats the others into
    // text and raw.
    TextIn decodeInto(const ColumnDescription &column, std::span<const qint32> columnWords,
        TextSources *sources, int year, DecodedColumn &out, ShortText &text, ShortText &raw) const;
    // The clock's time; the stamps' texts are made once per second.
    QDateTime stamp(QString *date, QString *time, qint64 *msecs) const;

    Clock m_clock; // empty: the system clock
    mutable QDateTime m_stampNow;
    mutable qint64 m_stampSecond = -1;
    mutable QString m_stampDate;
    mutable QString m_stampTime;
};

} // namespace tlv::viewer
