#include "../TestSupport.h"
#include "CliRun.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using tlv::test::CliRun;
using tlv::test::readBytes;
using tlv::test::runCli;

namespace {

const QString CipherData = QStringLiteral(TOLVANE_TEST_DATA "/cipher/");

} // namespace

TEST(Cli, HelpAndWrongArguments)
{
    for (const QStringList &args : { QStringList(), QStringList { u"--help"_s } }) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(u"encipher FILE"_s));
        EXPECT_TRUE(run.out.contains(u"decipher FILE OUT"_s));
    }
    const CliRun unknown = runCli({ u"frobnicate"_s });
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.contains(u"frobnicate"_s));
    const CliRun missing = runCli({ u"decipher"_s, u"only-one.tlvd"_s });
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains(u"usage"_s));
    // A misspelt option is a wrong call, never taken for a file or ignored.
    for (const QString &command : { u"simulate"_s, u"record"_s, u"pcd"_s }) {
        const CliRun misspelt = runCli({ command, u"p.tlvr"_s, u"--tick"_s, u"3"_s });
        EXPECT_EQ(misspelt.code, 2);
        EXPECT_TRUE(misspelt.err.contains(u"usage: tolvane-cli "_s + command))
            << command.toStdString();
    }
}

// The cipher's rules are pinned with the cipher; here only what the command adds.
TEST(Cli, EncipherAndDecipherWriteTheReferenceFiles)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(u"two_sections.tlv"_s);
    ASSERT_TRUE(QFile::copy(CipherData + u"two_sections.tlv", source));
    const CliRun encipher = runCli({ u"encipher"_s, source });
    EXPECT_EQ(encipher.code, 0) << encipher.err.toStdString();
    EXPECT_EQ(encipher.out, u"Cryptage successful !\n"_s);
    EXPECT_EQ(readBytes(dir.filePath(u"two_sections.tlvd"_s)),
        readBytes(CipherData + u"two_sections.tlvd"));

    const QString plain = dir.filePath(u"two_sections.txt"_s);
    const CliRun decipher = runCli({ u"decipher"_s, CipherData + u"two_sections.tlvd", plain });
    EXPECT_EQ(decipher.code, 0) << decipher.err.toStdString();
    EXPECT_EQ(readBytes(plain), readBytes(CipherData + u"two_sections.unc"));
}

TEST(Cli, FailuresGoToStderrWithExitCodeOne)
{
    QTemporaryDir dir;
    const CliRun noDot = runCli({ u"encipher"_s, dir.filePath(u"NoDot"_s) });
    EXPECT_EQ(noDot.code, 1);
    EXPECT_TRUE(noDot.err.startsWith(u"Cryptage aborted !\n"_s));
    EXPECT_TRUE(noDot.out.isEmpty());

    const QString out = dir.filePath(u"out.txt"_s);
    const CliRun plain = runCli({ u"decipher"_s, CipherData + u"two_sections.tlv", out });
    EXPECT_EQ(plain.code, 1);
    EXPECT_EQ(plain.err, u"Incorrect file !\n"_s);
    EXPECT_FALSE(QFile::exists(out));
}

// Every command that exports refuses an ending it cannot write before it does any work.
TEST(Cli, ExportFilesWithAnUnknownEndingAreRefusedUpFront)
{
    QTemporaryDir dir;
    const QString demo = QStringLiteral(TOLVANE_TEST_DATA "/../../demo/demo.tlvr");
    const QString out = dir.filePath(u"out.pdf"_s);
    const QList<QStringList> calls {
        { u"simulate"_s, demo, u"--ticks"_s, u"3"_s, u"--export"_s, out },
        // Nothing answers there: a recording that started would wait for it.
        { u"record"_s, demo, u"--connect"_s, u"udp:127.0.0.1:9"_s, u"--export"_s, out },
        { u"journal"_s, dir.filePath(u"none.db"_s), u"export"_s, out },
    };
    for (const QStringList &args : calls) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.code, 2) << args.first().toStdString();
        EXPECT_TRUE(run.err.contains(u"Unknown export file type : "_s + out
            + u"\nAn export file ends in .xls, .xlsx or .csv."_s))
            << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}
