#include "common/Cp1252.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::common;

TEST(Cp1252, EveryByteSurvivesARoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = fromCp1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(toCp1252(text), all);
}

TEST(Cp1252, WindowsSpecificCharacters)
{
    struct Case
    {
        unsigned char byte;
        char16_t unicode;
    };
    const Case cases[] = {
        { 0x80, 0x20AC }, // euro
        { 0x9F, 0x0178 }, // Y diaeresis
        { 0x81, 0x0081 }, // undefined: kept as its C1 control
        { 0xE9, 0x00E9 }, // e acute, same as Latin-1
    };
    for (const Case &c : cases) {
        const QByteArray byte(1, char(c.byte));
        EXPECT_EQ(fromCp1252(byte), QString(QChar(c.unicode))) << int(c.byte);
        EXPECT_EQ(toCp1252(QString(QChar(c.unicode))), byte) << int(c.byte);
    }
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(toCp1252(u"a\u4E2Db"_s), QByteArray("a?b"));
    // A character beyond the BMP is one character, so one '?'.
    EXPECT_EQ(toCp1252(u"x\U0001F600y"_s), QByteArray("x?y"));
    // U+0080 is not a CP1252 character: byte 0x80 is the euro sign.
    EXPECT_EQ(toCp1252(QString(QChar(0x80))), QByteArray("?"));
}
