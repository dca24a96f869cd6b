#include "RegisterSection.h"

#include "ColumnTexts.h"
#include "FileTextSources.h"
#include "ProfileNumber.h"

namespace tlv::viewer {

namespace {

struct PartKey
{
    QLatin1String prefix;
    qint16 type;
    int maxPart; // -1: the key takes no part number
};

const PartKey partKeys[] = {
    { QLatin1String("Bit_"), ColumnDescription::Bit, 31 },
    { QLatin1String("Nibe"), ColumnDescription::Nibble, 7 },
    { QLatin1String("Byte"), ColumnDescription::Byte, 3 },
    { QLatin1String("Word"), ColumnDescription::Word, 1 },
    { QLatin1String("Long"), ColumnDescription::Long, -1 },
    { QLatin1String("Strg"), ColumnDescription::String, -1 },
};

// DataType and Position for a key, false for a key or part number we do not know.
bool decodeKey(const QString &key, qint16 *type, qint16 *position)
{
    if (key.size() < 4)
        return false;
    for (const PartKey &part : partKeys) {
        if (QStringView(key).left(4).compare(part.prefix, Qt::CaseInsensitive) != 0)
            continue;
        *type = part.type;
        *position = 0;
        if (part.maxPart < 0)
            return true;
        qint64 number = 0;
        if (!ProfileNumber::leading(QStringView(key).mid(4), 0, part.maxPart, &number))
            return false;
        *position = static_cast<qint16>(number);
        return true;
    }
    return false;
}

QString readingError(qint16 registerIndex)
{
    return QStringLiteral("Reading error in section REGISTER_") + QString::number(registerIndex);
}

} // namespace

RegisterSection::TextsResult RegisterSection::parseValueTexts(
    QStringView text, ColumnDescription &column)
{
    column.DefaultText.clear();
    column.TextCount = 0;
    column.ValueTexts.clear();

    qsizetype pos = 0;
    while (!text.mid(pos).trimmed().isEmpty()) {
        const qsizetype backslash = text.indexOf(u'\\', pos);
        if (backslash < 0)
            return TextsResult::ColumnUndefined;
        const qsizetype close = text.indexOf(u')', backslash + 1);
        if (close < 0)
            return TextsResult::ColumnUndefined;
        const QStringView values = text.mid(backslash + 1, close - backslash - 1);
        qsizetype next = text.indexOf(u'\\', close + 1);
        if (next < 0)
            next = text.size();
        const QString valueText = text.mid(close + 1, next - close - 1).trimmed().toString();
        pos = next;

        if (values.trimmed().isEmpty()) {
            column.DefaultText = valueText;
            continue;
        }
        for (const QStringView element : values.split(u' ', Qt::SkipEmptyParts)) {
            qint64 first = 0;
            qint64 last = 0;
            const qsizetype dots = element.indexOf(QLatin1String(".."));
            // Value texts are whole numbers kept with four decimals in 64 bits.
            constexpr qint64 limit = 922337203685477;
            if (dots >= 0) {
                if (!ProfileNumber::strict(element.left(dots), -limit, limit, &first)
                    || !ProfileNumber::strict(element.mid(dots + 2), -limit, limit, &last))
                    return TextsResult::BadValue;
            } else {
                if (!ProfileNumber::strict(element, -limit, limit, &first))
                    return TextsResult::BadValue;
                last = first;
            }
            for (qint64 value = first; value <= last; ++value) {
                if (!ColumnTexts::add(column, value, valueText))
                    return TextsResult::TooMany;
            }
        }
    }
    return TextsResult::Ok;
}

namespace {

// What a line did: nothing, defined its column, or made the section unreadable.
enum class LineResult { Skipped, Defined, Failed };

// The fields after the column number: width, title, format and its value texts.
LineResult readColumn(QStringView rest, int columnNumber, qint16 registerIndex, qint32 defaultWidth,
    ColumnDescription &column, FileTextSources *texts, QString *error)
{
    const qsizetype widthEnd = rest.indexOf(u',');
    if (widthEnd < 0)
        return LineResult::Skipped;
    const QStringView widthText = rest.left(widthEnd);
    if (widthText.trimmed().isEmpty()) {
        column.Width = defaultWidth;
    } else if (!ProfileNumber::strict(widthText, &column.Width)) {
        *error = readingError(registerIndex);
        return LineResult::Failed;
    }
    rest = rest.mid(widthEnd + 1);

    const qsizetype titleEnd = rest.indexOf(u',');
    if (titleEnd < 0)
        return LineResult::Skipped;
    column.Title = rest.left(titleEnd).toString();
    rest = rest.mid(titleEnd + 1).trimmed();

    const qsizetype percent = rest.indexOf(u'%');
    if (percent < 0)
        return LineResult::Skipped;
    rest = rest.mid(percent + 1);
    const qsizetype space = rest.indexOf(u' ');
    column.Format = (space < 0 ? rest : rest.left(space)).toString();
    const QStringView valueTexts = space < 0 ? QStringView() : rest.mid(space + 1);

    if (column.Format.startsWith(u'g') && texts)
        texts->ensureSymbolsLoaded();

    if (column.Format.compare(QLatin1String("s"), Qt::CaseInsensitive) == 0
        || column.Format.compare(QLatin1String("gm"), Qt::CaseInsensitive) == 0) {
        switch (RegisterSection::parseValueTexts(valueTexts, column)) {
        case RegisterSection::TextsResult::Ok:
            break;
        case RegisterSection::TextsResult::ColumnUndefined:
            return LineResult::Skipped;
        case RegisterSection::TextsResult::TooMany:
            *error = QStringLiteral("Too many value with a string in culumn number ")
                + QString::number(columnNumber) + QStringLiteral("Read tlv file");
            return LineResult::Failed;
        case RegisterSection::TextsResult::BadValue:
            *error = readingError(registerIndex);
            return LineResult::Failed;
        }
    }
    return LineResult::Defined;
}

LineResult readLine(const QString &line, qint16 registerIndex, qint32 defaultWidth,
    ColumnTable &table, FileTextSources *texts, QString *error)
{
    if (line.startsWith(u';'))
        return LineResult::Skipped;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return LineResult::Skipped;
    const QString key = line.left(equals).trimmed();
    const QString value = line.mid(equals + 1);
    if (value.size() < 5)
        return LineResult::Skipped;
    const qsizetype comma = value.indexOf(u',');
    if (comma <= 0)
        return LineResult::Skipped;

    qint16 type = 0;
    qint16 position = 0;
    if (!decodeKey(key, &type, &position))
        return LineResult::Skipped;
    qint64 number = -1;
    if (!ProfileNumber::strict(QStringView(value).left(comma), 0, ColumnTable::Size - 1, &number)) {
        *error = readingError(registerIndex);
        return LineResult::Failed;
    }
    const int columnNumber = static_cast<int>(number);
    ColumnDescription &column = table[columnNumber];
    column.DataType = type;
    column.Position = position;
    column.RegisterIndex = registerIndex;
    const LineResult result = readColumn(QStringView(value).mid(comma + 1), columnNumber,
        registerIndex, defaultWidth, column, texts, error);
    if (result == LineResult::Defined) {
        table.MaxColumn = qMax(table.MaxColumn, columnNumber);
        column.Defined = true;
    }
    return result;
}

} // namespace

bool RegisterSection::parse(const QStringList &lines, qint16 registerIndex, qint32 defaultWidth,
    ColumnTable &table, FileTextSources *texts, QString *error)
{
    qsizetype size = 1;
    for (const QString &line : lines)
        size += line.size() + 1;
    if (size >= SizeLimit) {
        *error = QStringLiteral("Too many bytes in the section REGISTER_")
            + QString::number(registerIndex);
        return false;
    }
    for (const QString &line : lines) {
        if (readLine(line, registerIndex, defaultWidth, table, texts, error) == LineResult::Failed)
            return false;
    }
    return true;
}

} // namespace tlv::viewer
