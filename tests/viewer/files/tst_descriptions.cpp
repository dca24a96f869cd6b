#include "FilesTestSupport.h"

#include "tests/support/ScriptedPrompter.h"
#include "viewer/files/ColumnTexts.h"
#include "viewer/files/DescriptionFinder.h"
#include "viewer/files/DescriptionLoader.h"
#include "viewer/files/FileBufferLoader.h"
#include "viewer/files/FileTextSources.h"
#include "viewer/files/RegisterSection.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::viewer;
using namespace tlv::viewer::test;
using tlv::common::Prompter;
using tlv::common::PromptSeam;
using tlv::common::ScriptedPrompter;

namespace {

// A loader with a scripted user, and the values in force before a load.
struct DescriptionLoad
{
    ScriptedPrompter prompter;
    FileTextSources texts { PromptSeam::through(&prompter) };
    DescriptionLoader loader { PromptSeam::through(&prompter), &texts };
    ColumnTable table;
    BufferDescription description;
    DescriptionRequest request;

    DescriptionLoad()
    {
        description.HeaderLenght = 16;
        description.CounterIndex = 5;
        description.RecordLenght = 7;
        request.HeaderKey = u"PUMP"_s;
    }
    bool run() { return loader.load(request, table, description); }
};

QString tolvaneSection(const QString &overrides = {})
{
    QString text = u"[TOLVANE]\nHeaderLenght=8\nCounterIndex=4\nRecordLenght=2\n"_s;
    return overrides.isEmpty() ? text : u"[TOLVANE]\n"_s + overrides;
}

} // namespace

TEST(DescriptionFinder, FoldersInOrderAndTlvdBeforeTlvInEachFolder)
{
    QTemporaryDir root;
    const QString a = root.filePath(u"Drv"_s);
    const QString b = root.filePath(u"Lib"_s);
    writeBytes(a + u"/ABCD_v1.tlv"_s, "x");
    writeBytes(b + u"/ABCD.tlvd"_s, "x");
    // The first folder holding either extension decides.
    EXPECT_EQ(DescriptionFinder::search(u"ABCD"_s, a + u',' + b + u'/'), a + u"/ABCD_v1.tlv"_s);
    writeBytes(a + u"/abcd_v2.TLVD"_s, "x");
    EXPECT_EQ(DescriptionFinder::search(u"ABCD"_s, a + u" ,"_s + b), a + u"/abcd_v2.TLVD"_s);
    EXPECT_EQ(DescriptionFinder::search(u"ABCD"_s, b + u',' + a), b + u"/ABCD.tlvd"_s);
    // The key is text, never a pattern.
    EXPECT_TRUE(DescriptionFinder::search(u"A*"_s, a).isEmpty());
    EXPECT_TRUE(DescriptionFinder::search(u"ABCE"_s, a + u',' + b).isEmpty());
    // An empty key would take any file: it finds nothing and asks nothing.
    EXPECT_TRUE(DescriptionFinder::search(QString(), a).isEmpty());
    ScriptedPrompter prompter;
    prompter.setDefaultAnswer(Prompter::Answer::Yes);
    prompter.setDefaultFile(a + u"/ABCD_v1.tlv"_s);
    EXPECT_TRUE(DescriptionFinder::find(QString(), b, PromptSeam::through(&prompter)).isEmpty());
    EXPECT_TRUE(prompter.texts().isEmpty());
    EXPECT_TRUE(prompter.fileDialogs().isEmpty());
}

// Through the reading cycle's loader: the layout it hands on, the columns, the texts.
TEST(FileBufferLoader, ReadsAShippedDescription)
{
    ScriptedPrompter prompter;
    FileBufferLoader loader(PromptSeam::through(&prompter), QString());
    LoadContext context;
    context.resourcePath = DescriptionData;
    context.symbFile = DescriptionData + u"_Global.sy5"_s;
    context.headerKey = u"PUMP"_s;
    ColumnTable t;
    BufferLayout layout;
    QString error;
    ASSERT_TRUE(loader.loadDescription(context, t, layout, &error)) << str(error);
    EXPECT_TRUE(leftoverPlainFiles().isEmpty());

    EXPECT_TRUE(layout.descriptionPath.endsWith(u"/PUMP.tlvd"_s)) << str(layout.descriptionPath);
    EXPECT_EQ(layout.title, u"Pump station"_s);
    EXPECT_EQ(layout.counterIndex, 4);
    EXPECT_EQ(layout.recordLength, 4);
    EXPECT_EQ(layout.stringIndex, 6);
    EXPECT_EQ(layout.infoText, u"Pump station trace\rTwo pumps, one valve"_s);
    EXPECT_EQ(loader.lastDescription().TextFile, u"PUMP*.txt"_s);

    EXPECT_EQ(t.MaxColumn, 13);
    struct Expected
    {
        int column;
        qint16 type, position, registerIndex;
        qint32 width;
        const char *title, *format;
        qint32 textCount;
    };
    const Expected expected[] = {
        { 12, ColumnDescription::Bit, 3, 0, 800, "Pump", "s", 2 },
        { 13, ColumnDescription::Bit, 4, 0, 1000, "Valve", "d", 0 }, // ColumnWidth 5 means 1000
        { 4, ColumnDescription::Byte, 0, 0, 1000, "Mode", "s", 3 },
        { 2, ColumnDescription::Nibble, 7, 0, 700, "Step", "h", 0 },
        { 1, ColumnDescription::Long, 0, 2, 1200, "Level", "3d", 0 },
        { 3, ColumnDescription::Word, 1, 2, 1000, "Alarm", "gm", 2 },
        { 5, ColumnDescription::String, 0, 2, 1500, "Name", "8a", 0 },
        { 7, ColumnDescription::Word, 0, 3, 1000, "Pump state", "F", 0 },
    };
    for (const Expected &e : expected) {
        SCOPED_TRACE(e.column);
        const ColumnDescription &c = t[e.column];
        EXPECT_TRUE(c.Defined);
        EXPECT_EQ(c.DataType, e.type);
        EXPECT_EQ(c.Position, e.position);
        EXPECT_EQ(c.RegisterIndex, e.registerIndex);
        EXPECT_EQ(c.Width, e.width);
        EXPECT_EQ(c.Title, QLatin1String(e.title));
        EXPECT_EQ(c.Format, QLatin1String(e.format));
        EXPECT_EQ(c.TextCount, e.textCount);
    }
    EXPECT_EQ(ColumnTexts::lookup(t[4], 2, false), u"Auto"_s);
    EXPECT_EQ(ColumnTexts::lookup(t[4], 9, false), u"Manual"_s);
    EXPECT_EQ(ColumnTexts::lookup(t[12], 1, false), u"On"_s);

    // The "gm" column read the symbol file; the text files followed the description.
    EXPECT_TRUE(loader.texts().symbolsLoaded());
    EXPECT_EQ(loader.textSources()->symbolName(u"R 100"_s), u"Heat.Pump"_s);
    EXPECT_GT(loader.texts().values().Count(), 0);
    EXPECT_TRUE(prompter.texts().isEmpty());
}

TEST(DescriptionLoad, AskingTheUserWhenNoFolderHoldsTheFile)
{
    const QString question = u"The file QQQQ.tlvd was not found.\n\nDo you want to search it  ?"_s;
    {
        DescriptionLoad declined;
        declined.request.HeaderKey = u"QQQQ"_s;
        declined.prompter.queueAnswer(Prompter::Answer::No);
        EXPECT_FALSE(declined.run());
        EXPECT_EQ(
            declined.description.ErrorText, u"No description file from driver found (*.tlv)"_s);
        ASSERT_EQ(declined.prompter.messages().size(), 1);
        EXPECT_EQ(declined.prompter.messages()[0],
            (ScriptedPrompter::Message {
                question, u"Tolvane"_s, Prompter::Style::Exclamation, Prompter::Buttons::YesNo }));
        EXPECT_TRUE(declined.prompter.fileDialogs().isEmpty());
    }
    {
        DescriptionLoad cancelled;
        cancelled.request.HeaderKey = u"QQQQ"_s;
        cancelled.prompter.queueAnswer(Prompter::Answer::Yes);
        EXPECT_FALSE(cancelled.run());
        EXPECT_EQ(cancelled.description.ErrorText, DescriptionLoader::noFileMessage());
        ASSERT_EQ(cancelled.prompter.fileDialogs().size(), 1);
        const Prompter::FileRequest &r = cancelled.prompter.fileDialogs()[0].request;
        EXPECT_EQ(r.filter, u"Tolvane Files (*.tlv,*.tlvd)|*.tlv,*.tlvd"_s);
        EXPECT_EQ(r.defaultExtension, u"tlvd"_s);
        EXPECT_TRUE(r.mustExist);
    }
    {
        DescriptionLoad chosen;
        chosen.request.HeaderKey = u"QQQQ"_s;
        chosen.prompter.queueAnswer(Prompter::Answer::Yes);
        chosen.prompter.queueFile(DescriptionData + u"PUMP.tlv"_s);
        EXPECT_TRUE(chosen.run()) << str(chosen.description.ErrorText);
        EXPECT_EQ(chosen.description.Title, u"Pump station (plain extension)"_s);
    }
}

TEST(DescriptionLoad, RefusesBrokenDescriptionsWithTheirMessage)
{
    const QString reg0 = u"[REGISTER_0]\nLong=3,,Level,%d\n"_s;
    QString bigSection = u"[REGISTER_0]\n"_s;
    for (int i = 0; i < 700; ++i)
        bigSection += u"Long=3,1000,A rather long column title number %1,%d\n"_s.arg(i);
    struct Case
    {
        const char *name;
        QString plain;
        QString error;
    };
    const Case cases[] = {
        { "header length 0",
            tolvaneSection(QStringLiteral("HeaderLenght=0\nCounterIndex=4\n"
                                          "RecordLenght=1\n"))
                + reg0,
            u"Invalid Header Lenght : 16"_s },
        { "header length missing", tolvaneSection(u"CounterIndex=4\n"_s) + reg0,
            u"Invalid Header Lenght : 16"_s },
        { "counter index 0",
            tolvaneSection(u"HeaderLenght=8\nCounterIndex=0\nRecordLenght=1\n"_s) + reg0,
            u"Invalid Counter Index : 5"_s },
        { "counter index beyond 16 bits",
            tolvaneSection(u"HeaderLenght=8\nCounterIndex=40000\nRecordLenght=1\n"_s) + reg0,
            u"Invalid Counter Index : 5"_s },
        { "record length 0",
            tolvaneSection(u"HeaderLenght=8\nCounterIndex=4\nRecordLenght=0\n"_s) + reg0,
            u"Invalid Record Lenght : 7"_s },
        { "only column 0", tolvaneSection() + u"[REGISTER_1]\nLong=0,,Zero,%d\n"_s,
            u"No valid section founded."_s },
        { "no register sections", tolvaneSection(), u"No valid section founded."_s },
        { "column past the table", tolvaneSection() + reg0 + u"[REGISTER_1]\nWord0=128,,Far,%d\n"_s,
            u"Reading error in section REGISTER_1"_s },
        { "width not a number", tolvaneSection() + u"[REGISTER_0]\nLong=3,wide,Level,%d\n"_s,
            u"Reading error in section REGISTER_0"_s },
        { "2048 value texts",
            tolvaneSection() + u"[REGISTER_0]\nLong=3,,Level,%s \\0..2047)many\n"_s,
            u"Too many value with a string in culumn number 3Read tlv file"_s },
        { "section too large", tolvaneSection() + bigSection,
            u"Too many bytes in the section REGISTER_0"_s },
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeDescription(dir.filePath(u"PUMP.tlvd"_s), c.plain);
        DescriptionLoad load;
        load.request.ResourcePath = dir.path();
        EXPECT_FALSE(load.run());
        EXPECT_EQ(load.description.ErrorText, c.error);
        EXPECT_TRUE(leftoverPlainFiles().isEmpty());
    }

    // One value text fewer is fine.
    writeDescription(dir.filePath(u"PUMP.tlvd"_s),
        tolvaneSection() + u"[REGISTER_1]\nLong=3,,Level,%s \\0..2046)many\n"_s);
    DescriptionLoad load;
    load.request.ResourcePath = dir.path();
    EXPECT_TRUE(load.run()) << str(load.description.ErrorText);
    EXPECT_EQ(load.table[3].TextCount, 2047);
    EXPECT_EQ(load.table[3].RegisterIndex, 1);
}

TEST(DescriptionLoad, FileThatIsNotEnciphered)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"PUMP.tlv"_s);
    writeBytes(path, (tolvaneSection() + u"[REGISTER_0]\nLong=3,,L,%d\n"_s).toLatin1());
    DescriptionLoad load;
    load.request.ResourcePath = dir.path();
    EXPECT_FALSE(load.run());
    EXPECT_EQ(load.description.ErrorText,
        u"Error in description file :\n"_s + path + u"\r\rIncorrect file !"_s);
    EXPECT_TRUE(leftoverPlainFiles().isEmpty());
}

TEST(RegisterSection, ColumnLines)
{
    struct Case
    {
        const char *line;
        int column; // -1: no column defined
        qint16 type, position;
        qint32 width;
        const char *title, *format, *defaultText;
        qint32 textCount;
    };
    const Case cases[] = {
        { "Bit_3=12,800,Pump,%s \\0)Off \\1)On", 12, 1, 3, 800, "Pump", "s", "", 2 },
        { "bit_3=12,800,Pump,%d", 12, 1, 3, 800, "Pump", "d", "", 0 },
        { "Bit_32=12,800,Pump,%d", -1, 0, 0, 0, "", "", "", 0 },
        { "Byte4=12,800,Pump,%d", -1, 0, 0, 0, "", "", "", 0 },
        { "Nibble1=12,800,Pump,%d", -1, 0, 0, 0, "", "", "", 0 },
        { "Nibe7=12,800,Pump,%h", 12, 2, 7, 800, "Pump", "h", "", 0 },
        { "Word1=12,,,%d", 12, 4, 1, 1111, "", "d", "", 0 },
        { "Byte0=4,,Mode,%s \\1..3)Auto \\)Manual", 4, 3, 0, 1111, "Mode", "s", "Manual", 3 },
        { "Long=4,,Mode,%S   \\1)  One  \\2)Two", 4, 5, 0, 1111, "Mode", "S", "", 2 },
        { "Long=4,,Mode,%d \\1)On", 4, 5, 0, 1111, "Mode", "d", "", 0 },
        { "Long=4,,Mode,%s Off", -1, 0, 0, 0, "", "", "", 0 },
        { "Long=4,,Mode,%s \\1 On", -1, 0, 0, 0, "", "", "", 0 },
        { "Long=4,,Mode,d", -1, 0, 0, 0, "", "", "", 0 },
        { "Long=4,,Mode", -1, 0, 0, 0, "", "", "", 0 },
        { "Long=4", -1, 0, 0, 0, "", "", "", 0 },
        { "Long=,800,Mode,%d", -1, 0, 0, 0, "", "", "", 0 },
        { "; Long=4,,Mode,%d", -1, 0, 0, 0, "", "", "", 0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        ColumnTable table;
        QString error;
        ASSERT_TRUE(
            RegisterSection::parse({ QLatin1String(c.line) }, 2, 1111, table, nullptr, &error))
            << str(error);
        if (c.column < 0) {
            EXPECT_EQ(table.MaxColumn, -1);
            for (const ColumnDescription &d : table.columns)
                EXPECT_FALSE(d.Defined);
            continue;
        }
        const ColumnDescription &d = table[c.column];
        EXPECT_TRUE(d.Defined);
        EXPECT_EQ(table.MaxColumn, c.column);
        EXPECT_EQ(d.RegisterIndex, 2);
        EXPECT_EQ(d.DataType, c.type);
        EXPECT_EQ(d.Position, c.position);
        EXPECT_EQ(d.Width, c.width);
        EXPECT_EQ(d.Title, QLatin1String(c.title));
        EXPECT_EQ(d.Format, QLatin1String(c.format));
        EXPECT_EQ(d.DefaultText, QLatin1String(c.defaultText));
        EXPECT_EQ(d.TextCount, c.textCount);
        EXPECT_EQ(d.ValueTexts.size(), c.textCount);
    }
}

TEST(RegisterSection, LaterLinesAndRepeatedValues)
{
    ColumnTable table;
    QString error;
    ASSERT_TRUE(RegisterSection::parse(
        { u"Long=4,900,Mode,%s \\5)first \\5)second \\)other"_s,
            u"Word1=4,,Mode2"_s }, // no format: column keeps its earlier fields
        0, 1000, table, nullptr, &error));
    const ColumnDescription &c = table[4];
    EXPECT_TRUE(c.Defined);
    EXPECT_EQ(c.DataType, ColumnDescription::Word);
    EXPECT_EQ(c.Width, 1000);
    EXPECT_EQ(c.Title, u"Mode"_s); // the line ends before its title
    EXPECT_EQ(c.Format, u"s"_s);
    EXPECT_EQ(ColumnTexts::lookup(c, 5, false), u"first"_s);
    EXPECT_EQ(ColumnTexts::lookup(c, 6, true), u"other"_s);

    // A new "s" line starts the list afresh.
    ASSERT_TRUE(RegisterSection::parse(
        { u"Long=4,,Mode,%s \\7)seven"_s }, 0, 1000, table, nullptr, &error));
    EXPECT_EQ(table[4].TextCount, 1);
    EXPECT_TRUE(table[4].DefaultText.isEmpty());
    EXPECT_EQ(ColumnTexts::lookup(table[4], 5, false), u"<5>"_s);
    EXPECT_EQ(ColumnTexts::lookup(table[4], 5, true), u"5"_s);
}

TEST(FileBufferLoader, FailuresComeBackAsTheirText)
{
    FileBufferLoader loader({}, QString());
    LoadContext context;
    ColumnTable table;
    BufferLayout layout;
    QString error;
    // A description's own header length is refused with the one in force.
    QTemporaryDir dir;
    writeDescription(dir.filePath(u"BADH.tlvd"_s),
        tolvaneSection(u"HeaderLenght=0\nCounterIndex=4\nRecordLenght=1\n"_s));
    context.resourcePath = dir.path();
    context.headerKey = u"BADH"_s;
    for (const qint16 inForce : { 8, 16 }) {
        context.headerLength = inForce;
        EXPECT_FALSE(loader.loadDescription(context, table, layout, &error));
        EXPECT_EQ(error, u"Invalid Header Lenght : "_s + QString::number(inForce));
    }

    context.userFile = u"Trace.tlvr.bak"_s;
    EXPECT_FALSE(loader.loadUserBuffer(context, true, table, layout, &error));
    EXPECT_EQ(error, u"Invalid user buffer file :\rTrace.tlvr.bak"_s);
}
