#include "comm/DbxEntry.h"
#include "comm/DriverTexts.h"
#include "comm/PCDConnect.h"
#include "comm/PcdStatusMap.h"

#include "Fakes.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::comm;

// The letters the PCD answers are read end to end by the host's serving test; the
// control's status rows take their texts from the same table.
TEST(PcdStatusMap, LettersBecomeTheViewerNumbers)
{
    EXPECT_EQ(PcdStatusMap::fromPcdByte('r'), 6); // letters are capitals only
    const char *texts[]
        = { "Offline", "Disconnect", "Run", "Stop", "Halt", "Conditional Run", "Bad Status" };
    for (qint32 status = 0; status <= 6; ++status)
        EXPECT_EQ(PcdStatusMap::text(status), QLatin1String(texts[status])) << status;
    EXPECT_EQ(PcdStatusMap::text(7), u"Conditional Stop"_s);
    EXPECT_EQ(PcdStatusMap::text(8), u"Trace"_s);
    EXPECT_EQ(PcdStatusMap::text(99), u"Demo"_s);
    EXPECT_EQ(PcdStatusMap::text(-1), u"Bad Status"_s);
}

TEST(DriverTexts, CodesWithoutARow)
{
    // The maker's table names unknown codes; SCOMM leaves the previous text.
    EXPECT_EQ(DriverTexts::varnokText(106), u"No Response"_s);
    EXPECT_EQ(DriverTexts::varnokText(6), u"Unknow error : 6"_s);
    EXPECT_EQ(DriverTexts::scommName(0), u"PCD_OK!"_s);
    EXPECT_EQ(DriverTexts::scommName(40), u" PCD_LOCKED"_s);
    for (qint32 code : { 7, 32, 33, 36, 38, 39, 41, -1 })
        EXPECT_FALSE(DriverTexts::scommName(code).has_value()) << code;
}

TEST(DisconnectMessages, EveryKind)
{
    const SbusResult e = SbusResult::failure(SbusError::DriverError, u"E"_s);
    const struct
    {
        qint16 kind;
        const char *text;
    } rows[] = {
        // Kinds 0, 1, 2, 6 and 7 are seen as a failed connection ends in the connection tests.
        { 3, "PCD communication failed   Error: E" },
        { 4, "Invalid start register." },
        { 10, "Error..." },
        { 11, "Disconnected by function 11" },
    };
    for (const auto &row : rows)
        EXPECT_EQ(
            PCDConnect::disconnectMessage(DisconnectKind(row.kind), e), QLatin1String(row.text))
            << row.kind;
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
