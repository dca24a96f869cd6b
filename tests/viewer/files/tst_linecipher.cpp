#include "viewer/files/LineCipher.h"

#include "common/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tlv::common::ScriptedPrompter;
using tlv::viewer::LineCipher;

namespace {

const QString CipherData = QStringLiteral(TOLVANE_TEST_DATA "/cipher/");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray enciphered(const QByteArray &plain)
{
    QByteArray out;
    QString error;
    EXPECT_TRUE(LineCipher::encipher(plain, &out, &error)) << error.toStdString();
    return out;
}

QByteArray deciphered(const QByteArray &data)
{
    QByteArray out;
    QString error;
    EXPECT_TRUE(LineCipher::decipher(data, &out, &error)) << error.toStdString();
    return out;
}

QByteArray shifted(const char *text, int keyStart)
{
    static const QByteArray key("Wd5Krxn_Blqet-8");
    QByteArray out(text);
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = char(out[i] + key[(keyStart + i) % 15]);
    return out;
}

class LineCipherFiles : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

} // namespace

// The fixtures were made by an independent implementation (make_fixtures.py).
TEST_F(LineCipherFiles, AgreesWithTheReferenceFixturesByteForByte)
{
    for (const QString &name : { QStringLiteral("two_sections"), QStringLiteral("long_lf") }) {
        SCOPED_TRACE(name.toStdString());
        const QString source = path(name + QStringLiteral(".tlv"));
        ASSERT_TRUE(QFile::copy(CipherData + name + QStringLiteral(".tlv"), source));
        QString error;
        const QString target = LineCipher::encipherFile(source, &error);
        ASSERT_EQ(target, path(name + QStringLiteral(".tlvd"))) << error.toStdString();
        EXPECT_EQ(readFile(target), readFile(CipherData + name + QStringLiteral(".tlvd")));

        const QString plain = path(name + QStringLiteral(".unc"));
        ASSERT_TRUE(
            LineCipher::decipherFile(CipherData + name + QStringLiteral(".tlvd"), plain, &error))
            << error.toStdString();
        EXPECT_EQ(readFile(plain), readFile(CipherData + name + QStringLiteral(".unc")));
    }
}

TEST(LineCipher, KeyPositionsRestartPerSectionAndWrap)
{
    QByteArray plain = "[A]\nAB\nAB\n\n[B]\nAB\n";
    QByteArray expected = "[A]\r\n" + shifted("AB", 0) + "\r\n" + shifted("AB", 1)
        + "\r\n\r\n[B]\r\n" + shifted("AB", 0) + "\r\n";
    EXPECT_EQ(enciphered(plain), expected);

    // Sixteen lines: the sixteenth starts at key position 0 again; a long line
    // wraps its character position the same way.
    plain = "[R]\n";
    expected = "[R]\r\n";
    for (int line = 0; line < 16; ++line) {
        plain += "ABCDEFGHIJKLMNOPQ\n";
        expected += shifted("ABCDEFGHIJKLMNOPQ", line % 15) + "\r\n";
    }
    EXPECT_EQ(enciphered(plain), expected);
    EXPECT_EQ(
        deciphered(expected), expected.left(5) + QByteArray(plain.mid(4)).replace("\n", "\r\n"));
}

TEST(LineCipher, InfoSectionsStayReadableAndDoNotMoveTheLinePosition)
{
    const QByteArray plain = "[X]\r\nab\r\n[my_Info]\r\nread me\r\nme too\r\n[Y]\r\nab\r\n"
                             "[REGISTER_0]\r\nab\r\ncd\r\n";
    const QByteArray expected = "[X]\r\n" + shifted("ab", 0)
        + "\r\n[my_Info]\r\nread me\r\nme too\r\n" + "[Y]\r\n" + shifted("ab", 0)
        + "\r\n[REGISTER_0]\r\n" + shifted("ab", 0) + "\r\n" + shifted("cd", 1) + "\r\n";
    EXPECT_EQ(enciphered(plain), expected);
    EXPECT_EQ(deciphered(expected), plain);
}

TEST(LineCipher, LineEndingsAndNonAsciiCharacters)
{
    // LF and CR LF read the same; a last line without LF still gets CR LF.
    EXPECT_EQ(enciphered("[A]\nxy\n\nz"), enciphered("[A]\r\nxy\r\n\r\nz\r\n"));
    EXPECT_EQ(enciphered(QByteArray()), QByteArray());
    // Characters above 127 come back as 127, however high.
    EXPECT_EQ(deciphered(enciphered("\xe9\xff"
                                    "a\x80")),
        QByteArray("\x7f\x7f"
                   "a\x7f\r\n"));
    // The highest code that enciphering can produce still fits a byte.
    EXPECT_EQ(enciphered(QByteArray(6, '\x7f')).at(5), char(127 + 'x'));
}

TEST(LineCipher, DecipherRefusesWhatWasNeverEnciphered)
{
    struct Case
    {
        const char *name;
        QByteArray data;
    };
    const Case cases[] = {
        { "plain description", "[TOLVANE]\r\nHeaderLenght=16\r\n" },
        { "low code in a late column", shifted("abcdef", 0).append(char(' ')) },
        { "deciphers to a line feed", QByteArray(1, char('W' + '\n')) },
        { "deciphers to a carriage return", QByteArray(1, char('W' + '\r')) },
    };
    for (const Case &c : cases) {
        QByteArray out = "untouched";
        QString error;
        EXPECT_FALSE(LineCipher::decipher(c.data, &out, &error)) << c.name;
        EXPECT_EQ(error, QStringLiteral("Incorrect file !")) << c.name;
        EXPECT_EQ(out, QByteArray("untouched")) << c.name;
    }
}

TEST(LineCipher, EncipherRefusesLinesThatWouldLookLikeHeaders)
{
    // Key codes 45, 53 and 56 (positions 13, 2, 14) turn '.', '&' and '#' into '['.
    struct Case
    {
        int linePosition;
        char first;
    };
    for (const Case c : { Case { 13, '.' }, Case { 2, '&' }, Case { 14, '#' } }) {
        QByteArray plain = "[S]\n";
        for (int i = 0; i < c.linePosition; ++i)
            plain += "x\n";
        plain += c.first + QByteArray("rest\n");
        QByteArray out = "untouched";
        QString error;
        EXPECT_FALSE(LineCipher::encipher(plain, &out, &error)) << c.first;
        EXPECT_TRUE(error.contains(QString::number(c.linePosition + 2))) << error.toStdString();
        EXPECT_EQ(out, QByteArray("untouched"));
    }
    // The same characters elsewhere are harmless.
    EXPECT_EQ(deciphered(enciphered("[S]\n.a&b#c\n")), QByteArray("[S]\r\n.a&b#c\r\n"));
}

TEST_F(LineCipherFiles, DecipherChecksTheSourceExtension)
{
    const QByteArray body = "[A]\r\n" + shifted("ok", 0) + "\r\n";
    struct Case
    {
        const char *name;
        bool accepted;
    };
    const Case cases[] = {
        { "a.tlv", true },
        { "b.tlvd", true },
        { "c.TLVD", true },
        { "d.Tlv", true },
        { "e.txt", false },
        { "f", false },
        { "g.tlvd.bak", false },
        { "h.tlvx", false },
    };
    for (const Case &c : cases) {
        const QString source = path(QString::fromLatin1(c.name));
        writeFile(source, body);
        QString error;
        const bool ok = LineCipher::decipherFile(source, path(QStringLiteral("out.unc")), &error);
        EXPECT_EQ(ok, c.accepted) << c.name;
        if (!c.accepted) {
            EXPECT_EQ(error, QStringLiteral("Bad source file extension !")) << c.name;
        }
    }
    EXPECT_EQ(readFile(path(QStringLiteral("out.unc"))), QByteArray("[A]\r\nok\r\n"));

    QString error;
    EXPECT_FALSE(LineCipher::decipherFile(
        path(QStringLiteral("missing.tlvd")), path(QStringLiteral("x.unc")), &error));
    EXPECT_FALSE(error.isEmpty());
    // A failed conversion writes nothing.
    writeFile(path(QStringLiteral("plain.tlv")), "[A]\r\nHeaderLenght=16\r\n");
    EXPECT_FALSE(LineCipher::decipherFile(
        path(QStringLiteral("plain.tlv")), path(QStringLiteral("y.unc")), &error));
    EXPECT_EQ(error, QStringLiteral("Incorrect file !"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("y.unc"))));
}

TEST_F(LineCipherFiles, EncipherFileNamingAndFailures)
{
    writeFile(path(QStringLiteral("ABCD.tlv")), "[A]\r\nx=1\r\n");
    EXPECT_EQ(LineCipher::encipherFile(path(QStringLiteral("ABCD.tlv"))),
        path(QStringLiteral("ABCD.tlvd")));
    writeFile(path(QStringLiteral("desc.v2.txt")), "[A]\r\nx=1\r\n");
    EXPECT_EQ(LineCipher::encipherFile(path(QStringLiteral("desc.v2.txt"))),
        path(QStringLiteral("desc.v2.tlvd")));

    struct Case
    {
        const char *name;
        const char *why;
    };
    writeFile(path(QStringLiteral("NoDot")), "[A]\r\n");
    writeFile(path(QStringLiteral("again.tlvd")), "[A]\r\nx=1\r\n");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("blocked.tlvd")));
    writeFile(path(QStringLiteral("blocked.tlv")), "[A]\r\nx=1\r\n");
    const Case cases[] = {
        { "NoDot", "a name without a dot" },
        { "again.tlvd", "the target would overwrite the source" },
        { "missing.tlv", "unreadable source" },
        { "blocked.tlv", "target not writable" },
    };
    for (const Case &c : cases) {
        QString error;
        EXPECT_TRUE(LineCipher::encipherFile(path(QString::fromLatin1(c.name)), &error).isEmpty())
            << c.why;
        EXPECT_FALSE(error.isEmpty()) << c.why;
    }
    EXPECT_EQ(readFile(path(QStringLiteral("again.tlvd"))), QByteArray("[A]\r\nx=1\r\n"));
}

TEST_F(LineCipherFiles, CryptTellsTheOutcome)
{
    ScriptedPrompter prompter;
    const QString good = path(QStringLiteral("ABCD.tlv"));
    writeFile(good, "[A]\r\nx=1\r\n");
    EXPECT_TRUE(LineCipher::crypt(good, prompter));
    EXPECT_FALSE(LineCipher::crypt(path(QStringLiteral("NoDot")), prompter));
    ASSERT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(prompter.messages()[0],
        (ScriptedPrompter::Message {
            QStringLiteral("File ") + good + QStringLiteral("\r\rCryptage successful !"),
            QStringLiteral("Cryptage Tolvane"), ScriptedPrompter::Style::Information,
            ScriptedPrompter::Buttons::Ok }));
    EXPECT_TRUE(prompter.messages()[1].text.endsWith(QStringLiteral("\r\rCryptage aborted !")));
}
