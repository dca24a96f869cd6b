#include "viewer/core/RecordDecoder.h"

#include "viewer/core/ColumnTable.h"
#include "viewer/core/FormatText.h"
#include "viewer/core/MediaText.h"
#include "viewer/core/TextSources.h"
#include "viewer/core/ValueTextLookup.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace tlv::viewer {

namespace {

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

QString bracketed(qint64 value, bool plain)
{
    const QString bare = QString::number(value);
    return plain ? bare : QLatin1Char('<') + bare + QLatin1Char('>');
}

QString stringText(const ColumnDescription &column, const QList<qint32> &words)
{
    QString text;
    for (const qint32 w : words)
        text += FormatText::ascii(static_cast<quint32>(w), 4);
    return text.left(qMax<int>(0, column.StringLength));
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
    : m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
{ }

DecodedRecord RecordDecoder::decode(const ColumnTable &table, const QList<qint32> &words,
    qint64 recordStart, TextSources *sources) const
{
    DecodedRecord record;
    const QDateTime now = m_clock();
    record.date = now.toString(u"dd/MM/yy"_s);
    record.time = now.toString(u"hh:mm:ss"_s);
    record.msecs = now.toMSecsSinceEpoch();

    const int maxColumn = qMin(table.MaxColumn, ColumnTable::Size - 1);
    // Every word of the record must be in the answer before anything is decoded.
    for (int k = 0; k <= maxColumn; ++k) {
        const ColumnDescription &column = table[k];
        if (!column.Defined)
            continue;
        const qint64 first = recordStart + column.RegisterIndex;
        if (first < 0 || first + wordsOf(column) > words.size())
            return record;
    }

    bool firstColumn = true;
    for (int k = 0; k <= maxColumn; ++k) {
        const ColumnDescription &column = table[k];
        if (!column.Defined)
            continue;
        const qint64 first = recordStart + column.RegisterIndex;
        DecodedColumn decoded
            = decodeColumn(column, words.mid(first, wordsOf(column)), sources, now);
        decoded.column = k;
        if (firstColumn) {
            record.rawLine = decoded.raw;
            record.commentLine = decoded.comment;
        } else {
            record.rawLine += QLatin1Char(';') + decoded.raw;
            record.commentLine += QLatin1Char(';') + decoded.comment;
        }
        firstColumn = false;
        record.displayLine += QLatin1Char('\t') + decoded.text;
        record.columns.append(std::move(decoded));
    }
    record.ok = true;
    return record;
}

DecodedColumn RecordDecoder::decodeColumn(const ColumnDescription &column,
    const QList<qint32> &columnWords, TextSources *sources, const QDateTime &now) const
{
    DecodedColumn out;
    if (columnWords.isEmpty())
        return out;
    if (column.DataType == ColumnDescription::String) {
        // Whatever the format letter, a string shows as its text.
        out.text = out.raw = stringText(column, columnWords);
        return out;
    }

    const QString &format = column.Format;
    const QChar conv = FormatText::conversion(format);
    const qint64 decimals = FormatText::leadingNumber(format);
    const bool signedFormat = format.contains(u's');
    const auto u = static_cast<quint32>(columnWords[0]);
    const int pos = column.Position;

    qint64 value = 0;
    switch (column.DataType) {
    case ColumnDescription::Bit:
        value = extract(u, 1, pos);
        break;
    case ColumnDescription::Nibble:
        value = extract(u, 4, pos);
        break;
    case ColumnDescription::Byte:
        value = extract(u, 8, pos);
        if (conv == u'd' && signedFormat && value > 127)
            value -= 256;
        break;
    case ColumnDescription::Word:
        value = extract(u, 16, pos);
        if (conv == u'd' && signedFormat && value > 32767)
            value -= 65536;
        break;
    case ColumnDescription::Long:
        value = signedFormat ? qint64(qint32(u)) : qint64(u);
        break;
    default:
        // An unknown data type has no part of the word to show.
        break;
    }
    out.value = value;
    out.number = double(value);
    out.raw = QString::number(value);

    const int type = column.DataType;
    const bool isLong = type == ColumnDescription::Long;
    if (isLong && format.startsWith(u't')) {
        out.text = FormatText::time(qint32(u), format.mid(1), now.date().year());
        return out;
    }
    if (isLong && format.size() == 2 && format.startsWith(u'g')) {
        bool known = false;
        out.text = symbolText(format, u, value, column, sources, &known);
        if (format.at(1) == u'm')
            out.number = double((u >> 16) & 0xFFu);
        if (known)
            return out;
        out.text = out.raw;
        return out;
    }

    if (conv == u's' || conv == u'S') {
        out.text = columnText(column, value, conv == u'S');
        return out;
    }
    if (conv == u'f' || conv == u'F') {
        const bool plain = conv == u'F';
        out.text = sources ? sources->textFileText(column, value, plain, &out.comment)
                           : bracketed(value, plain);
        return out;
    }
    if (type == ColumnDescription::Bit) {
        out.text = out.raw;
        return out;
    }

    // Nibble, Byte, Word and Long: the width of the part in bits.
    const int bits = type == ColumnDescription::Nibble ? 4
        : type == ColumnDescription::Byte              ? 8
        : type == ColumnDescription::Word              ? 16
                                                       : 32;
    const quint64 pattern = isLong ? quint64(u) : quint64(value) & ((quint64(1) << bits) - 1);
    switch (conv.unicode()) {
    case u'd':
        out.text = FormatText::decimal(value, decimals);
        if (decimals > 0)
            out.number = double(value) / std::pow(10.0, double(qMin<qint64>(decimals, 300)));
        return out;
    case u'h':
        out.text = FormatText::hex(pattern, bits == 4 ? 0 : bits / 4);
        out.number = double(pattern);
        return out;
    case u'a': {
        // A Long holds four bytes: a larger count adds no characters.
        const int bytes
            = isLong && decimals > 0 ? int(qMin<qint64>(decimals, 4)) : qMax(1, bits / 8);
        out.text = FormatText::ascii(pattern, bytes);
        out.number = double(bytes >= 4 ? pattern : pattern & ((quint64(1) << (8 * bytes)) - 1));
        return out;
    }
    case u'b':
        out.text = isLong
            ? FormatText::binary(pattern >> 16, 16) + FormatText::binary(pattern & 0xFFFFu, 16)
            : FormatText::binary(pattern, bits);
        out.number = double(pattern);
        return out;
    case u'p':
        out.text = FormatText::displayDigits(pattern, bits / 4);
        out.number = displayDigitsNumber(pattern, bits / 4);
        return out;
    case u'e':
        if (type == ColumnDescription::Word) {
            out.text = FormatText::threeField(pattern);
            return out;
        }
        break;
    default:
        break;
    }
    // No conversion for this format and type (e.g. the millisecond format "m"):
    // the raw value in decimal, so the column is never blank.
    out.text = out.raw;
    return out;
}

} // namespace tlv::viewer
