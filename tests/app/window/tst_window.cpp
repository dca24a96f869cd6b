// The main window offscreen, driven through its menus, buttons, toolbars and keys.
#include "../logic/AppTestSupport.h"
#include "tests/viewer/core/RecordRows.h"

#include "app/window/BufferGrid.h"
#include "app/window/BufferPage.h"
#include "app/window/HelpWindow.h"
#include "app/window/frmAbout.h"
#include "app/window/frmInfo.h"
#include "app/window/frmInput.h"
#include "app/window/frmSelectBuffer.h"
#include "app/window/frmTolvane.h"
#include "common/IniProfile.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "tests/support/ScriptedPrompter.h"
#include "viewer/core/ControlCore.h"
#include "viewer/core/GraphViewState.h"
#include "viewer/plot/GraphPalette.h"
#include "viewer/widgets/GraphView.h"
#include "viewer/widgets/GridView.h"
#include "viewer/widgets/Tolvane.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tlv::app {
namespace {

// Screenshots go where TOLVANE_SCREENSHOT_DIR points, if anywhere.
void shoot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("TOLVANE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QTest::qWait(300); // a chart lays its axes out in the event loop
    w->grab().save(dir + u'/' + name + u".png"_s);
}

QByteArray demoProject()
{
    return test::Sandbox::read(QStringLiteral(TOLVANE_BIN_DIR "/demo.tlvr"));
}

// The main window started with a command line, shown.
std::unique_ptr<frmTolvane> openWindow(
    const AppFolders &folders, common::Prompter *prompter, const QString &commandLine)
{
    auto window = std::make_unique<frmTolvane>(folders, prompter);
    window->startUp(commandLine);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
}

// The records a journal holds; -1 when it cannot be read.
qint64 journalRecords(const QString &path)
{
    journal::JournalReader reader;
    journal::JournalInfo info;
    return reader.open(path) && reader.info(&info) ? info.records : -1;
}

// Three records in the grid, as a recording leaves them.
void fillRows(viewer::ControlCore &core)
{
    core.rows().setColumns(QList<viewer::RowStore::DataColumn> {
        { 0, u"Temperature"_s, 1000 }, { 1, u"Valve"_s, 900 } });
    for (int i = 0; i < 3; ++i)
        core.rows().addRecord(
            viewer::test::record({ viewer::test::num(40 + i), viewer::test::num(1) }, u"06/12/26"_s,
                u"10:00:0%1"_s.arg(i), 1796551200000 + i * 1000));
}

struct WindowFixture : ::testing::Test
{
    test::Sandbox box;
    common::ScriptedPrompter prompter;
    std::unique_ptr<frmTolvane> window;
    QString project;

    void SetUp() override
    {
        const QByteArray demo = demoProject();
        ASSERT_FALSE(demo.isEmpty());
        test::Sandbox::write(box.folders.programFolder + u"demo.tlvr", demo);
        project = box.project(u"plant.tlvr"_s);
        test::Sandbox::write(project, demo);
        window = std::make_unique<frmTolvane>(box.folders, &prompter);
        window->setDialogRunner([](QDialog &d) {
            d.accept();
            return int(QDialog::Accepted);
        });
        window->startUp(fromPg5());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    [[nodiscard]] QString fromPg5() const { return u'"' + project + u"\" PG5=21300"_s; }
    template<typename T> T *child(const char *name)
    {
        T *w = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QTabWidget *tabs() { return child<QTabWidget>("SSTab1"); }
};

TEST_F(WindowFixture, SimulationRunsFromTheMenuAndButtons)
{
    auto *start = child<QPushButton>("cmdStart");
    auto *run = child<QPushButton>("cmdRun");
    const QString projectTitle = window->windowTitle();
    EXPECT_FALSE(start->isEnabled());
    child<QAction>("m_simul")->trigger();
    EXPECT_TRUE(child<QAction>("m_simul")->isChecked());
    EXPECT_NE(window->windowTitle(), projectTitle);

    // It runs as the caption says, without Connect and Start.
    EXPECT_FALSE(child<QAction>("m_connect")->isEnabled());
    viewer::ControlCore &core = window->control()->core();
    ASSERT_TRUE(QTest::qWaitFor([&] { return core.recordCount() >= 3; }, 30000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return run->isEnabled(); }, 10000));

    QTest::mouseClick(run, Qt::LeftButton);
    EXPECT_EQ(core.runMode(), 1);
    QTest::mouseClick(child<QPushButton>("cmdStop"), Qt::LeftButton);
    EXPECT_EQ(core.runMode(), 0);

    // Date column on, then back to the project.
    QTest::mouseClick(child<QCheckBox>("ckbDate"), Qt::LeftButton);
    EXPECT_TRUE(core.dateStampCol());
    child<QAction>("m_simul")->trigger();
    EXPECT_FALSE(child<QAction>("m_simul")->isChecked());
    EXPECT_EQ(window->windowTitle(), projectTitle);
    EXPECT_FALSE(start->isEnabled());
}

TEST_F(WindowFixture, BufferTabEditsThroughToolbarDialogAndKeys)
{
    tabs()->setCurrentIndex(1);
    BufferPage *page = window->bufferPage();
    BufferGrid *grid = page->grid();
    const int before = grid->rowCount();
    ASSERT_GE(before, 2);
    grid->setCurrentCell(1, 0);
    EXPECT_TRUE(page->tool(BufferEditor::Tool::Insert)->isEnabled());
    // A click on a cell selects that cell, one on a row label that whole row.
    const auto click = [&](int row, int column) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
            grid->visualRect(grid->model()->index(row, column)).center());
    };
    click(0, 2);
    EXPECT_EQ(grid->selectedItems().size(), 1);
    EXPECT_FALSE(page->tool(BufferEditor::Tool::Insert)->isEnabled());
    click(0, 0);
    EXPECT_EQ(grid->selectedItems().size(), grid->columnCount());
    EXPECT_TRUE(page->tool(BufferEditor::Tool::Insert)->isEnabled());
    click(1, 3);
    EXPECT_EQ(grid->selectedItems().size(), 1);
    grid->setCurrentCell(1, 0);
    // Paste waits for a copied column.
    EXPECT_FALSE(page->tool(BufferEditor::Tool::Paste)->isEnabled());
    page->tool(BufferEditor::Tool::Copy)->trigger();
    EXPECT_TRUE(page->tool(BufferEditor::Tool::Paste)->isEnabled());
    page->tool(BufferEditor::Tool::Insert)->trigger();
    EXPECT_EQ(grid->rowCount(), before + 1);
    EXPECT_EQ(grid->currentRow(), 2);
    grid->setCurrentCell(2, 1);
    EXPECT_FALSE(page->tool(BufferEditor::Tool::Remove)->isEnabled());

    // Enter on a title cell opens the dialog bound to that cell.
    QTest::keyClick(grid, Qt::Key_Return);
    frmInput *input = window->inputDialog();
    ASSERT_TRUE(input->isVisible());
    EXPECT_EQ(input->windowTitle(), u"Edit Column Title"_s);
    shoot(input, u"dialog-frmInput"_s);
    input->textField()->setText(u"Pressure"_s);
    input->okClicked();
    EXPECT_FALSE(input->isVisible());
    EXPECT_EQ(grid->item(2, 1)->text(), u"Pressure"_s);

    // A variable beyond 8191 keeps the dialog open.
    grid->setCurrentCell(2, 2);
    QTest::keyClick(grid, Qt::Key_Return);
    input->textField()->setText(u"R 9000"_s);
    input->okClicked();
    EXPECT_TRUE(input->isVisible());
    EXPECT_EQ(prompter.messages().size(), 1);
    input->reject();

    // Ctrl+S stores the buffer.
    QTest::keyClick(grid, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(
        common::IniProfile::read(project, u"USER_BUFFER"_s, u"Column3"_s).contains(u"Pressure"_s));
}

TEST_F(WindowFixture, SettingsTabRefusesAndSaves)
{
    tabs()->setCurrentIndex(2);
    auto *grid = child<QLineEdit>("Grid_lines");
    grid->setFocus();
    grid->setText(u"19"_s);
    child<QLineEdit>("Graph_lines")->setFocus();
    EXPECT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid->hasFocus(); }, 5000));
    grid->setText(u"900"_s);
    QTest::keyClick(grid, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(common::IniProfile::read(project, u"CONNECTION"_s, u"MaxRows"_s), u"900"_s);
    EXPECT_EQ(window->control()->maxRows(), 900);
}

TEST_F(WindowFixture, PendingChannelEditIsAskedAboutOnClose)
{
    tabs()->setCurrentIndex(2);
    auto *address = child<QLineEdit>("txbChannelAddress");
    ASSERT_TRUE(address);
    window->activateWindow();
    address->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return address->hasFocus(); }, 5000));
    address->setText(u"10.0.0.9"_s);
    prompter.queueAnswer(common::Prompter::Answer::Yes);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(prompter.texts(), QStringList { u"Do you want to save settings changes"_s });
    EXPECT_EQ(common::IniProfile::read(project, u"GoOnline"_s, u"Address"_s), u"10.0.0.9"_s);
}

TEST_F(WindowFixture, ExitFromTheMenuTakesTheFieldBeingTyped)
{
    tabs()->setCurrentIndex(2);
    auto *rows = child<QLineEdit>("Grid_lines");
    window->activateWindow();
    rows->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows->hasFocus(); }, 5000));
    rows->setText(u"900"_s);
    prompter.queueAnswer(common::Prompter::Answer::Yes);
    child<QAction>("exit")->trigger();
    EXPECT_EQ(prompter.texts(), QStringList { u"Do you want to save settings changes"_s });
    EXPECT_EQ(common::IniProfile::read(project, u"CONNECTION"_s, u"MaxRows"_s), u"900"_s);
}

TEST_F(WindowFixture, ShippedHelpShowsInTheProgramAndClosesLikeOtherWindows)
{
    // The help as shipped beside the program, with the pages it links to.
    const QDir shipped(QStringLiteral(TOLVANE_BIN_DIR "/help"));
    QDir().mkpath(box.folders.programFolder + u"help"_s);
    for (const QString &name : shipped.entryList(QDir::Files))
        QFile::copy(shipped.filePath(name), box.folders.programFolder + u"help/"_s + name);
    window->setShellLauncher([](const QString &, const QString &, const QString &, const QString &,
                                 qint32) { return 31; });
    child<QAction>("m_contents")->trigger();
    HelpWindow *help = window->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), u"Tolvane help"_s);
    EXPECT_TRUE(prompter.messages().isEmpty());
    QString text;
    for (const char *page : { "index", "export", "journal", "graph" }) {
        help->showPage(box.folders.programFolder + u"help/"_s + QLatin1String(page) + u".html"_s);
        text += help->browser()->toPlainText();
    }
    for (const char *topic : { "Starting", "Cursors", "Zoom and pan", "Follow newest",
             "empties the grid", "Export as...", "Open journal...", "Open plant database..." })
        EXPECT_TRUE(text.contains(QLatin1String(topic))) << topic;
    shoot(help, u"help-graph"_s);

    // Shown again from the menu, it is the active window that the keys go to.
    for (const QKeyCombination key :
        { QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::ControlModifier, Qt::Key_W) }) {
        help->close();
        child<QAction>("m_contents")->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == help; }, 5000));
        QTest::keyClick(help->browser(), key.key(), key.keyboardModifiers());
        EXPECT_FALSE(help->isVisible()) << QKeySequence(key).toString().toStdString();
    }

    // Without the help file the shell's error is shown.
    QFile::remove(box.folders.programFolder + u"help/index.html");
    child<QAction>("m_contents")->trigger();
    EXPECT_FALSE(help->isVisible());
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.lastMessage().text.contains(
        u"No application is associated with this file type."_s));
}

TEST(WindowWithoutPg5, TheDriverListOffersTheMakersDriver)
{
    test::Sandbox box;
    common::ScriptedPrompter prompter;
    const QString project = box.project(u"plant.tlvr"_s);
    test::Sandbox::write(project, demoProject());
    const auto opened = openWindow(box.folders, &prompter, u'"' + project + u'"');
    frmTolvane &window = *opened;
    ASSERT_FALSE(window.host().quitting());
    window.findChild<QTabWidget *>(u"SSTab1"_s)->setCurrentIndex(2);
    auto *dll = window.findChild<QComboBox *>(u"DLL_list"_s);
    ASSERT_NE(dll, nullptr);
    EXPECT_TRUE(dll->isVisible());
    ASSERT_GE(dll->count(), 1);
    EXPECT_EQ(dll->itemText(0), u"Internal"_s);
    dll->setCurrentIndex(0);
    Q_EMIT dll->activated(0);
    EXPECT_TRUE(window.findChild<QComboBox *>(u"Port_list"_s)->isVisible());
    EXPECT_TRUE(window.findChild<QLineEdit *>(u"station_num"_s)->isVisible());
    EXPECT_EQ(window.host().project().settings().connection.dll, 0);
    shoot(&window, u"tab2-settings-internal-driver"_s);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(WindowFixture, JournalTurnedOnKeepsTheRowsAndOpensReadOnlyFromTheFileMenu)
{
    tabs()->setCurrentIndex(2);
    QTest::mouseClick(child<QCheckBox>("ckbJournal"), Qt::LeftButton);
    EXPECT_EQ(window->host().project().settings().journal, 1);
    const QString journal = box.project(u"plant.journal.db"_s);
    ASSERT_TRUE(QFileInfo::exists(journal));
    const auto records = [&] { return journalRecords(journal); };

    // The simulation is no recording of the project.
    tabs()->setCurrentIndex(0);
    child<QAction>("m_simul")->trigger();
    viewer::ControlCore &core = window->control()->core();
    ASSERT_TRUE(QTest::qWaitFor([&] { return core.recordCount() >= 3; }, 30000));
    QTest::mouseClick(child<QPushButton>("cmdStop"), Qt::LeftButton);
    child<QAction>("m_simul")->trigger();
    QTest::qWait(50);
    EXPECT_EQ(records(), 0);

    // Rows of the project's own recording are.
    fillRows(core);
    ASSERT_TRUE(QTest::qWaitFor([&] { return records() == 3; }, 10000));
    core.Clear();

    const qsizetype told = prompter.messages().size();
    prompter.queueFile(journal);
    child<QAction>("m_openJournal")->trigger();
    ASSERT_EQ(core.rows().dataRowCount(), 3);
    EXPECT_EQ(core.rows().cell(2, 4), u"42"_s);
    EXPECT_EQ(core.rows().headerData(5, Qt::Horizontal).toString(), u"Valve"_s);
    EXPECT_FALSE(child<QPushButton>("cmdStart")->isEnabled());
    EXPECT_EQ(window->windowTitle(), u"Tolvane - plant.journal.db (read-only)"_s);
    EXPECT_EQ(child<QLabel>("Panel3")->text(), u"Rows 1 to 3 of 3"_s);
    ASSERT_TRUE(child<QWidget>("RangeBar")->isVisible());
    shoot(window.get(), u"journal-read-only"_s);

    // The range in the boxes, as the command line exports it.
    const QString range = box.project(u"range.csv"_s);
    prompter.queueFile(range);
    QTest::mouseClick(child<QPushButton>("cmdExportRange"), Qt::LeftButton);
    EXPECT_EQ(test::Sandbox::read(range).count('\n'), 4);
    EXPECT_TRUE(child<QLabel>("Panel2")->text().startsWith(u"3 rows (1 to 3) exported to : "_s))
        << qPrintable(child<QLabel>("Panel2")->text());
    QTest::qWait(50);
    EXPECT_EQ(records(), 3); // shown, not journaled again
    EXPECT_EQ(prompter.messages().size(), told);
}

TEST_F(WindowFixture, TheGraphsViewComesBackWithTheProjectAndItsJournal)
{
    tabs()->setCurrentIndex(2);
    QTest::mouseClick(child<QCheckBox>("ckbJournal"), Qt::LeftButton);
    tabs()->setCurrentIndex(0);
    const QString journal = box.project(u"plant.journal.db"_s);
    viewer::ControlCore &core = window->control()->core();
    fillRows(core);
    ASSERT_TRUE(QTest::qWaitFor([&] { return journalRecords(journal) == 3; }, 10000));

    // Arranged by hand: Valve only, own ranges, zoomed in, both cursors.
    QTest::mouseClick(child<QPushButton>("graphButton"), Qt::LeftButton);
    viewer::GraphView *graph = window->control()->graph();
    core.rows().setGraphSelection({ 1 });
    QTest::mouseClick(child<QCheckBox>("ownRanges"), Qt::LeftButton);
    graph->setXRange(1.5, 3.5);
    graph->setCursorA(1);
    graph->setCursorB(2);
    prompter.queueAnswer(common::Prompter::Answer::No);
    ASSERT_TRUE(window->close());
    const auto kept = viewer::GraphViewState::read(project);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->lines(),
        (QStringList { u"Columns=1"_s, u"OwnRanges=1"_s, u"TimeAxis=0"_s, u"CursorA=2"_s,
            u"CursorB=3"_s, u"ZoomFrom=1.5"_s, u"ZoomTo=3.5"_s }));
    window.reset();

    // Opened again: the project brings the columns and ranges, its journal the rows the
    // zoom and the cursors sit on.
    window = openWindow(box.folders, &prompter, fromPg5());
    viewer::ControlCore &again = window->control()->core();
    EXPECT_EQ(again.rows().graphSelection(), QSet<int> { 1 });
    EXPECT_TRUE(child<QCheckBox>("ownRanges")->isChecked());
    prompter.queueFile(journal);
    child<QAction>("m_openJournal")->trigger();
    ASSERT_EQ(again.rows().dataRowCount(), 3);
    QTest::mouseClick(child<QPushButton>("graphButton"), Qt::LeftButton);
    graph = window->control()->graph();
    EXPECT_EQ(graph->xRange(), (std::pair { 1.5, 3.5 }));
    EXPECT_EQ(graph->cursorA(), 1);
    EXPECT_EQ(graph->cursorB(), 2);
    EXPECT_TRUE(graph->readoutText().startsWith(u"A: record 2"_s))
        << qPrintable(graph->readoutText());
    ASSERT_EQ(graph->data().series.size(), 1);
    EXPECT_EQ(graph->data().series[0].title, u"Valve"_s);
    shoot(window.get(), u"tab0-graph-view-restored"_s);

    // Cursors placed by clicks on the journal's chart are the ones kept, not the grid's.
    auto *view = graph->findChild<QChartView *>(u"chartView"_s);
    const auto click = [&](Qt::MouseButton button, double x) {
        const QRectF area = graph->chart()->plotArea();
        const auto [low, high] = graph->xRange();
        const QPointF at(area.left() + (x - low) / (high - low) * area.width(), area.center().y());
        QTest::mouseClick(view->viewport(), button, {}, view->mapFromScene(at));
    };
    click(Qt::LeftButton, 3);
    click(Qt::RightButton, 2);
    ASSERT_TRUE(graph->readoutText().startsWith(u"A: record 3"_s))
        << qPrintable(graph->readoutText());
    ASSERT_TRUE(window->close());
    const auto clicked = viewer::GraphViewState::read(project);
    ASSERT_TRUE(clicked.has_value());
    EXPECT_EQ(clicked->cursorA, 3);
    EXPECT_EQ(clicked->cursorB, 2);
    window.reset();

    // They come back on open; nothing changed, closing leaves the project as it was.
    window = openWindow(box.folders, &prompter, fromPg5());
    prompter.queueFile(journal);
    child<QAction>("m_openJournal")->trigger();
    QTest::mouseClick(child<QPushButton>("graphButton"), Qt::LeftButton);
    graph = window->control()->graph();
    EXPECT_TRUE(graph->readoutText().startsWith(u"A: record 3"_s)
        && graph->readoutText().contains(u"B: record 2"_s))
        << qPrintable(graph->readoutText());
    const QByteArray before = test::Sandbox::read(project);
    ASSERT_TRUE(window->close());
    EXPECT_EQ(test::Sandbox::read(project), before);
}

// A dark desktop as a palette that names no colour for alternate rows.
QPalette darkDesktop()
{
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::Window, QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::Button, QColor(0x31, 0x36, 0x3b));
    for (const auto role : { QPalette::Text, QPalette::WindowText, QPalette::ButtonText })
        dark.setColor(role, QColor(0xEF, 0xF0, 0xF1));
    return dark;
}

// A journal longer than the grid, open on a dark desktop.
TEST_F(WindowFixture, ARecordingPagesFromTheGridDrawsWholeAndReadsOnADarkDesktop)
{
    // The project's own journal: the view kept with the project comes with it, its cursor A
    // on the last row, a status row, its cursor B on a record far before the grid's page.
    const QString path = box.project(u"plant.journal.db"_s);
    viewer::GraphViewState kept;
    kept.cursorA = 3000;
    kept.cursorB = 100;
    ASSERT_TRUE(kept.write(project));
    {
        journal::JournalWriter writer;
        ASSERT_TRUE(writer.open(path)) << qPrintable(writer.errorString());
        writer.setBuffer({ 0, u"Boiler"_s, u"blr1"_s, 3,
            { { 0, u"Temperature"_s, 1000, 4, u"d"_s }, { 1, u"Valve"_s, 900, 4, u"d"_s } } });
        for (qint64 id = 1; id <= 3000; ++id) {
            journal::JournalRow r;
            r.pcMillis = 1796551200000 + id * 1000;
            r.recordNumber = id;
            r.status = u"Run"_s;
            r.cells = { QString::number(id), QString::number(id % 7) };
            r.numbers = { double(id), double(id % 7) };
            r.rawValues = { id, id % 7 };
            if (id == 3000) {
                r.kind = journal::RowKind::Status;
                r.cells = { QString(), QString() };
                r.numbers = { std::nullopt, std::nullopt };
                r.rawValues = { std::nullopt, std::nullopt };
            }
            writer.addRow(r);
        }
        ASSERT_TRUE(writer.flush());
    }
    window->setPalette(darkDesktop());
    window->control()->core().setMaxRows(500);
    prompter.queueFile(path);
    child<QAction>("m_openJournal")->trigger();
    viewer::ControlCore &core = window->control()->core();
    ASSERT_GT(core.rows().dataRowCount(), 0);
    EXPECT_EQ(child<QLabel>("title")->text(), u"Tolvane for : Boiler      version 3"_s);
    EXPECT_EQ(window->windowTitle(), u"Tolvane - plant.journal.db (read-only)"_s);

    // Every text on its background as readable as the desktop's own.
    viewer::GridView *grid = window->control()->grid();
    const auto contrast
        = [](const QColor &a, const QColor &b) { return viewer::GraphPalette::contrast(a, b); };
    const QPalette rows = grid->palette();
    EXPECT_GE(contrast(rows.color(QPalette::AlternateBase), rows.color(QPalette::Text)), 4.5);
    for (const char *name : { "recordLabel", "recordCounter", "rowLabel", "rowCounter" }) {
        const QPalette p = child<QLabel>(name)->palette();
        EXPECT_GE(contrast(p.color(QPalette::WindowText), p.color(QPalette::Window)), 4.5) << name;
    }
    shoot(window.get(), u"recording-dark"_s);
    window->resize(window->minimumSize());
    QApplication::processEvents();
    shoot(window.get(), u"recording-dark-smallest"_s);
    // The kept cursors: A on the record nearest to its row, B found in the journal with
    // its values, both kept again as they are.
    QTest::mouseClick(child<QPushButton>("graphButton"), Qt::LeftButton);
    viewer::GraphView *graph = window->control()->graph();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !graph->traces().x.isEmpty(); }, 10000));
    const QString readout = graph->readoutText();
    EXPECT_TRUE(readout.startsWith(u"A: record 2999"_s)) << qPrintable(readout);
    EXPECT_TRUE(readout.contains(u"   B: record 100 (row 100)"_s)) << qPrintable(readout);
    EXPECT_TRUE(readout.contains(u"Temperature:  A = 2999  B = 100  B - A = -2899"_s))
        << qPrintable(readout);
    EXPECT_EQ(graph->cursorRecordB(), 100);
    shoot(window.get(), u"recording-dark-smallest-graph"_s);
    QTest::mouseClick(child<QPushButton>("graphButton"), Qt::LeftButton);

    // Ctrl+Home at the first row brings the rows before it, the row looked at in sight.
    const int shown = core.rows().dataRowCount();
    const QString newest = u"Rows %1 to 3000 of 3000"_s.arg(3001 - shown);
    EXPECT_EQ(child<QLabel>("Panel3")->text(), newest);
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 4));
    grid->scrollToTop();
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return child<QLabel>("Panel3")->text() != newest; }, 5000));
    const int page = int(RecordingPager::pageRows(shown));
    EXPECT_EQ(grid->currentIndex().row(), page);
    EXPECT_EQ(core.rows().cell(page, 4), QString::number(3001 - shown));
    EXPECT_EQ(core.rows().cell(page, 0), QString::number(3001 - shown));
    EXPECT_EQ(grid->verticalScrollBar()->value(), page);
    EXPECT_EQ(core.rows().dataRowCount(), shown);
    EXPECT_EQ(child<QLabel>("Panel3")->text(),
        u"Rows %1 to %2 of 3000"_s.arg(3001 - shown - page).arg(3000 - page));

    // The graph runs over every row of the journal, not over the grid's. Zoomed to a
    // minute, a click puts cursor A on the record under it, with its value.
    QTest::mouseClick(child<QPushButton>("graphButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !graph->traces().x.isEmpty(); }, 10000));
    EXPECT_EQ(graph->xRange(), (std::pair { 0.5, 3000.5 }));
    graph->setTimeAxis(true);
    graph->setXRange(1499 - 30, 1499 + 30); // record 1500 sits 1499 s after the first
    auto *view = graph->findChild<QChartView *>(u"chartView"_s);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
        view->mapFromScene(graph->chart()->plotArea().center()));
    EXPECT_TRUE(graph->readoutText().contains(u"(row 1500)"_s)) << qPrintable(graph->readoutText());
    EXPECT_TRUE(graph->readoutText().contains(u"Temperature:  A = 1500"_s))
        << qPrintable(graph->readoutText());
    shoot(window.get(), u"recording-dark-smallest-minute"_s);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST(Dialogs, TextsOfTheSmallWindows)
{
    BufferTypeTexts texts { u"Layout from a description file."_s, u"Your own columns."_s,
        u"From Sym_System.sy5."_s };
    frmSelectBuffer select(texts);
    select.show();
    shoot(&select, u"dialog-frmSelectBuffer"_s);
    select.option(2)->setChecked(true);
    select.findChild<QPushButton *>(u"OKButton"_s)->click();
    EXPECT_EQ(select.bufferType(), 2);
    frmSelectBuffer cancelled(texts);
    cancelled.option(1)->setChecked(true);
    cancelled.findChild<QPushButton *>(u"CancelButton"_s)->click();
    EXPECT_EQ(cancelled.bufferType(), -1);

    frmInfo info;
    info.show();
    shoot(&info, u"dialog-frmInfo"_s);
    frmAbout about;
    about.show();
    shoot(&about, u"dialog-frmAbout"_s);
    EXPECT_TRUE(about.findChild<QLabel *>(u"lblVersion"_s)->text().startsWith(u"Version "));
}

// Input controls that share pixels, or that are squeezed below what they need
// to be used, on the page shown: "name / name" or "name: 12 px".
QStringList layoutFaults(QWidget *page)
{
    QList<QWidget *> controls;
    for (QWidget *w : page->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w)
            || qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w);
        // Parts of composite controls (a combo box's own line edit) do not count.
        if (control && w->isVisibleTo(page) && !qobject_cast<QComboBox *>(w->parentWidget())
            && !qobject_cast<QAbstractSpinBox *>(w->parentWidget()) && !w->inherits("QTabBar")
            && !w->parentWidget()->inherits("QTabBar"))
            controls.append(w);
    }
    QStringList faults;
    // What is on screen of a control: a scrolled page's rows out of view are
    // not there to overlap anything.
    const auto rect = [page](QWidget *w) {
        return w->visibleRegion().boundingRect().translated(w->mapTo(page, QPoint(0, 0)));
    };
    const auto name = [](QWidget *w) {
        return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                         : w->objectName();
    };
    for (qsizetype i = 0; i < controls.size(); ++i) {
        QWidget *a = controls[i];
        const QSize need = a->minimumSizeHint();
        if (a->width() < std::min(need.width(), 30) || a->height() < std::min(need.height(), 16))
            faults << name(a) + u": "_s + QString::number(a->width()) + u'x'
                    + QString::number(a->height());
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            QWidget *b = controls[j];
            if (a->isAncestorOf(b) || b->isAncestorOf(a))
                continue;
            if (rect(a).intersects(rect(b)))
                faults << name(a) + u" / "_s + name(b);
        }
    }
    return faults;
}

// The graph's tick labels cut short ("...") or closer than a line of text on a side axis.
QStringList unreadableTicks(viewer::GraphView *graph)
{
    QStringList faults;
    for (const QGraphicsItem *item : graph->chart()->scene()->items()) {
        const auto *text = dynamic_cast<const QGraphicsTextItem *>(item);
        if (text && text->isVisible()
            && (text->toPlainText().contains(u'\u2026') || text->toPlainText().contains(u"..."_s)))
            faults << text->toPlainText();
    }
    const double height = graph->chart()->plotArea().height();
    for (QAbstractAxis *a : graph->chart()->axes(Qt::Vertical)) {
        auto *axis = qobject_cast<QCategoryAxis *>(a);
        if (!axis || !axis->isVisible())
            continue;
        const double line = QFontMetricsF(axis->labelsFont()).height();
        const QStringList labels = axis->categoriesLabels();
        for (qsizetype i = 1; i < labels.size(); ++i) {
            const double apart = (axis->endValue(labels[i]) - axis->endValue(labels[i - 1]))
                / (axis->max() - axis->min()) * height;
            if (apart < line)
                faults << labels[i - 1] + u" / "_s + labels[i];
        }
    }
    return faults;
}

TEST_F(WindowFixture, AtTheMinimumSizeNothingOverlapsAndEveryFieldIsUsable)
{
    // The demo running, so the viewer shows rows and the graph has lines.
    child<QAction>("m_simul")->trigger();
    viewer::ControlCore &core = window->control()->core();
    ASSERT_TRUE(QTest::qWaitFor([&] { return core.recordCount() >= 3; }, 30000));
    auto *graphButton = child<QPushButton>("graphButton");
    const QList<std::pair<QSize, const char *>> sizes { { window->minimumSize(), "min" },
        { QSize(1400, 900), "1400x900" } };
    for (const auto &[size, label] : sizes) {
        window->resize(size);
        tabs()->setCurrentIndex(0);
        graphButton->click();
        QTest::qWait(100); // the chart lays its axes out in the event loop
        shoot(window.get(), u"layout-%1-graph"_s.arg(QString::fromLatin1(label)));
        EXPECT_EQ(layoutFaults(window->centralWidget()), QStringList()) << label << " graph";
        viewer::GraphView *graph = window->control()->graph();
        for (const int look : { 1, 2, 3, 0 }) { // lanes, time axis, both, neither
            graph->setLanes((look & 1) != 0);
            graph->setTimeAxis((look & 2) != 0);
            QTest::qWait(100);
            const QString name = u"layout-%1-graph-%2"_s.arg(QString::fromLatin1(label)).arg(look);
            shoot(window.get(), name);
            EXPECT_EQ(unreadableTicks(graph), QStringList()) << qPrintable(name);
        }
        graphButton->click();
        for (int tab = 0; tab < tabs()->count(); ++tab) {
            tabs()->setCurrentIndex(tab);
            QApplication::processEvents();
            shoot(window.get(), u"layout-%1-tab%2"_s.arg(QString::fromLatin1(label)).arg(tab));
            // The page with the connection frame under it.
            EXPECT_EQ(layoutFaults(window->centralWidget()), QStringList())
                << label << " tab " << tab;
        }
    }
}

TEST_F(WindowFixture, ExportAsKeepsTheGridAndEveryExportSaysWhereItWent)
{
    viewer::ControlCore &core = window->control()->core();
    fillRows(core);
    auto *panel = child<QLabel>("Panel2");
    const QString controlFile = core.exportFile();

    const QString copy = box.project(u"copy.csv"_s);
    prompter.queueFile(copy);
    child<QAction>("m_exportAs")->trigger();
    ASSERT_EQ(prompter.fileDialogs().size(), 1);
    EXPECT_EQ(prompter.fileDialogs()[0].request.filter,
        u"Excel Files (*.xls)|*.xls|Excel Workbook (*.xlsx)|*.xlsx|CSV Files (*.csv)|*.csv"_s);
    EXPECT_EQ(test::Sandbox::read(copy).count('\n'), 4); // the headers and three records
    EXPECT_EQ(core.rows().dataRowCount(), 3);
    EXPECT_EQ(panel->text(), u"Successful export to file : "_s + copy + u" (3 rows)"_s);
    EXPECT_EQ(core.exportFile(), controlFile);

    prompter.queueFile(box.project(u"copy.pdf"_s));
    child<QAction>("m_exportAs")->trigger();
    EXPECT_TRUE(prompter.lastMessage().text.startsWith(u"Unknown export file type : "_s));

    // The button writes the export file of the settings and empties the grid, and says so.
    const QString button = box.project(u"button.xls"_s);
    core.setExportFile(button);
    QTest::mouseClick(
        window->control()->findChild<QPushButton *>(u"exportButton"_s), Qt::LeftButton);
    EXPECT_EQ(panel->text(), u"Successful export to file : "_s + button + u" (3 rows)"_s);
}

TEST_F(WindowFixture, ClearTakesTheCursorReadoutAlongWithTheRows)
{
    viewer::ControlCore &core = window->control()->core();
    const QString empty = u"Click the chart for cursor A, right-click for B"_s;
    viewer::GraphView *graph = window->control()->graph();
    auto *graphButton = window->control()->findChild<QPushButton *>(u"graphButton"_s);
    // Cleared with the chart shown, and with the grid shown in front of it.
    for (const bool chartShown : { true, false }) {
        fillRows(core);
        graphButton->click();
        graph->setCursorA(0);
        graph->setCursorB(2);
        ASSERT_TRUE(graph->readoutText().startsWith(u"A: record"_s))
            << qPrintable(graph->readoutText());
        if (!chartShown)
            graphButton->click();
        QTest::mouseClick(child<QPushButton>("cmdClear"), Qt::LeftButton);
        EXPECT_EQ(graph->readoutText(), empty) << chartShown;
        EXPECT_EQ(graph->cursorA(), -1);
        EXPECT_TRUE(graph->pointerText().isEmpty());
        if (chartShown)
            graphButton->click();
    }
}

TEST(WindowStandardBuffer, SaveAndCompileAreInTheFileMenu)
{
    test::Sandbox box;
    common::ScriptedPrompter prompter;
    const QString project = box.project(u"std.tlvr"_s);
    test::Sandbox::write(project,
        "[Tolvane]\r\nVersion=2\r\nUserBuffer=0\r\n[CONNECTION]\r\nStartReg=5\r\nMaxRows=500\r\n");
    test::Sandbox::write(box.project(u"std.tlvs"_s), "old source");
    frmTolvane window(box.folders, &prompter);
    window.startUp(u'"' + project + u"\" PG5=21300"_s);
    auto *tabs = window.findChild<QTabWidget *>(u"SSTab1"_s);
    ASSERT_FALSE(tabs->isTabEnabled(1)); // the buffer toolbar is out of reach

    window.host().settingsPage().gridLinesLeft(u"700"_s);
    window.findChild<QAction *>(u"m_save"_s)->trigger();
    EXPECT_EQ(common::IniProfile::read(project, u"CONNECTION"_s, u"MaxRows"_s), u"700"_s);
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(QFileInfo(box.project(u"std.tlvs"_s)).size(), 0);

    test::Sandbox::write(box.project(u"std.tlvs"_s), "old source");
    window.findChild<QAction *>(u"m_compile"_s)->trigger();
    EXPECT_EQ(prompter.texts(), QStringList { u"Compilation successful !"_s });
    EXPECT_EQ(QFileInfo(box.project(u"std.tlvs"_s)).size(), 0);
}

} // namespace
} // namespace tlv::app
