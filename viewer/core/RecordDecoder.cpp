#include "viewer/core/RecordDecoder.h"

#include "common/Cp1252.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/FormatText.h"
#include "viewer/core/MediaText.h"
#include "viewer/core/TextBuffer.h"
#include "viewer/core/TextSources.h"
#include "viewer/core/ValueTextLookup.h"

#include <array>
#include <cmath>
#include <iterator>

using namespace Qt::StringLiterals;

namespace tlv::viewer {

namespace {

// count separators of an empty comment line, shared by every record of that width.
QString separators(qsizetype count)
{
    thread_local QString line;
    if (line.size() != count)
        line = QString(count, u';');
    return line;
}

// Part number part of u, bits wide; a position outside the word reads as 0.
quint32 extract(quint32 u, int bits, int position)
{
    const int shift = bits * position;
    if (position < 0 || shift >= 32)
        return 0;
    const quint32 mask = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
    return (u >> shift) & mask;
}

int wordsOf(const ColumnDescription &column)
{
    return column.DataType == ColumnDescription::String ? 1 + qMax<int>(0, column.ExtraRegisters)
                                                        : 1;
}

// Display digits read as the decimal number they show: leading blanks (F)
// are no digits; any other letter digit means the display shows no number.
std::optional<double> displayDigitsNumber(quint64 pattern, int digits)
{
    double number = 0;
    bool leading = true;
    for (int i = digits - 1; i >= 0; --i) {
        const unsigned nibble = (pattern >> (4 * i)) & 0xFu;
        if (leading && nibble == 0xF)
            continue;
        leading = false;
        if (nibble > 9)
            return std::nullopt;
        number = number * 10 + nibble;
    }
    return number;
}

// 10 to the power places; the table holds the powers a double represents exactly, which
// std::pow gives as well, without its cost per cell.
double powerOfTen(qint64 places)
{
    static constexpr double Exact[] = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10,
        1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };
    if (places >= 0 && places < qint64(std::size(Exact)))
        return Exact[places];
    return std::pow(10.0, double(qMin<qint64>(places, 300)));
}

QString bracketed(qint64 value, bool plain)
{
    const QString bare = QString::number(value);
    return plain ? bare : QLatin1Char('<') + bare + QLatin1Char('>');
}

QString stringText(const ColumnDescription &column, std::span<const qint32> words)
{
    const qsizetype length = qMin<qsizetype>(qMax<int>(0, column.StringLength), 4 * words.size());
    QString text(length, Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < length; ++i) {
        // Most significant byte first; a control byte shows as the character of code 127.
        const auto b = static_cast<unsigned char>(
            (static_cast<quint32>(words[size_t(i / 4)]) >> (8 * (3 - i % 4))) & 0xFFu);
        out[i] = QChar(common::cp1252Char(b < 32 ? 127 : b));
    }
    return text;
}

QString symbolText(const QString &format, quint32 u, qint64 value, const ColumnDescription &column,
    TextSources *sources, bool *known)
{
    *known = true;
    const QChar kind = format.at(1);
    if (kind == u'm')
        return columnText(column, (u >> 16) & 0xFFu, false);
    if (kind != u'a' && kind != u'v' && kind != u's' && kind != u'c') {
        *known = false;
        return {};
    }
    const std::optional<QString> media = mediaText(value);
    if (!media && sources)
        sources->mediaTextFailed(mediaTextErrorMessage());
    if (kind == u'a')
        return media.value_or(QString());
    if (kind == u'v')
        return media ? mediaAddressText(value) : QString();

    std::optional<QString> found;
    if (media && sources) {
        sources->ensureSymbolsLoaded();
        found = kind == u's' ? sources->symbolName(*media) : sources->symbolComment(*media);
    }
    if (found)
        return *found;
    return kind == u's' ? u"<Not found>"_s : u"<No found>"_s;
}

} // namespace

RecordDecoder::RecordDecoder(Clock clock)
    : m_clock(std::move(clock))
{ }

int RecordDecoder::stamp(QString *date, QString *time, qint64 *msecs) const
{
    QDateTime now;
    qint64 second = 0;
    if (m_clock) {
        now = m_clock();
        *msecs = now.toMSecsSinceEpoch();
        // The texts depend only on the date and the time to the second.
        second = now.date().toJulianDay() * 86400 + now.time().msecsSinceStartOfDay() / 1000;
    } else {
        // Asking for the local time costs far more than a record: once a second is enough.
        const qint64 ms = QDateTime::currentMSecsSinceEpoch();
        *msecs = ms;
        if (m_stampSecond >= 0 && ms >= 0 && ms / 1000 == m_stampSecond) {
            *date = m_stampDate;
            *time = m_stampTime;
            return m_stampYear;
        }
        now = QDateTime::currentDateTime();
        // The texts are of this moment: a new second may have begun since ms was taken.
        *msecs = now.toMSecsSinceEpoch();
        second = *msecs / 1000;
    }
    if (second != m_stampSecond || m_stampDate.isEmpty()) {
        m_stampSecond = second;
        m_stampYear = now.date().year();
        m_stampDate = now.toString(u"dd/MM/yy"_s);
        m_stampTime = now.toString(u"hh:mm:ss"_s);
    }
    *date = m_stampDate;
    *time = m_stampTime;
    return m_stampYear;
}

void DecodedRecord::appendColumn(int column, QStringView text, QStringView raw, qint64 value,
    std::optional<double> number, QStringView comment)
{
    DecodedColumn c;
    c.column = column;
    c.value = value;
    c.number = number;
    c.hasRaw = number.has_value() || raw != text;
    if (!columns.isEmpty())
        commentLine.append(u';');
    displayLine.append(u'\t');
    c.textAt = qint32(displayLine.size());
    c.textSize = qint32(text.size());
    displayLine.append(text);
    c.commentAt = qint32(commentLine.size());
    c.commentSize = qint32(comment.size());
    commentLine.append(comment);
    columns.append(c);
}

QString DecodedRecord::raw(qsizetype i) const
{
    return columns[i].hasRaw ? QString::number(columns[i].value) : text(i).toString();
}

QString DecodedRecord::rawLine() const
{
    QString line;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (i > 0)
            line += u';';
        line += raw(i);
    }
    return line;
}

namespace {

// Where a formatter left the display text: Done, in ready (a string: its raw entry too);
// else in ready (a made text), in view (a stored text) or formatted in text.
enum class TextIn { Done, Ready, View, Buffer };

// The display text of a column in one of its places, and its comment.
struct Texts
{
    ShortText text;
    QString ready;
    QStringView view;
    QString comment;
};

// One number column read: what every formatter works from.
struct Cell
{
    Cell(const ColumnDescription &c, TextSources *s, int y)
        : column(c)
        , sources(s)
        , year(y)
    { }

    const ColumnDescription &column;
    TextSources *sources;
    int year; // the current year, for the time formats
    QChar conv; // the format's last letter
    qint64 decimals = 0; // the format's leading number
    bool signedFormat = false; // an 's' in the format
    quint32 word = 0; // the column's word
    qint64 value = 0; // the column's part of it
    int bits = 32; // the width of that part
    quint64 pattern = 0; // its bits, unsigned
    bool isLong = false;
};

// Formats a cell into texts; number is the value unless the format shows another.
using Formatter = TextIn (*)(const Cell &, Texts &, std::optional<double> &number);

// The format's leading number, its letter and whether it is signed, in one pass.
[[gnu::always_inline]] inline void readFormat(const QString &format, Cell &cell)
{
    qint64 decimals = 0;
    bool signedFormat = false;
    bool leading = true;
    for (const QChar c : format) {
        const char16_t ch = c.unicode();
        leading = leading && ch >= u'0' && ch <= u'9';
        if (leading)
            decimals = qMin<qint64>(decimals * 10 + (ch - u'0'), 999999);
        signedFormat = signedFormat || ch == u's';
    }
    cell.conv = format.isEmpty() ? QChar() : format.back();
    cell.decimals = decimals;
    cell.signedFormat = signedFormat;
}

// The column's part of its word, signed where the format says so.
[[gnu::always_inline]] inline void readValue(Cell &cell)
{
    const int pos = cell.column.Position;
    const bool signedDecimal = cell.conv == u'd' && cell.signedFormat;
    switch (cell.column.DataType) {
    case ColumnDescription::Bit:
        cell.bits = 1;
        cell.value = extract(cell.word, 1, pos);
        break;
    case ColumnDescription::Nibble:
        cell.bits = 4;
        cell.value = extract(cell.word, 4, pos);
        break;
    case ColumnDescription::Byte:
        cell.bits = 8;
        cell.value = extract(cell.word, 8, pos);
        if (signedDecimal && cell.value > 127)
            cell.value -= 256;
        break;
    case ColumnDescription::Word:
        cell.bits = 16;
        cell.value = extract(cell.word, 16, pos);
        if (signedDecimal && cell.value > 32767)
            cell.value -= 65536;
        break;
    case ColumnDescription::Long:
        cell.isLong = true;
        cell.value = cell.signedFormat ? qint64(qint32(cell.word)) : qint64(cell.word);
        break;
    default:
        // An unknown data type has no part of the word to show.
        break;
    }
    cell.pattern
        = cell.isLong ? quint64(cell.word) : quint64(cell.value) & ((quint64(1) << cell.bits) - 1);
}

// The raw value in decimal, so the column is never blank.
TextIn rawText(const Cell &cell, Texts &texts, std::optional<double> &)
{
    texts.text.appendSigned(cell.value);
    return TextIn::Buffer;
}

TextIn timeText(const Cell &cell, Texts &texts, std::optional<double> &)
{
    FormatText::appendTime(
        texts.text, qint32(cell.word), QStringView(cell.column.Format).mid(1), cell.year);
    return TextIn::Buffer;
}

TextIn symbolFormat(const Cell &cell, Texts &texts, std::optional<double> &number)
{
    const QString &format = cell.column.Format;
    bool known = false;
    texts.ready = symbolText(format, cell.word, cell.value, cell.column, cell.sources, &known);
    if (format.at(1) == u'm')
        number = double((cell.word >> 16) & 0xFFu);
    return known ? TextIn::Ready : rawText(cell, texts, number);
}

TextIn storedText(const Cell &cell, Texts &texts, std::optional<double> &)
{
    if (const QString *stored = storedColumnText(cell.column, cell.value)) {
        texts.view = *stored;
        return TextIn::View;
    }
    // No text for the value: the value itself, in brackets unless plain.
    const bool plain = cell.conv == u'S';
    if (!plain)
        texts.text.append(u'<');
    texts.text.appendSigned(cell.value);
    if (!plain)
        texts.text.append(u'>');
    return TextIn::Buffer;
}

TextIn fileText(const Cell &cell, Texts &texts, std::optional<double> &)
{
    const bool plain = cell.conv == u'F';
    texts.ready = cell.sources
        ? cell.sources->textFileText(cell.column, cell.value, plain, &texts.comment)
        : bracketed(cell.value, plain);
    return TextIn::Ready;
}

// With places; without them a decimal shows the raw entry (see formatterOf).
TextIn decimalText(const Cell &cell, Texts &texts, std::optional<double> &number)
{
    number = double(cell.value) / powerOfTen(cell.decimals);
    if (FormatText::appendDecimal(texts.text, cell.value, cell.decimals))
        return TextIn::Buffer;
    texts.ready = FormatText::decimal(cell.value, cell.decimals); // hundreds of places
    return TextIn::Ready;
}

TextIn hexText(const Cell &cell, Texts &texts, std::optional<double> &number)
{
    texts.text.appendNumber(cell.pattern, 16, cell.bits == 4 ? 0 : cell.bits / 4);
    number = double(cell.pattern);
    return TextIn::Buffer;
}

TextIn asciiText(const Cell &cell, Texts &texts, std::optional<double> &number)
{
    // A Long holds four bytes: a larger count adds no characters.
    const int bytes = cell.isLong && cell.decimals > 0 ? int(qMin<qint64>(cell.decimals, 4))
                                                       : qMax(1, cell.bits / 8);
    FormatText::appendAscii(texts.text, cell.pattern, bytes);
    number = double(bytes >= 4 ? cell.pattern : cell.pattern & ((quint64(1) << (8 * bytes)) - 1));
    return TextIn::Buffer;
}

TextIn binaryText(const Cell &cell, Texts &texts, std::optional<double> &number)
{
    number = double(cell.pattern);
    if (cell.isLong) {
        FormatText::appendBinary(texts.text, cell.pattern >> 16, 16);
        FormatText::appendBinary(texts.text, cell.pattern & 0xFFFFu, 16);
    } else {
        FormatText::appendBinary(texts.text, cell.pattern, cell.bits);
    }
    return TextIn::Buffer;
}

TextIn displayDigitsText(const Cell &cell, Texts &texts, std::optional<double> &number)
{
    FormatText::appendDisplayDigits(texts.text, cell.pattern, cell.bits / 4);
    number = displayDigitsNumber(cell.pattern, cell.bits / 4);
    return TextIn::Buffer;
}

TextIn threeFieldText(const Cell &cell, Texts &texts, std::optional<double> &number)
{
    if (cell.column.DataType != ColumnDescription::Word)
        return rawText(cell, texts, number);
    FormatText::appendThreeField(texts.text, cell.pattern);
    return TextIn::Buffer;
}

// The formats by their last letter, looked up by it. Texts show for every data type; a Bit
// column shows its raw entry for the number formats. Any other letter (e.g. the milliseconds
// "m") shows the raw value.
struct LetterFormat
{
    Formatter format = nullptr;
    bool forBits = false;
};
constexpr std::array<LetterFormat, 128> LetterFormats = [] {
    std::array<LetterFormat, 128> table {};
    table[u's'] = table[u'S'] = { storedText, true };
    table[u'f'] = table[u'F'] = { fileText, true };
    table[u'd'] = { decimalText, false };
    table[u'h'] = { hexText, false };
    table[u'a'] = { asciiText, false };
    table[u'b'] = { binaryText, false };
    table[u'p'] = { displayDigitsText, false };
    table[u'e'] = { threeFieldText, false };
    return table;
}();

[[gnu::always_inline]] inline Formatter formatterOf(const Cell &cell)
{
    // A Long's time and symbol formats go by their first letter.
    const QString &format = cell.column.Format;
    if (cell.isLong && !format.isEmpty() && format.front() == u't')
        return timeText;
    if (cell.isLong && format.size() == 2 && format.front() == u'g')
        return symbolFormat;
    const char16_t letter = cell.conv.unicode();
    const LetterFormat f = letter < LetterFormats.size() ? LetterFormats[letter] : LetterFormat {};
    // A bit, and a decimal without places, show the raw entry itself.
    if (!f.format || (!f.forBits && cell.column.DataType == ColumnDescription::Bit)
        || (letter == u'd' && cell.decimals <= 0))
        return rawText;
    return f.format;
}

// Decodes one column into texts; value and number are the cell's. Inlined into the record
// loop: a call per column costs more than most formats.
[[gnu::always_inline]] inline TextIn decodeInto(const ColumnDescription &column,
    std::span<const qint32> columnWords, TextSources *sources, int year, qint64 &value,
    std::optional<double> &number, Texts &texts)
{
    if (columnWords.empty())
        return TextIn::Done;
    if (column.DataType == ColumnDescription::String) {
        // Whatever the format letter, a string shows as its text.
        texts.ready = stringText(column, columnWords);
        return TextIn::Done;
    }
    Cell cell(column, sources, year);
    readFormat(column.Format, cell);
    cell.word = static_cast<quint32>(columnWords[0]);
    readValue(cell);
    value = cell.value;
    number = double(cell.value);
    const Formatter format = formatterOf(cell);
    // The raw value, the commonest cell, without a call.
    if (format == rawText) {
        texts.text.appendSigned(cell.value);
        return TextIn::Buffer;
    }
    // The number formats called by name, so the compiler inlines them into the record loop
    // as it does the raw value; a call through the table costs more than most of them.
    if (format == decimalText)
        return decimalText(cell, texts, number);
    if (format == hexText)
        return hexText(cell, texts, number);
    if (format == binaryText)
        return binaryText(cell, texts, number);
    if (format == asciiText)
        return asciiText(cell, texts, number);
    return format(cell, texts, number);
}

} // namespace

DecodedRecord RecordDecoder::decode(const ColumnTable &table, const QList<qint32> &words,
    qint64 recordStart, TextSources *sources) const
{
    DecodedRecord record;
    const int year = stamp(&record.date, &record.time, &record.msecs);

    const int maxColumn = qMin(table.MaxColumn, ColumnTable::Size - 1);
    // Every word of the record must be in the answer before anything is decoded.
    qsizetype defined = 0;
    for (int k = 0; k <= maxColumn; ++k) {
        const ColumnDescription &column = table[k];
        if (!column.Defined)
            continue;
        const qint64 first = recordStart + column.RegisterIndex;
        if (first < 0 || first + wordsOf(column) > words.size())
            return record;
        ++defined;
    }
    record.ok = true;
    if (defined == 0)
        return record;

    record.columns.resize(defined);
    DecodedColumn *const firstColumn = record.columns.data();
    DecodedColumn *decoded = firstColumn;
    // Each text is formatted once, straight into its line.
    TextBuffer<2048> display;
    TextBuffer<256> commentLine;
    bool anyComment = false;
    Texts texts;
    for (int k = 0; k <= maxColumn; ++k) {
        const ColumnDescription &column = table[k];
        if (!column.Defined)
            continue;
        const qint64 at = recordStart + column.RegisterIndex;
        DecodedColumn &out = *decoded++;
        out.column = k;
        if (decoded != firstColumn + 1)
            commentLine.append(u';');
        display.append(u'\t');
        out.textAt = qint32(display.size());
        texts.text.reset(display.tail(ShortText::Capacity));
        const TextIn in
            = decodeInto(column, std::span(words.constData() + at, size_t(wordsOf(column))),
                sources, year, out.value, out.number, texts);
        switch (in) {
        case TextIn::Done:
        case TextIn::Ready:
            display.append(texts.ready);
            break;
        case TextIn::View:
            display.append(texts.view);
            break;
        case TextIn::Buffer:
            display.grow(texts.text.size());
            break;
        }
        out.textSize = qint32(display.size()) - out.textAt;
        out.hasRaw = in != TextIn::Done;
        out.commentAt = qint32(commentLine.size());
        out.commentSize = qint32(texts.comment.size());
        if (!texts.comment.isEmpty()) {
            commentLine.append(texts.comment);
            texts.comment.clear();
            anyComment = true;
        }
        if (!texts.ready.isNull())
            texts.ready = QString();
    }
    record.displayLine = display.view().toString();
    // Most records carry no comments: their comment line is then the separators only, one
    // shared string of them, and the display line is the record's one allocation.
    record.commentLine
        = anyComment ? commentLine.view().toString() : separators(commentLine.size());
    return record;
}

DecodedCell RecordDecoder::decodeColumn(const ColumnDescription &column,
    const QList<qint32> &columnWords, TextSources *sources, const QDateTime &now) const
{
    DecodedCell out;
    Texts texts;
    const TextIn in
        = decodeInto(column, std::span(columnWords.constData(), size_t(columnWords.size())),
            sources, now.date().year(), out.value, out.number, texts);
    out.comment = texts.comment;
    out.text = in == TextIn::Buffer ? texts.text.toString()
        : in == TextIn::View        ? texts.view.toString()
                                    : texts.ready;
    out.raw = in == TextIn::Done ? out.text : QString::number(out.value);
    return out;
}

} // namespace tlv::viewer
