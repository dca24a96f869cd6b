#pragma once

#include "app/core/AppFolders.h"
#include "app/core/BufferEditor.h"
#include "app/core/BufferTypeSetup.h"
#include "app/core/CellEditor.h"
#include "app/core/FolderOps.h"
#include "app/core/Pg5Folders.h"
#include "app/core/SettingsPage.h"
#include "app/core/StartState.h"
#include "buffer/BufferCommands.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "host/PcdHost.h"

#include <QObject>

#include <functional>

namespace tlv::app {

// The main form frmTolvane without its widgets: start-up from the command
// line, the project and its settings, the hosted viewer control and its read
// requests, the buttons, simulation mode and the save question at the end.
// The connection, the read serving and the control's preparation are the
// shared host's (PcdHost); the window binds its widgets to both.
class TolvaneHost : public QObject
{
    Q_OBJECT
public:
    // Start results.
    static constexpr int NoStart = 0;
    static constexpr int CryptDone = 1;
    static constexpr int NewProject = 2;
    static constexpr int ProjectRead = 3;
    // Asked before the simulation replaces a live PCD connection.
    static inline const QString LeaveConnectionQuestion
        = QStringLiteral("The PCD is connected. Disconnect it and run the simulation ?");

    enum class ColumnFlag { Date, Time, Status };

    TolvaneHost(const AppFolders &folders, common::Prompter &prompter, viewer::ControlCore &control,
        QObject *parent = nullptr);
    ~TolvaneHost() override;

    // The buffer type dialog used when a project file is created (-1 = cancelled).
    void setBufferTypeChooser(std::function<qint16()> chooser)
    {
        m_chooseType = std::move(chooser);
    }
    // The control's Crypt for "-cpt" runs.
    void setCrypt(std::function<bool(const QString &)> crypt) { m_crypt = std::move(crypt); }
    // Lets the user interface work between blocks of a long read.
    void setProcessEvents(std::function<void()> process);

    // --- start-up and end ---
    // The form's start-up with the command line given (the arguments joined).
    int startUp(const QString &commandLine);
    // Parses the remembered command line and opens or creates the project.
    int parseCommandLine();
    // The main form became active: ends a run without project, else connects
    // when AutoConnect asks for it.
    void formActivated();
    // Asks whether to save changed settings and buffer; false = Cancel.
    bool QuerySave();
    // The form is closing: false keeps it open.
    bool closeRequested();
    // The exit menu entry.
    void exitRequested();
    [[nodiscard]] bool quitting() const { return m_quit; }

    // --- buttons, menus and check boxes ---
    void startClicked();
    void runClicked();
    void stopClicked();
    void clearClicked();
    void connectClicked();
    void abortClicked();
    void columnChecked(ColumnFlag flag, bool on);
    void toggleSimulation();

    // --- the control's events ---
    void onNewExportFile();

    // --- parts ---
    [[nodiscard]] StartState &start() { return m_start; }
    [[nodiscard]] buffer::TraceProject &project() { return m_project; }
    [[nodiscard]] buffer::UserColumns &userBuffer() { return m_buffer; }
    [[nodiscard]] const buffer::cFormats &formats() const { return m_formats; }
    [[nodiscard]] buffer::BufferCommands &commands() { return m_commands; }
    [[nodiscard]] Pg5Folders &pg5Folders() { return m_pg5; }
    [[nodiscard]] SettingsPage &settingsPage() { return m_settings; }
    [[nodiscard]] BufferEditor &editor() { return m_editor; }
    [[nodiscard]] CellEditor &cellEditor() { return m_cellEditor; }
    [[nodiscard]] host::PcdHost &pcd() { return m_pcd; }
    [[nodiscard]] viewer::ControlCore &control() { return m_control; }
    [[nodiscard]] const AppFolders &folders() const { return m_folders; }
    [[nodiscard]] FolderOps &folderOps() { return m_folderOps; }
    [[nodiscard]] const BufferTypeSetup &setup() const { return m_setup; }
    [[nodiscard]] bool simulation() const { return m_project.simulation(); }
    [[nodiscard]] bool connected() const { return m_pcd.connected(); }
    [[nodiscard]] QString helpFile() const { return m_helpFile; }
    [[nodiscard]] QString settingsFile() const { return m_folders.settingsFile(); }
    [[nodiscard]] QString caption() const;

    // Lays the page out for the buffer type and the lock flags.
    void ApplyBufferType();

Q_SIGNALS:
    // The program is to end now (PCDCmd, a fatal error, exit, no start).
    void quitRequested();
    // No valid start: the start information window, then the end.
    void startInfoRequested();
    void captionChanged(const QString &caption);
    void tabRequested(int tab);
    void setupChanged(const BufferTypeSetup &setup);
    void simulationChanged(bool on);
    // A column flag of the settings changed (ckbDate, ckbTime, ckbStatus).
    void columnFlagsChanged();

private:
    void applyDefaults();
    void initControl();
    void applyColumnFlags();
    bool createProjectFile();
    void reloadAfterSimulation();
    void quit();

    AppFolders m_folders;
    common::Prompter &m_prompter;
    viewer::ControlCore &m_control;
    buffer::UserColumns m_buffer;
    buffer::cFormats m_formats;
    buffer::TraceProject m_project;
    buffer::BufferCommands m_commands;
    StartState m_start;
    Pg5Folders m_pg5;
    host::PcdHost m_pcd;
    SettingsPage m_settings;
    BufferEditor m_editor;
    CellEditor m_cellEditor;
    FolderOps m_folderOps;
    BufferTypeSetup m_setup;
    std::function<qint16()> m_chooseType;
    std::function<bool(const QString &)> m_crypt;
    QString m_helpFile;
    qint16 m_savedBufferType = 0;
    bool m_reloading = false;
    bool m_endOnActivate = false;
    bool m_quit = false;
};

} // namespace tlv::app
