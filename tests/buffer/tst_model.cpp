#include "BufferTestSupport.h"

#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"

#include <gtest/gtest.h>

using namespace tlv::buffer;
using namespace tlv::buffer::test;

namespace {

QStringList titles(const UserColumns &b)
{
    QStringList t;
    for (const UserColumn &c : b)
        t << c.Title;
    return t;
}

UserColumns threeColumns()
{
    UserColumns b;
    for (const char *t : { "a", "b", "c" })
        b.add(QString::fromLatin1(t), {}, 0, QStringLiteral("Long"), 0, QStringLiteral("%d"), 1000,
            0);
    return b;
}

} // namespace

TEST(UserColumnsTest, AddPlacesColumnsByPosition)
{
    struct Case
    {
        qint16 posi;
        const char *expected; // titles in order
    };
    const Case cases[] = {
        { 2, "abxc" },
        { 0, "abcx" },
        { -3, "abcx" },
        { 1, "axbc" },
        { 3, "abcx" },
        { 9, "abcx" },
    };
    for (const Case &c : cases) {
        UserColumns b = threeColumns();
        UserColumn &added = b.add(QStringLiteral("x"), QStringLiteral("R 1"), 4,
            QStringLiteral("Word"), 1, QStringLiteral("%h"), 900, 7, c.posi);
        EXPECT_EQ(titles(b).join(QString()), QString::fromLatin1(c.expected)) << "posi " << c.posi;
        EXPECT_EQ(added.Variable, QStringLiteral("R 1"));
        EXPECT_EQ(added.RecPlace, 4);
        EXPECT_EQ(added.Delta, 7);
    }
}

TEST(UserColumnsTest, ItemAndRemoveAreOneBasedAndBounded)
{
    UserColumns b = threeColumns();
    EXPECT_EQ(b.item(1)->Title, QStringLiteral("a"));
    EXPECT_EQ(b.item(3)->Title, QStringLiteral("c"));
    EXPECT_EQ(b.item(0), nullptr);
    EXPECT_EQ(b.item(4), nullptr);
    EXPECT_FALSE(b.remove(0));
    EXPECT_FALSE(b.remove(4));
    EXPECT_TRUE(b.remove(2));
    EXPECT_EQ(titles(b), (strings({ "a", "c" })));
    EXPECT_EQ(b.count(), 2);
}

TEST(UserColumnsTest, ClearKeepsHeaderKeyAndMemoryOnly)
{
    UserColumns b = threeColumns();
    EXPECT_EQ(b.headerKey(), QStringLiteral("DEFA"));
    b.setHeaderKey(QStringLiteral("ABCD"));
    b.setMemory(1);
    b.setTitle(QStringLiteral("t"));
    b.setEnable(1);
    b.setRecordInt(50);
    b.setBufferLen(300);
    b.setRecordChange(1);
    b.setSerialNr(QStringLiteral("R 9"));
    b.setChanged(true);
    b.clear();
    EXPECT_EQ(b.count(), 0);
    EXPECT_EQ(b.headerKey(), QStringLiteral("ABCD"));
    EXPECT_EQ(b.memory(), 1);
    EXPECT_EQ(b.title(), QString());
    EXPECT_EQ(b.enable(), 0);
    EXPECT_EQ(b.recordInt(), 0);
    EXPECT_EQ(b.bufferLen(), 0);
    EXPECT_EQ(b.recordChange(), 0);
    EXPECT_EQ(b.serialNr(), QString());
    EXPECT_FALSE(b.changed());
}

TEST(UserColumnsTest, NewBufferDefaultsAndDefaultColumn)
{
    UserColumns b;
    b.setMemory(1);
    b.setHeaderKey(QStringLiteral("XY"));
    b.applyNewBufferDefaults();
    EXPECT_EQ(b.title(), QStringLiteral("User buffer"));
    EXPECT_EQ(b.headerKey(), QStringLiteral("DEFA"));
    EXPECT_EQ(b.headerType(), 1);
    EXPECT_EQ(b.recordInt(), 600);
    EXPECT_EQ(b.memory(), 0);
    EXPECT_EQ(b.recordLen(), 1);
    EXPECT_EQ(b.bufferLen(), 100);
    EXPECT_EQ(b.column(), 1);

    const UserColumn c = UserColumn::defaultColumn();
    EXPECT_EQ(
        c, (UserColumn { {}, {}, 0, QStringLiteral("Long"), 0, QStringLiteral("%d"), 1000, 0 }));
}

TEST(UserColumnsTest, RecordIntervalThatDoesNotFitIsRefused)
{
    UserColumns b;
    EXPECT_TRUE(b.setRecordInt(32767));
    EXPECT_FALSE(b.setRecordInt(32768));
    EXPECT_FALSE(b.setRecordInt(-32769));
    EXPECT_EQ(b.recordInt(), 32767);
}

TEST(FormatsTest, StandardTableRowsAndFlags)
{
    const cFormats f = cFormats::standard();
    ASSERT_EQ(f.count(), 14);
    const QStringList keys = strings({ "%d", "%1d", "%2d", "%3d", "%sd", "%1sd", "%2sd", "%3sd",
        "%h", "%a", "%b", "%t", "%m", "%F" });
    for (int i = 1; i <= 14; ++i)
        EXPECT_EQ(f.item(i)->Key, keys.at(i - 1));
    EXPECT_EQ(f.item(QStringLiteral("%m"))->description, QStringLiteral("Milisecond"));
    EXPECT_EQ(f.item(QStringLiteral("%F"))->description, QStringLiteral("Text List"));

    const QStringList types = strings({ "Bit", "Nible", "Byte", "Word", "Long" });
    const auto allowed = [&](const char *key) {
        QStringList out;
        for (const QString &t : types) {
            if (f.item(QString::fromLatin1(key))->allows(t))
                out << t;
        }
        return out;
    };
    EXPECT_EQ(allowed("%t"), strings({ "Long" }));
    for (const char *k : { "%sd", "%1sd", "%2sd", "%3sd" })
        EXPECT_EQ(allowed(k), (strings({ "Word", "Long" }))) << k;
    for (const char *k : { "%d", "%b", "%F" })
        EXPECT_EQ(allowed(k), types) << k;
    EXPECT_EQ(allowed("%h"), (strings({ "Nible", "Byte", "Word", "Long" })));
    EXPECT_EQ(allowed("%m"), (strings({ "Word", "Long" })));
    EXPECT_FALSE(f.item(QStringLiteral("%d"))->allows(QStringLiteral("long")));
}

TEST(FormatsTest, KeysAreUniqueAndRemovable)
{
    cFormats f = cFormats::standard();
    EXPECT_EQ(f.add(QStringLiteral("%d"), QStringLiteral("again"), true, true, true, true, true),
        nullptr);
    EXPECT_EQ(f.count(), 14);
    EXPECT_TRUE(f.remove(QStringLiteral("%h")));
    EXPECT_EQ(f.item(QStringLiteral("%h")), nullptr);
    EXPECT_EQ(f.item(9)->Key, QStringLiteral("%a"));
    EXPECT_FALSE(f.remove(0));
    EXPECT_EQ(f.item(15), nullptr);
}

TEST(FormatsTest, ShowDescribesTheColumnFormat)
{
    const cFormats f = cFormats::standard();
    UserColumn c = UserColumn::defaultColumn();
    EXPECT_EQ(c.show(f), QStringLiteral("Decimal"));
    c.Format = QStringLiteral("%t");
    EXPECT_EQ(c.show(f), QStringLiteral("Time"));
    c.Format.clear();
    EXPECT_EQ(c.show(f), QString());
    c.Format = QStringLiteral("%x");
    EXPECT_EQ(c.show(f), QStringLiteral("Unknow !"));
}
