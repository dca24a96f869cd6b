#include "CliRun.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using tlv::test::PcdProcess;

tlv::test::CliRun pcd(const QString &connection, const QStringList &command)
{
    return tlv::test::runCli(QStringList { u"pcd"_s, u"--connect"_s, connection, u"--timeout"_s,
                                 u"200"_s, u"--retries"_s, u"0"_s }
        + command);
}

} // namespace

TEST(CliPcd, ReadsWhatThePcdHoldsAndNamesEveryFailure)
{
    PcdProcess sim({ u"--set"_s, u"R 10 = 7 -8"_s, u"--set"_s,
        u"DBX 5 entry 2 TLVR__ACCESS_KEY 0x7F10 1000 0xFFFFFFFF"_s });
    ASSERT_NE(sim.port(), 0);

    auto run = pcd(sim.connection(), { u"status"_s });
    EXPECT_EQ(run.out, u"2 Run\n"_s);
    run = pcd(sim.connection(), { u"read"_s, u"R"_s, u"10"_s, u"2"_s });
    EXPECT_EQ(run.out, u"7\n-8\n"_s);

    // The entry's own value comes before the table.
    run = pcd(sim.connection(), { u"dbx"_s, u"5"_s, u"TLVR__ACCESS_KEY"_s });
    ASSERT_EQ(run.code, 0) << qPrintable(run.err);
    const QStringList lines = run.lines();
    ASSERT_EQ(lines.size(), 18) << qPrintable(run.out);
    EXPECT_EQ(lines.mid(0, 4).join(QLatin1Char('|')), u"TLVR__ACCESS_KEY|32528|1000|4294967295"_s);

    // A refused read, and a station that never answers.
    run = pcd(sim.connection(), { u"read"_s, u"DB"_s, u"9"_s, u"0"_s, u"1"_s });
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(u"PCD_NAK"_s)) << qPrintable(run.err);
    run = pcd(sim.connection() + u"/9"_s, { u"status"_s });
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(u"PCD_NORESP"_s)) << qPrintable(run.err);
}
