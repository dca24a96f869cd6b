#include "CliRun.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tlv::test::CliRun;
using tlv::test::runCli;

namespace {

const QString CipherData = QStringLiteral(TOLVANE_TEST_DATA "/cipher/");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

TEST(Cli, HelpAndWrongArguments)
{
    for (const QStringList &args : { QStringList(), QStringList { QStringLiteral("--help") } }) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("encipher FILE")));
        EXPECT_TRUE(run.out.contains(QStringLiteral("decipher FILE OUT")));
    }
    const CliRun unknown = runCli({ QStringLiteral("frobnicate") });
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("frobnicate")));
    const CliRun missing = runCli({ QStringLiteral("decipher"), QStringLiteral("only-one.tlvd") });
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("usage")));
}

// The cipher's rules are pinned with the cipher; here only what the command adds.
TEST(Cli, EncipherAndDecipherWriteTheReferenceFiles)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("two_sections.tlv"));
    ASSERT_TRUE(QFile::copy(CipherData + u"two_sections.tlv", source));
    const CliRun encipher = runCli({ QStringLiteral("encipher"), source });
    EXPECT_EQ(encipher.code, 0) << encipher.err.toStdString();
    EXPECT_EQ(encipher.out, QStringLiteral("Cryptage successful !\n"));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("two_sections.tlvd"))),
        readFile(CipherData + u"two_sections.tlvd"));

    const QString plain = dir.filePath(QStringLiteral("two_sections.txt"));
    const CliRun decipher
        = runCli({ QStringLiteral("decipher"), CipherData + u"two_sections.tlvd", plain });
    EXPECT_EQ(decipher.code, 0) << decipher.err.toStdString();
    EXPECT_EQ(readFile(plain), readFile(CipherData + u"two_sections.unc"));
}

TEST(Cli, FailuresGoToStderrWithExitCodeOne)
{
    QTemporaryDir dir;
    const CliRun noDot
        = runCli({ QStringLiteral("encipher"), dir.filePath(QStringLiteral("NoDot")) });
    EXPECT_EQ(noDot.code, 1);
    EXPECT_TRUE(noDot.err.startsWith(QStringLiteral("Cryptage aborted !\n")));
    EXPECT_TRUE(noDot.out.isEmpty());

    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const CliRun plain
        = runCli({ QStringLiteral("decipher"), CipherData + u"two_sections.tlv", out });
    EXPECT_EQ(plain.code, 1);
    EXPECT_EQ(plain.err, QStringLiteral("Incorrect file !\n"));
    EXPECT_FALSE(QFile::exists(out));
}
