#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Cli = QStringLiteral(TOLVANE_BIN_DIR "/tolvane-cli");
const QString CipherData = QStringLiteral(TOLVANE_TEST_DATA "/cipher/");

struct CliRun
{
    int code = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList &args)
{
    QProcess process;
    process.start(Cli, args);
    CliRun run;
    if (!process.waitForStarted(-1) || !process.waitForFinished(-1)) {
        run.err = process.errorString();
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(CliTest, HelpListsTheCommands)
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

TEST_F(CliTest, EncipherAndDecipherMatchTheReferenceFiles)
{
    for (const QString &name : { QStringLiteral("two_sections"), QStringLiteral("long_lf") }) {
        SCOPED_TRACE(name.toStdString());
        const QString source = path(name + QStringLiteral(".tlv"));
        ASSERT_TRUE(QFile::copy(CipherData + name + QStringLiteral(".tlv"), source));
        const CliRun encipher = runCli({ QStringLiteral("encipher"), source });
        EXPECT_EQ(encipher.code, 0) << encipher.err.toStdString();
        EXPECT_EQ(encipher.out, QStringLiteral("Cryptage successful !\n"));
        EXPECT_EQ(readFile(path(name + QStringLiteral(".tlvd"))),
            readFile(CipherData + name + QStringLiteral(".tlvd")));

        const QString plain = path(name + QStringLiteral(".txt"));
        const CliRun decipher = runCli(
            { QStringLiteral("decipher"), CipherData + name + QStringLiteral(".tlvd"), plain });
        EXPECT_EQ(decipher.code, 0) << decipher.err.toStdString();
        EXPECT_EQ(readFile(plain), readFile(CipherData + name + QStringLiteral(".unc")));
    }
}

TEST_F(CliTest, FailuresGoToStderrWithExitCodeOne)
{
    const CliRun noDot = runCli({ QStringLiteral("encipher"), path(QStringLiteral("NoDot")) });
    EXPECT_EQ(noDot.code, 1);
    EXPECT_TRUE(noDot.err.startsWith(QStringLiteral("Cryptage aborted !\n")));
    EXPECT_TRUE(noDot.out.isEmpty());

    const CliRun badExtension = runCli({ QStringLiteral("decipher"),
        CipherData + QStringLiteral("make_fixtures.py"), path(QStringLiteral("out.txt")) });
    EXPECT_EQ(badExtension.code, 1);
    EXPECT_EQ(badExtension.err, QStringLiteral("Bad source file extension !\n"));

    const CliRun plain = runCli({ QStringLiteral("decipher"),
        CipherData + QStringLiteral("two_sections.tlv"), path(QStringLiteral("out.txt")) });
    EXPECT_EQ(plain.code, 1);
    EXPECT_EQ(plain.err, QStringLiteral("Incorrect file !\n"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.txt"))));
}
