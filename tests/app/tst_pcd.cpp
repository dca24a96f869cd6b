#include "CliRun.h"

#include <gtest/gtest.h>

namespace {

using tlv::test::PcdProcess;

tlv::test::CliRun pcd(const QString &connection, const QStringList &command)
{
    return tlv::test::runCli(QStringList { QStringLiteral("pcd"), QStringLiteral("--connect"),
                                 connection, QStringLiteral("--timeout"), QStringLiteral("200"),
                                 QStringLiteral("--retries"), QStringLiteral("0") }
        + command);
}

} // namespace

TEST(CliPcd, ReadsWhatThePcdHoldsAndNamesEveryFailure)
{
    PcdProcess sim(
        { QStringLiteral("--set"), QStringLiteral("R 10 = 7 -8"), QStringLiteral("--set"),
            QStringLiteral("DBX 5 entry 2 TLVR__ACCESS_KEY 0x7F10 1000 0xFFFFFFFF") });
    ASSERT_NE(sim.port(), 0);

    auto run = pcd(sim.connection(), { QStringLiteral("status") });
    EXPECT_EQ(run.out, QStringLiteral("2 Run\n"));
    run = pcd(sim.connection(),
        { QStringLiteral("read"), QStringLiteral("R"), QStringLiteral("10"), QStringLiteral("2") });
    EXPECT_EQ(run.out, QStringLiteral("7\n-8\n"));

    // The entry's own value comes before the table.
    run = pcd(sim.connection(),
        { QStringLiteral("dbx"), QStringLiteral("5"), QStringLiteral("TLVR__ACCESS_KEY") });
    ASSERT_EQ(run.code, 0) << qPrintable(run.err);
    const QStringList lines = run.lines();
    ASSERT_EQ(lines.size(), 18) << qPrintable(run.out);
    EXPECT_EQ(lines.mid(0, 4).join(QLatin1Char('|')),
        QStringLiteral("TLVR__ACCESS_KEY|32528|1000|4294967295"));

    // A refused read, and a station that never answers.
    run = pcd(sim.connection(),
        { QStringLiteral("read"), QStringLiteral("DB"), QStringLiteral("9"), QStringLiteral("0"),
            QStringLiteral("1") });
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("PCD_NAK"))) << qPrintable(run.err);
    run = pcd(sim.connection() + QStringLiteral("/9"), { QStringLiteral("status") });
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("PCD_NORESP"))) << qPrintable(run.err);
}
