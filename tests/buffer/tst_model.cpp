#include "BufferTestSupport.h"

#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::buffer;
using namespace tlv::buffer::test;

namespace {

QString titles(const UserColumns &b)
{
    QString t;
    for (const UserColumn &c : b)
        t += c.Title;
    return t;
}

} // namespace

TEST(UserColumnsTest, AddInsertsAfterPosiRemoveShifts)
{
    const struct
    {
        qint16 posi;
        const char *titles;
    } cases[] = { { 2, "abxc" }, { 0, "abcx" }, { -3, "abcx" }, { 1, "axbc" }, { 9, "abcx" } };
    for (const auto &c : cases) {
        UserColumns b;
        for (const char16_t *t : { u"a", u"b", u"c" })
            b.add(QString::fromUtf16(t), {}, 0, {}, 0, {}, 0, 0);
        UserColumn &added = b.add(u"x"_s, u"R 1"_s, 4, u"Word"_s, 1, u"%h"_s, 900, 7, c.posi);
        EXPECT_EQ(titles(b), QString::fromLatin1(c.titles)) << c.posi;
        EXPECT_EQ(added, (UserColumn { u"x"_s, u"R 1"_s, 4, u"Word"_s, 1, u"%h"_s, 900, 7 }));
    }
    UserColumns b;
    for (const char16_t *t : { u"a", u"b", u"c" })
        b.add(QString::fromUtf16(t), {}, 0, {}, 0, {}, 0, 0);
    EXPECT_EQ(b.item(0), nullptr);
    EXPECT_EQ(b.item(4), nullptr);
    EXPECT_FALSE(b.remove(4));
    EXPECT_TRUE(b.remove(2));
    EXPECT_EQ(titles(b), u"ac"_s);
    EXPECT_EQ(b.item(2)->Title, u"c"_s);
}

// Clearing keeps the header key and the memory; every other value goes back to its default.
TEST(UserColumnsTest, ClearKeepsHeaderKeyAndMemory)
{
    UserColumns b;
    b.add(UserColumn::defaultColumn());
    b.setHeaderKey(u"ABCD"_s);
    b.setMemory(1);
    b.setTitle(u"t"_s);
    b.setEnable(1);
    b.setRecordInt(50);
    b.setSerialNr(u"R 9"_s);
    b.setChanged(true);
    b.clear();
    EXPECT_EQ(describe(b),
        describe(UserColumns()).replace(u"DEFA"_s, u"ABCD"_s).replace(u"mem=0"_s, u"mem=1"_s));
    EXPECT_FALSE(b.setRecordInt(32768)); // held in 16 bits
    EXPECT_EQ(b.recordInt(), 0);
}

TEST(FormatsTest, ShowNamesTheFormatOrSaysItIsUnknown)
{
    const cFormats f = cFormats::standard();
    UserColumn c = UserColumn::defaultColumn();
    EXPECT_EQ(c.show(f), u"Decimal"_s);
    c.Format.clear();
    EXPECT_EQ(c.show(f), QString());
    c.Format = u"%x"_s;
    EXPECT_EQ(c.show(f), u"Unknow !"_s);
    EXPECT_FALSE(f.item(u"%d"_s)->allows(u"long"_s)); // type names are matched exactly
}
