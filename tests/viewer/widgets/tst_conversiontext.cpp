#include "viewer/core/ColumnTable.h"
#include "viewer/widgets/ConversionText.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using tlv::viewer::ColumnDescription;
using tlv::viewer::ConversionText;

namespace {

TEST(ConversionText, NumericRowsShowTheValueInEachBase)
{
    const struct
    {
        qint16 bits, hexDigits;
        quint64 value;
        qint64 raw;
        const char *decimal, *hexa, *binary;
    } cases[] = {
        { 8, 2, 5, 5, "5", "05", "00000101" },
        { 32, 8, 4294967295u, -1, "4294967295 (-1)", "FFFFFFFF",
            "11111111 11111111 11111111 11111111" },
        { 16, 4, 2748, 2748, "2748", "0ABC", "00001010 10111100" },
        { 4, 1, 10, 10, "10", "A", "1010" }, { 1, 1, 0, 0, "0", "0", "0" },
        { 32, 8, 0x10000, 0x10000, "65536", "00010000", "00000000 00000001 00000000 00000000" },
        { 16, 8, 1, 1, "1", "00001", "00000000 00000001" }, // hex padding adds four zeros at most
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.binary);
        const ConversionText t = ConversionText::numeric(c.bits, c.hexDigits, c.value, c.raw);
        EXPECT_EQ(t.rows[0].value, QString::fromLatin1(c.decimal));
        EXPECT_EQ(t.rows[1].value, QString::fromLatin1(c.hexa));
        EXPECT_EQ(t.rows[2].value, QString::fromLatin1(c.binary));
        EXPECT_EQ(t.caption, QString::number(c.bits) + u" bits conversion"_s);
        EXPECT_EQ(t.heightTwips, c.bits * 132 + 1100);
    }
}

TEST(ConversionText, GridTextFillsTheLastRowOnlyWhenGiven)
{
    EXPECT_FALSE(ConversionText::numeric(8, 2, 65, 65).rows[3].visible);
    const ConversionText t = ConversionText::numeric(8, 2, 65, 65, u"A"_s);
    EXPECT_TRUE(t.rows[3].visible);
    EXPECT_EQ(t.rows[3].value, u"A"_s);
}

// Without a comment: the conversion window's test.
TEST(ConversionText, TextValueShowsTheCommentRowWithAComment)
{
    const ConversionText t = ConversionText::text(u"Running"_s, u"Pump on"_s);
    EXPECT_EQ(t.heightTwips, 0);
    EXPECT_TRUE(t.rows[1].visible);
    EXPECT_EQ(t.rows[1].caption, u"Comment:"_s);
    EXPECT_EQ(t.rows[1].value, u"Pump on"_s);
    EXPECT_FALSE(t.rows[2].visible);
}

ColumnDescription column(qint16 type, const char *format)
{
    ColumnDescription c;
    c.Defined = true;
    c.DataType = type;
    c.Format = QString::fromLatin1(format);
    return c;
}

TEST(ConversionText, CellWidthsFollowTheDataType)
{
    const struct
    {
        qint16 type;
        qint16 bits;
        qint16 hex;
    } cases[] = { { ColumnDescription::Bit, 1, 1 }, { ColumnDescription::Nibble, 4, 1 },
        { ColumnDescription::Byte, 8, 2 }, { ColumnDescription::Word, 16, 4 },
        { ColumnDescription::Long, 32, 8 } };
    for (const auto &c : cases) {
        const auto r = ConversionText::forCell(column(c.type, "h"), 1, u"1"_s, {});
        ASSERT_TRUE(r && r->numeric) << c.type;
        EXPECT_EQ(r->bits, c.bits) << c.type;
        EXPECT_EQ(r->hexDigits, c.hex) << c.type;
    }
    // A signed word opens with both readings; an unsigned Long keeps its value.
    const auto word
        = ConversionText::forCell(column(ColumnDescription::Word, "sd"), -1, u"-1"_s, {});
    ASSERT_TRUE(word && word->numeric);
    EXPECT_EQ(word->value, 65535u);
    EXPECT_EQ(word->raw, -1);
    EXPECT_EQ(word->format, qint16(u'd'));
    const auto places
        = ConversionText::forCell(column(ColumnDescription::Word, "1d"), qint64(5), u"0.5"_s, {});
    ASSERT_TRUE(places);
    EXPECT_EQ(ConversionText::formatCaption(places->format, places->formatName), u"As %1d:"_s);
    const auto big = ConversionText::forCell(
        column(ColumnDescription::Long, "d"), 4294967295, u"4294967295"_s, {});
    ASSERT_TRUE(big);
    EXPECT_EQ(big->value, 4294967295u);
    EXPECT_EQ(ConversionText::decimal(big->value, big->raw), u"4294967295"_s);
}

TEST(ConversionText, TextFormatsAndOddCellsOpenAsText)
{
    const struct
    {
        qint16 type;
        const char *format;
    } textual[] = { { ColumnDescription::Word, "s" }, { ColumnDescription::Byte, "S" },
        { ColumnDescription::Word, "f" }, { ColumnDescription::Long, "th" },
        { ColumnDescription::Long, "gs" }, { ColumnDescription::String, "10a" }, { 9, "d" } };
    for (const auto &c : textual) {
        const auto r = ConversionText::forCell(column(c.type, c.format), 3, u"Idle"_s, u"note"_s);
        ASSERT_TRUE(r) << c.format;
        EXPECT_FALSE(r->numeric) << c.format;
        EXPECT_EQ(r->shown, u"Idle"_s);
        EXPECT_EQ(r->comment, u"note"_s);
    }
    // A cell without a raw value cannot be converted.
    const auto garbled
        = ConversionText::forCell(column(ColumnDescription::Word, "d"), std::nullopt, u"12"_s, {});
    ASSERT_TRUE(garbled);
    EXPECT_FALSE(garbled->numeric);
    // An empty cell (a status row) opens nothing.
    EXPECT_FALSE(ConversionText::forCell(column(ColumnDescription::Word, "d"), {}, {}, {}));
}

} // namespace
