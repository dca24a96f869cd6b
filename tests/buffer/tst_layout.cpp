#include "buffer/LayoutValidation.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::buffer;

namespace {

struct Col
{
    int place;
    const char *type;
    int pos;
    const char *format;
};

UserColumns bufferOf(std::initializer_list<Col> cols)
{
    UserColumns b;
    for (const Col &c : cols)
        b.add(QString(), u"R 1"_s, qint16(c.place), QString::fromLatin1(c.type), qint16(c.pos),
            QString::fromLatin1(c.format), 1000, 0);
    return b;
}

} // namespace

TEST(LayoutValidationTest, OutcomesAndCells)
{
    const cFormats formats = cFormats::standard();
    const struct
    {
        const char *name;
        UserColumns buffer;
        const char *message; // "" = passes
        int row;
        int gridColumn;
        int recordLength;
    } cases[] = { { "empty", bufferOf({}), "", 0, 0, 0 },
        { "places 0 3 255",
            bufferOf({ { 0, "Long", 0, "%d" }, { 3, "Word", 1, "%h" }, { 255, "Bit", 0, "%b" } }),
            "", 0, 0, 256 },
        { "place 256", bufferOf({ { 0, "Long", 0, "%d" }, { 256, "Long", 0, "%d" } }),
            "Record Length out of value > 256", 0, 0, -1 },
        // Positions the viewer would refuse when it loads the buffer.
        { "bit 31", bufferOf({ { 1, "Bit", 31, "%b" } }), "", 0, 0, 2 },
        { "bit 32", bufferOf({ { 1, "Bit", 32, "%b" } }), "Incompatible Data Position in column 1",
            1, 5, -1 },
        { "bit below 0", bufferOf({ { 1, "Bit", -1, "%b" } }),
            "Incompatible Data Position in column 1", 1, 5, -1 },
        { "place before the record", bufferOf({ { 0, "Long", 0, "%d" }, { -1, "Long", 0, "%d" } }),
            "Invalid Place in Record in column 2", 2, 3, -1 },
        { "long below 0", bufferOf({ { 0, "Long", -4, "%d" } }),
            "Incompatible Data Position in column 1", 1, 5, -1 },
        { "word pos 2 before format", bufferOf({ { 0, "Long", 0, "%d" }, { 0, "Word", 2, "%t" } }),
            "Incompatible Data Position in column 2", 2, 5, -1 },
        { "long pos 1", bufferOf({ { 0, "Long", 1, "%d" } }),
            "Incompatible Data Position in column 1", 1, 5, -1 },
        { "byte pos 4", bufferOf({ { 0, "Byte", 4, "%d" } }),
            "Incompatible Data Position in column 1", 1, 5, -1 },
        { "nible pos 8", bufferOf({ { 0, "Nible", 8, "%d" } }),
            "Incompatible Data Position in column 1", 1, 5, -1 },
        { "nible pos 7", bufferOf({ { 0, "Nible", 7, "%h" } }), "", 0, 0, 1 },
        { "byte %sd", bufferOf({ { 0, "Byte", 0, "%sd" } }), "Incompatible Data Format in column 1",
            1, 6, -1 },
        { "byte %h", bufferOf({ { 0, "Byte", 3, "%h" } }), "", 0, 0, 1 },
        { "long %t", bufferOf({ { 0, "Long", 0, "%t" } }), "", 0, 0, 1 },
        { "lower case type",
            bufferOf({ { 0, "Long", 0, "%d" }, { 1, "Word", 0, "%d" }, { 2, "long", 0, "%d" } }),
            "Invalid Data Type in column 3", 3, 4, -1 },
        { "unknown format", bufferOf({ { 0, "Long", 0, "%D" } }),
            "Incompatible Data Format in column 1", 1, 6, -1 },
        { "same place and part", bufferOf({ { 2, "Byte", 1, "%d" }, { 2, "Byte", 1, "%a" } }), "",
            0, 0, 3 },
        { "stops at first fault", bufferOf({ { 0, "Strg", 0, "%d" }, { 300, "Word", 9, "" } }),
            "Invalid Data Type in column 1", 1, 4, -1 } };
    for (const auto &c : cases) {
        UserColumns b = c.buffer;
        b.setRecordLen(77);
        const LayoutValidation::Result r = LayoutValidation::validate(b, formats);
        const QString expected = QString::fromLatin1(c.message);
        EXPECT_EQ(r.ok, expected.isEmpty()) << c.name;
        EXPECT_EQ(r.message, expected) << c.name;
        EXPECT_EQ(r.row, c.row) << c.name;
        EXPECT_EQ(r.gridColumn, c.gridColumn) << c.name;
        EXPECT_EQ(b.recordLen(), c.recordLength < 0 ? 77 : c.recordLength) << c.name;
    }

    // The viewer holds 127 columns.
    UserColumns many;
    for (int i = 0; i < 127; ++i)
        many.add(QString(), u"R 1"_s, qint16(i % 3), u"Long"_s, 0, u"%d"_s, 1000, 0);
    EXPECT_TRUE(LayoutValidation::validate(many, formats).ok);
    many.add(QString(), u"R 1"_s, 0, u"Long"_s, 0, u"%d"_s, 1000, 0);
    const LayoutValidation::Result tooMany = LayoutValidation::validate(many, formats);
    EXPECT_FALSE(tooMany.ok);
    EXPECT_EQ(tooMany.message, u"Number of columns out of value > 127"_s);
}
