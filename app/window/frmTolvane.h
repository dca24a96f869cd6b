#pragma once

#include "app/core/ExportRange.h"
#include "app/core/OpenDocument.h"
#include "app/core/ProjectJournal.h"
#include "app/core/RecordingPager.h"
#include "app/core/RecordingView.h"
#include "app/core/TolvaneHost.h"
#include "viewer/core/GraphViewState.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolBar;

namespace tlv::viewer {
class GraphViewKeeper;
class Tolvane;
} // namespace tlv::viewer

namespace tlv::app {

class BufferPage;
class RangeBar;
class HelpWindow;
class SettingsTab;
class frmInput;

// The main form: the viewer control on tab 0, the buffer configuration on
// tab 1, the settings on tab 2, the connection frame with its buttons and the
// status bar. It binds widgets to TolvaneHost and shows what the shared host
// of the control (connection and read serving) publishes.
class frmTolvane : public QMainWindow
{
    Q_OBJECT
public:
    // Smallest size in twips.
    static constexpr int MinWidthTwips = 11475;
    static constexpr int MinHeightTwips = 6300;

    // Without a prompter, real message boxes and file dialogs are used.
    explicit frmTolvane(
        const AppFolders &folders, common::Prompter *prompter = nullptr, QWidget *parent = nullptr);
    ~frmTolvane() override;

    [[nodiscard]] TolvaneHost &host() { return *m_host; }
    [[nodiscard]] viewer::Tolvane *control() const { return m_control; }
    [[nodiscard]] BufferPage *bufferPage() const { return m_bufferPage; }
    [[nodiscard]] SettingsTab *settingsTab() const { return m_settingsTab; }
    [[nodiscard]] frmInput *inputDialog() const { return m_input; }
    [[nodiscard]] RecordingView &recording() { return *m_recording; }

    // The form's start-up with the command line (arguments joined by blanks).
    int startUp(const QString &commandLine);
    // How modal windows are run (exec by default; tests answer them).
    void setDialogRunner(std::function<int(QDialog &)> runner) { m_runDialog = std::move(runner); }
    // Opens the edit dialog for the grid's current cell (editor row, grid column).
    void openInput(int row, int column);
    // Help -> Contents: the desktop's program for the help, else the
    // program's own help window.
    void showHelp();
    // How the desktop is asked to open a document (tests give their own).
    void setShellLauncher(OpenDocument::Launcher launcher) { m_launcher = std::move(launcher); }
    [[nodiscard]] HelpWindow *helpWindow() const { return m_helpWindow; }
    void showAbout();

    // --- what the host publishes ---
    void ButtonConnect(bool connect);
    void ButtonsStart(const QString &staTxt, bool staEn, const QString &runTxt, bool runEn,
        const QString &stoTxt, bool stoEn, qint16 setFocus = 0);
    void setConnectionFrame(const QString &caption, quint32 rgb);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildMenus();
    QWidget *buildConnectionFrame();
    void bindHost();
    void applySetup(const BufferTypeSetup &setup);
    void tabChanged(int index);
    bool handleShortcut(QKeyEvent *event);
    void showStartInfo();
    void endProgram();
    void activateOnce();
    void openJournal();
    void openPlant();
    // Shows a journal file or a plant source read-only; false when refused.
    bool openRecording(const QString &where, const QString &source);
    void recordingShown();
    void bindRecording();
    void exportRange(qint64 fromMs, qint64 toMs);
    void exportAs();
    void restoreView(const QString &projectPath);
    [[nodiscard]] int twipsToPixels(int twips, bool horizontal) const;

    std::unique_ptr<common::Prompter> m_ownPrompter;
    common::Prompter *m_prompter = nullptr;
    viewer::Tolvane *m_control = nullptr;
    std::unique_ptr<TolvaneHost> m_host;
    std::unique_ptr<ProjectJournal> m_journal;
    viewer::GraphViewKeeper *m_viewKeeper = nullptr;
    QString m_viewProject; // the project the graph's view is kept in; empty: none
    viewer::GraphViewState m_viewAtOpen; // written back only when the user changed it
    std::unique_ptr<RecordingView> m_recording;
    std::unique_ptr<RecordingPager> m_pager;
    ExportRange m_exportRange;
    RangeBar *m_rangeBar = nullptr;
    QLabel *m_panel3 = nullptr;
    QString m_plantUri;
    std::function<int(QDialog &)> m_runDialog;
    OpenDocument::Launcher m_launcher;
    HelpWindow *m_helpWindow = nullptr;

    QTabWidget *m_tabs = nullptr;
    BufferPage *m_bufferPage = nullptr;
    SettingsTab *m_settingsTab = nullptr;
    frmInput *m_input = nullptr;
    QGroupBox *m_connectionFrame = nullptr;
    QPushButton *m_cmdConnect = nullptr;
    QPushButton *m_cmdStart = nullptr;
    QPushButton *m_cmdRun = nullptr;
    QPushButton *m_cmdStop = nullptr;
    QPushButton *m_cmdClear = nullptr;
    QPushButton *m_cmdAbort = nullptr;
    QProgressBar *m_progress = nullptr;
    QCheckBox *m_ckbDate = nullptr;
    QCheckBox *m_ckbTime = nullptr;
    QCheckBox *m_ckbStatus = nullptr;
    QLabel *m_panel1 = nullptr;
    QLabel *m_panel2 = nullptr;
    QAction *m_connect = nullptr;
    QAction *m_disconnect = nullptr;
    QAction *m_simul = nullptr;
    QAction *m_contents = nullptr;
    QAction *m_about = nullptr;
    QAction *m_exit = nullptr;
    QAction *m_openJournal = nullptr;
    QAction *m_openPlant = nullptr;
    QAction *m_save = nullptr;
    QAction *m_compile = nullptr;
    QAction *m_exportAs = nullptr;
    bool m_activated = false;
    bool m_ending = false;
};

} // namespace tlv::app
