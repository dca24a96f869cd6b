#include "BufferTestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::buffer::test;

namespace {

class CliCompileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        cli = QStringLiteral(TOLVANE_BIN_DIR "/tolvane-cli");
        if (!QFile::exists(cli))
            GTEST_SKIP() << "tolvane-cli is not built";
        ASSERT_TRUE(dir.isValid());
        project = dir.filePath(u"boiler.tlvr"_s);
        source = dir.filePath(u"boiler.tlvs"_s);
        ASSERT_TRUE(writeBytes(project, readBytes(fixture(u"windows.tlvr"_s))));
    }

    int compile()
    {
        QProcess p;
        p.start(cli, { u"compile"_s, project });
        if (!p.waitForFinished(60000))
            return -1;
        out = QString::fromUtf8(p.readAllStandardOutput());
        err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    }

    void replaceInProject(const QByteArray &from, const QByteArray &to)
    {
        QByteArray bytes = readBytes(project);
        ASSERT_TRUE(bytes.contains(from));
        ASSERT_TRUE(writeBytes(project, bytes.replace(from, to)));
    }

    QString cli;
    QTemporaryDir dir;
    QString project;
    QString source;
    QString out;
    QString err;
};

} // namespace

TEST_F(CliCompileTest, WritesTheSourceOfAWindowsProject)
{
    ASSERT_EQ(compile(), 0) << qPrintable(err);
    EXPECT_EQ(out, u"Compilation successful !\n"_s);
    EXPECT_EQ(withoutFirstLine(readBytes(source)),
        withoutFirstLine(readBytes(fixture(u"windows-expected.tlvs"_s))));
}

TEST_F(CliCompileTest, RefusedBuffersLeaveTheSourceUntouched)
{
    const struct
    {
        QByteArray from;
        QByteArray to;
        const char *message;
    } cases[] = { { "COLUMN2=1,Bit,3", "COLUMN2=1,bit,3", "Invalid Data Type in column 2" },
        { "RecordNumber=500", "RecordNumber=40000", "Invalid buffer value !" },
        // Fields that would rewrite or empty arguments of the generated calls.
        { "HeaderKey=CHDR", "HeaderKey=DEMO',R 9999,,1,,0,0,4,50,10) ;",
            "Invalid Header Key : it holds \"'\"" },
        { "3,Pump.Run,800", "3,,800", "Invalid PCD Variable in column 2 : it is empty" } };
    for (const auto &c : cases) {
        SetUp();
        ASSERT_TRUE(writeBytes(source, "previous"));
        replaceInProject(c.from, c.to);
        EXPECT_EQ(compile(), 1) << c.message;
        EXPECT_TRUE(err.contains(QString::fromLatin1(c.message))) << qPrintable(err);
        EXPECT_TRUE(out.isEmpty());
        EXPECT_EQ(readBytes(source), QByteArray("previous")) << c.message;
    }
}

TEST_F(CliCompileTest, UnreadableProjectFails)
{
    replaceInProject("MAXROWS=800", "MaxGraph2=800");
    EXPECT_EQ(compile(), 1);
    EXPECT_FALSE(err.isEmpty());
    EXPECT_FALSE(QFile::exists(source));
    project = dir.filePath(u"missing.tlvr"_s);
    EXPECT_EQ(compile(), 1);
}
