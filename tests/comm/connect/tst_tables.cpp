#include "comm/DbxEntry.h"
#include "comm/DriverTexts.h"
#include "comm/PcdStatusMap.h"

#include "Fakes.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::comm;

// The letters the PCD answers are read end to end by the host's serving test; what the
// driver's tables name is seen through the connection's messages.
TEST(DriverTables, UnknownCodesAndLetters)
{
    EXPECT_EQ(PcdStatusMap::fromPcdByte('r'), 6); // letters are capitals only
    EXPECT_EQ(PcdStatusMap::text(-1), u"Bad Status"_s);
    EXPECT_EQ(DriverTexts::varnokText(6), u"Unknow error : 6"_s);
}

TEST(DbxEntry, BothByteOrdersGiveTheSameEntry)
{
    const QByteArray wire
        = test::dbxEntryBytes("TLVR__ACCESS_KEY", 0x00007F10, { 1000, 0x80000001u, 0xFFFFFFFFu });
    const DbxEntry scomm = DbxEntry::fromScommBlock(wire);
    const DbxEntry varnok = DbxEntry::fromVarnokBlock(test::swapGroups(wire));
    for (const DbxEntry &entry : { scomm, varnok }) {
        EXPECT_EQ(entry.text.size(), 60);
        EXPECT_TRUE(entry.text.startsWith(u"TLVR__ACCESS_KEY "_s));
        EXPECT_EQ(entry.value, 0x7F10);
        EXPECT_EQ(entry.values[0], 1000);
        // Slots hold the unsigned value; nothing turns negative.
        EXPECT_EQ(entry.values[1], qint64(0x80000001u));
        EXPECT_EQ(entry.values[2], qint64(0xFFFFFFFFu));
        EXPECT_EQ(entry.values[16], 0);
    }
    // Text bytes are characters of their own code, 0xE9 included.
    QByteArray accented = wire;
    accented[0] = char(0xE9);
    EXPECT_EQ(DbxEntry::scommText(accented).at(0), QChar(0xE9));
    EXPECT_EQ(DbxEntry::varnokText(test::swapGroups(accented)).at(0), QChar(0xE9));
}
