#include "app/core/TolvaneHost.h"

#include "app/core/AppLog.h"
#include "app/core/CommandLine.h"
#include "buffer/BufferType.h"
#include "comm/PcdStatusMap.h"
#include "common/PathUtil.h"
#include "common/Prompter.h"
#include "viewer/core/ControlCore.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

namespace tlv::app {

namespace {

using Style = common::Prompter::Style;
using Buttons = common::Prompter::Buttons;
using Answer = common::Prompter::Answer;

const QString Title = QStringLiteral("Tolvane");

} // namespace

TolvaneHost::TolvaneHost(const AppFolders &folders, common::Prompter &prompter,
    viewer::ControlCore &control, QObject *parent)
    : QObject(parent)
    , m_folders(folders)
    , m_prompter(prompter)
    , m_control(control)
    , m_formats(buffer::cFormats::standard())
    , m_project(m_buffer)
    , m_commands(m_project, m_formats)
    , m_pcd(control, m_project, prompter)
    , m_settings(m_project, m_start, m_pg5, prompter)
    , m_editor(m_project, m_formats, m_commands, prompter)
    , m_cellEditor(m_editor, m_formats, prompter)
    , m_folderOps(prompter)
{
    m_settings.setControl(&m_control);
    m_settings.setCommands(&m_commands);
    m_settings.setSettingsFile(m_folders.settingsFile());
    m_crypt = [this](const QString &file) { return m_control.Crypt(file); };
    // Asked at every start and connection: what the settings page chose holds at once.
    m_pcd.setStartPaths([this] {
        return host::StartPaths { m_start.symbolFile, m_start.projectFolder };
    });
    m_pcd.setPg5Channel([this] {
        return host::Pg5Channel { m_start.versionCode, m_pg5.appsDirs() };
    });
    connect(&m_pcd, &host::PcdHost::quitRequested, this, [this](bool) { quit(); });
    connect(&m_control, &viewer::ControlCore::NewExportFile, this, &TolvaneHost::onNewExportFile,
        Qt::DirectConnection);
}

TolvaneHost::~TolvaneHost() = default;

void TolvaneHost::setProcessEvents(std::function<void()> process)
{
    m_pcd.setProcessEvents(std::move(process));
}

QString TolvaneHost::caption() const
{
    if (m_project.path().isEmpty())
        return Title;
    return m_project.caption(Title);
}

void TolvaneHost::applyDefaults()
{
    buffer::ProjectSettings defaults;
    buffer::ConnectionSettings &c = defaults.connection;
    c.dll = 1;
    c.com = 1;
    c.baudrate = 9600;
    c.station = 0;
    c.protocol = 0;
    c.autoConnect = 0;
    c.startReg = 0;
    c.pcdRegistery = 0;
    c.readInterval = 1000;
    defaults.statusColumn = 1;
    defaults.dateColumn = 0;
    defaults.timeColumn = 0;
    defaults.maxRows = 500;
    defaults.maxGraph = 20;
    m_project.settings() = defaults;
    m_project.setBufferType(buffer::BufferType::Standard);
}

int TolvaneHost::startUp(const QString &commandLine)
{
    m_quit = false;
    m_endOnActivate = false;
    const auto reloaded = qScopeGuard([this] { m_reloading = false; });
    if (!m_reloading) {
        m_start.commandLine = commandLine;
        m_start.workingFolder = QDir::currentPath();
    }

    if (!m_folderOps.EnsureFolder(m_folders.commonDataFolder)) {
        QString folder = m_folders.commonDataFolder;
        if (folder.size() > 1 && common::isSeparator(folder.back()))
            folder.chop(1);
        m_prompter.message(QStringLiteral("Cannot create the common directory : ") + folder, Title,
            Style::Critical);
    }
    m_helpFile = m_folders.programFile(QStringLiteral("help/index.html"));
    applyDefaults();

    const int result = parseCommandLine();
    if (m_quit)
        return result;
    switch (result) {
    case NoStart:
        Q_EMIT startInfoRequested();
        m_endOnActivate = true;
        return result;
    case CryptDone:
        m_start.cptRun = true;
        quit();
        return result;
    default:
        break;
    }
    m_pg5.fill(m_folders.registryFile(), m_folders.settingsFile(), m_start.fullVersion,
        m_folders.commonDocuments, m_folders.commonAppData, m_prompter, &m_start.pg5GlobalShown);
    m_project.setAppliedSettings(m_project.settings());
    initControl();
    ApplyBufferType();
    Q_EMIT m_pcd.abortEnabledChanged(false);
    m_settings.ApplySettingsPage();
    applyColumnFlags();
    m_pcd.DisconnectWithMessage(comm::DisconnectKind::ByUser);
    Q_EMIT captionChanged(caption());
    Q_EMIT tabRequested(0);
    return result;
}

bool TolvaneHost::createProjectFile()
{
    if (!m_project.writeSettings(true, m_chooseType)) {
        m_prompter.message(
            m_project.errorString(), QStringLiteral("Tolvane"), common::Prompter::Style::Critical);
        return false;
    }
    // What a freshly created file reads as: the new-buffer defaults and, for a
    // configured buffer, its one default column.
    m_project.readUserBuffer();
    return true;
}

int TolvaneHost::parseCommandLine()
{
    const QString line = CommandLine::applyOverride(m_start.commandLine,
        m_folders.programFile(QStringLiteral("Tolvane.ini")), m_folders.programFolder, m_prompter);
    m_start.startedFromPg5 = false;
    m_start.versionCode = 0;
    CommandLine c = CommandLine::parse(line);
    c.anchorIn(m_start.workingFolder);

    switch (c.kind) {
    case CommandLine::Kind::Empty:
        return NoStart;
    case CommandLine::Kind::Crypt:
        if (m_crypt)
            m_crypt(c.cryptFile);
        return CryptDone;
    default:
        break;
    }
    m_buffer.clear();
    m_buffer.applyNewBufferDefaults();
    m_buffer.setChanged(false);
    m_start.symbolFile.clear();
    if (c.kind == CommandLine::Kind::NoStartFile) {
        m_prompter.message(QStringLiteral("No valid start file in the commande line !\r") + line,
            Title, Style::Exclamation);
        return NoStart;
    }
    m_start.startFile = c.startFile;
    m_start.projectFolder = c.projectFolder;
    m_start.symbolFile = c.symbolFile;
    m_start.sourceFile = c.sourceFile;
    m_start.startFileGiven = true;
    // A project opened without "PG5=" (from the desktop or a shell) is a start
    // outside PG5: the driver list then offers the maker's driver.
    m_start.versionCode = c.versionCode;
    m_start.fullVersion = c.fullVersion;
    m_start.startedFromPg5 = c.kind == CommandLine::Kind::Project;
    int result = NewProject;

    m_project.setSimulation(false);
    m_project.setPath(common::toLocalPath(m_start.startFile));
    qCInfo(lcApp) << "project" << m_project.path() << "PG5 version" << m_start.versionCode;
    const QFileInfo info(m_project.path());
    if (!info.exists() || info.size() == 0) {
        if (!createProjectFile()) {
            quit();
            return result;
        }
    } else if (!m_project.readProject()) {
        m_prompter.message(
            QStringLiteral("Cannot read start file, a new file will be created !\r") + line, Title,
            Style::Exclamation);
        if (!createProjectFile()) {
            quit();
            return result;
        }
    } else {
        result = ProjectRead;
        if (!m_start.startedFromPg5)
            m_project.readDriverSettings();
    }
    if (!m_project.warnings().isEmpty()) {
        m_prompter.message(QStringLiteral("Some values of the start file are out of range and "
                                          "were left as they were:\r")
                + m_project.warnings().join(u'\r'),
            Title, Style::Exclamation);
    }
    if (m_start.startedFromPg5)
        m_commands.createSourceIfMissing();
    return result;
}

void TolvaneHost::initControl()
{
    if (m_reloading)
        m_control.setSimulation(false);
    m_control.Clear();
    m_control.setEnabled(true);
    m_control.setDisplayMode(0);
    m_control.setMaxRows(m_project.settings().maxRows);
    m_control.setMaxGraph(m_project.settings().maxGraph);
    m_control.setInterval(m_project.settings().connection.readInterval);
    if (!m_start.projectFolder.isEmpty())
        m_control.setProjectPath(m_start.projectFolder);
    if (m_start.startedFromPg5 && Pg5Folders::inRange(m_start.versionCode))
        m_control.setResourcePath(m_pg5.resourcePath(m_start.versionCode));
}

void TolvaneHost::ApplyBufferType()
{
    m_editor.setFilling(true);
    m_editor.FillFields();
    if (m_project.simulation())
        m_project.setBufferType(buffer::BufferType::Configured);
    m_setup = BufferTypeSetup::forType(m_project.bufferType(), m_project.simulation(),
        m_project.configLocked(), m_project.settingsLocked(),
        m_project.settings().connection.startReg);
    Q_EMIT setupChanged(m_setup);
    m_editor.setFilling(false);
}

void TolvaneHost::formActivated()
{
    if (m_endOnActivate) {
        m_endOnActivate = false;
        quit();
        return;
    }
    m_pcd.formActivated();
}

bool TolvaneHost::QuerySave()
{
    bool settingsDeclined = false;
    if (m_settings.hasChanges()) {
        const Answer a = m_prompter.message(QStringLiteral("Do you want to save settings changes"),
            Title, Style::Question, Buttons::YesNoCancel);
        if (a == Answer::Cancel)
            return false;
        // A save that failed has said why; closing now would lose what it was to keep.
        if (a == Answer::Yes && !m_settings.save())
            return false;
        settingsDeclined = a == Answer::No;
    }
    if (m_buffer.changed()) {
        const Answer a
            = m_prompter.message(QStringLiteral("Do you want to save user buffer changes"), Title,
                Style::Question, Buttons::YesNoCancel);
        if (a == Answer::Cancel)
            return false;
        // The user's No to the settings holds: the buffer is stored alone.
        if (a == Answer::Yes && !m_editor.saveCommand(!settingsDeclined))
            return false;
    }
    m_pcd.DisconnectWithMessage(comm::DisconnectKind::ByUser);
    return true;
}

bool TolvaneHost::closeRequested()
{
    m_cellEditor.cancel();
    if (m_start.cptRun || m_quit)
        return true;
    return QuerySave();
}

void TolvaneHost::exitRequested()
{
    if (QuerySave())
        quit();
}

void TolvaneHost::quit()
{
    m_quit = true;
    m_endOnActivate = false;
    m_pcd.connectTimer().stop();
    Q_EMIT quitRequested();
}

void TolvaneHost::startClicked()
{
    m_pcd.startClicked();
}

void TolvaneHost::runClicked()
{
    m_pcd.runClicked();
}

void TolvaneHost::stopClicked()
{
    m_pcd.stopClicked();
}

void TolvaneHost::clearClicked()
{
    m_pcd.clearClicked();
}

void TolvaneHost::abortClicked()
{
    m_pcd.abortClicked();
}

void TolvaneHost::connectClicked()
{
    m_pcd.connectClicked();
}

void TolvaneHost::columnChecked(ColumnFlag flag, bool on)
{
    buffer::ProjectSettings &s = m_project.settings();
    switch (flag) {
    case ColumnFlag::Date:
        m_control.setDateStampCol(on);
        s.dateColumn = on ? 1 : 0;
        break;
    case ColumnFlag::Time:
        m_control.setTimeStampCol(on);
        s.timeColumn = on ? 1 : 0;
        break;
    case ColumnFlag::Status:
        m_control.setPcdStatusCol(on);
        s.statusColumn = on ? 1 : 0;
        break;
    }
    Q_EMIT columnFlagsChanged();
}

void TolvaneHost::applyColumnFlags()
{
    // The check boxes show the project's flags and hand them to the control.
    const buffer::ProjectSettings &s = m_project.settings();
    columnChecked(ColumnFlag::Date, s.dateColumn != 0);
    columnChecked(ColumnFlag::Time, s.timeColumn != 0);
    columnChecked(ColumnFlag::Status, s.statusColumn != 0);
}

void TolvaneHost::onNewExportFile()
{
    m_settings.excelFileValidated(m_control.exportFile());
}

void TolvaneHost::toggleSimulation()
{
    // The demo project replaces the user's: edits not saved yet are asked about first.
    const bool edits
        = m_buffer.changed() || m_project.settings().differsForSave(m_project.appliedSettings());
    if (!m_project.simulation() && edits && !QuerySave())
        return;
    // A live PCD is not dropped behind the user's back.
    if (!m_project.simulation() && connected()
        && m_prompter.message(LeaveConnectionQuestion, Title, Style::Question, Buttons::YesNo)
            != Answer::Yes)
        return;
    if (connected())
        m_pcd.DisconnectWithMessage(comm::DisconnectKind::ByUser);
    if (!m_project.simulation()) {
        const QString demo = m_folders.programFile(QStringLiteral("demo.tlvr"));
        m_start.startFile = demo;
        m_start.sourceFile = common::replaceLastExtension(demo, QStringLiteral("tlvs"));
        m_start.symbolFile.clear();
        if (QFileInfo::exists(demo)) {
            m_savedBufferType = m_project.bufferType();
            m_project.setSimulation(true);
            m_pcd.setSimulation(true);
            m_project.setBufferType(buffer::BufferType::Configured);
            m_project.setPath(demo);
            if (m_project.readProject()) {
                m_setup.configTabEnabled = true;
                Q_EMIT simulationChanged(true);
                Q_EMIT captionChanged(caption());
                Q_EMIT tabRequested(0);
                m_control.setMaxRows(m_project.settings().maxRows);
                m_control.setMaxGraph(m_project.settings().maxGraph);
                m_control.setSimulation(true);
                m_settings.ApplySettingsPage();
                applyColumnFlags();
                ApplyBufferType();
                // The demo's own settings are not changes of the user's: closing
                // asks only about what was changed during the simulation.
                m_project.setAppliedSettings(m_project.settings());
                // The caption says the simulation runs: so it does, as after Connect and Start.
                if (m_pcd.Connect()) {
                    m_control.setPcdStatus(comm::PcdStatusMap::Demo);
                    m_pcd.startControl();
                }
                return;
            }
        }
        m_prompter.message(
            QStringLiteral("Invalid Demo setting file\r") + demo, Title, Style::Exclamation);
    }
    reloadAfterSimulation();
}

void TolvaneHost::reloadAfterSimulation()
{
    m_reloading = true;
    const bool wasOn = m_project.simulation();
    m_project.setSimulation(false);
    m_pcd.setSimulation(false);
    m_project.setBufferType(m_savedBufferType);
    if (wasOn)
        Q_EMIT simulationChanged(false);
    const int result = startUp(m_start.commandLine);
    // Back on the user's project: it connects by itself as at start-up.
    if (wasOn && !m_quit && result != NoStart && result != CryptDone)
        m_pcd.formActivated();
}

} // namespace tlv::app
