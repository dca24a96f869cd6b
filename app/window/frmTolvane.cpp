#include "app/window/frmTolvane.h"

#include "app/core/BufferTypeSetup.h"
#include "app/core/ExportAs.h"
#include "app/core/OpenDocument.h"
#include "app/core/ProjectView.h"
#include "app/window/BufferPage.h"
#include "app/window/HelpWindow.h"
#include "app/window/RangeBar.h"
#include "app/window/SettingsTab.h"
#include "app/window/frmAbout.h"
#include "app/window/frmInfo.h"
#include "app/window/frmInput.h"
#include "app/window/frmPlantSources.h"
#include "app/window/frmSelectBuffer.h"
#include "viewer/core/ControlCore.h"
#include "viewer/plot/GraphTraces.h"
#include "viewer/widgets/DialogPrompter.h"
#include "viewer/widgets/GraphView.h"
#include "viewer/widgets/GraphViewKeeper.h"
#include "viewer/widgets/GridPalette.h"
#include "viewer/widgets/GridView.h"
#include "viewer/widgets/Tolvane.h"
#include "viewer/widgets/WidgetSeams.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace tlv::app {

namespace {

QPushButton *button(const QString &name, const QString &text, const QString &tip, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    // Wide enough to hit, narrow enough that the row fits the smallest window.
    b->setMinimumWidth(64);
    return b;
}

// What the desktop makes of opening a file, in the shell's result codes.
int launch(const QString &file, const QString &, const QString &, const QString &, qint32)
{
    const QFileInfo info(file);
    if (!info.dir().exists())
        return 3;
    if (!info.exists())
        return 2;
    if (!info.isReadable())
        return 5;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? 42 : 31;
}

} // namespace

frmTolvane::frmTolvane(const AppFolders &folders, common::Prompter *prompter, QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmTolvane"));
    setWindowTitle(QStringLiteral("Tolvane"));
    if (!prompter) {
        m_ownPrompter = std::make_unique<viewer::DialogPrompter>(this);
        prompter = m_ownPrompter.get();
    }
    m_prompter = prompter;
    m_runDialog = [](QDialog &dialog) { return dialog.exec(); };
    m_launcher = &launch;

    m_control = new viewer::Tolvane(nullptr, m_prompter);
    m_host = std::make_unique<TolvaneHost>(folders, *m_prompter, m_control->core());
    m_host->setProcessEvents([] { QCoreApplication::processEvents(); });
    m_host->setCrypt([this](const QString &file) { return m_control->Crypt(file); });
    m_host->setBufferTypeChooser([this] {
        frmSelectBuffer dialog(
            BufferTypeTexts::read(m_host->folders().programFile(QStringLiteral("Tolvane.ini"))),
            this);
        m_runDialog(dialog);
        return dialog.bufferType();
    });
    m_journal = std::make_unique<ProjectJournal>(*m_prompter, m_control->core());
    m_viewKeeper = new viewer::GraphViewKeeper(m_control->core(), *m_control->graph(), this);
    m_recording = std::make_unique<RecordingView>(*m_prompter, m_control->core());
    m_pager = std::make_unique<RecordingPager>(*m_recording, m_control->core());

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 2);
    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_bufferPage = new BufferPage(m_host->editor(), m_tabs);
    m_settingsTab = new SettingsTab(m_host->settingsPage(), m_tabs);
    m_tabs->addTab(m_control, QStringLiteral("Trace Viewer"));
    m_tabs->addTab(m_bufferPage, QStringLiteral("Buffer Configuration"));
    m_tabs->addTab(m_settingsTab, QStringLiteral("Settings"));
    m_tabs->setTabToolTip(0, QStringLiteral("The records read from the PCD"));
    m_tabs->setTabToolTip(1, QStringLiteral("Define the columns of a configured buffer"));
    m_tabs->setTabToolTip(2, QStringLiteral("Connection, display and export settings"));
    layout->addWidget(m_tabs, 1);
    m_rangeBar = new RangeBar(central);
    m_rangeBar->hide();
    layout->addWidget(m_rangeBar);
    layout->addWidget(buildConnectionFrame());
    setCentralWidget(central);

    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    m_panel1 = new QLabel(statusBar());
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_panel1->setMinimumWidth(220);
    m_panel1->setToolTip(QStringLiteral("Connection state"));
    m_panel2 = new QLabel(statusBar());
    m_panel2->setObjectName(QStringLiteral("Panel2"));
    m_panel2->setToolTip(QStringLiteral("Last message"));
    // A long message gives way, never the rows shown beside it.
    m_panel2->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_panel3 = new QLabel(statusBar());
    m_panel3->setObjectName(QStringLiteral("Panel3"));
    m_panel3->setToolTip(QStringLiteral("The rows of the recording shown"));
    statusBar()->addWidget(m_panel1);
    statusBar()->addWidget(m_panel2, 1);
    statusBar()->addPermanentWidget(m_panel3);

    m_input = new frmInput(m_host->cellEditor(), this);
    buildMenus();
    bindHost();
    setMinimumSize(twipsToPixels(MinWidthTwips, true), twipsToPixels(MinHeightTwips, false));
    resize(qMax(minimumWidth(), 1100), qMax(minimumHeight(), 720));
    viewer::GridPalette::applyToIndicators(this);
    qApp->installEventFilter(this);
}

frmTolvane::~frmTolvane()
{
    qApp->removeEventFilter(this);
    // The host answers the control's events; it goes before the control.
    m_host.reset();
}

int frmTolvane::twipsToPixels(int twips, bool horizontal) const
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    const double dpi
        = s ? (horizontal ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY()) : 96.0;
    return int(twips * dpi / 1440.0 + 0.5);
}

void frmTolvane::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("m_file"));
    m_connect = file->addAction(QStringLiteral("&Connect"));
    m_connect->setObjectName(QStringLiteral("m_connect"));
    m_disconnect = file->addAction(QStringLiteral("&Disconnect"));
    m_disconnect->setObjectName(QStringLiteral("m_disconnect"));
    file->addSeparator();
    // Reachable whatever the buffer type: the toolbar sits on a tab only a configured
    // buffer enables.
    m_save = file->addAction(QStringLiteral("&Save"));
    m_save->setObjectName(QStringLiteral("m_save"));
    m_save->setToolTip(QStringLiteral("Store the settings and the buffer in the project file"));
    m_compile = file->addAction(QStringLiteral("Co&mpile"));
    m_compile->setObjectName(QStringLiteral("m_compile"));
    m_compile->setToolTip(QStringLiteral("Check and store the buffer, then write the PCD source"));
    m_exportAs = file->addAction(QStringLiteral("&Export as..."));
    m_exportAs->setObjectName(QStringLiteral("m_exportAs"));
    m_exportAs->setToolTip(QStringLiteral("Write the records of the grid to a file of your choice; "
                                          "the grid keeps them"));
    file->addSeparator();
    m_simul = file->addAction(QStringLiteral("&Simulation"));
    m_simul->setObjectName(QStringLiteral("m_simul"));
    m_simul->setCheckable(true);
    m_simul->setToolTip(QStringLiteral("Run the demonstration project without a PCD"));
    m_openJournal = file->addAction(QStringLiteral("Open &journal..."));
    m_openJournal->setObjectName(QStringLiteral("m_openJournal"));
    m_openJournal->setToolTip(QStringLiteral("Show a recording journal read-only in the grid"));
    m_openPlant = file->addAction(QStringLiteral("Open &plant database..."));
    m_openPlant->setObjectName(QStringLiteral("m_openPlant"));
    m_openPlant->setToolTip(
        QStringLiteral("Show a source of the plant database read-only in the grid"));
    file->addSeparator();
    m_exit = file->addAction(QStringLiteral("E&xit"));
    m_exit->setObjectName(QStringLiteral("exit"));

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("m_help"));
    m_contents = help->addAction(QStringLiteral("&Contents"));
    m_contents->setObjectName(QStringLiteral("m_contents"));
    m_contents->setShortcut(QKeySequence::HelpContents);
    m_about = help->addAction(QStringLiteral("&About"));
    m_about->setObjectName(QStringLiteral("m_about"));

    connect(m_connect, &QAction::triggered, this, [this] { m_host->connectClicked(); });
    connect(m_disconnect, &QAction::triggered, this, [this] { m_host->connectClicked(); });
    connect(m_simul, &QAction::triggered, this, [this] {
        m_host->toggleSimulation();
        m_simul->setChecked(m_host->simulation());
    });
    connect(m_exit, &QAction::triggered, this, [this] {
        // The menu takes no focus from a field being typed in: its text counts.
        if (m_settingsTab->takePendingEdit())
            m_host->exitRequested();
    });
    // Like the exit, the menu takes the field being typed in first.
    connect(m_save, &QAction::triggered, this, [this] {
        if (m_settingsTab->takePendingEdit())
            m_bufferPage->save();
    });
    connect(m_compile, &QAction::triggered, this, [this] {
        if (m_settingsTab->takePendingEdit())
            m_bufferPage->compile();
    });
    connect(m_exportAs, &QAction::triggered, this, &frmTolvane::exportAs);
    connect(m_openJournal, &QAction::triggered, this, &frmTolvane::openJournal);
    connect(m_openPlant, &QAction::triggered, this, &frmTolvane::openPlant);
    connect(m_contents, &QAction::triggered, this, &frmTolvane::showHelp);
    connect(m_about, &QAction::triggered, this, &frmTolvane::showAbout);
}

QWidget *frmTolvane::buildConnectionFrame()
{
    m_connectionFrame = new QGroupBox(QStringLiteral("PCD disconnected"));
    m_connectionFrame->setObjectName(QStringLiteral("frmConnection"));
    auto *row = new QHBoxLayout(m_connectionFrame);
    row->setSpacing(4);
    m_cmdConnect = button(QStringLiteral("cmdConnect"), QStringLiteral("Connect"),
        QStringLiteral("Open or close the PCD connection"), m_connectionFrame);
    m_cmdStart = button(QStringLiteral("cmdStart"), QStringLiteral("Start"),
        QStringLiteral("Read the trace buffer from its start register"), m_connectionFrame);
    m_cmdRun = button(QStringLiteral("cmdRun"), QStringLiteral("Run"),
        QStringLiteral("Pause or resume the reading"), m_connectionFrame);
    m_cmdStop = button(QStringLiteral("cmdStop"), QStringLiteral("Stop"),
        QStringLiteral("Stop the reading"), m_connectionFrame);
    m_cmdClear = button(QStringLiteral("cmdClear"), QStringLiteral("Clear"),
        QStringLiteral("Clear the records grid"), m_connectionFrame);
    for (QPushButton *b : { m_cmdConnect, m_cmdStart, m_cmdRun, m_cmdStop, m_cmdClear })
        row->addWidget(b);
    row->addSpacing(8);

    m_ckbDate = new QCheckBox(QStringLiteral("Date"), m_connectionFrame);
    m_ckbDate->setObjectName(QStringLiteral("ckbDate"));
    m_ckbDate->setToolTip(QStringLiteral("Show the PC date of each record"));
    m_ckbTime = new QCheckBox(QStringLiteral("Time"), m_connectionFrame);
    m_ckbTime->setObjectName(QStringLiteral("ckbTime"));
    m_ckbTime->setToolTip(QStringLiteral("Show the PC time of each record"));
    m_ckbStatus = new QCheckBox(QStringLiteral("PCD Status"), m_connectionFrame);
    m_ckbStatus->setObjectName(QStringLiteral("ckbStatus"));
    m_ckbStatus->setToolTip(QStringLiteral("Show the PCD run status of each record"));
    row->addWidget(m_ckbDate);
    row->addWidget(m_ckbTime);
    row->addWidget(m_ckbStatus);
    row->addStretch(1);

    m_progress = new QProgressBar(m_connectionFrame);
    m_progress->setObjectName(QStringLiteral("pgbReading"));
    m_progress->setTextVisible(false);
    m_progress->setMinimumWidth(24);
    m_progress->setMaximumWidth(160);
    m_progress->setValue(0);
    m_progress->setToolTip(QStringLiteral("Blocks read of a long request"));
    m_cmdAbort = button(QStringLiteral("cmdAbort"), QStringLiteral("Abort"),
        QStringLiteral("Abort the long read in progress"), m_connectionFrame);
    m_cmdAbort->setEnabled(false);
    row->addWidget(m_progress);
    row->addWidget(m_cmdAbort);

    connect(m_cmdConnect, &QPushButton::clicked, this, [this] { m_host->connectClicked(); });
    connect(m_cmdStart, &QPushButton::clicked, this, [this] { m_host->startClicked(); });
    connect(m_cmdRun, &QPushButton::clicked, this, [this] { m_host->runClicked(); });
    connect(m_cmdStop, &QPushButton::clicked, this, [this] { m_host->stopClicked(); });
    connect(m_cmdClear, &QPushButton::clicked, this, [this] { m_host->clearClicked(); });
    connect(m_cmdAbort, &QPushButton::clicked, this, [this] { m_host->abortClicked(); });
    connect(m_ckbDate, &QCheckBox::clicked, this,
        [this](bool on) { m_host->columnChecked(TolvaneHost::ColumnFlag::Date, on); });
    connect(m_ckbTime, &QCheckBox::clicked, this,
        [this](bool on) { m_host->columnChecked(TolvaneHost::ColumnFlag::Time, on); });
    connect(m_ckbStatus, &QCheckBox::clicked, this,
        [this](bool on) { m_host->columnChecked(TolvaneHost::ColumnFlag::Status, on); });
    ButtonsStart(QStringLiteral("Start"), false, QStringLiteral("Run"), false,
        QStringLiteral("Stop"), false, 0);
    return m_connectionFrame;
}

void frmTolvane::bindHost()
{
    TolvaneHost *h = m_host.get();
    connect(&h->settingsPage(), &SettingsPage::journalChanged, this,
        [this](bool on) { m_journal->apply(m_host->project().path(), on); });
    connect(h, &TolvaneHost::simulationChanged, m_journal.get(), &ProjectJournal::setSimulation);
    connect(m_journal.get(), &ProjectJournal::message, this,
        [this](const QString &text) { m_panel2->setText(text); });
    bindRecording();
    connect(h, &TolvaneHost::quitRequested, this, &frmTolvane::endProgram);
    connect(h, &TolvaneHost::startInfoRequested, this, &frmTolvane::showStartInfo);
    connect(h, &TolvaneHost::captionChanged, this, &QWidget::setWindowTitle);
    connect(h, &TolvaneHost::tabRequested, m_tabs, &QTabWidget::setCurrentIndex);
    connect(h, &TolvaneHost::setupChanged, this, &frmTolvane::applySetup);
    connect(h, &TolvaneHost::simulationChanged, m_simul, &QAction::setChecked);
    connect(h, &TolvaneHost::columnFlagsChanged, this, [this] {
        const buffer::ProjectSettings &s = m_host->project().settings();
        m_ckbDate->setChecked(s.dateColumn != 0);
        m_ckbTime->setChecked(s.timeColumn != 0);
        m_ckbStatus->setChecked(s.statusColumn != 0);
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, &frmTolvane::tabChanged);

    host::PcdHost *pcd = &m_host->pcd();
    connect(pcd, &host::PcdHost::connectionTextChanged, m_panel1, &QLabel::setText);
    connect(pcd, &host::PcdHost::messageTextChanged, m_panel2, &QLabel::setText);
    connect(pcd, &host::PcdHost::ButtonConnect, this, &frmTolvane::ButtonConnect);
    connect(pcd, &host::PcdHost::ButtonsStart, this, &frmTolvane::ButtonsStart);
    connect(pcd, &host::PcdHost::runCaptionChanged, m_cmdRun, &QPushButton::setText);
    connect(pcd, &host::PcdHost::connectionFrameChanged, this, &frmTolvane::setConnectionFrame);
    connect(pcd, &host::PcdHost::progressRangeChanged, m_progress, &QProgressBar::setRange);
    connect(pcd, &host::PcdHost::progressChanged, m_progress, &QProgressBar::setValue);
    connect(pcd, &host::PcdHost::abortEnabledChanged, m_cmdAbort, &QWidget::setEnabled);
    connect(pcd, &host::PcdHost::beep, this, [] { QApplication::beep(); });
    connect(m_bufferPage, &BufferPage::editRequested, this, &frmTolvane::openInput);
    // Every export, by the button, the PCD, a full grid or the menu, says where it went.
    m_control->seams().setExportReport([this](const QString &line) { m_panel2->setText(line); });
}

void frmTolvane::bindRecording()
{
    connect(m_recording.get(), &RecordingView::message, this,
        [this](const QString &text) { m_panel2->setText(text); });
    connect(m_recording.get(), &RecordingView::shownChanged, this, &frmTolvane::recordingShown);
    connect(m_recording.get(), &RecordingView::closed, this, [this] {
        m_journal->setViewing(false);
        m_rangeBar->hide();
        m_panel3->clear();
        setWindowTitle(m_host->caption());
    });
    const viewer::GraphView *graph = m_control->graph();
    connect(m_rangeBar, &RangeBar::showRequested, this, [this, graph](qint64 fromMs, qint64 toMs) {
        m_exportRange.boxUsed(graph->xRange());
        m_recording->showRange(fromMs, toMs);
    });
    connect(m_rangeBar, &RangeBar::edited, this,
        [this, graph] { m_exportRange.boxUsed(graph->xRange()); });
    connect(m_rangeBar, &RangeBar::exportRequested, this, &frmTolvane::exportRange);
    // Past the first or last row shown the grid pages through the rest of the recording.
    viewer::GridView *grid = m_control->grid();
    connect(grid, &viewer::GridView::pastEdge, this, [this, grid](int direction) {
        if (!m_recording->isOpen())
            return;
        if (const auto shift = direction < 0 ? m_pager->older() : m_pager->newer())
            grid->keepInSight(*shift);
        else if (!m_pager->errorString().isEmpty())
            m_panel2->setText(m_pager->errorString());
    });
}

int frmTolvane::startUp(const QString &commandLine)
{
    const int result = m_host->startUp(commandLine);
    if (result == TolvaneHost::ProjectRead || result == TolvaneHost::NewProject)
        m_journal->startUp(m_host->project().path(), m_host->project().settings().journal != 0);
    if (result == TolvaneHost::ProjectRead || result == TolvaneHost::NewProject)
        restoreView(m_host->project().path());
    // Without a project the start information was shown; the run ends here.
    if (result == TolvaneHost::NoStart && !m_host->quitting())
        m_host->formActivated();
    return result;
}

void frmTolvane::openJournal()
{
    if (m_host->connected() || m_host->simulation()) {
        m_prompter->message(QStringLiteral("Disconnect from the PCD and leave the simulation "
                                           "before opening a journal."),
            QStringLiteral("Tolvane"), common::Prompter::Style::Exclamation);
        return;
    }
    const QString path = m_prompter->openFile({ QStringLiteral("Open a recording journal"),
        QStringLiteral("Journals (*.db)|*.db|All files (*.*)|*.*"), QStringLiteral("db"),
        ProjectJournal::pathFor(m_host->project().path()), true });
    if (!path.isEmpty())
        openRecording(path, QString());
}

void frmTolvane::openPlant()
{
    if (m_host->connected() || m_host->simulation()) {
        m_prompter->message(QStringLiteral("Disconnect from the PCD and leave the simulation "
                                           "before opening a plant database."),
            QStringLiteral("Tolvane"), common::Prompter::Style::Exclamation);
        return;
    }
    frmPlantSources dialog(m_plantUri, this);
    if (!m_plantUri.isEmpty())
        dialog.list();
    if (m_runDialog(dialog) != QDialog::Accepted)
        return;
    m_plantUri = dialog.uri();
    if (!dialog.source().isEmpty())
        openRecording(dialog.uri(), dialog.source());
}

bool frmTolvane::openRecording(const QString &where, const QString &source)
{
    // The rows shown are not the project's recording: not journaled again.
    m_journal->setViewing(true);
    if (!m_recording->open(where, source)) {
        m_journal->setViewing(m_recording->isOpen());
        return false;
    }
    // A journal's own project brings its view and keeps it from now on; a recording
    // without one at hand is looked at in the view of the project open.
    if (source.isEmpty()) {
        const QString project = ProjectView::projectOfJournal(where);
        if (!project.isEmpty())
            restoreView(project);
    }
    // Read-only: nothing to start until the next connection.
    m_cmdStart->setEnabled(false);
    m_cmdRun->setEnabled(false);
    m_tabs->setCurrentIndex(0);
    m_rangeBar->show();
    m_rangeBar->setRange(m_recording->firstShownMs(), m_recording->lastShownMs());
    setWindowTitle(m_recording->title());
    m_panel2->setText(m_recording->title());
    return true;
}

void frmTolvane::recordingShown()
{
    m_panel3->setText(m_recording->shownText());
    // The boxes tell the range shown, unless the user is typing one.
    const QWidget *focus = QApplication::focusWidget();
    if (!focus || !m_rangeBar->isAncestorOf(focus))
        m_rangeBar->setRange(m_recording->firstShownMs(), m_recording->lastShownMs());
}

void frmTolvane::exportRange(qint64 fromMs, qint64 toMs)
{
    // A zoomed graph tells the range, unless the boxes were used since.
    const viewer::GraphView *graph = m_control->graph();
    const auto [from, to] = m_exportRange.choose({ fromMs, toMs }, graph->xRange(),
        { graph->traces().xLow, graph->traces().xHigh }, graph->data().msecs, graph->timeAxis());
    if (from != fromMs || to != toMs)
        m_rangeBar->setRange(from, to);
    const QString target = m_prompter->saveFile({ QStringLiteral("Export the rows of the range"),
        QStringLiteral("Excel Files (*.xlsx)|*.xlsx|Excel Files (*.xls)|*.xls|CSV Files "
                       "(*.csv)|*.csv"),
        QStringLiteral("xlsx"), m_host->start().projectFolder, false });
    if (!target.isEmpty())
        m_recording->exportRange(target, from, to);
}

void frmTolvane::restoreView(const QString &projectPath)
{
    m_viewProject = projectPath;
    if (const auto view = ProjectView::load(projectPath))
        m_viewKeeper->restore(*view);
    m_viewAtOpen = m_viewKeeper->capture();
}

void frmTolvane::exportAs()
{
    if (m_control->core().rows().dataRowCount() == 0) {
        m_panel2->setText(QStringLiteral("No records to export."));
        return;
    }
    const QString file = chooseExportAsFile(
        *m_prompter, m_host->project().settings().exportFile, m_host->start().projectFolder);
    if (!file.isEmpty())
        m_control->seams().exportCopy(file);
}

void frmTolvane::applySetup(const BufferTypeSetup &setup)
{
    m_tabs->setTabEnabled(1, setup.configTabEnabled);
    m_tabs->setTabEnabled(2, setup.settingsTabEnabled);
    m_settingsTab->applySetup(setup);
    if (setup.refreshGrid)
        m_bufferPage->refreshGrid();
}

void frmTolvane::tabChanged(int index)
{
    if (index == 2)
        m_settingsTab->setFramesEnabled(SettingsPage::framesEnabled(m_host->connected()));
}

void frmTolvane::openInput(int row, int column)
{
    if (!m_host->cellEditor().open(row, column))
        return;
    m_input->load();
    m_input->open();
}

void frmTolvane::showStartInfo()
{
    frmInfo info(this);
    m_runDialog(info);
}

void frmTolvane::showAbout()
{
    frmAbout about(this);
    m_runDialog(about);
}

void frmTolvane::showHelp()
{
    OpenDocument shell(m_launcher, QStringLiteral("Tolvane"));
    if (shell.open(m_host->helpFile()))
        return;
    // A desktop without a program for HTML still has the help: Qt renders it.
    const QFileInfo help(m_host->helpFile());
    if (help.isFile() && help.isReadable()) {
        if (!m_helpWindow)
            m_helpWindow = new HelpWindow(this);
        m_helpWindow->showPage(help.absoluteFilePath());
        return;
    }
    const OpenDocument::Error &e = shell.error();
    m_prompter->message(QStringLiteral("Error ") + QString::number(e.number) + QStringLiteral(": ")
            + e.message + u'\r' + m_host->helpFile(),
        e.source, common::Prompter::Style::Exclamation);
}

void frmTolvane::endProgram()
{
    if (m_ending)
        return;
    m_ending = true;
    // After the event that asked for it has returned.
    QTimer::singleShot(0, this, [this] {
        close();
        QCoreApplication::quit();
    });
}

void frmTolvane::closeEvent(QCloseEvent *event)
{
    if (m_input->isVisible())
        m_input->reject();
    // Closing from a settings field gives it no focus-out: take what was typed first.
    if (!m_settingsTab->takePendingEdit()) {
        event->ignore();
        return;
    }
    if (m_host->closeRequested()) {
        // A project is rewritten only for a view the user changed; the demo project is
        // the program's own.
        const viewer::GraphViewState view = m_viewKeeper->capture();
        if (!m_host->simulation() && view != m_viewAtOpen)
            ProjectView::save(m_viewProject, view);
        event->accept();
        return;
    }
    event->ignore();
}

void frmTolvane::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activateOnce();
    else if (event->type() == QEvent::PaletteChange)
        viewer::GridPalette::applyToIndicators(this);
}

void frmTolvane::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Not every desktop activates a new window (none does without a window
    // manager); the form counts as active once it is on the screen.
    QTimer::singleShot(0, this, &frmTolvane::activateOnce);
}

void frmTolvane::activateOnce()
{
    if (m_activated || !isVisible())
        return;
    m_activated = true;
    m_host->formActivated();
}

void frmTolvane::resizeEvent(QResizeEvent *event)
{
    // Layouts place the tabs, the control and the frames; the minimum size keeps them whole.
    QMainWindow::resizeEvent(event);
}

bool frmTolvane::handleShortcut(QKeyEvent *event)
{
    const int tab = m_tabs->currentIndex();
    const bool ctrlS = event->key() == Qt::Key_S
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
    if (tab == 1 && m_tabs->isTabEnabled(1)) {
        if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
            m_bufferPage->compile();
            return true;
        }
        if (ctrlS) {
            m_bufferPage->save();
            return true;
        }
    }
    if (tab == 2 && m_tabs->isTabEnabled(2) && ctrlS) {
        m_settingsTab->save();
        return true;
    }
    return false;
}

bool frmTolvane::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        if (w->window() == this && handleShortcut(static_cast<QKeyEvent *>(event)))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- what the host publishes ---

void frmTolvane::ButtonConnect(bool connect)
{
    m_connect->setEnabled(connect);
    m_disconnect->setEnabled(!connect);
    m_cmdConnect->setText(connect ? QStringLiteral("Connect") : QStringLiteral("Disconnect"));
}

void frmTolvane::ButtonsStart(const QString &staTxt, bool staEn, const QString &runTxt, bool runEn,
    const QString &stoTxt, bool stoEn, qint16 setFocus)
{
    if (!staTxt.isEmpty())
        m_cmdStart->setText(staTxt);
    if (!runTxt.isEmpty())
        m_cmdRun->setText(runTxt);
    if (!stoTxt.isEmpty())
        m_cmdStop->setText(stoTxt);
    m_cmdStart->setEnabled(staEn);
    m_cmdRun->setEnabled(runEn);
    m_cmdStop->setEnabled(stoEn);
    if (setFocus == 1)
        m_cmdStart->setFocus();
    else if (setFocus == 2)
        m_cmdRun->setFocus();
    else if (setFocus == 3)
        m_cmdStop->setFocus();
}

void frmTolvane::setConnectionFrame(const QString &caption, quint32 rgb)
{
    m_connectionFrame->setTitle(caption);
    m_connectionFrame->setStyleSheet(
        QStringLiteral("QGroupBox#frmConnection::title { color: #%1; }")
            .arg(rgb, 6, 16, QLatin1Char('0')));
}

} // namespace tlv::app
