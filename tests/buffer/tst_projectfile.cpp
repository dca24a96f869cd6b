#include "BufferTestSupport.h"

#include "buffer/BufferType.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "common/IniProfile.h"
#include "common/ScriptedPrompter.h"

#include <gtest/gtest.h>

using namespace tlv::buffer;
using namespace tlv::buffer::test;
using tlv::common::IniProfile;
using tlv::common::ScriptedPrompter;

namespace {

class ProjectFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("plant.tlvr"));
        project.setPath(path);
    }

    void writeFile(const QByteArray &bytes) { ASSERT_TRUE(writeBytes(path, bytes)); }

    // A valid file with the given user buffer section body (LF lines).
    void writeProject(const QByteArray &userBuffer, const QByteArray &userBufferType = "1")
    {
        writeFile("[Tolvane]\nVersion=2\nUserBuffer=" + userBufferType
            + "\n[CONNECTION]\nStartReg=10\nMaxRows=500\n[USER_BUFFER]\n" + userBuffer);
    }

    void fillBuffer(int columns)
    {
        buffer.clear();
        buffer.applyNewBufferDefaults();
        for (int i = 1; i <= columns; ++i)
            buffer.add(QStringLiteral("Col%1").arg(i), QStringLiteral("R %1").arg(100 + i),
                qint16(i - 1), QStringLiteral("Word"), 1, QStringLiteral("%h"), 900 + i, i * 3);
    }

    QTemporaryDir dir;
    QString path;
    UserColumns buffer;
    TraceProject project { buffer };
    ScriptedPrompter prompter;
};

} // namespace

TEST_F(ProjectFileTest, SettingsRoundTrip)
{
    ProjectSettings &s = project.settings();
    s.connection.dll = 0;
    s.connection.com = 3;
    s.connection.protocol = 0;
    s.connection.baudrate = 19200;
    s.connection.station = 12;
    s.connection.startReg = 4000;
    s.connection.autoConnect = 1;
    s.connection.pcdRegistery = 1;
    s.connection.readInterval = 2500;
    s.dateColumn = 1;
    s.timeColumn = 0;
    s.statusColumn = 1;
    s.maxRows = 1234;
    s.maxGraph = 321;
    s.exportFile = dir.filePath(QStringLiteral("out/trace.xls"));
    s.autoExport = 1;
    s.indexFile = 2;
    project.setBufferType(BufferType::PublicEvents);
    ASSERT_TRUE(project.writeSettings(false, prompter));
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(IniProfile::read(path, QStringLiteral("CONNECTION"), QStringLiteral("ExportFile")),
        QStringLiteral("..\\out\\trace.xls"));
    EXPECT_EQ(IniProfile::read(path, QStringLiteral("CONNECTION"), QStringLiteral("Options")),
        QStringLiteral("101"));
    EXPECT_TRUE(readBytes(path).contains("\r\n"));

    UserColumns other;
    TraceProject reread(other);
    reread.setPath(path);
    ASSERT_TRUE(reread.readProject());
    const ProjectSettings &r = reread.settings();
    // Only these keys are read back; the driver keys are written for the Windows peers.
    EXPECT_EQ(r.connection.startReg, 4000);
    EXPECT_EQ(r.connection.autoConnect, 1);
    EXPECT_EQ(r.connection.pcdRegistery, 1);
    EXPECT_EQ(r.connection.readInterval, 2500);
    EXPECT_EQ(r.dateColumn, 1);
    EXPECT_EQ(r.timeColumn, 0);
    EXPECT_EQ(r.statusColumn, 1);
    EXPECT_EQ(r.maxRows, 1234);
    EXPECT_EQ(r.maxGraph, 321);
    EXPECT_EQ(r.exportFile, s.exportFile);
    EXPECT_EQ(r.autoExport, 1);
    EXPECT_EQ(r.indexFile, 2);
    EXPECT_EQ(reread.bufferType(), BufferType::PublicEvents);
    EXPECT_EQ(reread.appliedSettings(), r);
    EXPECT_TRUE(reread.warnings().isEmpty());
}

TEST_F(ProjectFileTest, UserBufferRoundTrip)
{
    fillBuffer(3);
    buffer.setTitle(QStringLiteral("Chaudière °C"));
    buffer.setHeaderKey(QStringLiteral("ABCD"));
    buffer.setHeaderType(7);
    buffer.setStartReg(QStringLiteral("R 2000"));
    buffer.setRecordInt(-15);
    buffer.setRecordEnable(QStringLiteral("F 1"));
    buffer.setRecordCommand(QStringLiteral("Cmd.Rec"));
    buffer.setClearBuf(QStringLiteral("I 3"));
    buffer.setCloseTlv(QStringLiteral("R 50"));
    buffer.setSerialNr(QStringLiteral("R 51"));
    buffer.setRecordChange(1);
    buffer.setMemory(1);
    buffer.setRecordLen(3);
    buffer.setBufferLen(32767);
    buffer.item(2)->Title = QStringLiteral("Durée");
    buffer.item(3)->Delta = -2147483647 - 1;
    project.setBufferType(BufferType::Configured);
    ASSERT_TRUE(project.writeUserBuffer());
    EXPECT_EQ(buffer.headerType(), 1);
    // CP1252 on disk
    EXPECT_TRUE(readBytes(path).contains("Chaudi\xe8re \xb0"
                                         "C"));

    const UserColumns written = buffer;
    UserColumns other;
    other.add(UserColumn::defaultColumn());
    TraceProject reread(other);
    reread.setPath(path);
    ASSERT_TRUE(reread.readUserBuffer());
    EXPECT_EQ(other.enable(), 1);
    EXPECT_EQ(other.title(), written.title());
    EXPECT_EQ(other.headerKey(), QStringLiteral("ABCD"));
    EXPECT_EQ(other.headerType(), 1);
    EXPECT_EQ(other.startReg(), written.startReg());
    EXPECT_EQ(other.recordInt(), -15);
    EXPECT_EQ(other.recordEnable(), written.recordEnable());
    EXPECT_EQ(other.recordCommand(), written.recordCommand());
    EXPECT_EQ(other.clearBuf(), written.clearBuf());
    EXPECT_EQ(other.closeTlv(), written.closeTlv());
    EXPECT_EQ(other.serialNr(), written.serialNr());
    EXPECT_EQ(other.recordChange(), 1);
    EXPECT_EQ(other.memory(), 1);
    EXPECT_EQ(other.recordLen(), 3);
    EXPECT_EQ(other.bufferLen(), 32767);
    EXPECT_EQ(other.column(), 3);
    ASSERT_EQ(other.count(), 3);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(*other.item(i), *written.item(i)) << "column " << i;
    EXPECT_FALSE(other.changed());
}

TEST_F(ProjectFileTest, ReadsWindowsFileWithCrlfCp1252AndOtherKeyCase)
{
    ASSERT_TRUE(writeBytes(path, readBytes(fixture(QStringLiteral("windows.tlvr")))));
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(project.bufferType(), BufferType::Configured);
    EXPECT_EQ(project.settings().connection.startReg, 123);
    EXPECT_EQ(project.settings().maxRows, 800);
    EXPECT_EQ(project.settings().exportFile, dir.filePath(QStringLiteral("Exports/Chaudière.xls")));
    EXPECT_EQ(buffer.title(), QStringLiteral("Chaudière °C"));
    EXPECT_EQ(buffer.headerKey(), QStringLiteral("CHDR"));
    EXPECT_EQ(buffer.recordInt(), 150);
    EXPECT_EQ(buffer.bufferLen(), 500);
    ASSERT_EQ(buffer.count(), 3);
    EXPECT_EQ(*buffer.item(1),
        (UserColumn { QStringLiteral("Température"), QStringLiteral("R 120"), 0,
            QStringLiteral("Long"), 0, QStringLiteral("%1sd"), 1200, 5 }));
    EXPECT_EQ(buffer.item(2)->Variable, QStringLiteral("Pump.Run"));
    EXPECT_EQ(buffer.item(3)->Format, QStringLiteral("%m"));
}

TEST_F(ProjectFileTest, LfFileAndMissingOrEmptyKeys)
{
    writeProject("Title=\nHeaderKey=\nRecordInterval=\nRecordLenght=\nRecordNumber=\n"
                 "Column=2\nColumn1=3,Byte,2,F 5,700,Flag,%b\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(buffer.title(), QString()); // always read
    EXPECT_EQ(buffer.headerKey(), QStringLiteral("DEFA")); // kept when empty
    EXPECT_EQ(buffer.headerType(), 1);
    EXPECT_EQ(buffer.recordInt(), 600);
    EXPECT_EQ(buffer.recordLen(), 1);
    EXPECT_EQ(buffer.bufferLen(), 100);
    EXPECT_EQ(buffer.recordChange(), 0);
    EXPECT_EQ(buffer.memory(), 0);
    // Column2 missing: one column; a short line still gives a column.
    ASSERT_EQ(buffer.count(), 1);
    EXPECT_EQ(*buffer.item(1),
        (UserColumn { QStringLiteral("Flag"), QStringLiteral("F 5"), 3, QStringLiteral("Byte"), 2,
            QStringLiteral("%b"), 700, 0 }));
    EXPECT_EQ(project.settings().connection.readInterval, 1000); // empty keeps
    EXPECT_EQ(project.settings().maxGraph, 20);
}

TEST_F(ProjectFileTest, ColumnZeroGivesTheDefaultColumn)
{
    writeProject("Column=0\nColumn1=5,Bit,1,F 1,1,x,%b,0\n");
    ASSERT_TRUE(project.readProject());
    ASSERT_EQ(buffer.count(), 1);
    EXPECT_EQ(*buffer.item(1), UserColumn::defaultColumn());
}

TEST_F(ProjectFileTest, ProjectIsRejectedWithoutVersionMaxRowsOrStartReg)
{
    const struct
    {
        const char *text;
        bool ok;
    } cases[] = {
        { "[Tolvane]\nVersion=0.9\n[CONNECTION]\nStartReg=1\nMaxRows=500\n", false },
        { "[Tolvane]\nVersion=1\n[CONNECTION]\nStartReg=1\nMaxRows=500\n", true },
        { "[Tolvane]\nVersion=2\n[CONNECTION]\nStartReg=1\nMaxRows=500\n", true },
        { "[Tolvane]\n[CONNECTION]\nStartReg=1\nMaxRows=500\n", false },
        { "[Tolvane]\nVersion=2\n[CONNECTION]\nStartReg=1\nMaxGraph=50\n", false },
        { "[Tolvane]\nVersion=2\n[CONNECTION]\nStartReg=\nMaxRows=500\n", false },
    };
    for (const auto &c : cases) {
        writeFile(c.text);
        EXPECT_EQ(project.readProject(), c.ok) << c.text;
    }
}

TEST_F(ProjectFileTest, OptionsSetThreeFlagsOrLeaveThem)
{
    project.settings().timeColumn = 1;
    writeFile("[Tolvane]\nVersion=2\n[CONNECTION]\nOptions=101\nStartReg=1\nMaxRows=500\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(project.settings().dateColumn, 1);
    EXPECT_EQ(project.settings().timeColumn, 0);
    EXPECT_EQ(project.settings().statusColumn, 1);

    project.settings().dateColumn = 0;
    project.settings().timeColumn = 1;
    writeFile("[Tolvane]\nVersion=2\n[CONNECTION]\nOptions=\nStartReg=1\nMaxRows=500\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(project.settings().dateColumn, 0);
    EXPECT_EQ(project.settings().timeColumn, 1);
}

TEST_F(ProjectFileTest, ShorterBufferLeavesNoOldColumnLines)
{
    project.setBufferType(BufferType::Configured);
    fillBuffer(5);
    ASSERT_TRUE(project.writeUserBuffer());
    fillBuffer(3);
    ASSERT_TRUE(project.writeUserBuffer());
    const QStringList lines = IniProfile::readSection(path, QStringLiteral("USER_BUFFER"))
                                  .filter(QStringLiteral("Column"));
    EXPECT_EQ(lines.size(), 4); // Column= and three lines
    EXPECT_TRUE(
        IniProfile::read(path, QStringLiteral("USER_BUFFER"), QStringLiteral("Column4")).isEmpty());
    EXPECT_TRUE(
        IniProfile::read(path, QStringLiteral("USER_BUFFER"), QStringLiteral("Column5")).isEmpty());
}

TEST_F(ProjectFileTest, ReadReplacesTheCurrentBuffer)
{
    writeProject("Column=2\nColumn1=0,Long,0,R 1,1000,a,%d,0\nColumn2=1,Long,0,R 2,1000,b,%d,0\n");
    fillBuffer(5);
    buffer.setChanged(true);
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(buffer.count(), 2);
    EXPECT_FALSE(buffer.changed());
}

TEST_F(ProjectFileTest, OnlyAConfiguredBufferIsReadUnlessSimulating)
{
    writeProject("Title=Stored\nColumn=1\nColumn1=0,Long,0,R 1,1000,a,%d,0\n", "0");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(buffer.title(), QStringLiteral("User buffer"));
    EXPECT_EQ(buffer.count(), 0);
    EXPECT_EQ(buffer.enable(), 0);

    project.setSimulation(true);
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(project.bufferType(), BufferType::Configured);
    EXPECT_EQ(buffer.title(), QStringLiteral("Stored"));
    EXPECT_EQ(buffer.count(), 1);
    EXPECT_EQ(project.caption(QStringLiteral("Tolvane")),
        QStringLiteral("Tolvane  Simulation Mode Running !"));
}

TEST_F(ProjectFileTest, ValuesThatDoNotFitAreNotWrapped)
{
    writeProject("RecordNumber=40000\nRecordInterval=-70000\nColumn=1\n"
                 "Column1=70000,Long,0,R 1,1000,a,%d,5\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(buffer.bufferLen(), 100);
    EXPECT_EQ(buffer.recordInt(), 600);
    EXPECT_EQ(buffer.item(1)->RecPlace, 0);
    EXPECT_EQ(buffer.item(1)->Delta, 5);
    const QString warnings = project.warnings().join(u'\n');
    EXPECT_TRUE(warnings.contains(QStringLiteral("RecordNumber"))) << qPrintable(warnings);
    EXPECT_TRUE(warnings.contains(QStringLiteral("RecordInterval")));
    EXPECT_TRUE(warnings.contains(QStringLiteral("Column1 field 1")));
}

TEST_F(ProjectFileTest, NumbersTakeTheLeadingNumberRoundedToEven)
{
    writeProject("RecordNumber=250.5\nRecordInterval=12abc\nRecordLenght=x\nColumn=1\n"
                 "Column1=2.5,Long,3.5,R 1,1000.5,a,%d,-1.5\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(buffer.bufferLen(), 250);
    EXPECT_EQ(buffer.recordInt(), 12);
    EXPECT_EQ(buffer.recordLen(), 0);
    EXPECT_EQ(buffer.item(1)->RecPlace, 2);
    EXPECT_EQ(buffer.item(1)->DataPos, 4);
    EXPECT_EQ(buffer.item(1)->Width, 1000);
    EXPECT_EQ(buffer.item(1)->Delta, -2);
}

TEST_F(ProjectFileTest, WriteSettingsAsksForTheTypeWhenCreating)
{
    EXPECT_FALSE(project.writeSettings(true, prompter, [] { return BufferType::Cancelled; }));
    EXPECT_EQ(
        prompter.texts(), QStringList { QStringLiteral("The Tolvane File will not be created !") });
    EXPECT_FALSE(QFile::exists(path));

    ASSERT_TRUE(project.writeSettings(true, prompter, [] { return BufferType::Configured; }));
    EXPECT_EQ(IniProfile::read(path, QStringLiteral("TOLVANE"), QStringLiteral("userbuffer")),
        QStringLiteral("1"));
    EXPECT_EQ(IniProfile::read(path, QStringLiteral("Tolvane"), QStringLiteral("Version")),
        QStringLiteral("2"));
}

TEST_F(ProjectFileTest, FailedWritesAreReported)
{
    project.setPath(dir.filePath(QStringLiteral("missing/plant.tlvr")));
    EXPECT_FALSE(project.writeSettings(false, prompter));
    EXPECT_EQ(prompter.lastMessage().text,
        QStringLiteral("Writing aborted in the file : ") + project.path());
    EXPECT_EQ(prompter.lastMessage().style, ScriptedPrompter::Style::Critical);
    EXPECT_FALSE(project.writeUserBuffer());
}

TEST_F(ProjectFileTest, WholeSectionRead)
{
    writeFile("[BufferType]\nStandard=One~Two\nConfigured=Three\n[Other]\nx=1\n");
    EXPECT_EQ(TraceProject::readWholeSection(path, QStringLiteral("buffertype")),
        QStringLiteral("Standard=OneTwo\r\nConfigured=Three"));
    EXPECT_EQ(TraceProject::readWholeSection(path, QStringLiteral("None")), QString());
    EXPECT_EQ(TraceProject::readValue(path, QStringLiteral("other"), QStringLiteral("X")),
        QStringLiteral("1"));
}
