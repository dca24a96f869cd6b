#include "common/IniProfile.h"
#include "tests/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::common;

namespace {

class IniProfileTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString &name = u"t.ini"_s) const { return m_dir.filePath(name); }

    void put(const QByteArray &bytes, const QString &name = u"t.ini"_s) const
    {
        ASSERT_TRUE(tlv::test::writeBytes(path(name), bytes));
    }
    QByteArray bytes(const QString &name = u"t.ini"_s) const
    {
        return tlv::test::readBytes(path(name));
    }

    QTemporaryDir m_dir;
};

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

TEST_F(IniProfileTest, ReadsFollowPrivateProfileRules)
{
    put("lead=ignored\r\n"
        "[Tolvane]\r\n"
        "; HeaderLenght=99\r\n"
        "  HeaderLenght =  16  \r\n"
        "headerlenght=17\r\n"
        "Title=a=b\r\n"
        "Empty=\r\n"
        "Path=\"C:\\My files\\a.xls\"\r\n"
        "Half=\"open\r\n"
        "Single='x'\r\n"
        "[tolvane]\r\n"
        "Other=1\r\n"
        "[Info]\n"
        "Text=Caf\xe9\n");
    struct Case
    {
        const char *section, *key, *expected;
    };
    const Case cases[] = {
        { "TOLVANE", "headerLENGHT", "16" }, // case-insensitive, first key wins
        { "Tolvane", "Title", "a=b" }, // text after the first "="
        { "Tolvane", "Empty", "" },
        { "Tolvane", "Path", "C:\\My files\\a.xls" }, // one pair of quotes dropped
        { "Tolvane", "Half", "\"open" }, { "Tolvane", "Single", "x" },
        { "Tolvane", "Other", "dflt" }, // only the first matching section counts
        { "Tolvane", "lead", "dflt" }, // keys before any section belong to none
        { "Tolvane", "; HeaderLenght", "dflt" }, // comments are not keys
        { "Missing", "Title", "dflt" },
        { "info", "text", "Caf\xc3\xa9" }, // LF lines, CP1252 on disk
    };
    for (const Case &c : cases) {
        EXPECT_EQ(IniProfile::read(path(), s(c.section), s(c.key), u"dflt"_s), s(c.expected))
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(IniProfile::read(path(u"none.ini"_s), u"A"_s, u"B"_s, u"d"_s), u"d"_s);
    EXPECT_EQ(IniProfile::sections(path()), QStringList({ u"Tolvane"_s, u"tolvane"_s, u"Info"_s }));
}

TEST_F(IniProfileTest, ReadsAreCutToTheCallersLimit)
{
    const QByteArray longValue(400, 'x');
    put("[S]\r\nK=" + longValue + "\r\n");
    EXPECT_EQ(IniProfile::read(path(), u"S"_s, u"K"_s).size(), IniProfile::ValueLimit);
    EXPECT_EQ(IniProfile::read(path(), u"S"_s, u"K"_s, {}, 4), u"xxxx"_s);
    EXPECT_EQ(IniProfile::read(path(), u"S"_s, u"K"_s, {}, 0), QString());
    EXPECT_EQ(IniProfile::read(path(), u"S"_s, u"K"_s, {}, -3), QString());
}

TEST_F(IniProfileTest, ReadSectionReturnsEntriesInOrder)
{
    put("[REGISTER_0]\r\n"
        "Bit_3 = 12,800,Pump,%s \\0)Off \\1)On\r\n"
        "; a comment\r\n"
        "\r\n"
        "Long=1,,Count,%d\r\n"
        "loose line\r\n"
        "[REGISTER_1]\r\n"
        "Long=2,,X,%d\r\n");
    EXPECT_EQ(IniProfile::readSection(path(), u"register_0"_s),
        QStringList(
            { u"Bit_3=12,800,Pump,%s \\0)Off \\1)On"_s, u"Long=1,,Count,%d"_s, u"loose line"_s }));
    EXPECT_TRUE(IniProfile::readSection(path(), u"REGISTER_2"_s).isEmpty());
    EXPECT_TRUE(IniProfile::readSection(path(u"none.ini"_s), u"A"_s).isEmpty());
}

TEST_F(IniProfileTest, WriteReplacesInPlaceAndKeepsEveryOtherByte)
{
    const QByteArray before = "; head\n[A]\nKey = old \nkey=second\n[B]\r\nX=1\r\n";
    put(before);
    ASSERT_TRUE(IniProfile::write(path(), u"a"_s, u"KEY"_s, u"new"_s));
    EXPECT_EQ(bytes(), QByteArray("; head\n[A]\nKEY=new\nkey=second\n[B]\r\nX=1\r\n"));
    EXPECT_EQ(IniProfile::read(path(), u"A"_s, u"key"_s), u"new"_s);
}

TEST_F(IniProfileTest, WriteAppendsMissingKeysAndSections)
{
    put("[A]\r\nX=1\r\n\r\n[B]\r\nY=2");
    ASSERT_TRUE(IniProfile::write(path(), u"A"_s, u"Z"_s, u"3"_s));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2"));
    // The last line had no line end: it gets one before anything follows it.
    ASSERT_TRUE(IniProfile::write(path(), u"B"_s, u"W"_s, QString::fromUtf8("\xc3\xa9t\xc3\xa9")));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2\r\nW=\xe9t\xe9\r\n"));
    ASSERT_TRUE(IniProfile::write(path(), u"C"_s, u"V"_s, u"4"_s));
    EXPECT_TRUE(bytes().endsWith("W=\xe9t\xe9\r\n[C]\r\nV=4\r\n"));
}

TEST_F(IniProfileTest, WritesThatWouldNotReadBackAreRefused)
{
    const QByteArray before = "[A]\r\nX=1\r\n";
    put(before);
    const QString a = u"A"_s;
    EXPECT_FALSE(IniProfile::write(path(), a, u"K"_s, u"1\r\n[B]"_s));
    EXPECT_FALSE(IniProfile::write(path(), a, u"K=1"_s, u"2"_s));
    EXPECT_FALSE(IniProfile::write(path(), a, QString(), u"2"_s));
    EXPECT_FALSE(IniProfile::write(path(), a, u";K"_s, u"2"_s));
    EXPECT_FALSE(IniProfile::write(path(), u"A]x"_s, u"K"_s, a));
    EXPECT_FALSE(IniProfile::write(path(), QString(), u"K"_s, a));
    EXPECT_FALSE(IniProfile::writeSection(path(), a, { u"[B]"_s }));
    EXPECT_EQ(bytes(), before);
    // A folder standing where the file should be cannot be replaced.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"dir.ini"_s));
    EXPECT_FALSE(IniProfile::write(path(u"dir.ini"_s), u"S"_s, u"K"_s, u"v"_s));
}

TEST_F(IniProfileTest, SectionsAreReplacedAndErasedWhole)
{
    put("[A]\r\nX=1\r\n[Drop]\r\nP=1\r\nQ=2\r\n\r\n[B]\r\nY=2\r\n[drop]\r\nR=3\r\n");
    ASSERT_TRUE(IniProfile::eraseSection(path(), u"DROP"_s));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nX=1\r\n[B]\r\nY=2\r\n"));
    EXPECT_TRUE(IniProfile::eraseSection(path(), u"Missing"_s));

    put("[A]\r\nX=1\r\n; note\r\nY=2\r\n\r\n[B]\r\nZ=3\r\n");
    ASSERT_TRUE(IniProfile::writeSection(path(), u"a"_s, { u"N=9"_s, u"M=8"_s }));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nN=9\r\nM=8\r\n\r\n[B]\r\nZ=3\r\n"));
    ASSERT_TRUE(IniProfile::writeSection(path(), u"C"_s, { u"K=v"_s }));
    EXPECT_TRUE(bytes().endsWith("Z=3\r\n[C]\r\nK=v\r\n"));

    ASSERT_TRUE(IniProfile::eraseKey(path(), u"A"_s, u"n"_s));
    EXPECT_EQ(IniProfile::readSection(path(), u"A"_s), QStringList({ u"M=8"_s }));
    EXPECT_TRUE(IniProfile::eraseKey(path(), u"A"_s, u"gone"_s));
}
