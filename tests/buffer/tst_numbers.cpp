#include "buffer/AddressField.h"
#include "buffer/ExportPath.h"
#include "buffer/NumberText.h"

#include <gtest/gtest.h>

using namespace tlv::buffer;

TEST(NumberTextTest, LeadingNumberNumericAndNarrowing)
{
    for (const char *zero : { "", "abc", "-", "R 100" })
        EXPECT_EQ(leadingNumber(QString::fromLatin1(zero)), 0) << zero;
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("  -7x")), -7);
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("2.5e1")), 25);
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("12,5")), 12); // files use '.' only
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("100 200")), 100);

    for (const char *t : { "1.5", "1,5", " 20 ", "-1", "1e3" })
        EXPECT_TRUE(isNumeric(QString::fromLatin1(t))) << t;
    for (const char *t : { "", " ", "1.5s", "1 2", "1.2.3", "-" })
        EXPECT_FALSE(isNumeric(QString::fromLatin1(t))) << t;
    EXPECT_DOUBLE_EQ(fieldNumber(QStringLiteral("0,1")), 0.1);

    EXPECT_EQ(toInt16(2.5), qint16(2));
    EXPECT_EQ(toInt16(3.5), qint16(4));
    EXPECT_EQ(toInt16(-2.5), qint16(-2));
    EXPECT_EQ(toInt16(-32768), qint16(-32768));
    EXPECT_FALSE(toInt16(32767.5).has_value());
    EXPECT_FALSE(toInt16(-32769).has_value());
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
        { "Motor.Start", "FIO", "Motor.Start" }, { "Motor.Start", "R", "Motor.Start" },
        { "  Pump  ", "R", "Pump" }, { "X", "R", "X" }, { "999999", "R", nullptr } };
    for (const auto &c : cases) {
        const auto r
            = normaliseAddress(QString::fromLatin1(c.text), QString::fromLatin1(c.allowed));
        if (c.result)
            EXPECT_EQ(r.value_or(QStringLiteral("<rejected>")), QString::fromLatin1(c.result))
                << c.text << " / " << c.allowed;
        else
            EXPECT_FALSE(r.has_value()) << c.text << " / " << c.allowed;
    }
}

TEST(ExportPathTest, StoredAndAbsoluteForms)
{
    const QString win = QStringLiteral("C:\\Proj\\x.tlvr");
    EXPECT_EQ(exportPathToStored(QStringLiteral("C:\\Proj\\Out\\a.xls"), win),
        QStringLiteral("..\\Out\\a.xls"));
    EXPECT_EQ(exportPathToAbsolute(QStringLiteral("..\\Out\\a.xls"), win),
        QStringLiteral("C:\\Proj\\Out\\a.xls"));
    EXPECT_EQ(exportPathToStored(QStringLiteral("C:\\Proj\\a.xls"), win), QStringLiteral("a.xls"));
    EXPECT_EQ(
        exportPathToAbsolute(QStringLiteral("a.xls"), win), QStringLiteral("C:\\Proj\\a.xls"));
    EXPECT_EQ(exportPathToStored(QStringLiteral("D:\\Else\\a.xls"), win),
        QStringLiteral("D:\\Else\\a.xls"));
    EXPECT_EQ(exportPathToAbsolute(QStringLiteral("D:\\Else\\a.xls"), win),
        QStringLiteral("D:\\Else\\a.xls"));
    EXPECT_EQ(exportPathToAbsolute(QString(), win), QString());

    // Here: forward slashes in, "..\" written, forward slashes back.
    const QString nix = QStringLiteral("/home/u/proj/x.tlvr");
    EXPECT_EQ(exportPathToStored(QStringLiteral("/home/u/proj/out/sub/a.xls"), nix),
        QStringLiteral("..\\out\\sub\\a.xls"));
    EXPECT_EQ(exportPathToAbsolute(QStringLiteral("..\\out\\sub\\a.xls"), nix),
        QStringLiteral("/home/u/proj/out/sub/a.xls"));
    EXPECT_EQ(exportPathToAbsolute(QStringLiteral("../out/a.xls"), nix),
        QStringLiteral("/home/u/proj/out/a.xls"));
    EXPECT_EQ(exportPathToStored(QStringLiteral("/home/u/projects/a.xls"), nix),
        QStringLiteral("/home/u/projects/a.xls"));
}
