#include "FilesTestSupport.h"

#include "tests/support/ScriptedPrompter.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/MediaText.h"
#include "viewer/files/FileTextSources.h"
#include "viewer/files/SymbolFileReader.h"
#include "viewer/files/cSymbol.h"
#include "viewer/files/cValues.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::viewer;
using namespace tlv::viewer::test;
using tlv::common::Prompter;
using tlv::common::PromptSeam;
using tlv::common::ScriptedPrompter;

namespace {

ColumnDescription titled(const char *title)
{
    ColumnDescription column;
    column.Title = QLatin1String(title);
    return column;
}

} // namespace

TEST(Collections, FirstDefinitionWinsAndKeysIgnoreCase)
{
    cSymbol symbols;
    ASSERT_NE(symbols.Add(u"db"_s, u"First"_s, QString(), 40), nullptr);
    EXPECT_EQ(symbols.Add(u"DB"_s, u"Second"_s, QString(), 40), nullptr);
    symbols.Add(u"R"_s, u"Reg"_s, QString(), 1);
    EXPECT_EQ(symbols.Count(), 2);
    EXPECT_EQ(symbols.Item(u"DB 40"_s)->Name, u"First"_s);
    EXPECT_EQ(symbols.Item(2)->Name, u"Reg"_s);
    EXPECT_EQ(symbols.Item(3), nullptr);
    EXPECT_TRUE(symbols.Remove(u"Db 40"_s));
    EXPECT_EQ(symbols.Item(u"r 1"_s)->Name, u"Reg"_s);
    EXPECT_EQ(symbols.Item(1)->Name, u"Reg"_s);

    cValues values;
    EXPECT_TRUE(values.Add(3, u"Pump state"_s, 2, u"a"_s, QString()));
    EXPECT_FALSE(values.Add(3, u"PUMP STATE"_s, 2, u"b"_s, QString()));
    EXPECT_EQ(values.Item(u"3_pump state_2"_s)->Text, u"a"_s);
}

TEST(SymbolFile, LinesAndGroups)
{
    struct Case
    {
        const char *line;
        const char *key; // nullptr: no symbol
        const char *name;
        const char *comment;
    };
    const Case cases[] = {
        { "Pump EQU R 100 ;flow pump", "R 100", "Pump", "flow pump" },
        { "Pump\tequ\tR\t100", "R 100", "Pump", "" },
        { "Flag EQU VOL RAM F 12", "F 12", "Flag", "" },
        { "Msg EQU TEXT 7", "X 7", "Msg", "" },
        { "Msg EQU X 8", "X 8", "Msg", "" },
        { "Tab EQU DB [4] 4000", "DB 4000", "Tab", "" },
        { "Pump EQU R  100", nullptr, "", "" },
        { "Const EQU K 5", nullptr, "", "" },
        { "Pump EQU R", nullptr, "", "" },
        { ";Pump EQU R 100", nullptr, "", "" },
        { "Pump DEF R 100", nullptr, "", "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        cSymbol symbols;
        QStringList groups;
        QString error;
        ASSERT_TRUE(SymbolFileReader::readLine(QLatin1String(c.line), groups, symbols, &error));
        if (!c.key) {
            EXPECT_EQ(symbols.Count(), 0);
            continue;
        }
        ASSERT_EQ(symbols.Count(), 1);
        const colSymbols *symbol = symbols.Item(QLatin1String(c.key));
        ASSERT_NE(symbol, nullptr);
        EXPECT_EQ(symbol->Name, QLatin1String(c.name));
        EXPECT_EQ(symbol->Comment, QLatin1String(c.comment));
    }

    // Groups nest and end innermost first.
    ScriptedPrompter prompter;
    FileTextSources texts(PromptSeam::through(&prompter));
    texts.setSymbolFile(DescriptionData + u"_Global.sy5"_s);
    texts.ensureSymbolsLoaded();
    EXPECT_EQ(texts.symbols().Count(), 6);
    EXPECT_EQ(texts.symbolName(u"R 100"_s), u"Heat.Pump"_s);
    EXPECT_EQ(texts.symbolComment(u"R 100"_s), u"flow pump"_s);
    EXPECT_EQ(texts.symbolName(u"F 12"_s), u"Heat.Valve"_s);
    EXPECT_EQ(texts.symbolName(u"R 101"_s), u"Heat.Zone.Temp"_s);
    EXPECT_EQ(texts.symbolName(u"R 102"_s), u"Level"_s);
    EXPECT_EQ(texts.symbolName(u"X 7"_s), u"Msg"_s);
    EXPECT_EQ(texts.symbolName(u"R 103"_s), std::nullopt);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST(SymbolFile, BrokenFileKeepsWhatWasRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"_Global.sy5"_s);
    writeBytes(path, "A EQU R 1\r\nB EQU R 40000\r\nC EQU R 3\r\n");
    ScriptedPrompter prompter;
    FileTextSources texts(PromptSeam::through(&prompter));
    texts.setSymbolFile(path);
    texts.loadSymbols();
    EXPECT_EQ(texts.symbols().Count(), 1);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages()[0].style, Prompter::Style::Critical);
    EXPECT_TRUE(prompter.messages()[0].text.endsWith(u"\r\rRead PG5 Symbol file aborted."_s));
    EXPECT_TRUE(prompter.messages()[0].text.contains(u"40000"_s));

    // A missing file gives an empty table and no message; it is read once per load.
    texts.setSymbolFile(dir.filePath(u"none.sy5"_s));
    texts.startDescriptionLoad();
    texts.ensureSymbolsLoaded();
    EXPECT_EQ(texts.symbols().Count(), 0);
    texts.setSymbolFile(path);
    texts.ensureSymbolsLoaded();
    EXPECT_EQ(texts.symbols().Count(), 0);
    EXPECT_EQ(prompter.messages().size(), 1);
}

TEST(TextFiles, KeyGateApplicationsAndFirstFileWins)
{
    ScriptedPrompter prompter;
    FileTextSources texts(PromptSeam::through(&prompter));
    texts.loadTextFiles({ DescriptionData }, u"PUMP*.txt"_s, u"PUMP"_s);
    EXPECT_TRUE(prompter.messages().isEmpty());

    const ColumnDescription application = titled("application");
    const ColumnDescription state = titled("Pump state");
    QString comment;
    struct Step
    {
        const ColumnDescription *column;
        qint64 value;
        bool plain;
        const char *text, *comment;
        qint64 applicationAfter;
    };
    const Step steps[] = {
        { &state, 1, false, "<1>", "", 0 }, // no application chosen yet
        { &application, 3, false, "Heating", "boiler room", 3 }, // first file wins
        { &state, 1, false, "Running", "both pumps", 3 },
        { &state, 2, false, "Fault", "", 3 }, // only the second file has it
        { &application, 4, false, "Cooling", "", 4 },
        { &state, 0, false, "Stopped", "", 4 },
        { &state, 2, true, "2", "", 4 }, // file 2 lists application 3 only
        { &application, 5, true, "5", "", 5 }, // the file of another buffer gave nothing
        { &state, 2, false, "<2>", "", 5 },
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.text);
        comment = u"stale"_s;
        EXPECT_EQ(texts.textFileText(*s.column, s.value, s.plain, &comment), QLatin1String(s.text));
        EXPECT_EQ(comment, QLatin1String(s.comment));
        EXPECT_EQ(texts.lastComment(), QLatin1String(s.comment));
        EXPECT_EQ(texts.applicationNumber(), s.applicationAfter);
    }

    // A plain name is looked for in each folder in turn; a load starts afresh.
    texts.startUserBufferLoad();
    EXPECT_EQ(texts.values().Count(), 0);
    QTemporaryDir dir;
    writeBytes(dir.filePath(u"pump_texts.TXT"_s),
        "[Tolvane]\nKey=PUMP\n[Application]\n3=First folder\nbroken line\n");
    texts.loadTextFiles({ dir.path() + u'/', DescriptionData }, u"PUMP_texts.txt"_s, u"PUMP"_s);
    EXPECT_EQ(texts.values().Item(u"3_Application_0"_s)->Text, u"First folder"_s);
    EXPECT_EQ(texts.values().Item(u"4_Application_0"_s)->Text, u"Cooling"_s);
}

TEST(TextFiles, LinesWithoutANumberAreSkippedAndTheRestOfTheFileCounts)
{
    QTemporaryDir dir;
    writeBytes(dir.filePath(u"a.txt"_s),
        "[Tolvane]\nKey=PUMP\nVersion=1\n[Application]\n1=One\n[S]\nx=bad\n2=Two ;c\n");
    writeBytes(dir.filePath(u"b.txt"_s), "[Tolvane]\nKey=PUMP\n[Application]\n2=Two\n");
    ScriptedPrompter prompter;
    FileTextSources texts(PromptSeam::through(&prompter));
    texts.loadTextFiles({ dir.path() + u'/' }, u"*.txt"_s, u"PUMP"_s);
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(texts.values().Count(), 3);
    ASSERT_TRUE(texts.values().Item(u"1_S_2"_s));
    EXPECT_EQ(texts.values().Item(u"1_S_2"_s)->Text, u"Two"_s);
    EXPECT_EQ(texts.values().Item(u"1_S_2"_s)->Comment, u"c"_s);
    EXPECT_TRUE(texts.values().Item(u"2_Application_0"_s));

    // A folder of the pattern that is a file cannot be searched.
    prompter.clear();
    texts.loadTextFiles({ dir.path() + u'/' }, u"a.txt/*.txt"_s, u"PUMP"_s);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.messages()[0].text.startsWith(u"SearchTextFile Function Error : "_s))
        << str(prompter.messages()[0].text);
    EXPECT_EQ(prompter.messages()[0].style, ScriptedPrompter::Style::Plain);
}

TEST(MediaText, Rendering)
{
    struct Case
    {
        qint64 value;
        const char *text; // nullptr: cannot be rendered
    };
    const Case cases[] = {
        { (5 << 16) | 100, "R 100" },
        { (3 << 16) | 12, "F 12" },
        { (18 << 16) | 1, "C 1" },
        { (19 << 16) | 2, "T 2" },
        { (20 << 16) | 3, "I 3" },
        { (21 << 16) | 4, "O 4" },
        { (7 << 16) | 1, "1" },
        { (5 << 16) | 32767, "R 32767" },
        { (5 << 16) | 32768, nullptr },
        { -1, nullptr },
        { qint64(0xFF050007), "R 7" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        const std::optional<QString> text = mediaText(c.value);
        if (c.text)
            EXPECT_EQ(text, QLatin1String(c.text));
        else
            EXPECT_FALSE(text.has_value());
    }
    ScriptedPrompter prompter;
    FileTextSources texts(PromptSeam::through(&prompter));
    // Told once per buffer and without waiting: every record may carry the address.
    texts.mediaTextFailed(mediaTextErrorMessage());
    texts.mediaTextFailed(mediaTextErrorMessage());
    EXPECT_TRUE(prompter.messages().isEmpty());
    ASSERT_EQ(prompter.notices().size(), 1);
    EXPECT_EQ(prompter.notices()[0].text, u"Error in ReadMedia function.\nOverflow"_s);
    EXPECT_EQ(prompter.notices()[0].style, Prompter::Style::Exclamation);
    texts.startUserBufferLoad();
    texts.mediaTextFailed(mediaTextErrorMessage());
    EXPECT_EQ(prompter.notices().size(), 2);
}
