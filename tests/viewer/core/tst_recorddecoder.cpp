#include "viewer/core/ColumnTable.h"
#include "viewer/core/RecordDecoder.h"
#include "viewer/core/StringColumns.h"
#include "viewer/core/TextSources.h"

#include <gtest/gtest.h>

#include <QHash>

using namespace tlv::viewer;
using namespace Qt::StringLiterals;

namespace {

const QDateTime FixedNow(QDate(2026, 3, 7), QTime(9, 5, 4));

ColumnDescription column(qint16 type, const QString &format, qint16 position = 0, qint16 index = 0)
{
    ColumnDescription c;
    c.Defined = true;
    c.DataType = type;
    c.Format = format;
    c.Position = position;
    c.RegisterIndex = index;
    return c;
}

class FakeSources : public TextSources
{
public:
    QString textFileText(
        const ColumnDescription &c, qint64 value, bool plain, QString *comment) override
    {
        *comment = u"note "_s + QString::number(value);
        return c.Title + (plain ? u"="_s : u":"_s) + QString::number(value);
    }
    std::optional<QString> symbolName(const QString &media) const override
    {
        return names.contains(media) ? std::optional(names.value(media)) : std::nullopt;
    }
    std::optional<QString> symbolComment(const QString &media) const override
    {
        return comments.contains(media) ? std::optional(comments.value(media)) : std::nullopt;
    }
    void mediaTextFailed(const QString &message) override { failures.append(message); }

    QHash<QString, QString> names { { u"R 100"_s, u"Plant.Temp"_s } };
    QHash<QString, QString> comments { { u"R 100"_s, u"boiler"_s } };
    QStringList failures;
};

QString show(const ColumnDescription &c, qint32 word, TextSources *sources = nullptr)
{
    return RecordDecoder([] { return FixedNow; }).decodeColumn(c, { word }, sources, FixedNow).text;
}

} // namespace

TEST(ValueFormat, ConversionsByTypeAndFormat)
{
    using T = ColumnDescription;
    struct Row
    {
        qint16 type;
        QString format;
        qint16 position;
        qint32 word;
        QString text;
    };
    const Row rows[] = {
        { T::Word, u"sd"_s, 0, 65535, u"-1"_s }, { T::Word, u"d"_s, 0, 65535, u"65535"_s },
        { T::Word, u"2d"_s, 0, 1234, u"12.34"_s },
        { T::Word, u"2sd"_s, 1, qint32(0xFFFF0000), u"-0.01"_s },
        { T::Byte, u"1sd"_s, 0, 255, u"-0.1"_s }, { T::Byte, u"sd"_s, 2, 0x00FF0000, u"-1"_s },
        { T::Long, u"d"_s, 0, -1, u"4294967295"_s }, { T::Long, u"sd"_s, 0, -1, u"-1"_s },
        { T::Long, u"h"_s, 0, -1, u"FFFFFFFF"_s }, { T::Byte, u"h"_s, 0, 10, u"0A"_s },
        { T::Word, u"h"_s, 0, 10, u"000A"_s }, { T::Nibble, u"h"_s, 1, 0xA0, u"A"_s },
        { T::Word, u"a"_s, 0, 0x4142, u"AB"_s }, { T::Word, u"a"_s, 0, 0x0041, u"\u007FA"_s },
        { T::Nibble, u"a"_s, 0, 0x5, u"\u007F"_s }, { T::Long, u"2a"_s, 0, 0x41424344, u"CD"_s },
        { T::Long, u"6a"_s, 0, 0x41424344, u"ABCD"_s }, { T::Word, u"p"_s, 0, 2748, u"0*#W"_s },
        { T::Word, u"b"_s, 0, 2748, u"00001010 10111100"_s },
        { T::Long, u"b"_s, 0, 0x00010003, u"00000000 0000000100000000 00000011"_s },
        { T::Long, u"p"_s, 0, qint32(0xDEF01234), u",+ 01234"_s },
        { T::Word, u"e"_s, 0, (9 << 11) | (5 << 8) | 200, u"9/5/200"_s },
        { T::Bit, u"d"_s, 3, 8, u"1"_s }, { T::Bit, u"m"_s, 2, 8, u"0"_s },
        // No conversion of its own: the raw value in decimal.
        { T::Word, u"m"_s, 0, 1234, u"1234"_s }, { T::Byte, u"e"_s, 0, 77, u"77"_s },
        { T::Long, u"gx"_s, 0, 99, u"99"_s },
        { T::Word, u"d"_s, 5, 12, u"0"_s }, // position outside the word reads as 0
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.format.toStdString() + " " + std::to_string(row.word));
        EXPECT_EQ(show(column(row.type, row.format, row.position), row.word), row.text);
    }
}

TEST(ValueFormat, NumbersTheCellsStandFor)
{
    using T = ColumnDescription;
    struct Row
    {
        qint16 type;
        QString format;
        qint32 word;
        std::optional<double> number;
    };
    const Row rows[] = {
        { T::Word, u"2d"_s, 1234, 12.34 },
        { T::Word, u"sd"_s, 65535, -1.0 },
        { T::Long, u"d"_s, -1, 4294967295.0 },
        { T::Long, u"sh"_s, -1, 4294967295.0 },
        { T::Word, u"h"_s, 0x048F, 1167.0 },
        { T::Word, u"b"_s, 2748, 2748.0 },
        // Display digits are read as the decimal number they show.
        { T::Word, u"p"_s, 0x0485, 485.0 },
        { T::Word, u"p"_s, 0xFF85, 85.0 },
        { T::Word, u"p"_s, 2748, std::nullopt },
        { T::Long, u"2a"_s, 0x41424344, 0x4344 },
        { T::Bit, u"s"_s, 1, 1.0 },
        { T::Byte, u"S"_s, 7, 7.0 },
        { T::Long, u"th"_s, 235959, 235959.0 },
        { T::Long, u"gm"_s, 0x00050000, 5.0 },
        { T::Word, u"m"_s, 1234, 1234.0 },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.format.toStdString() + " " + std::to_string(row.word));
        const DecodedCell c = RecordDecoder([] {
            return FixedNow;
        }).decodeColumn(column(row.type, row.format), { row.word }, nullptr, FixedNow);
        EXPECT_EQ(c.number, row.number);
    }
}

TEST(ValueFormat, TimeTexts)
{
    const ColumnDescription t = column(ColumnDescription::Long, u"t"_s);
    EXPECT_EQ(show(t, 1224235959), u"24/12/26 23:59:59"_s);
    EXPECT_EQ(show(column(ColumnDescription::Long, u"th"_s), 1224235959), u"23:59:59"_s);
    EXPECT_EQ(show(column(ColumnDescription::Long, u"td"_s), 1224235959), u"24/12/26"_s);
    EXPECT_EQ(show(t, 102030405), u"02/01/26 03:04:05"_s);
    EXPECT_EQ(show(t, -5), u"Invalid time"_s);
}

TEST(ValueFormat, ValueTextsAndTextFiles)
{
    ColumnDescription c = column(ColumnDescription::Word, u"s"_s);
    c.Title = u"Pump"_s;
    c.ValueTexts = { { 2, u"on"_s }, { 2, u"second"_s }, { 7, u"beyond count"_s } };
    c.TextCount = 2;
    EXPECT_EQ(show(c, 2), u"on"_s); // first match wins
    EXPECT_EQ(show(c, 7), u"<7>"_s); // entries past TextCount are not in use
    c.Format = u"S"_s;
    EXPECT_EQ(show(c, 7), u"7"_s);
    c.DefaultText = u"other"_s;
    EXPECT_EQ(show(c, 7), u"other"_s);

    ColumnDescription f = column(ColumnDescription::Byte, u"f"_s);
    f.Title = u"Mode"_s;
    EXPECT_EQ(show(f, 7), u"<7>"_s);
    f.Format = u"F"_s;
    EXPECT_EQ(show(f, 7), u"7"_s);
    FakeSources sources;
    const DecodedCell d = RecordDecoder().decodeColumn(f, { 7 }, &sources, FixedNow);
    EXPECT_EQ(d.text, u"Mode=7"_s);
    EXPECT_EQ(d.comment, u"note 7"_s);
}

TEST(ValueFormat, SymbolFormats)
{
    using T = ColumnDescription;
    FakeSources sources;
    const qint32 r100 = (5 << 16) | 100;
    const qint32 f12 = (3 << 16) | 12;
    EXPECT_EQ(show(column(T::Long, u"ga"_s), r100, &sources), u"R 100"_s);
    EXPECT_EQ(show(column(T::Long, u"ga"_s), (77 << 16) | 9, &sources), u"9"_s);
    EXPECT_EQ(show(column(T::Long, u"gv"_s), r100, &sources), u"100"_s);
    EXPECT_EQ(show(column(T::Long, u"gv"_s), (77 << 16) | 1234, &sources), u"1234"_s);
    EXPECT_EQ(show(column(T::Long, u"gs"_s), r100, &sources), u"Plant.Temp"_s);
    EXPECT_EQ(show(column(T::Long, u"gc"_s), r100, &sources), u"boiler"_s);
    EXPECT_EQ(show(column(T::Long, u"gs"_s), f12, &sources), u"<Not found>"_s);
    EXPECT_EQ(show(column(T::Long, u"gc"_s), f12, &sources), u"<No found>"_s);

    ColumnDescription m = column(T::Long, u"gm"_s);
    m.ValueTexts = { { 5, u"Register"_s } };
    m.TextCount = 1;
    EXPECT_EQ(show(m, r100), u"Register"_s);
    EXPECT_EQ(show(m, f12), u"<3>"_s);

    EXPECT_TRUE(sources.failures.isEmpty());
    EXPECT_EQ(show(column(T::Long, u"ga"_s), (5 << 16) | 40000, &sources), QString());
    ASSERT_EQ(sources.failures.size(), 1);
    EXPECT_TRUE(sources.failures[0].startsWith(u"Error in ReadMedia function.\n"_s));
}

TEST(StringColumns, LengthsShiftFollowingColumns)
{
    using T = ColumnDescription;
    ColumnTable table;
    table[0] = column(T::Word, u"d"_s, 0, 0);
    table[1] = column(T::String, u"10a"_s, 0, 1);
    table[2] = column(T::Word, u"d"_s, 0, 2);
    table[3] = column(T::String, u"2a"_s, 0, 3); // length from header byte 2
    table[5] = column(T::Long, u"d"_s, 0, 4);
    table[4].RegisterIndex = 9; // not defined: never moved
    table.MaxColumn = 5;

    const QList<qint32> header = { 0, 0, 0x00050000 };
    const QList<qint16> lengths = StringColumns::headerLengthBytes(header, 2);
    EXPECT_EQ(lengths, (QList<qint16> { 0, 0, 5, 0 }));
    EXPECT_EQ(StringColumns::headerLengthBytes(header, 7), (QList<qint16> { 0, 0, 0, 0 }));

    qint16 length = 5;
    QString error;
    ASSERT_TRUE(StringColumns::adjust(table, length, lengths, &error)) << error.toStdString();
    EXPECT_EQ(table[1].StringLength, 10);
    EXPECT_EQ(table[1].ExtraRegisters, 2);
    EXPECT_EQ(table[2].RegisterIndex, 4);
    EXPECT_EQ(table[3].RegisterIndex, 5);
    EXPECT_EQ(table[3].StringLength, 5);
    EXPECT_EQ(table[3].ExtraRegisters, 1);
    EXPECT_EQ(table[5].RegisterIndex, 7);
    EXPECT_EQ(table[4].RegisterIndex, 9);
    EXPECT_EQ(length, 8);

    // A length that cannot be held leaves everything as it was.
    ColumnTable huge;
    huge[0] = column(T::String, u"200000a"_s);
    huge.MaxColumn = 0;
    qint16 before = 1;
    EXPECT_FALSE(StringColumns::adjust(huge, before, lengths, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(before, 1);
    EXPECT_EQ(huge[0].StringLength, 0);
}

TEST(RecordDecoder, LinesStampsAndBounds)
{
    using T = ColumnDescription;
    ColumnTable table;
    table[0] = column(T::Word, u"2d"_s, 0, 0);
    table[1] = column(T::String, u"6a"_s, 0, 1);
    table[1].StringLength = 6;
    table[1].ExtraRegisters = 1;
    table[2] = column(T::Word, u"sd"_s, 0, 9); // not defined below
    table[2].Defined = false;
    table[3] = column(T::Byte, u"f"_s, 1, 3);
    table[3].Title = u"Mode"_s;
    table.MaxColumn = 3;

    FakeSources sources;
    const RecordDecoder decoder([] { return FixedNow; });
    // Two records of 4 words; the second one is decoded.
    const QList<qint32> words = { 0, 0, 0, 0, 1234, 0x48656C6C, 0x6F210000, 0x0700 };
    const DecodedRecord r = decoder.decode(table, words, 4, &sources);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.displayLine, u"\t12.34\tHello!\tMode:7"_s);
    EXPECT_EQ(r.rawLine(), u"1234;Hello!;7"_s);
    EXPECT_EQ(r.commentLine, u";;note 7"_s);
    EXPECT_EQ(r.date, u"07/03/26"_s);
    EXPECT_EQ(r.time, u"09:05:04"_s);
    ASSERT_EQ(r.columns.size(), 3);
    EXPECT_EQ(r.columns[2].column, 3);
    EXPECT_EQ(r.columns[2].value, 7);
    EXPECT_EQ(r.columns[0].number, 12.34);
    EXPECT_EQ(r.msecs, FixedNow.toMSecsSinceEpoch());

    // A record reaching past the answer is not decoded at all.
    for (const qint64 start : { qint64(5), qint64(-1), qint64(1) << 40 }) {
        const DecodedRecord cut = decoder.decode(table, words, start, &sources);
        EXPECT_FALSE(cut.ok);
        EXPECT_TRUE(cut.displayLine.isEmpty());
    }
}

TEST(RecordDecoder, TextsOfEveryLengthAreOrdinaryStrings)
{
    using T = ColumnDescription;
    ColumnTable table;
    table[0] = column(T::Long, u"120d"_s, 0, 0); // longer than any short text
    table[1] = column(T::String, u"200a"_s, 0, 1);
    table[1].StringLength = 200;
    table[1].ExtraRegisters = 49;
    table[2] = column(T::Word, u"h"_s, 0, 51);
    table.MaxColumn = 2;
    QList<qint32> words(52, 0x41424344); // "ABCD" in every word of the string
    words[0] = 5;
    words[51] = 0xBEEF;

    const DecodedRecord r = RecordDecoder([] { return FixedNow; }).decode(table, words, 0, nullptr);
    ASSERT_TRUE(r.ok);
    const QString places = QString(u"0."_s + QString(119, u'0') + u'5');
    const QString text = QString(u"ABCD"_s).repeated(50);
    EXPECT_EQ(r.text(0), places);
    EXPECT_EQ(r.raw(0), u"5"_s);
    EXPECT_EQ(r.text(1), text);
    EXPECT_EQ(r.raw(1), text);
    EXPECT_EQ(r.text(2), u"BEEF"_s);
    EXPECT_EQ(r.raw(2), u"48879"_s);
    EXPECT_EQ(r.displayLine, QString(u'\t' + places + u'\t' + text + u"\tBEEF"_s));
    EXPECT_EQ(r.rawLine(), QString(u"5;"_s + text + u";48879"_s));
    EXPECT_EQ(r.commentLine, u";;"_s);

    // The lines share one allocation, yet each ends where it says, as any string's data
    // does, and changing a copy leaves the record alone.
    for (const QString *line : { &r.displayLine, &r.commentLine })
        EXPECT_EQ(line->utf16()[line->size()], 0);
    QString copy = r.displayLine;
    copy[1] = u'X';
    EXPECT_EQ(r.text(0), places);
    // A line outliving its record keeps its characters.
    QString kept;
    {
        const DecodedRecord gone
            = RecordDecoder([] { return FixedNow; }).decode(table, words, 0, nullptr);
        kept = gone.displayLine;
    }
    EXPECT_EQ(kept.right(5), u"\tBEEF"_s);
}
