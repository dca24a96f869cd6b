#include "common/IniProfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tlv::common;

namespace {

class IniProfileTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString &name = QStringLiteral("t.ini")) const
    {
        return m_dir.filePath(name);
    }

    void put(const QByteArray &bytes, const QString &name = QStringLiteral("t.ini")) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray bytes(const QString &name = QStringLiteral("t.ini")) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
        { "Tolvane", "Other", "dflt" }, // only the first matching section counts
        { "Tolvane", "lead", "dflt" }, // keys before any section belong to none
        { "Tolvane", "; HeaderLenght", "dflt" }, // comments are not keys
        { "Missing", "Title", "dflt" },
        { "info", "text", "Caf\xc3\xa9" }, // LF lines, CP1252 on disk
    };
    for (const Case &c : cases) {
        EXPECT_EQ(
            IniProfile::read(path(), s(c.section), s(c.key), QStringLiteral("dflt")), s(c.expected))
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(IniProfile::read(path(QStringLiteral("none.ini")), QStringLiteral("A"),
                  QStringLiteral("B"), QStringLiteral("d")),
        QStringLiteral("d"));
    EXPECT_EQ(IniProfile::sections(path()),
        QStringList(
            { QStringLiteral("Tolvane"), QStringLiteral("tolvane"), QStringLiteral("Info") }));
}

TEST_F(IniProfileTest, ReadsAreCutToTheCallersLimit)
{
    const QByteArray longValue(400, 'x');
    put("[S]\r\nK=" + longValue + "\r\n");
    EXPECT_EQ(IniProfile::read(path(), QStringLiteral("S"), QStringLiteral("K")).size(),
        IniProfile::ValueLimit);
    EXPECT_EQ(IniProfile::read(path(), QStringLiteral("S"), QStringLiteral("K"), {}, 4),
        QStringLiteral("xxxx"));
    EXPECT_EQ(IniProfile::read(path(), QStringLiteral("S"), QStringLiteral("K"), {}, 0), QString());
    EXPECT_EQ(
        IniProfile::read(path(), QStringLiteral("S"), QStringLiteral("K"), {}, -3), QString());
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
    EXPECT_EQ(IniProfile::readSection(path(), QStringLiteral("register_0")),
        QStringList({ QStringLiteral("Bit_3=12,800,Pump,%s \\0)Off \\1)On"),
            QStringLiteral("Long=1,,Count,%d"), QStringLiteral("loose line") }));
    EXPECT_TRUE(IniProfile::readSection(path(), QStringLiteral("REGISTER_2")).isEmpty());
    EXPECT_TRUE(
        IniProfile::readSection(path(QStringLiteral("none.ini")), QStringLiteral("A")).isEmpty());
}

TEST_F(IniProfileTest, WriteReplacesInPlaceAndKeepsEveryOtherByte)
{
    const QByteArray before = "; head\n[A]\nKey = old \nkey=second\n[B]\r\nX=1\r\n";
    put(before);
    ASSERT_TRUE(IniProfile::write(
        path(), QStringLiteral("a"), QStringLiteral("KEY"), QStringLiteral("new")));
    EXPECT_EQ(bytes(), QByteArray("; head\n[A]\nKEY=new\nkey=second\n[B]\r\nX=1\r\n"));
    EXPECT_EQ(IniProfile::read(path(), QStringLiteral("A"), QStringLiteral("key")),
        QStringLiteral("new"));
}

TEST_F(IniProfileTest, WriteAppendsMissingKeysAndSections)
{
    put("[A]\r\nX=1\r\n\r\n[B]\r\nY=2");
    ASSERT_TRUE(
        IniProfile::write(path(), QStringLiteral("A"), QStringLiteral("Z"), QStringLiteral("3")));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2"));
    // The last line had no line end: it gets one before anything follows it.
    ASSERT_TRUE(IniProfile::write(
        path(), QStringLiteral("B"), QStringLiteral("W"), QString::fromUtf8("\xc3\xa9t\xc3\xa9")));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2\r\nW=\xe9t\xe9\r\n"));
    ASSERT_TRUE(
        IniProfile::write(path(), QStringLiteral("C"), QStringLiteral("V"), QStringLiteral("4")));
    EXPECT_TRUE(bytes().endsWith("W=\xe9t\xe9\r\n[C]\r\nV=4\r\n"));
    // A missing file is created.
    ASSERT_TRUE(IniProfile::write(path(QStringLiteral("new.ini")), QStringLiteral("S"),
        QStringLiteral("K"), QStringLiteral("v")));
    EXPECT_EQ(bytes(QStringLiteral("new.ini")), QByteArray("[S]\r\nK=v\r\n"));
}

TEST_F(IniProfileTest, WritesThatWouldNotReadBackAreRefused)
{
    const QByteArray before = "[A]\r\nX=1\r\n";
    put(before);
    const QString a = QStringLiteral("A");
    EXPECT_FALSE(IniProfile::write(path(), a, QStringLiteral("K"), QStringLiteral("1\r\n[B]")));
    EXPECT_FALSE(IniProfile::write(path(), a, QStringLiteral("K=1"), QStringLiteral("2")));
    EXPECT_FALSE(IniProfile::write(path(), a, QString(), QStringLiteral("2")));
    EXPECT_FALSE(IniProfile::write(path(), a, QStringLiteral(";K"), QStringLiteral("2")));
    EXPECT_FALSE(IniProfile::write(path(), QStringLiteral("A]x"), QStringLiteral("K"), a));
    EXPECT_FALSE(IniProfile::write(path(), QString(), QStringLiteral("K"), a));
    EXPECT_FALSE(IniProfile::writeSection(path(), a, { QStringLiteral("[B]") }));
    EXPECT_EQ(bytes(), before);
}

TEST_F(IniProfileTest, UnwritablePathsReportFalse)
{
    // A folder standing where the file should be cannot be replaced.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("dir.ini")));
    EXPECT_FALSE(IniProfile::write(path(QStringLiteral("dir.ini")), QStringLiteral("S"),
        QStringLiteral("K"), QStringLiteral("v")));
    EXPECT_FALSE(IniProfile::write(path(QStringLiteral("no/such/folder.ini")), QStringLiteral("S"),
        QStringLiteral("K"), QStringLiteral("v")));
}

TEST_F(IniProfileTest, SectionsAreReplacedAndErasedWhole)
{
    put("[A]\r\nX=1\r\n[Drop]\r\nP=1\r\nQ=2\r\n\r\n[B]\r\nY=2\r\n[drop]\r\nR=3\r\n");
    ASSERT_TRUE(IniProfile::eraseSection(path(), QStringLiteral("DROP")));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nX=1\r\n[B]\r\nY=2\r\n"));
    EXPECT_TRUE(IniProfile::eraseSection(path(), QStringLiteral("Missing")));

    put("[A]\r\nX=1\r\n; note\r\nY=2\r\n\r\n[B]\r\nZ=3\r\n");
    ASSERT_TRUE(IniProfile::writeSection(
        path(), QStringLiteral("a"), { QStringLiteral("N=9"), QStringLiteral("M=8") }));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nN=9\r\nM=8\r\n\r\n[B]\r\nZ=3\r\n"));
    ASSERT_TRUE(IniProfile::writeSection(path(), QStringLiteral("C"), { QStringLiteral("K=v") }));
    EXPECT_TRUE(bytes().endsWith("Z=3\r\n[C]\r\nK=v\r\n"));

    ASSERT_TRUE(IniProfile::eraseKey(path(), QStringLiteral("A"), QStringLiteral("n")));
    EXPECT_EQ(IniProfile::readSection(path(), QStringLiteral("A")),
        QStringList({ QStringLiteral("M=8") }));
    EXPECT_TRUE(IniProfile::eraseKey(path(), QStringLiteral("A"), QStringLiteral("gone")));
}
