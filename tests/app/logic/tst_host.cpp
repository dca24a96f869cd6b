// Start-up results, the save question, error events, simulation mode and
// read serving against the simulated PCD, all without a window.
#include "../CliRun.h"
#include "AppTestSupport.h"

#include "app/core/CommandLine.h"
#include "app/core/TolvaneHost.h"
#include "buffer/SourceGenerator.h"
#include "common/IniProfile.h"
#include "pcdsim/SbusServer.h"
#include "pcdsim/SimulatedPcd.h"
#include "tests/support/ScriptedPrompter.h"
#include "viewer/core/ControlCore.h"
#include "viewer/files/FileBufferLoader.h"

#include <QDir>
#include <QHostAddress>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tlv::app {
namespace {

using Answer = common::Prompter::Answer;
using Style = common::Prompter::Style;
using common::IniProfile;

const QByteArray DemoProject
    = "[Tolvane]\r\nVersion=2\r\nUserBuffer=1\r\n[CONNECTION]\r\n"
      "StartReg=4000\r\nReadInterval=1000\r\nOptions=011\r\n"
      "MaxRows=500\r\nMaxGraph=50\r\n[USER_BUFFER]\r\nTitle=Demo\r\n"
      "HeaderKey=DEMO\r\nHeaderType=1\r\nStartReg=R 4000\r\nRecordInterval=1\r\n"
      "RecordLenght=2\r\nRecordNumber=50\r\nColumn=2\r\n"
      "Column1=0,Long,0,R 100,1000,Level,%d,0\r\n"
      "Column2=1,Word,0,R 101,1000,Valve,%d,0\r\n";

struct HostFixture : ::testing::Test
{
    test::Sandbox box;
    common::ScriptedPrompter prompter;
    viewer::ControlCore control { &prompter };
    viewer::FileBufferLoader loader { common::PromptSeam::through(&prompter), QString() };
    std::unique_ptr<TolvaneHost> host;
    qint16 chosenType = 1;
    int cryptCalls = 0;
    QString cryptFile;

    void SetUp() override
    {
        control.setLoader(&loader);
        host = std::make_unique<TolvaneHost>(box.folders, prompter, control);
        host->setBufferTypeChooser([this] { return chosenType; });
        host->setCrypt([this](const QString &file) {
            ++cryptCalls;
            cryptFile = file;
            return true;
        });
    }
    void TearDown() override { host.reset(); }
    QString writeDemo() const
    {
        const QString file = box.project(u"plant.tlvr"_s);
        test::Sandbox::write(file, DemoProject);
        return file;
    }
    QString line(const QString &file, const char *version = "21300") const
    {
        return u'"' + file + u"\" PG5="_s + QLatin1String(version);
    }
    // The demo project with more connection keys, started from PG5.
    QString startProject(const QByteArray &keys, QByteArray project = DemoProject)
    {
        project.replace("StartReg=4000\r\n", QByteArray("StartReg=4000\r\n").append(keys));
        const QString file = box.project(u"plant.tlvr"_s);
        test::Sandbox::write(file, project);
        host->startUp(line(file));
        return file;
    }
    // The project goes online through PG5's channel to a port of this machine.
    void channelTo(quint16 port)
    {
        GoOnlineChannel channel;
        channel.port = port;
        ASSERT_TRUE(host->settingsPage().channelEdited(channel));
        ASSERT_TRUE(host->settingsPage().save());
    }
};

// A PCD on a UDP port of this machine that can be made to go quiet.
struct UdpPcd
{
    pcdsim::SimulatedPcd pcd;
    pcdsim::SbusServer server { &pcd };
    UdpPcd()
    {
        QString error;
        EXPECT_TRUE(server.listenUdp(QHostAddress::LocalHost, 0, &error)) << error.toStdString();
    }
    void quiet(bool on)
    {
        pcdsim::FaultPlan plan;
        plan.drop = on ? 1.0 : 0.0;
        server.setFaultPlan(plan);
    }
};

TEST_F(HostFixture, NewProjectIsCreatedWithTheChosenTypeAndASource)
{
    const QString file = box.project(u"new plant.tlvr"_s);
    EXPECT_EQ(host->startUp(line(file)), TolvaneHost::NewProject);
    EXPECT_FALSE(host->quitting());
    EXPECT_EQ(IniProfile::read(file, u"Tolvane"_s, u"UserBuffer"_s), u"1"_s);
    EXPECT_TRUE(QFileInfo::exists(box.project(u"new plant.tlvs"_s)));
    EXPECT_EQ(QFileInfo(box.project(u"new plant.tlvs"_s)).size(), 0);
    EXPECT_TRUE(QFileInfo::exists(box.folders.commonDataFolder));
    EXPECT_EQ(host->userBuffer().count(), 1);
    EXPECT_TRUE(host->setup().configTabEnabled);
    EXPECT_EQ(control.projectPath(), box.project(QString()));
    EXPECT_FALSE(host->connected());
}

TEST_F(HostFixture, CancelledTypeDialogEndsTheProgramWithoutAFile)
{
    chosenType = -1;
    QSignalSpy quit(host.get(), &TolvaneHost::quitRequested);
    const QString file = box.project(u"x.tlvr"_s);
    host->startUp(line(file));
    EXPECT_TRUE(host->quitting());
    EXPECT_EQ(quit.count(), 1);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(prompter.lastMessage().text, u"The Tolvane File will not be created !"_s);
}

TEST_F(HostFixture, AProjectOpenedWithoutPg5OffersTheMakersDriver)
{
    const QString file = writeDemo();
    EXPECT_EQ(host->startUp(file), TolvaneHost::ProjectRead);
    EXPECT_FALSE(host->start().startedFromPg5);
    EXPECT_EQ(host->start().versionCode, 0);
    EXPECT_TRUE(prompter.messages().isEmpty());
    ASSERT_TRUE(host->settingsPage().dllChosen(0));

    // The driver chosen there holds at the next start outside PG5.
    host->settingsPage().portChosen(2);
    host->settingsPage().baudChosen(3);
    EXPECT_TRUE(host->settingsPage().stationLeft(u"7"_s));
    ASSERT_TRUE(host->settingsPage().save());
    EXPECT_EQ(host->startUp(file), TolvaneHost::ProjectRead);
    const buffer::ConnectionSettings &c = host->project().settings().connection;
    EXPECT_EQ(c.dll, 0);
    EXPECT_EQ(c.com, 3);
    EXPECT_EQ(c.baudrate, 19200);
    EXPECT_EQ(c.station, 7);
    EXPECT_EQ(host->settingsPage().view().dllIndex, 0);
    EXPECT_FALSE(host->settingsPage().hasChanges());

    // PG5 passing its version hides the choice again and keeps its own channel.
    EXPECT_EQ(host->startUp(line(file)), TolvaneHost::ProjectRead);
    EXPECT_TRUE(host->start().startedFromPg5);
    EXPECT_EQ(host->project().settings().connection.dll, 1);
}

TEST_F(HostFixture, UnreadableProjectIsReplacedByANewOne)
{
    const QString file = box.project(u"old.tlvr"_s);
    test::Sandbox::write(file, "[Tolvane]\r\nVersion=0.9\r\n");
    const QString cmd = line(file);
    EXPECT_EQ(host->startUp(cmd), TolvaneHost::NewProject);
    EXPECT_TRUE(
        prompter.texts().contains(u"Cannot read start file, a new file will be created !\r" + cmd));
    EXPECT_EQ(IniProfile::read(file, u"Tolvane"_s, u"Version"_s), u"2"_s);
}

// MaxRows missing: its default, and the file is not rewritten for it.
TEST_F(HostFixture, ExistingProjectIsReadAsItStandsAndGivenToTheControl)
{
    const QString file = box.project(u"plant.tlvr"_s);
    const QByteArray text
        = QByteArray(DemoProject)
              .replace("MaxRows=500\r\n", "")
              .replace("[CONNECTION]\r\n", "[CONNECTION]\r\nExportFile=run.xls\r\nIndexFile=1\r\n");
    test::Sandbox::write(file, text);
    EXPECT_EQ(host->startUp(line(file, "17")), TolvaneHost::ProjectRead);
    EXPECT_EQ(host->project().settings().maxRows, 500);
    EXPECT_EQ(control.maxRows(), 500);
    EXPECT_EQ(host->project().settings().maxGraph, 50);
    EXPECT_EQ(control.maxGraph(), 50);
    EXPECT_TRUE(control.timeStampCol());
    EXPECT_FALSE(control.dateStampCol());
    EXPECT_EQ(host->userBuffer().count(), 2);
    EXPECT_EQ(host->caption(), u"Tolvane  [" + file + u']');
    EXPECT_EQ(host->editor().fields().title, u"Demo"_s);
    EXPECT_FALSE(host->userBuffer().changed());
    EXPECT_EQ(host->project().settings().indexFile, 1);
    EXPECT_EQ(host->project().settings().connection.startReg, 4000);
    EXPECT_EQ(host->project().settings().exportFile, box.project(u"run.xls"_s));
    EXPECT_EQ(test::Sandbox::read(file), text);
    EXPECT_FALSE(prompter.texts().join(u'|').contains(u"Cannot read start file"_s));
}

TEST_F(HostFixture, CommonFolderThatCannotBeMadeIsNamedAndStartGoesOn)
{
    host.reset();
    test::Sandbox::write(box.path(u"appdata/blocker"_s), "a file, not a folder");
    AppFolders folders = box.folders;
    folders.commonDataFolder = box.path(u"appdata/blocker/Varnok/Tolvane/"_s);
    host = std::make_unique<TolvaneHost>(folders, prompter, control);
    const QString file = writeDemo();
    EXPECT_EQ(host->startUp(line(file)), TolvaneHost::ProjectRead);
    EXPECT_EQ(prompter.messages().first().text,
        u"Cannot create the common directory : " + box.path(u"appdata/blocker/Varnok/Tolvane"_s));
    EXPECT_EQ(prompter.messages().first().style, Style::Critical);
}

TEST_F(HostFixture, RelativeStartFileStaysPutWhenTheWorkingFolderChanges)
{
    const QString file = writeDemo();
    const QString before = QDir::currentPath();
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    ASSERT_TRUE(QDir::setCurrent(box.project(QString())));
    ASSERT_EQ(host->startUp(u"plant.tlvr PG5=20100"_s), TolvaneHost::ProjectRead);
    EXPECT_EQ(host->start().symbolFile, box.project(u"_Global.sy5"_s));

    // Going online through PG5's channel moves the working directory.
    ASSERT_TRUE(QDir::setCurrent(box.folders.programFolder));
    host->settingsPage().gridLinesLeft(u"900"_s);
    EXPECT_TRUE(host->settingsPage().save());
    EXPECT_EQ(IniProfile::read(file, u"CONNECTION"_s, u"MaxRows"_s), u"900"_s);
    EXPECT_FALSE(QFileInfo::exists(box.folders.programFolder + u"plant.tlvr"));

    // Windows-made paths are rooted already.
    CommandLine c = CommandLine::parse(u"C:\\P\\x.tlvr PG5=20100"_s);
    c.anchorIn(before);
    EXPECT_EQ(c.startFile, u"C:\\P\\x.tlvr"_s);
}

TEST_F(HostFixture, RunsWithoutAProjectEnd)
{
    QSignalSpy info(host.get(), &TolvaneHost::startInfoRequested);
    QSignalSpy quit(host.get(), &TolvaneHost::quitRequested);
    EXPECT_EQ(host->startUp(QString()), TolvaneHost::NoStart);
    EXPECT_EQ(info.count(), 1);
    EXPECT_EQ(quit.count(), 0);
    host->formActivated();
    EXPECT_EQ(quit.count(), 1);

    EXPECT_EQ(host->startUp(u"plant.txt PG5=21"_s), TolvaneHost::NoStart);
    EXPECT_EQ(prompter.lastMessage().text,
        u"No valid start file in the commande line !\rplant.txt PG5=21"_s);

    // "-cpt" in any case: the trimmed file goes to Crypt and the program ends without a question.
    prompter.clear();
    EXPECT_EQ(host->startUp(u"  /lib/P.tlv -CPT"_s), TolvaneHost::CryptDone);
    EXPECT_EQ(cryptCalls, 1);
    EXPECT_EQ(cryptFile, u"/lib/P.tlv"_s);
    EXPECT_TRUE(host->closeRequested());
    EXPECT_TRUE(prompter.messages().isEmpty());

    // Only as an argument of its own: in a folder's name it opens the project there.
    const QString plant = box.project(u"plant-cpt2/x.tlvr"_s);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(plant).path()));
    test::Sandbox::write(plant, DemoProject);
    EXPECT_EQ(
        host->startUp(CommandLine::join({ plant, u"PG5=21300"_s })), TolvaneHost::ProjectRead);
    EXPECT_EQ(host->project().path(), plant);
    EXPECT_EQ(
        CommandLine::parse(CommandLine::join({ u"/lib/a -cpt b.tlv"_s, u"-cpt"_s })).cryptFile,
        u"/lib/a -cpt b.tlv"_s);
    EXPECT_EQ(cryptCalls, 1);
}

TEST_F(HostFixture, SaveQuestionsAndCancel)
{
    const QString file = startProject({});
    EXPECT_TRUE(host->QuerySave()); // nothing changed: no question
    EXPECT_TRUE(prompter.messages().isEmpty());

    host->settingsPage().gridLinesLeft(u"800"_s);
    host->userBuffer().item(1)->Title = u"Renamed"_s;
    host->userBuffer().setChanged(true);

    prompter.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(host->closeRequested());
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.lastMessage().text, u"Do you want to save settings changes"_s);
    EXPECT_EQ(prompter.lastMessage().buttons, common::Prompter::Buttons::YesNoCancel);

    prompter.clear();
    prompter.queueAnswer(Answer::No);
    prompter.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(host->closeRequested());
    EXPECT_EQ(prompter.texts(),
        QStringList({ u"Do you want to save settings changes"_s,
            u"Do you want to save user buffer changes"_s }));
    EXPECT_EQ(IniProfile::read(file, u"CONNECTION"_s, u"MaxRows"_s), u"500"_s);

    // A buffer that cannot be stored keeps the program open with its changes.
    host->editor().fields().recordInterval = u"6001"_s;
    prompter.clear();
    prompter.queueAnswer(Answer::No);
    prompter.queueAnswer(Answer::Yes);
    EXPECT_FALSE(host->closeRequested());
    EXPECT_TRUE(prompter.texts().contains(u"Invalid buffer value !"_s));
    EXPECT_TRUE(host->userBuffer().changed());
    host->editor().fields().recordInterval = u"1"_s;

    // No to the settings holds when the buffer is saved.
    prompter.clear();
    prompter.queueAnswer(Answer::No);
    prompter.queueAnswer(Answer::Yes);
    EXPECT_TRUE(host->closeRequested());
    EXPECT_EQ(IniProfile::read(file, u"CONNECTION"_s, u"MaxRows"_s), u"500"_s);
    EXPECT_TRUE(IniProfile::read(file, u"USER_BUFFER"_s, u"Column1"_s).contains(u"Renamed"_s));
    EXPECT_FALSE(host->userBuffer().changed());
}

TEST_F(HostFixture, ControlErrorsAndShutdownCommand)
{
    QSignalSpy quit(host.get(), &TolvaneHost::quitRequested);
    // Raised while reading: told without holding the reading.
    Q_EMIT control.ModulError(12, u"Incomplete fetch"_s);
    ASSERT_EQ(prompter.notices().size(), 1);
    EXPECT_EQ(prompter.notices().last().text, u"Error 12: Incomplete fetch"_s);
    EXPECT_EQ(prompter.notices().last().style, Style::Exclamation);
    EXPECT_EQ(quit.count(), 0);
    Q_EMIT control.ModulError(1001, u"Out of range"_s);
    EXPECT_EQ(prompter.lastMessage().text, u"This application will stop !Out of range\r"_s);
    EXPECT_EQ(prompter.lastMessage().style, Style::Critical);
    EXPECT_EQ(quit.count(), 1);
    Q_EMIT control.PCDCmd(7);
    EXPECT_EQ(quit.count(), 2);
}

TEST_F(HostFixture, StartRegisterOfEachBufferType)
{
    const QString file = startProject({});
    host->userBuffer().setStartReg(u" R 1000 "_s);
    EXPECT_TRUE(host->pcd().prepareControl());
    EXPECT_EQ(control.startRegister(), 1000);
    EXPECT_EQ(control.userFile(), file);
    host->userBuffer().setStartReg(u"1000"_s);
    EXPECT_TRUE(host->pcd().prepareControl());
    EXPECT_EQ(control.startRegister(), 1000);
    host->userBuffer().setStartReg(u"R Start"_s);
    EXPECT_FALSE(host->pcd().prepareControl());
    host->userBuffer().setStartReg(u"R 40000"_s);
    EXPECT_FALSE(host->pcd().prepareControl());
    host->userBuffer().setStartReg(QString());
    EXPECT_FALSE(host->pcd().prepareControl());
    EXPECT_EQ(prompter.lastMessage().text,
        u"Invalid start register in the buffer configuration : (empty)"_s);

    host->project().setBufferType(0);
    EXPECT_TRUE(host->pcd().prepareControl());
    EXPECT_EQ(control.startRegister(), 4000);
    EXPECT_EQ(control.userFile(), QString());

    host->project().setBufferType(2);
    EXPECT_FALSE(host->pcd().prepareControl());
    test::Sandbox::write(box.project(u"Sym_System.sy5"_s),
        ";s.tlvr.start EQU R 10\r\ns.tlvr.start\tEQU\tR 2000\r\n");
    EXPECT_TRUE(host->pcd().prepareControl());
    EXPECT_EQ(control.startRegister(), 2000);
}

TEST_F(HostFixture, SimulationRunsTheDemoAndReturnsToTheProject)
{
    const QString file = box.project(u"plant.tlvr"_s);
    test::Sandbox::write(file,
        "[Tolvane]\r\nVersion=2\r\nUserBuffer=0\r\n[CONNECTION]\r\nStartReg=7\r\nMaxRows=500\r\n");
    host->startUp(line(file));
    EXPECT_FALSE(host->setup().configTabEnabled);

    // No demo beside the program: told so, and the project comes back.
    host->toggleSimulation();
    EXPECT_FALSE(host->simulation());
    EXPECT_TRUE(prompter.texts().contains(
        u"Invalid Demo setting file\r" + box.folders.programFolder + u"demo.tlvr"));
    EXPECT_EQ(host->project().path(), file);

    test::Sandbox::write(box.folders.programFolder + u"demo.tlvr", DemoProject);
    QSignalSpy simulation(host.get(), &TolvaneHost::simulationChanged);
    // Buffer edits not saved: asked first; Cancel keeps the project.
    host->userBuffer().setChanged(true);
    prompter.clear();
    prompter.queueAnswer(common::Prompter::Answer::Cancel);
    host->toggleSimulation();
    EXPECT_FALSE(host->simulation());
    EXPECT_EQ(prompter.texts(), QStringList { u"Do you want to save user buffer changes"_s });
    host->userBuffer().setChanged(false);
    host->toggleSimulation();
    EXPECT_TRUE(host->simulation());
    EXPECT_TRUE(control.simulation());
    EXPECT_EQ(host->project().bufferType(), 1);
    EXPECT_TRUE(host->setup().configTabEnabled);
    EXPECT_FALSE(host->project().settings().differsForSave(host->project().appliedSettings()));
    EXPECT_TRUE(control.timeStampCol()); // the demo's own column flags
    // Running as the caption says, without Connect and Start.
    EXPECT_TRUE(host->connected());
    EXPECT_EQ(control.runMode(), 2);
    EXPECT_GE(control.cycle().state(), 2);
    // Start, Run and Stop of the demo: the window's simulation test.

    host->toggleSimulation();
    EXPECT_FALSE(host->simulation());
    EXPECT_FALSE(control.simulation());
    EXPECT_FALSE(host->connected());
    EXPECT_EQ(host->project().path(), file);
    EXPECT_EQ(host->project().bufferType(), 0);
    EXPECT_FALSE(control.timeStampCol());
    EXPECT_EQ(simulation.count(), 2);
}

// With AutoConnect and no PCD at start-up, the retry that succeeds prepares the
// control as the first attempt would, with the PG5 version known by then;
// leaving simulation connects again by itself.
TEST_F(HostFixture, AutomaticRetryPreparesTheControlAndSimulationReturnsConnected)
{
    UdpPcd pcd;
    const QString file = startProject("AutoConnect=1\r\n");
    channelTo(pcd.server.udpPort());
    pcd.quiet(true);
    control.setStartRegister(0);
    QList<qint16> firstReads;
    QObject::connect(&control, &viewer::ControlCore::ReadPCDReg,
        [&firstReads](qint16 reg, qint16) { firstReads << reg; });
    host->pcd().setConnectRetryInterval(20);
    host->formActivated();
    EXPECT_FALSE(host->connected());
    EXPECT_TRUE(host->pcd().connectTimer().isActive());
    host->start().versionCode = 20; // what the settings page may find meanwhile

    pcd.quiet(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return host->connected(); }, 20000));
    EXPECT_FALSE(host->pcd().connectTimer().isActive());
    EXPECT_EQ(control.startRegister(), 4000);
    EXPECT_EQ(control.userFile(), file);
    ASSERT_FALSE(firstReads.isEmpty());
    EXPECT_EQ(firstReads.first(), 4000);
    EXPECT_EQ(host->pcd().connection().scomm().pg5VersionCode(), 20);

    // The live PCD is left only when the user says so.
    test::Sandbox::write(box.folders.programFolder + u"demo.tlvr", DemoProject);
    prompter.clear();
    prompter.queueAnswer(Answer::No);
    host->toggleSimulation();
    EXPECT_EQ(prompter.texts(), QStringList { TolvaneHost::LeaveConnectionQuestion });
    EXPECT_FALSE(host->simulation());
    EXPECT_TRUE(host->connected());
    prompter.queueAnswer(Answer::Yes);
    host->toggleSimulation();
    ASSERT_TRUE(host->simulation());
    EXPECT_TRUE(host->connected()); // the demo's own connection
    EXPECT_EQ(control.runMode(), 2);
    host->toggleSimulation();
    EXPECT_FALSE(host->simulation());
    EXPECT_TRUE(host->connected()) << host->pcd().messageText().toStdString();
}

// Opened from the desktop (no "PG5=") on a project that goes online through the PG5
// channel: AutoConnect keeps trying without a box and connects by the built-in driver.
TEST_F(HostFixture, DesktopStartReachesThePg5ChannelsPcdWithoutAsking)
{
    UdpPcd pcd;
    const QString file = startProject("AutoConnect=1\r\nDLL=1\r\n");
    channelTo(pcd.server.udpPort());
    pcd.quiet(true);
    prompter.clear();
    EXPECT_EQ(host->startUp(u'"' + file + u'"'), TolvaneHost::ProjectRead);
    EXPECT_EQ(host->project().settings().connection.dll, 1);
    host->pcd().setConnectRetryInterval(20);
    int attempts = 0;
    QObject::connect(&host->pcd().connectTimer(), &QTimer::timeout, [&attempts] { ++attempts; });
    host->formActivated();
    ASSERT_TRUE(QTest::qWaitFor([&] { return attempts >= 3; }, 20000));
    pcd.quiet(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return host->connected(); }, 20000));
    EXPECT_EQ(host->pcd().connectionText(), host::PcdHost::BuiltInDriverText);
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.texts().join(u'|').toStdString();
}

// The window's host against tolvane-pcdsim going quiet for 2.5 s, its ring 4 s deep: with
// and without AutoConnect every record still in the ring is shown, no "Miss".
class QuietPcdHost : public HostFixture, public ::testing::WithParamInterface<int>
{
};

TEST_P(QuietPcdHost, ASilenceShorterThanTheRingLosesNoRecord)
{
    QByteArray project = DemoProject;
    project.replace("ReadInterval=1000", "ReadInterval=500");
    project.replace("RecordNumber=50", "RecordNumber=40");
    startProject("DLL=1\r\nAutoConnect=" + QByteArray::number(GetParam()) + "\r\n", project);
    buffer::SourceGenerator generator;
    ASSERT_TRUE(generator.write(host->userBuffer(), host->project().sourcePath()));
    tlv::test::PcdProcess pcd({ u"--trace"_s, host->project().sourcePath(), u"--set"_s,
        u"wave R 100 ramp 0 100000 10000000"_s, u"--set"_s, u"at 2000 silent 2500"_s });
    ASSERT_NE(pcd.port(), 0);
    channelTo(pcd.port());
    QStringList rows;
    QObject::connect(
        &control, &viewer::ControlCore::OutputLine, [&rows](const QString &l) { rows << l; });

    if (GetParam() != 0) {
        host->formActivated();
    } else {
        host->connectClicked();
        host->startClicked();
    }
    QTest::qWait(8000);
    host->pcd().stop();
    EXPECT_TRUE(rows.filter(u"Miss"_s).isEmpty()) << rows.join(u'\n').toStdString();
    // 8 s of records every 100 ms, read again after the silence.
    EXPECT_GE(rows.filter(QRegularExpression(u"\tRun\t\\d"_s)).size(), 70)
        << rows.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(AutoConnect, QuietPcdHost, ::testing::Values(0, 1));

} // namespace
} // namespace tlv::app
