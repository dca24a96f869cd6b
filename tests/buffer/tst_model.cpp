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

TEST(UserColumnsTest, ClearKeepsHeaderKeyAndMemoryDefaultsResetThem)
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

    b.applyNewBufferDefaults();
    EXPECT_EQ(describe(b),
        QStringLiteral("en=0 title=User buffer key=DEFA type=1 start= int=600 len=1 records=100 "
                       "column=1 enable= command= clear= close= serial= change=0 mem=0 changed=0"));
    EXPECT_EQ(
        UserColumn::defaultColumn(), (UserColumn { {}, {}, 0, u"Long"_s, 0, u"%d"_s, 1000, 0 }));
    EXPECT_FALSE(b.setRecordInt(32768)); // held in 16 bits
    EXPECT_EQ(b.recordInt(), 600);
}

TEST(FormatsTest, StandardTableAndShow)
{
    const cFormats f = cFormats::standard();
    QString table;
    for (const ColFormat &c : f) {
        table += c.Key + u'=';
        for (const char16_t *t : { u"Bit", u"Nible", u"Byte", u"Word", u"Long" })
            table += f.item(c.Key)->allows(QString::fromUtf16(t)) ? u'1' : u'0';
        table += u' ';
    }
    EXPECT_EQ(table,
        QStringLiteral("%d=11111 %1d=00111 %2d=00111 %3d=00111 %sd=00011 %1sd=00011 %2sd=00011 "
                       "%3sd=00011 %h=01111 %a=00111 %b=11111 %t=00001 %m=00011 %F=11111 "));
    EXPECT_EQ(f.item(13)->description, u"Milisecond"_s);
    EXPECT_FALSE(f.item(u"%d"_s)->allows(u"long"_s));

    UserColumn c = UserColumn::defaultColumn();
    EXPECT_EQ(c.show(f), u"Decimal"_s);
    c.Format.clear();
    EXPECT_EQ(c.show(f), QString());
    c.Format = u"%x"_s;
    EXPECT_EQ(c.show(f), u"Unknow !"_s);

    cFormats copy = f;
    EXPECT_EQ(copy.add(u"%d"_s, u"again"_s, 1, 1, 1, 1, 1), nullptr);
    EXPECT_TRUE(copy.remove(u"%h"_s));
    EXPECT_EQ(copy.item(9)->Key, u"%a"_s);
    EXPECT_EQ(copy.item(14), nullptr);
}
