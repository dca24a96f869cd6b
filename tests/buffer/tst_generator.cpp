#include "BufferTestSupport.h"

#include "buffer/SourceGenerator.h"
#include "buffer/UserColumns.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::buffer;
using namespace tlv::buffer::test;

namespace {

const QDateTime When(QDate(2026, 12, 5), QTime(19, 20, 0));

// The buffer of the documented example.
UserColumns exampleBuffer()
{
    UserColumns b;
    b.applyNewBufferDefaults();
    b.setStartReg(u"1000"_s);
    b.setRecordChange(1);
    b.setMemory(1);
    b.setRecordLen(2);
    b.add(u"Level"_s, u"R 120"_s, 0, u"Long"_s, 0, u"%d"_s, 1000, 5);
    b.add(u"Pump"_s, u"Pump.Run"_s, 1, u"Bit"_s, 3, u"%b"_s, 1000, 0);
    return b;
}

QStringList lines(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes).split(u"\r\n"_s);
}

} // namespace

TEST(SourceGeneratorTest, ReproducesTheDocumentedExample)
{
    const QByteArray expected = readBytes(fixture(u"example.tlvs"_s));
    ASSERT_FALSE(expected.isEmpty());
    const QByteArray text = SourceGenerator::text(exampleBuffer(), When, u"31260"_s);
    EXPECT_EQ(withoutFirstLine(text), withoutFirstLine(expected));
    EXPECT_TRUE(text.startsWith(";;Compiled by Tolvane\t"));
    EXPECT_TRUE(text.left(text.indexOf('\n')).endsWith("  19:20:00\r"));
    EXPECT_FALSE(text.contains("\n\n")); // every line ends in CRLF
}

TEST(SourceGeneratorTest, WritesTheFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"x.tlvs"_s);
    ASSERT_TRUE(writeBytes(path, QByteArray(5000, 'z')));
    SourceGenerator generator;
    ASSERT_TRUE(generator.write(exampleBuffer(), path, When));
    const QByteArray written = readBytes(path);
    EXPECT_FALSE(written.contains('z'));
    EXPECT_TRUE(written.contains("_COMPILER          EQU  10000\r\n"));
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
    const QByteArray text = SourceGenerator::text(b, When, u"1"_s);
    const QStringList l = lines(text);
    // A symbol used twice is declared twice; "DB 5" counts as a symbol.
    EXPECT_EQ(l.filter(u"EXTN "_s).join(u'|'),
        QString::fromLatin1("EXTN Motor1|EXTN DB 5|EXTN Motor1|EXTN Arr\xeat"));
    EXPECT_EQ(l.filter(u"TLVR__Record ("_s).join(u'|'),
        QString::fromLatin1("TLVR__Record (F 12,0,Q,0)|TLVR__Record (Motor1,0,N,0)|"
                            "TLVR__Record (DB 5,0,B,0)|TLVR__Record (Motor1,0,Wm,0)|"
                            "TLVR__Record (R 1,0,Lt,0)|TLVR__Record (R 2,0,Lm,0)|"
                            "TLVR__Record (Arr\xeat,0,W,0)"));
    EXPECT_TRUE(text.contains("EXTN Arr\xeat\r\n"));
}

TEST(SourceGeneratorTest, DerivedTexts)
{
    EXPECT_EQ(SourceGenerator::programVersionNumber(3, 1, 7), u"31007"_s);
    EXPECT_EQ(SourceGenerator::startAddress(u" 1000 "_s), u"R 1000"_s);
    EXPECT_EQ(SourceGenerator::sourcePathFor(u"/p/plant.tlvr"_s), u"/p/plant.tlvs"_s);
    // Never the project file itself.
    EXPECT_EQ(SourceGenerator::sourcePathFor(u"/p/PLANT.TLVR"_s), u"/p/PLANT.TLVS"_s);
    EXPECT_EQ(SourceGenerator::sourcePathFor(u"/p/plant"_s), u"/p/plant.tlvs"_s);
}
