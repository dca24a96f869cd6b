#include "BufferTestSupport.h"

#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"

#include <gtest/gtest.h>

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
        UserColumn &added = b.add(QStringLiteral("x"), QStringLiteral("R 1"), 4,
            QStringLiteral("Word"), 1, QStringLiteral("%h"), 900, 7, c.posi);
        EXPECT_EQ(titles(b), QString::fromLatin1(c.titles)) << c.posi;
        EXPECT_EQ(added,
            (UserColumn { QStringLiteral("x"), QStringLiteral("R 1"), 4, QStringLiteral("Word"), 1,
                QStringLiteral("%h"), 900, 7 }));
    }
    UserColumns b;
    for (const char16_t *t : { u"a", u"b", u"c" })
        b.add(QString::fromUtf16(t), {}, 0, {}, 0, {}, 0, 0);
    EXPECT_EQ(b.item(0), nullptr);
    EXPECT_EQ(b.item(4), nullptr);
    EXPECT_FALSE(b.remove(4));
    EXPECT_TRUE(b.remove(2));
    EXPECT_EQ(titles(b), QStringLiteral("ac"));
    EXPECT_EQ(b.item(2)->Title, QStringLiteral("c"));
}

TEST(UserColumnsTest, ClearKeepsHeaderKeyAndMemoryDefaultsResetThem)
{
    UserColumns b;
    b.add(UserColumn::defaultColumn());
    b.setHeaderKey(QStringLiteral("ABCD"));
    b.setMemory(1);
    b.setTitle(QStringLiteral("t"));
    b.setEnable(1);
    b.setRecordInt(50);
    b.setSerialNr(QStringLiteral("R 9"));
    b.setChanged(true);
    b.clear();
    EXPECT_EQ(describe(b),
        describe(UserColumns())
            .replace(QStringLiteral("DEFA"), QStringLiteral("ABCD"))
            .replace(QStringLiteral("mem=0"), QStringLiteral("mem=1")));

    b.applyNewBufferDefaults();
    EXPECT_EQ(describe(b),
        QStringLiteral("en=0 title=User buffer key=DEFA type=1 start= int=600 len=1 records=100 "
                       "column=1 enable= command= clear= close= serial= change=0 mem=0 changed=0"));
    EXPECT_EQ(UserColumn::defaultColumn(),
        (UserColumn { {}, {}, 0, QStringLiteral("Long"), 0, QStringLiteral("%d"), 1000, 0 }));
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
    EXPECT_EQ(f.item(13)->description, QStringLiteral("Milisecond"));
    EXPECT_FALSE(f.item(QStringLiteral("%d"))->allows(QStringLiteral("long")));

    UserColumn c = UserColumn::defaultColumn();
    EXPECT_EQ(c.show(f), QStringLiteral("Decimal"));
    c.Format.clear();
    EXPECT_EQ(c.show(f), QString());
    c.Format = QStringLiteral("%x");
    EXPECT_EQ(c.show(f), QStringLiteral("Unknow !"));

    cFormats copy = f;
    EXPECT_EQ(copy.add(QStringLiteral("%d"), QStringLiteral("again"), 1, 1, 1, 1, 1), nullptr);
    EXPECT_TRUE(copy.remove(QStringLiteral("%h")));
    EXPECT_EQ(copy.item(9)->Key, QStringLiteral("%a"));
    EXPECT_EQ(copy.item(14), nullptr);
}
