// The command line recorder against the simulated PCD going quiet for less time than its
// ring holds: with or without AutoConnect no record is lost.
#include "../TestSupport.h"
#include "CliRun.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using tlv::test::PcdProcess;

namespace {

// The demo reading every 500 ms a ring of 40 records written every 100 ms: 4 s deep.
QString quietDemo(const QTemporaryDir &dir, int autoConnect)
{
    QString text = QString::fromLatin1(
        tlv::test::readBytes(QStringLiteral(TOLVANE_TEST_DATA "/../../demo/demo.tlvr")));
    text.replace(QRegularExpression(u"ReadInterval=\\d+"_s), u"ReadInterval=500"_s);
    text.replace(QRegularExpression(u"RecordInterval=\\d+"_s), u"RecordInterval=1"_s);
    text.replace(QRegularExpression(u"RecordNumber=\\d+"_s), u"RecordNumber=40"_s);
    text.replace(QRegularExpression(u"AutoConnect=\\d+"_s),
        u"AutoConnect="_s + QString::number(autoConnect));
    const QString project = dir.filePath(u"demo.tlvr"_s);
    if (text.isEmpty() || !tlv::test::writeBytes(project, text.toLatin1()))
        return {};
    return tlv::test::runCli({ u"compile"_s, project }).code == 0 ? project : QString();
}

class QuietPcd : public ::testing::TestWithParam<int>
{
};

} // namespace

TEST_P(QuietPcd, ASilenceShorterThanTheRingLosesNoRecord)
{
    QTemporaryDir dir;
    const QString project = quietDemo(dir, GetParam());
    ASSERT_FALSE(project.isEmpty());
    PcdProcess pcd({ u"--trace"_s, dir.filePath(u"demo.tlvs"_s), u"--set"_s,
        u"wave R 100 ramp 0 100000 10000000"_s, u"--set"_s, u"at 2000 silent 2500"_s });
    ASSERT_NE(pcd.port(), 0);

    const tlv::test::CliRun run = tlv::test::runCli({ u"record"_s, project, u"--connect"_s,
        pcd.connection(), u"--stamps"_s, u"s"_s, u"--seconds"_s, u"8"_s });
    EXPECT_EQ(run.code, 0) << qPrintable(run.err);
    const QStringList rows = run.lines();
    EXPECT_TRUE(rows.filter(u"Miss"_s).isEmpty()) << qPrintable(run.out);
    // 8 s of records every 100 ms, read again after the silence.
    EXPECT_GE(rows.filter(QRegularExpression(u"^Run\t\\d"_s)).size(), 70) << qPrintable(run.out);
    EXPECT_TRUE(run.err.contains(u"PCD communication failed"_s) || GetParam() == 0)
        << qPrintable(run.err);
}

INSTANTIATE_TEST_SUITE_P(AutoConnect, QuietPcd, ::testing::Values(0, 1));
