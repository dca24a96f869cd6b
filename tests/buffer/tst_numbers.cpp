#include "buffer/AddressField.h"
#include "buffer/ExportPath.h"
#include "buffer/NumberText.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::buffer;

// Rounding to even and the leading number of a file's value are seen through the project file;
// here the forms it never holds.
TEST(NumberTextTest, LeadingNumberAndNumeric)
{
    EXPECT_DOUBLE_EQ(leadingNumber(u"  -7x"_s), -7);
    EXPECT_DOUBLE_EQ(leadingNumber(u"2.5e1"_s), 25);
    EXPECT_DOUBLE_EQ(leadingNumber(u"12,5"_s), 12); // files use '.' only
    EXPECT_EQ(leadingNumber(u"R 100"_s), 0);
    for (const char *t : { " 20 ", "-1", "1e3" })
        EXPECT_TRUE(isNumeric(QString::fromLatin1(t))) << t;
    for (const char *t : { " ", "1 2", "1.2.3", "-" })
        EXPECT_FALSE(isNumeric(QString::fromLatin1(t))) << t;
    EXPECT_FALSE(toInt16(32767.5).has_value());
    EXPECT_FALSE(toInt32(3e9).has_value());
}

TEST(AddressFieldTest, Normalise)
{
    const struct
    {
        const char *text;
        const char *allowed;
        const char *result; // nullptr = rejected
    } cases[] = { { "12", "FIO", "F 12" }, { "12", "IOF", "I 12" }, { "12", "R", "R 12" },
        { " 8191 ", "FIO", "F 8191" }, { "8192", "FIO", nullptr }, { "16383", "R", "R 16383" },
        { "16384", "R", nullptr }, { "r 20000", "R", nullptr }, { "r 20", "R", "R 20" },
        { "O 9000", "FIO", nullptr }, { "o 12", "FIO", "O 12" }, { "F 12", "R", nullptr },
        { "R 12", "FIO", nullptr }, { "F abc", "FIO", nullptr }, { "F -1", "FIO", nullptr },
        { "Motor.Start", "FIO", "Motor.Start" }, { "  Pump  ", "R", "Pump" }, { "X", "R", "X" } };
    for (const auto &c : cases) {
        const auto r
            = normaliseAddress(QString::fromLatin1(c.text), QString::fromLatin1(c.allowed));
        if (c.result)
            EXPECT_EQ(r.value_or(u"<rejected>"_s), QString::fromLatin1(c.result))
                << c.text << " / " << c.allowed;
        else
            EXPECT_FALSE(r.has_value()) << c.text << " / " << c.allowed;
    }
}

TEST(ExportPathTest, StoredAndAbsoluteForms)
{
    const QString win = u"C:\\Proj\\x.tlvr"_s;
    EXPECT_EQ(exportPathToStored(u"C:\\Proj\\Out\\a.xls"_s, win), u"..\\Out\\a.xls"_s);
    EXPECT_EQ(exportPathToAbsolute(u"..\\Out\\a.xls"_s, win), u"C:\\Proj\\Out\\a.xls"_s);
    EXPECT_EQ(exportPathToStored(u"C:\\Proj\\a.xls"_s, win), u"a.xls"_s);
    EXPECT_EQ(exportPathToAbsolute(u"a.xls"_s, win), u"C:\\Proj\\a.xls"_s);
    EXPECT_EQ(exportPathToStored(u"D:\\Else\\a.xls"_s, win), u"D:\\Else\\a.xls"_s);
    EXPECT_EQ(exportPathToAbsolute(u"D:\\Else\\a.xls"_s, win), u"D:\\Else\\a.xls"_s);
    EXPECT_EQ(exportPathToAbsolute(QString(), win), QString());

    // Here (the project file's round trip shows "..\" written and read back): forward slashes.
    const QString nix = u"/home/u/proj/x.tlvr"_s;
    EXPECT_EQ(exportPathToAbsolute(u"../out/a.xls"_s, nix), u"/home/u/proj/out/a.xls"_s);
    EXPECT_EQ(exportPathToStored(u"/home/u/projects/a.xls"_s, nix), u"/home/u/projects/a.xls"_s);
}
