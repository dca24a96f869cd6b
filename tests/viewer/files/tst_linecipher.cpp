#include "FilesTestSupport.h"

#include "common/LineCipher.h"

#include "tests/support/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <iterator>
#include <random>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using tlv::common::LineCipher;
using tlv::common::ScriptedPrompter;
using tlv::viewer::test::readBytes;
using tlv::viewer::test::writeBytes;

namespace {

const QString CipherData = QStringLiteral(TOLVANE_TEST_DATA "/cipher/");

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
    for (const QString &name : { u"two_sections"_s, u"long_lf"_s }) {
        SCOPED_TRACE(name.toStdString());
        const QString source = path(name + u".tlv"_s);
        ASSERT_TRUE(QFile::copy(CipherData + name + u".tlv"_s, source));
        QString error;
        const QString target = LineCipher::encipherFile(source, &error);
        ASSERT_EQ(target, path(name + u".tlvd"_s)) << error.toStdString();
        EXPECT_EQ(readBytes(target), readBytes(CipherData + name + u".tlvd"_s));

        const QString plain = path(name + u".unc"_s);
        ASSERT_TRUE(LineCipher::decipherFile(CipherData + name + u".tlvd"_s, plain, &error))
            << error.toStdString();
        EXPECT_EQ(readBytes(plain), readBytes(CipherData + name + u".unc"_s));
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
        // Plain lines starting with '[' are never shifted: a damaged file, not
        // a line that could not be enciphered.
        { "deciphers to a section header", QByteArray("[A]\r\n") + char('W' + '[') + "\r\n" },
    };
    for (const Case &c : cases) {
        QByteArray out = "untouched";
        QString error;
        EXPECT_FALSE(LineCipher::decipher(c.data, &out, &error)) << c.name;
        EXPECT_EQ(error, u"Incorrect file !"_s) << c.name;
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

    // A CR inside a line would make the written file undecipherable.
    QByteArray out = "untouched";
    QString error;
    EXPECT_FALSE(LineCipher::encipher("[S]\r\nab\rc\r\n", &out, &error));
    EXPECT_TRUE(error.contains(u"Line 2"_s)) << error.toStdString();
    EXPECT_EQ(out, QByteArray("untouched"));
    // Readable lines keep theirs, and a CR that ends the data ends the last line.
    EXPECT_EQ(deciphered(enciphered("[INFO]\r\na\rb\r\n")), QByteArray("[INFO]\r\na\rb\r\n"));
    EXPECT_EQ(enciphered("[S]\nab\r"), enciphered("[S]\nab\n"));
}

TEST(LineCipher, WhatEnciphersDeciphersToTheSameText)
{
    // Seeded random files of 7-bit lines, headers and INFO sections: enciphering
    // either refuses or gives a file that deciphers to the same lines.
    std::mt19937 random(12);
    const QByteArray pieces[] = { "[S]", "[INFO]", "[x", "", "\r", ".", "&", "#", "a=1", "\t" };
    int refused = 0;
    for (int round = 0; round < 2000; ++round) {
        QByteArray plain;
        const int lines = int(random() % 12);
        for (int l = 0; l < lines; ++l) {
            QByteArray line;
            const int parts = int(random() % 4);
            for (int p = 0; p < parts; ++p) {
                if (random() % 2)
                    line += pieces[random() % std::size(pieces)];
                else
                    line += char(random() % 128);
            }
            line.replace('\n', ' ');
            plain += line + "\r\n";
        }
        QByteArray cipher;
        QString error;
        if (!LineCipher::encipher(plain, &cipher, &error)) {
            EXPECT_FALSE(error.isEmpty());
            ++refused;
            continue;
        }
        QByteArray back;
        ASSERT_TRUE(LineCipher::decipher(cipher, &back, &error))
            << plain.toHex().toStdString() << ' ' << error.toStdString();
        // A CR that ended a line of the plain file ends it in both.
        EXPECT_EQ(back, plain) << plain.toHex().toStdString();
    }
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused, 2000);
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
        { "e.txt", false },
        { "f", false },
        { "g.tlvd.bak", false },
        { "h.tlvx", false },
    };
    for (const Case &c : cases) {
        const QString source = path(QString::fromLatin1(c.name));
        writeBytes(source, body);
        QString error;
        const bool ok = LineCipher::decipherFile(source, path(u"out.unc"_s), &error);
        EXPECT_EQ(ok, c.accepted) << c.name;
        if (!c.accepted) {
            EXPECT_EQ(error, u"Bad source file extension !"_s) << c.name;
        }
    }
    EXPECT_EQ(readBytes(path(u"out.unc"_s)), QByteArray("[A]\r\nok\r\n"));

    QString error;
    EXPECT_FALSE(LineCipher::decipherFile(path(u"missing.tlvd"_s), path(u"x.unc"_s), &error));
    EXPECT_FALSE(error.isEmpty());
    // A failed conversion writes nothing.
    writeBytes(path(u"plain.tlv"_s), "[A]\r\nHeaderLenght=16\r\n");
    EXPECT_FALSE(LineCipher::decipherFile(path(u"plain.tlv"_s), path(u"y.unc"_s), &error));
    EXPECT_EQ(error, u"Incorrect file !"_s);
    EXPECT_FALSE(QFile::exists(path(u"y.unc"_s)));
}

TEST_F(LineCipherFiles, EncipherFileNamingAndFailures)
{
    writeBytes(path(u"ABCD.tlv"_s), "[A]\r\nx=1\r\n");
    EXPECT_EQ(LineCipher::encipherFile(path(u"ABCD.tlv"_s)), path(u"ABCD.tlvd"_s));
    writeBytes(path(u"desc.v2.txt"_s), "[A]\r\nx=1\r\n");
    EXPECT_EQ(LineCipher::encipherFile(path(u"desc.v2.txt"_s)), path(u"desc.v2.tlvd"_s));

    struct Case
    {
        const char *name;
        const char *why;
    };
    writeBytes(path(u"NoDot"_s), "[A]\r\n");
    writeBytes(path(u"again.tlvd"_s), "[A]\r\nx=1\r\n");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"blocked.tlvd"_s));
    writeBytes(path(u"blocked.tlv"_s), "[A]\r\nx=1\r\n");
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
    EXPECT_EQ(readBytes(path(u"again.tlvd"_s)), QByteArray("[A]\r\nx=1\r\n"));
}

TEST_F(LineCipherFiles, CryptTellsTheOutcome)
{
    ScriptedPrompter prompter;
    const QString good = path(u"ABCD.tlv"_s);
    writeBytes(good, "[A]\r\nx=1\r\n");
    EXPECT_TRUE(LineCipher::crypt(good, prompter));
    EXPECT_FALSE(LineCipher::crypt(path(u"NoDot"_s), prompter));
    ASSERT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(prompter.messages()[0],
        (ScriptedPrompter::Message { u"File "_s + good + u"\r\rCryptage successful !"_s,
            u"Cryptage Tolvane"_s, ScriptedPrompter::Style::Information,
            ScriptedPrompter::Buttons::Ok }));
    EXPECT_TRUE(prompter.messages()[1].text.endsWith(u"\r\rCryptage aborted !"_s));
}
