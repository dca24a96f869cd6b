// The settings tab's lists, field checks with their messages, and the save path.
#include "AppTestSupport.h"

#include "app/core/Pg5Folders.h"
#include "app/core/SettingsPage.h"
#include "app/core/StartState.h"
#include "common/IniProfile.h"
#include "viewer/core/ControlCore.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tlv::app {
namespace {

using common::IniProfile;

struct SettingsFixture : ::testing::Test, test::ProjectParts
{
    StartState start;
    Pg5Folders folders;
    viewer::ControlCore control { &prompter };
    SettingsPage page { project, start, folders, prompter };

    void SetUp() override
    {
        project.setPath(box.project(u"plant.tlvr"_s));
        page.setControl(&control);
        page.setCommands(&commands);
        page.setSettingsFile(box.folders.settingsFile());
    }
    void install(qint32 code) { folders.setRow(code, { u"apps"_s, {}, {}, {}, {} }); }
};

TEST_F(SettingsFixture, FieldChecksAcceptTheLimitsAndRefuseBeyond)
{
    page.ApplySettingsPage();
    const struct
    {
        bool (SettingsPage::*handler)(const QString &);
        const char *text;
        bool ok;
        const char *message;
    } cases[] = {
        { &SettingsPage::readIntervalLeft, "0,1", true, "" },
        { &SettingsPage::readIntervalLeft, "0.1", true, "" },
        { &SettingsPage::readIntervalLeft, "60", true, "" },
        { &SettingsPage::readIntervalLeft, "61", false, "Numeric value 0,1 to 60" },
        { &SettingsPage::readIntervalLeft, "0", false, "Numeric value 0,1 to 60" },
        { &SettingsPage::readIntervalLeft, "1s", false, "Numeric value 0,1 to 60" },
        { &SettingsPage::stationLeft, "255", true, "" },
        { &SettingsPage::stationLeft, "256", false, "Numeric value 0...255" },
        { &SettingsPage::startRegLeft, "16383", true, "" },
        { &SettingsPage::startRegLeft, "16384", false, "Numeric value 0...16383" },
        { &SettingsPage::gridLinesLeft, "20", true, "" },
        { &SettingsPage::gridLinesLeft, "5000", true, "" },
        { &SettingsPage::gridLinesLeft, "19", false, "Numeric value 20 to 5000" },
        { &SettingsPage::gridLinesLeft, "5001", false, "Numeric value 20 to 5000" },
        { &SettingsPage::graphLinesLeft, "1000", true, "" },
        { &SettingsPage::graphLinesLeft, "1001", false, "Numeric value 20 to 1000" },
    };
    for (const auto &c : cases) {
        prompter.clear();
        EXPECT_EQ((page.*c.handler)(QString::fromUtf8(c.text)), c.ok) << c.text;
        if (c.ok) {
            EXPECT_TRUE(prompter.messages().isEmpty()) << c.text;
        } else {
            ASSERT_EQ(prompter.messages().size(), 1) << c.text;
            EXPECT_EQ(prompter.lastMessage().text, QString::fromUtf8(c.message));
            EXPECT_EQ(prompter.lastMessage().title, u"Tolvane"_s);
            EXPECT_EQ(prompter.lastMessage().style, common::Prompter::Style::Exclamation);
        }
    }
    // The accepted values went to the settings and to the control; refused ones changed nothing.
    const buffer::ProjectSettings &s = project.settings();
    EXPECT_EQ(s.connection.readInterval, 60000);
    EXPECT_EQ(control.interval(), 60000);
    EXPECT_EQ(s.connection.station, 255);
    EXPECT_EQ(s.connection.startReg, 16383);
    EXPECT_EQ(s.maxRows, 5000);
    EXPECT_EQ(control.maxRows(), 5000);
    EXPECT_EQ(s.maxGraph, 1000);
    EXPECT_EQ(control.maxGraph(), 1000);
    // A refused station or start register shows 0 in the box.
    page.stationLeft(u"x"_s);
    EXPECT_EQ(page.view().station, u"0"_s);
    EXPECT_EQ(s.connection.station, 255);

    page.readIntervalLeft(u"0,1"_s);
    EXPECT_EQ(s.connection.readInterval, 100);

    // An export path the project file cannot hold is refused and the last one stays.
    page.excelFileValidated(u"data/run.xls"_s);
    const QString kept = s.exportFile;
    prompter.clear();
    page.excelFileValidated(u"Ωdata/run.xls"_s);
    EXPECT_EQ(prompter.texts(),
        QStringList(
            { u"Invalid character \"Ω\" : the project file holds Windows-1252 text only !"_s }));
    EXPECT_EQ(s.exportFile, kept);
    EXPECT_EQ(control.exportFile(), kept);
    EXPECT_EQ(page.view().excelFile, u"data/run.xls"_s);
}

TEST_F(SettingsFixture, DriverListOffersTheInstalledPg5Versions)
{
    install(19);
    install(21);
    page.ApplySettingsPage();
    const SettingsPage::View &v = page.view();
    ASSERT_EQ(v.dllEntries.size(), 3);
    EXPECT_EQ(v.dllEntries[0].text, u"Internal"_s);
    EXPECT_EQ(v.dllEntries[1].text, u"SAIA PG5 1.9"_s);
    EXPECT_EQ(v.dllEntries[2].text, u"SAIA PG5 2.1"_s);
    EXPECT_EQ(v.dllIndex, 1);
    EXPECT_EQ(start.versionCode, 19);
    EXPECT_TRUE(v.dllVisible);

    // Started from PG5 2.1: that entry, and the list is hidden.
    start.versionCode = 21;
    start.startedFromPg5 = true;
    page.ApplySettingsPage();
    EXPECT_EQ(page.view().dllIndex, 2);
    EXPECT_FALSE(page.view().dllVisible);

    // The internal driver shows the serial line's elements and ends the PG5 start.
    EXPECT_TRUE(page.dllChosen(0));
    EXPECT_EQ(project.settings().connection.dll, 0);
    EXPECT_FALSE(start.startedFromPg5);
    EXPECT_TRUE(page.view().driverFieldsVisible);
    EXPECT_FALSE(page.view().channelVisible);
    EXPECT_TRUE(page.dllChosen(1));
    EXPECT_EQ(project.settings().connection.dll, 1);
    EXPECT_EQ(start.versionCode, 21); // the choice does not change the version
    EXPECT_TRUE(page.view().channelVisible);

    // A PG5 entry without any known version is refused.
    start.versionCode = 0;
    EXPECT_FALSE(page.dllChosen(2));
    EXPECT_EQ(prompter.lastMessage().text, u"SAIA PG5 is not installed."_s);
    EXPECT_EQ(page.view().dllIndex, 1);
}

TEST_F(SettingsFixture, ListsAndTextsFollowTheSettings)
{
    buffer::ProjectSettings &s = project.settings();
    s.connection.com = 3;
    s.connection.baudrate = 19200;
    s.connection.readInterval = 2500;
    s.indexFile = 5;
    s.exportFile = box.project(u"out/a.xls"_s);
    page.ApplySettingsPage();
    const SettingsPage::View &v = page.view();
    EXPECT_EQ(v.portIndex, 2);
    EXPECT_EQ(v.baudIndex, 3);
    EXPECT_EQ(v.readInterval, u"2.5"_s);
    EXPECT_EQ(v.indexFile, 2);
    EXPECT_EQ(v.excelFile, u"..\\out\\a.xls"_s);

    page.portChosen(0);
    page.baudChosen(4);
    EXPECT_EQ(s.connection.com, 1);
    EXPECT_EQ(s.connection.baudrate, 38400);

    // A typed project-relative name means the file in the project folder.
    page.excelFileValidated(u"b.xls"_s);
    EXPECT_EQ(s.exportFile, box.project(u"b.xls"_s));
    EXPECT_EQ(control.exportFile(), s.exportFile);
    EXPECT_EQ(page.view().excelFile, u"b.xls"_s);

    // Cancelling the browse changes nothing; a chosen file is taken.
    page.browseExcelFile();
    EXPECT_EQ(s.exportFile, box.project(u"b.xls"_s));
    ASSERT_EQ(prompter.fileDialogs().size(), 1);
    EXPECT_EQ(prompter.fileDialogs()[0].request.defaultExtension, u"xls"_s);
    prompter.queueFile(box.project(u"c.xls"_s));
    page.browseExcelFile();
    EXPECT_EQ(page.view().excelFile, u"c.xls"_s);

    // A file no export can write is refused, typed or chosen; the one in force stays.
    EXPECT_FALSE(page.excelFileValidated(u"out.pdf"_s));
    EXPECT_EQ(prompter.lastMessage().text,
        u"Unknown export file type : "_s + box.project(u"out.pdf"_s)
            + u"\rAn export file ends in .xls, .xlsx or .csv."_s);
    prompter.queueFile(box.project(u"d.PDF"_s));
    page.browseExcelFile();
    EXPECT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(page.view().excelFile, u"c.xls"_s);
    EXPECT_EQ(control.exportFile(), box.project(u"c.xls"_s));
    EXPECT_TRUE(page.excelFileValidated(u"e.CSV"_s));
}

// What a save writes besides the fields: the window's standard buffer test.
TEST_F(SettingsFixture, SaveWritesPcdRegisteryZeroAndGivesTheControlTheExportNaming)
{
    test::Sandbox::write(project.path(),
        "[Tolvane]\r\nVersion=2\r\nUserBuffer=0\r\n[CONNECTION]\r\nPCDRegistery=1\r\nStartReg="
        "5\r\nMaxRows=500\r\n");
    ASSERT_TRUE(project.readProject());
    EXPECT_EQ(project.settings().connection.pcdRegistery, 1);
    page.ApplySettingsPage();
    // Export naming reaches the control with the save, not only at the next Start.
    page.indexFileChosen(1);
    page.exportFullToggled(true);
    EXPECT_EQ(control.indexFile(), 0);
    EXPECT_TRUE(page.save());
    EXPECT_EQ(control.indexFile(), 1);
    EXPECT_TRUE(control.autoExport());
    EXPECT_EQ(IniProfile::read(project.path(), u"CONNECTION"_s, u"PCDRegistery"_s), u"0"_s);
    EXPECT_FALSE(project.settings().differsForSave(project.appliedSettings()));
    // The channel section is written only once it was edited.
    EXPECT_TRUE(IniProfile::readSection(project.path(), u"GoOnline"_s).isEmpty());
}

TEST_F(SettingsFixture, Pg5ChannelIsEditedAndSavedInTheProjectFile)
{
    test::Sandbox::write(project.path(),
        "[GoOnline]\r\nChannel=UDP\r\nAddress=10.0.0.7\r\nPort=5051\r\nStation=3\r\n");
    page.ApplySettingsPage();
    EXPECT_EQ(page.view().channel.address, u"10.0.0.7"_s);
    EXPECT_EQ(page.view().channel.port, 5051);
    EXPECT_EQ(page.view().channel.station, 3);

    GoOnlineChannel bad = page.view().channel;
    bad.station = 300;
    EXPECT_FALSE(page.channelEdited(bad));
    EXPECT_EQ(prompter.lastMessage().text, u"S-Bus station: numeric value 0...255"_s);
    GoOnlineChannel serialNoDevice = page.view().channel;
    serialNoDevice.serial = true;
    EXPECT_FALSE(page.channelEdited(serialNoDevice));

    GoOnlineChannel c = page.view().channel;
    c.serial = true;
    c.device = u"/dev/ttyUSB0"_s;
    c.baudrate = 38400;
    c.station = 9;
    EXPECT_FALSE(page.hasChanges());
    EXPECT_TRUE(page.channelEdited(c));
    EXPECT_TRUE(page.hasChanges()) << "a channel edit is a change the close question asks about";
    EXPECT_TRUE(page.save());
    EXPECT_EQ(GoOnlineChannel::read(project.path()), c);
    EXPECT_FALSE(page.hasChanges());
}

TEST_F(SettingsFixture, ChosenPg5GlobalIniIsRememberedAndRefillsTheRow)
{
    start.versionCode = 21;
    QDir().mkpath(box.folders.commonDataFolder);
    const QString ini = box.path(u"chosen/PG5Global.ini"_s);
    test::Sandbox::write(ini, "[Global]\r\nAppsDir=A\r\nLibsDir=/libs/\r\nLocalDir=L\r\n");
    page.ApplySettingsPage();
    prompter.queueFile(ini);
    page.browsePg5Global();
    EXPECT_EQ(page.view().pg5Global, ini);
    EXPECT_EQ(
        IniProfile::read(box.folders.settingsFile(), u"Application"_s, u"PG5GlobalIni"_s), ini);
    EXPECT_EQ(folders.row(21).AppLibDir, u"/libs/App"_s);
    EXPECT_EQ(
        prompter.fileDialogs()[0].request.filter, u"PG5Global.ini (PG5Global.ini)|PG5Global.ini"_s);
}

} // namespace
} // namespace tlv::app
