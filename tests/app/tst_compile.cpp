// "compile" as a user runs it; what a refused buffer says is pinned with the buffer rules.
#include "../TestSupport.h"
#include "CliRun.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using tlv::test::readBytes;
using tlv::test::writeBytes;

namespace {

// Without the date line.
QByteArray body(const QByteArray &source)
{
    return source.mid(source.indexOf('\n') + 1);
}

} // namespace

TEST(CliCompile, WritesTheSourceOrLeavesItUntouched)
{
    QTemporaryDir dir;
    const QString project = dir.filePath(u"boiler.tlvr"_s);
    const QString source = dir.filePath(u"boiler.tlvs"_s);
    const QByteArray windows = readBytes(QStringLiteral(TOLVANE_TEST_DATA "/buffer/windows.tlvr"));
    ASSERT_TRUE(writeBytes(project, windows));
    tlv::test::CliRun run = tlv::test::runCli({ u"compile"_s, project });
    ASSERT_EQ(run.code, 0) << qPrintable(run.err);
    EXPECT_EQ(run.out, u"Compilation successful !\n"_s);
    const QByteArray expected
        = readBytes(QStringLiteral(TOLVANE_TEST_DATA "/buffer/windows-expected.tlvs"));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(body(readBytes(source)), body(expected));

    ASSERT_TRUE(writeBytes(source, "previous"));
    ASSERT_TRUE(windows.contains("COLUMN2=1,Bit,3"));
    ASSERT_TRUE(
        writeBytes(project, QByteArray(windows).replace("COLUMN2=1,Bit,3", "COLUMN2=1,bit,3")));
    run = tlv::test::runCli({ u"compile"_s, project });
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(u"Invalid Data Type in column 2"_s)) << qPrintable(run.err);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(readBytes(source), QByteArray("previous"));

    // A value outside its key's range is named, not compiled into a source the PCD refuses.
    ASSERT_TRUE(
        writeBytes(project, QByteArray(windows).replace("RecordMemory=1", "RecordMemory=2")));
    run = tlv::test::runCli({ u"compile"_s, project });
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(u"RecordMemory: 2 (0 to 1)"_s)) << qPrintable(run.err);
    EXPECT_EQ(readBytes(source), QByteArray("previous"));

    ASSERT_TRUE(writeBytes(project, QByteArray(windows).replace("Version=2", "Version=0.9")));
    run = tlv::test::runCli({ u"compile"_s, project });
    EXPECT_EQ(run.code, 1);
    EXPECT_FALSE(run.err.isEmpty());
    EXPECT_EQ(readBytes(source), QByteArray("previous"));
    EXPECT_EQ(tlv::test::runCli({ u"compile"_s, dir.filePath(u"missing.tlvr"_s) }).code, 1);
}
