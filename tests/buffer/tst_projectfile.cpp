#include "BufferTestSupport.h"

#include "common/IniProfile.h"

using namespace Qt::StringLiterals;

using namespace tlv::buffer;
using namespace tlv::buffer::test;
using tlv::common::IniProfile;

namespace {

class ProjectFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(u"plant.tlvr"_s);
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
            buffer.add(u"Col%1"_s.arg(i), u"R %1"_s.arg(100 + i), qint16(i - 1), u"Word"_s, 1,
                u"%h"_s, 900 + i, i * 3);
    }

    QTemporaryDir dir;
    QString path;
    UserColumns buffer;
    TraceProject project { buffer };
};

} // namespace

TEST_F(ProjectFileTest, SettingsRoundTrip)
{
    ProjectSettings &s = project.settings();
    s.connection = { 1, 1, 0, 0, 1, 9600, 0, 1, 4000, 2500 };
    s.dateColumn = 1;
    s.timeColumn = 0;
    s.maxRows = 1234;
    s.maxGraph = 321;
    s.exportFile = dir.filePath(u"out/trace.xls"_s);
    s.autoExport = 1;
    s.indexFile = 2;
    s.journal = 1;
    project.setBufferType(BufferType::PublicEvents);
    ASSERT_TRUE(project.writeSettings(false));
    EXPECT_EQ(IniProfile::read(path, u"CONNECTION"_s, u"ExportFile"_s), u"..\\out\\trace.xls"_s);
    EXPECT_EQ(IniProfile::read(path, u"CONNECTION"_s, u"Options"_s), u"101"_s);
    EXPECT_TRUE(readBytes(path).contains("\r\nBaudrate=9600\r\n"));

    UserColumns other;
    TraceProject reread(other);
    reread.setPath(path);
    ASSERT_TRUE(reread.readProject());
    EXPECT_EQ(reread.settings(), s);
    EXPECT_EQ(reread.appliedSettings(), s);
    EXPECT_EQ(reread.bufferType(), BufferType::PublicEvents);
    EXPECT_TRUE(reread.warnings().isEmpty());
    ProjectSettings withoutJournal = s;
    withoutJournal.journal = 0;
    EXPECT_TRUE(withoutJournal.differsForSave(s)); // the close question asks about it
}

TEST_F(ProjectFileTest, UserBufferRoundTrip)
{
    fillBuffer(3);
    buffer.setTitle(u"Chaudière °C, 2"_s);
    buffer.setHeaderKey(u" AB "_s); // outer blanks and quotes survive the trimming reader
    buffer.setHeaderType(7);
    buffer.setStartReg(u"R 2000"_s);
    buffer.setRecordInt(0);
    buffer.setRecordEnable(u"F 1"_s);
    buffer.setRecordCommand(u"'Cmd.Rec'"_s);
    buffer.setClearBuf(u"I 3"_s);
    buffer.setCloseTlv(u"R 50"_s);
    buffer.setSerialNr(u"R 51"_s);
    buffer.setRecordChange(1);
    buffer.setMemory(1);
    buffer.setRecordLen(3);
    buffer.setBufferLen(5000);
    buffer.setColumn(3);
    buffer.setEnable(1);
    buffer.item(2)->Title = u"Durée, moyenne"_s;
    buffer.item(3)->Delta = 16383;
    buffer.item(3)->Width = -2147483647 - 1;
    project.setBufferType(BufferType::Configured);
    ASSERT_TRUE(project.writeUserBuffer());
    EXPECT_EQ(buffer.headerType(), 1); // always stored as 1
    EXPECT_TRUE(readBytes(path).contains("Chaudi\xe8re \xb0"
                                         "C"));

    UserColumns other;
    other.add(UserColumn::defaultColumn());
    other.setChanged(true);
    TraceProject reread(other);
    reread.setPath(path);
    ASSERT_TRUE(reread.readUserBuffer());
    EXPECT_EQ(describe(other), describe(buffer));
}

TEST_F(ProjectFileTest, ReadsWindowsFileWithCrlfCp1252AndOtherKeyCase)
{
    ASSERT_TRUE(writeBytes(path, readBytes(fixture(u"windows.tlvr"_s))));
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(project.bufferType(), BufferType::Configured);
    EXPECT_EQ(project.settings().connection.startReg, 123);
    EXPECT_EQ(project.settings().maxRows, 800);
    EXPECT_EQ(project.settings().exportFile, dir.filePath(u"Exports/Chaudière.xls"_s));
    EXPECT_EQ(describe(buffer),
        QStringLiteral("en=1 title=Chaudière °C key=CHDR type=1 start=R 2000 int=150 len=3 "
                       "records=500 column=3 enable=F 10 command=F 11 clear= close=R 2001 serial= "
                       "change=1 mem=1 changed=0 | Température,R 120,0,Long,0,%1sd,1200,5 | "
                       "Pompe,Pump.Run,1,Bit,3,%b,800,0 | Durée, moy.,R 130,2,Word,1,%m,1000,10"));
}

TEST_F(ProjectFileTest, LfFileWithMissingOrEmptyKeys)
{
    // Column2 is missing and Column1 is short: one column all the same.
    writeProject("Title=\nHeaderKey=\nRecordInterval=\nRecordLenght=\nRecordNumber=\n"
                 "Column=2\nColumn1=3,Byte,2,F 5,700,Flag,%b\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(describe(buffer),
        QStringLiteral("en=1 title= key=DEFA type=1 start= int=600 len=1 records=100 column=2 "
                       "enable= command= clear= close= serial= change=0 mem=0 changed=0 | "
                       "Flag,F 5,3,Byte,2,%b,700,0"));
    EXPECT_EQ(project.settings().connection.readInterval, 1000);
    EXPECT_EQ(project.settings().maxGraph, 20);

    writeProject("Column=0\nColumn1=5,Bit,1,F 1,1,x,%b,0\n");
    ASSERT_TRUE(project.readProject());
    ASSERT_EQ(buffer.count(), 1);
    EXPECT_EQ(*buffer.item(1), UserColumn::defaultColumn());
}

TEST_F(ProjectFileTest, OnlyAMissingOrOldVersionRejectsTheProject)
{
    const struct
    {
        const char *text;
        bool ok;
    } cases[] = { { "[Tolvane]\nVersion=0.9\n[CONNECTION]\nStartReg=1\nMaxRows=500\n", false },
        { "[Tolvane]\nVersion=1\n[CONNECTION]\nStartReg=1\nMaxRows=500\n", true },
        { "[Tolvane]\n[CONNECTION]\nStartReg=1\nMaxRows=500\n", false } };
    for (const auto &c : cases) {
        writeFile(c.text);
        EXPECT_EQ(project.readProject(), c.ok) << c.text;
    }
}

TEST_F(ProjectFileTest, AMissingSettingKeepsItsValueAndTheOthersAreRead)
{
    ProjectSettings &s = project.settings();
    s.maxRows = 500;
    s.connection.startReg = 0;
    s.timeColumn = 1; // an empty Options leaves the three flags it sets
    writeFile("[Tolvane]\nVersion=2\n[CONNECTION]\nStartReg=\nMaxGraph=50\n"
              "ExportFile=out.xls\nIndexFile=2\nReadInterval=2500\nOptions=\n");
    ASSERT_TRUE(project.readProject()) << project.errorString().toStdString();
    EXPECT_EQ(s.maxRows, 500);
    EXPECT_EQ(s.connection.startReg, 0);
    EXPECT_EQ(s.maxGraph, 50);
    EXPECT_EQ(s.exportFile, dir.filePath(u"out.xls"_s));
    EXPECT_EQ(s.indexFile, 2);
    EXPECT_EQ(s.connection.readInterval, 2500);
    EXPECT_EQ(s.timeColumn, 1);
    EXPECT_EQ(project.appliedSettings().maxGraph, 50) << "what was read is what a save compares";
}

TEST_F(ProjectFileTest, ShorterBufferReplacesTheLongerOneInFileAndModel)
{
    project.setBufferType(BufferType::Configured);
    fillBuffer(5);
    ASSERT_TRUE(project.writeUserBuffer());
    fillBuffer(2);
    ASSERT_TRUE(project.writeUserBuffer());
    EXPECT_EQ(IniProfile::readSection(path, u"USER_BUFFER"_s).filter(u"Column"_s).size(),
        3); // Column= and two lines, no Column3..5 left over
    writeFile(readBytes(path).replace("UserBuffer=1", "Version=2\r\nUserBuffer=1")
        + "[CONNECTION]\r\nStartReg=1\r\nMaxRows=20\r\n");
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
    EXPECT_EQ(buffer.title(), u"User buffer"_s);
    EXPECT_EQ(buffer.count(), 0);
    EXPECT_EQ(buffer.enable(), 0);

    project.setSimulation(true);
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(project.bufferType(), BufferType::Configured);
    EXPECT_EQ(buffer.title(), u"Stored"_s);
    EXPECT_EQ(buffer.count(), 1);
    EXPECT_EQ(project.caption(u"Tolvane"_s), u"Tolvane  Simulation Mode Running !"_s);
}

TEST_F(ProjectFileTest, NumbersRoundToEvenAndThoseThatDoNotFitAreKept)
{
    writeProject("RecordNumber=250.5\nRecordInterval=12abc\nRecordLenght=x\nColumn=2\n"
                 "Column1=2.5,Long,3.5,R 1,1000.5,a,%d,-1.5\nColumn2=70000,Long,0,R 1,1,b,%d,5\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(buffer.recordInt(), 12);
    EXPECT_EQ(buffer.recordLen(), 1); // x reads as 0, out of range
    EXPECT_EQ(buffer.bufferLen(), 250);
    EXPECT_EQ(
        *buffer.item(1), (UserColumn { u"a"_s, u"R 1"_s, 2, u"Long"_s, 4, u"%d"_s, 1000, 0 }));
    EXPECT_EQ(buffer.item(2)->RecPlace, 0);
    EXPECT_EQ(project.warnings().size(), 3);

    writeProject("RecordNumber=40000\nRecordInterval=-70000\nColumn=1\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(buffer.bufferLen(), 100);
    EXPECT_EQ(buffer.recordInt(), 600);
    const QString warnings = project.bufferWarnings().join(u'\n');
    EXPECT_TRUE(warnings.contains(u"RecordNumber: 40000"_s)) << qPrintable(warnings);
    EXPECT_TRUE(warnings.contains(u"RecordInterval: -70000"_s));
}

TEST_F(ProjectFileTest, ValuesOutsideTheirRangeLoadTheDefaultAndAreNamed)
{
    writeFile("[Tolvane]\nVersion=2\nUserBuffer=7\n[CONNECTION]\nStartReg=20000\nMaxRows=10\n"
              "AutoExport=2\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(project.bufferType(), BufferType::Standard);
    EXPECT_EQ(project.settings().connection.startReg, 0);
    EXPECT_EQ(project.settings().maxRows, 500);
    EXPECT_EQ(project.settings().autoExport, 0);
    EXPECT_EQ(project.warnings(),
        (QStringList { u"Value out of range in MaxRows: 10 (20 to 5000)"_s,
            u"Value out of range in AutoExport: 2 (0 to 1)"_s,
            u"Value out of range in StartReg: 20000 (0 to 16383)"_s,
            u"Value out of range in UserBuffer: 7 (0 to 2)"_s }));

    writeProject("HeaderType=2\nRecordInterval=-5\nRecordChange=3\nRecordMemory=-1\n"
                 "RecordLenght=300\nRecordNumber=19\nColumn=200\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(buffer.headerType(), 1);
    EXPECT_EQ(buffer.recordInt(), 600);
    EXPECT_EQ(buffer.recordChange(), 0);
    EXPECT_EQ(buffer.memory(), 0);
    EXPECT_EQ(buffer.recordLen(), 1);
    EXPECT_EQ(buffer.bufferLen(), 100);
    EXPECT_EQ(buffer.count(), 1);
    EXPECT_EQ(project.bufferWarnings().size(), 7);

    writeProject("Column=1\nColumn1=256,Bit,32,R 1,5,t,%b,16384\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(*buffer.item(1), (UserColumn { u"t"_s, u"R 1"_s, 0, u"Bit"_s, 0, u"%b"_s, 5, 0 }));
    EXPECT_EQ(project.bufferWarnings().join(u'\n'),
        u"Value out of range in Column1 field 1: 256 (0 to 255): 256,Bit,32,R 1,5,t,%b,16384\n"
        "Value out of range in Column1 field 3: 32 (0 to 31): 256,Bit,32,R 1,5,t,%b,16384\n"
        "Value out of range in Column1 field 8: 16384 (0 to 16383): 256,Bit,32,R 1,5,t,%b,16384"_s);
}

TEST_F(ProjectFileTest, WriteSettingsAsksForTheTypeWhenCreating)
{
    EXPECT_FALSE(project.writeSettings(true, [] { return BufferType::Cancelled; }));
    EXPECT_EQ(project.errorString(), u"The Tolvane File will not be created !"_s);
    EXPECT_FALSE(QFile::exists(path));

    ASSERT_TRUE(project.writeSettings(true, [] { return BufferType::Configured; }));
    EXPECT_EQ(IniProfile::read(path, u"TOLVANE"_s, u"userbuffer"_s), u"1"_s);
    EXPECT_EQ(IniProfile::read(path, u"Tolvane"_s, u"Version"_s), u"2"_s);
}

TEST_F(ProjectFileTest, FailedWritesAreReported)
{
    project.setPath(dir.filePath(u"missing/plant.tlvr"_s));
    EXPECT_FALSE(project.writeSettings(false));
    EXPECT_EQ(project.errorString(), u"Writing aborted in the file : "_s + project.path());
    EXPECT_FALSE(project.writeUserBuffer());
}
