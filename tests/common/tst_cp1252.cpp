#include "common/Cp1252.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::common;

TEST(Cp1252, EveryByteRoundTripsAndWhatItCannotHoldBecomesQuestionMarks)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    ASSERT_EQ(fromCp1252(all).size(), 256);
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
    // Where Windows differs from Latin-1; the undefined 0x81 stays its C1 control.
    EXPECT_EQ(fromCp1252("\x80\x9f\x81\xe9"), u"\u20ac\u0178\u0081\u00e9"_s);
    // One '?' for a character beyond the BMP; U+0080 is no CP1252 character.
    EXPECT_EQ(toCp1252(u"a\u4E2Db\U0001F600\u0080"_s), QByteArray("a?b??"));
}
