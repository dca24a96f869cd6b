#include "BufferTestSupport.h"

#include "buffer/PublicEvents.h"
#include "common/IniProfile.h"
#include "pcdsim/trace/TraceSource.h"

using namespace Qt::StringLiterals;

using namespace tlv::buffer;
using namespace tlv::buffer::test;
using tlv::common::IniProfile;
using tlv::common::ScriptedPrompter;
using Style = ScriptedPrompter::Style;

namespace {

class CommandsTest : public ProjectTest
{
protected:
    void SetUp() override
    {
        ProjectTest::SetUp();
        project.settings().connection.pcdRegistery = 1;
    }

    const QString source = dir.filePath(u"plant.tlvs"_s);
    ToldCommands commands { project, formats, prompter };
};

} // namespace

TEST_F(CommandsTest, CompileStoresAndGenerates)
{
    ASSERT_TRUE(commands.compile(fields));
    EXPECT_EQ(prompter.messages(),
        (QList<ScriptedPrompter::Message> {
            { u"Compilation successful !"_s, u"Tolvane"_s, Style::Information } }));
    EXPECT_TRUE(readBytes(source).contains("TLVR__Record (R 120,0,L,0)\r\n"));
    // The settings are written with the registry switched off.
    EXPECT_EQ(IniProfile::read(project.path(), u"CONNECTION"_s, u"PCDRegistery"_s), u"0"_s);
}

TEST_F(CommandsTest, SourceFileFollowsTheBufferType)
{
    // Saving a configured buffer stores it unchecked and leaves the source alone.
    ASSERT_TRUE(writeBytes(source, "old source"));
    buffer.item(1)->DataType = u"Strg"_s;
    fields.numberOfRecords = u"7"_s;
    ASSERT_TRUE(commands.save(fields));
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(readBytes(source), QByteArray("old source"));
    ASSERT_TRUE(commands.emptySource());
    EXPECT_EQ(readBytes(source), QByteArray("old source"));

    // A standard buffer empties it on save and on compile, which still succeeds.
    project.setBufferType(BufferType::Standard);
    ASSERT_TRUE(commands.save(fields));
    EXPECT_TRUE(readBytes(source).isEmpty());
    ASSERT_TRUE(writeBytes(source, "old source"));
    fields.numberOfRecords = u"20"_s;
    ASSERT_TRUE(commands.compile(fields));
    EXPECT_EQ(prompter.texts(), QStringList { u"Compilation successful !"_s });
    EXPECT_TRUE(QFile::exists(source));
    EXPECT_TRUE(readBytes(source).isEmpty());

    QFile::remove(source);
    ASSERT_TRUE(commands.createSourceIfMissing());
    ASSERT_TRUE(writeBytes(source, "kept"));
    ASSERT_TRUE(commands.createSourceIfMissing());
    EXPECT_EQ(readBytes(source), QByteArray("kept"));
}

// Once compiled to "TLVR__config3 ('DEFA',R 2000,,R 2001,,F 10,150,,1,2,3,500,10)", which the
// PCD refuses: memory 2 is neither data blocks nor registers.
TEST_F(CommandsTest, AGarbledProjectLoadsDefaultsAndCompilesToASourceThePcdReads)
{
    ASSERT_TRUE(writeBytes(project.path(),
        "[Tolvane]\nVersion=2\nUserBuffer=1\n[CONNECTION]\nStartReg=10\nMaxRows=500\n"
        "[USER_BUFFER]\nHaederKey=PUMP\nHeaderType=1\nStartReg=2000\nRecordInterval=150\n"
        "RecordEnable=F 10\nCloseTlv=R 2001\nRecordChange=1\nRecordMemory=2\n"
        "RecordLenght=3\nRecordNumber=500\nColumn=1\nColumn1=2,Long,0,R 100,1000,A,%d,0\n"));
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(
        project.warnings(), QStringList { u"Value out of range in RecordMemory: 2 (0 to 1)"_s });
    fields = EditorFields::fromModel(buffer);
    ASSERT_TRUE(commands.compile(fields));
    EXPECT_TRUE(readBytes(source).contains("('DEFA',R 2000,,R 2001,,F 10,150,,1,0,3,500,10)"));
    tlv::pcdsim::TraceSource trace;
    QString error;
    EXPECT_TRUE(trace.parseFile(source, &error)) << qPrintable(error);

    // Nor does a memory or on-change value that came by another way compile.
    for (const qint16 wrong : { -1, 2 }) {
        fields.memory = wrong;
        EXPECT_FALSE(commands.compile(fields));
        fields.memory = 1;
        buffer.setRecordChange(wrong);
        EXPECT_FALSE(commands.compile(fields));
        buffer.setRecordChange(1);
    }
    EXPECT_TRUE(commands.compile(fields));
}

// A disk that fills while the buffer is saved: the file keeps what it had, the buffer stays
// unsaved, and the user is told which file could not be written.
TEST_F(CommandsTest, FullDiskKeepsTheProjectAndSaysSo)
{
    ASSERT_TRUE(commands.save(fields));
    const QByteArray before = readBytes(project.path());
    for (int i = 0; i < 40; ++i)
        buffer.add(
            u"Level %1"_s.arg(i), u"R %1"_s.arg(200 + i), 1 + i, u"Long"_s, 0, u"%d"_s, 900, 0);
    buffer.setChanged(true);
    fields = EditorFields::fromModel(buffer);
    {
        FileSizeLimit full(rlim_t(before.size()));
        EXPECT_FALSE(commands.save(fields, false));
    }
    EXPECT_EQ(readBytes(project.path()), before);
    EXPECT_TRUE(buffer.changed());
    EXPECT_EQ(prompter.messages(),
        (QList<ScriptedPrompter::Message> {
            { u"Writing aborted in the file : "_s + project.path(), u"Tolvane"_s, Style::Critical },
            { u"Invalid User Buffer !"_s, u"Compile aborted"_s, Style::Exclamation } }));
}

TEST_F(CommandsTest, SimulationCompilesNothing)
{
    project.setSimulation(true);
    EXPECT_FALSE(commands.compile(fields));
    EXPECT_EQ(prompter.messages(),
        (QList<ScriptedPrompter::Message> {
            { QStringLiteral("Demo mode without compilation !\r\rPress save button to use "
                             "new parameter for the demo."),
                u"Tolvane"_s, Style::Information } }));
    EXPECT_FALSE(QFile::exists(source));
    EXPECT_FALSE(QFile::exists(project.path()));
}

TEST_F(CommandsTest, GenerationFailureIsReported)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"plant.tlvs"_s)); // a folder in the way
    EXPECT_FALSE(commands.compile(fields));
    EXPECT_TRUE(prompter.lastMessage().text.startsWith(u"Error during compile !\r"_s));
    EXPECT_GT(prompter.lastMessage().text.size(), 24);
}

TEST(PublicEventsTest, FindsTheStartRegister)
{
    QTemporaryDir dir;
    const QString project = dir.filePath(u"plant.tlvr"_s);
    const QString symbols = dir.filePath(u"Sym_System.sy5"_s);
    QString lastMessage;

    const struct
    {
        QByteArray file;
        qint16 reg;
        const char *status;
    } cases[] = { { "; s.tlvr.start EQU R 1\r\nshort\r\ns.tlvr.start\tEQU\tR 1000\r\n", 1000, "" },
        { "x.other\tEQU\tR 5\ns.tlvr.start EQU R 42\n", 42, "" },
        { "S.TLVR.START EQU R 7\n", -1, "Public Events Buffer not found !" },
        { "s.tlvr.start EQU R 99999\n", -1, "Get Public Start Register Error !" } };
    for (const auto &c : cases) {
        ASSERT_TRUE(writeBytes(symbols, c.file));
        const PublicEvents::Result r = PublicEvents::findStartRegister(project);
        if (!r.message.isEmpty())
            lastMessage = r.message;
        EXPECT_EQ(r.startRegister, c.reg) << c.file.constData();
        EXPECT_EQ(r.statusText, QString::fromLatin1(c.status));
        EXPECT_EQ(r.message.isEmpty(), r.startRegister >= 0);
    }
    EXPECT_EQ(
        lastMessage, u"Get Public Start Register Error: \r\nStart register out of range : 99999"_s);

    QFile::remove(symbols);
    const PublicEvents::Result missing = PublicEvents::findStartRegister(project);
    EXPECT_EQ(missing.startRegister, -1);
    EXPECT_EQ(missing.statusText, u"Get Public Start Register Error !"_s);
    EXPECT_TRUE(missing.message.startsWith(u"Get Public Start Register Error: \r\n"_s));
}
