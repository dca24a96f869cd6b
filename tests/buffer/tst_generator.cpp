#include "BufferTestSupport.h"

#include "buffer/SourceGenerator.h"
#include "buffer/UserColumns.h"

#include <gtest/gtest.h>

using namespace tlv::buffer;
using namespace tlv::buffer::test;

namespace {

const QDateTime When(QDate(2026, 12, 5), QTime(19, 20, 0));

// The buffer of the documented example.
UserColumns exampleBuffer()
{
    UserColumns b;
    b.applyNewBufferDefaults();
    b.setStartReg(QStringLiteral("1000"));
    b.setRecordChange(1);
    b.setMemory(1);
    b.setRecordLen(2);
    b.add(QStringLiteral("Level"), QStringLiteral("R 120"), 0, QStringLiteral("Long"), 0,
        QStringLiteral("%d"), 1000, 5);
    b.add(QStringLiteral("Pump"), QStringLiteral("Pump.Run"), 1, QStringLiteral("Bit"), 3,
        QStringLiteral("%b"), 1000, 0);
    return b;
}

QStringList lines(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
}

} // namespace

TEST(SourceGeneratorTest, ReproducesTheDocumentedExample)
{
    const QByteArray expected = readBytes(fixture(QStringLiteral("example.tlvs")));
    ASSERT_FALSE(expected.isEmpty());
    const QByteArray text = SourceGenerator::text(exampleBuffer(), When, QStringLiteral("31260"));
    EXPECT_EQ(withoutFirstLine(text), withoutFirstLine(expected));
    EXPECT_TRUE(text.startsWith(";;Compiled by Tolvane\t"));
    EXPECT_TRUE(text.left(text.indexOf('\n')).endsWith("  19:20:00\r"));
    EXPECT_FALSE(text.contains("\n\n")); // every line ends in CRLF
}

TEST(SourceGeneratorTest, WritesTheFileWholeAndReportsFailures)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.tlvs"));
    ASSERT_TRUE(writeBytes(path, QByteArray(5000, 'z')));
    SourceGenerator generator;
    ASSERT_TRUE(generator.write(exampleBuffer(), path, When));
    const QByteArray written = readBytes(path);
    EXPECT_FALSE(written.contains('z'));
    EXPECT_TRUE(written.contains("_COMPILER          EQU  10000\r\n"));

    EXPECT_FALSE(generator.write(exampleBuffer(), dir.filePath(QStringLiteral("no/x.tlvs")), When));
    EXPECT_FALSE(generator.errorString().isEmpty());
}

TEST(SourceGeneratorTest, ConfigurationCallForms)
{
    UserColumns b = exampleBuffer();
    b.setStartReg(QStringLiteral("  1000  "));
    EXPECT_TRUE(lines(SourceGenerator::text(b, When, QStringLiteral("1")))
                    .contains(QStringLiteral("TLVR__config2 ('DEFA',R 1000,,600,,1,1,2,100,10)")));

    b.setStartReg(QStringLiteral("DB 1000"));
    b.setCloseTlv(QStringLiteral("R 50"));
    b.setRecordEnable(QStringLiteral("F 1"));
    b.setRecordCommand(QStringLiteral("F 2"));
    b.setRecordInt(15);
    b.setRecordChange(0);
    b.setMemory(0);
    b.setBufferLen(5000);
    EXPECT_TRUE(lines(SourceGenerator::text(b, When, QStringLiteral("1")))
                    .contains(QStringLiteral(
                        "TLVR__config3 ('DEFA',DB 1000,,R 50,,F 1,15,F 2,0,0,2,5000,10)")));

    b.setCloseTlv(QString());
    b.setClearBuf(QStringLiteral("I 4"));
    b.setSerialNr(QStringLiteral("R 9"));
    EXPECT_TRUE(lines(SourceGenerator::text(b, When, QStringLiteral("1")))
                    .contains(QStringLiteral(
                        "TLVR__config3 ('DEFA',DB 1000,R 9,,I 4,F 1,15,F 2,0,0,2,5000,10)")));
}

TEST(SourceGeneratorTest, WithoutRecordOnChangeThereIsNoChangeBlock)
{
    UserColumns b = exampleBuffer();
    b.setRecordChange(0);
    const QStringList l = lines(SourceGenerator::text(b, When, QStringLiteral("1")));
    EXPECT_FALSE(l.join(u'\n').contains(QStringLiteral("TLVR__Change")));
    const qsizetype extn = l.indexOf(QStringLiteral("EXTN Pump.Run"));
    ASSERT_GE(extn, 0);
    EXPECT_EQ(l.at(extn + 1), QString());
    EXPECT_EQ(l.at(extn + 2), QStringLiteral("TLVR__RecordBegin ()"));
}

TEST(SourceGeneratorTest, TypeLettersSymbolsAndCp1252)
{
    UserColumns b;
    const char *columns[][3] = { { "F 12", "Bit", "%b" }, { "Motor1", "Nible", "%h" },
        { "DB 5", "Byte", "%a" }, { "Motor1", "Word", "%m" }, { "R 1", "Long", "%t" },
        { "R 2", "Long", "%m" }, { "Arrêt", "Word", "" } };
    for (const auto &c : columns)
        b.add({}, QString::fromUtf8(c[0]), 0, QString::fromLatin1(c[1]), 0,
            QString::fromLatin1(c[2]), 1000, 0);
    const QByteArray text = SourceGenerator::text(b, When, QStringLiteral("1"));
    const QStringList l = lines(text);
    // A symbol used twice is declared twice; "DB 5" counts as a symbol.
    EXPECT_EQ(l.filter(QStringLiteral("EXTN ")).join(u'|'),
        QString::fromLatin1("EXTN Motor1|EXTN DB 5|EXTN Motor1|EXTN Arr\xeat"));
    EXPECT_EQ(l.filter(QStringLiteral("TLVR__Record (")).join(u'|'),
        QString::fromLatin1("TLVR__Record (F 12,0,Q,0)|TLVR__Record (Motor1,0,N,0)|"
                            "TLVR__Record (DB 5,0,B,0)|TLVR__Record (Motor1,0,Wm,0)|"
                            "TLVR__Record (R 1,0,Lt,0)|TLVR__Record (R 2,0,Lm,0)|"
                            "TLVR__Record (Arr\xeat,0,W,0)"));
    EXPECT_TRUE(text.contains("EXTN Arr\xeat\r\n"));
}

TEST(SourceGeneratorTest, DerivedTexts)
{
    EXPECT_EQ(SourceGenerator::programVersionNumber(3, 1, 260), QStringLiteral("31260"));
    EXPECT_EQ(SourceGenerator::programVersionNumber(3, 1, 7), QStringLiteral("31007"));
    EXPECT_EQ(SourceGenerator::programVersionNumber(), QStringLiteral("10000"));
    EXPECT_EQ(SourceGenerator::startAddress(QStringLiteral(" 1000 ")), QStringLiteral("R 1000"));
    EXPECT_EQ(SourceGenerator::startAddress(QStringLiteral("DB 1000")), QStringLiteral("DB 1000"));

    EXPECT_EQ(SourceGenerator::sourcePathFor(QStringLiteral("/p/plant.tlvr")),
        QStringLiteral("/p/plant.tlvs"));
    // Never the project file itself.
    EXPECT_EQ(SourceGenerator::sourcePathFor(QStringLiteral("/p/PLANT.TLVR")),
        QStringLiteral("/p/PLANT.TLVS"));
    EXPECT_EQ(SourceGenerator::sourcePathFor(QStringLiteral("/p/plant")),
        QStringLiteral("/p/plant.tlvs"));
}
