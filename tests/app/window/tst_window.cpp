// The main window offscreen, driven through its menus, buttons, toolbars and keys.
#include "../logic/AppTestSupport.h"

#include "app/window/BufferGrid.h"
#include "app/window/BufferPage.h"
#include "app/window/HelpWindow.h"
#include "app/window/frmAbout.h"
#include "app/window/frmInfo.h"
#include "app/window/frmInput.h"
#include "app/window/frmSelectBuffer.h"
#include "app/window/frmTolvane.h"
#include "common/IniProfile.h"
#include "common/ScriptedPrompter.h"
#include "viewer/core/ControlCore.h"
#include "viewer/widgets/Tolvane.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

namespace tlv::app {
namespace {

// Screenshots go where TOLVANE_SCREENSHOT_DIR points, if anywhere.
void shoot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("TOLVANE_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        w->grab().save(dir + u'/' + name + QStringLiteral(".png"));
}

struct WindowFixture : ::testing::Test
{
    test::Sandbox box;
    common::ScriptedPrompter prompter;
    std::unique_ptr<frmTolvane> window;
    QString project;

    void SetUp() override
    {
        const QByteArray demo = test::Sandbox::read(QStringLiteral(TOLVANE_BIN_DIR "/demo.tlvr"));
        ASSERT_FALSE(demo.isEmpty());
        test::Sandbox::write(box.folders.programFolder + u"demo.tlvr", demo);
        project = box.project(QStringLiteral("plant.tlvr"));
        test::Sandbox::write(project, demo);
        window = std::make_unique<frmTolvane>(box.folders, &prompter);
        window->setDialogRunner([](QDialog &d) {
            d.accept();
            return int(QDialog::Accepted);
        });
        window->startUp(u'"' + project + QStringLiteral("\" PG5=21300"));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
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

    QTest::mouseClick(child<QPushButton>("cmdConnect"), Qt::LeftButton);
    EXPECT_FALSE(child<QAction>("m_connect")->isEnabled());
    ASSERT_TRUE(start->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    viewer::ControlCore &core = window->control()->core();
    ASSERT_TRUE(QTest::qWaitFor([&] { return core.recordCount() >= 3; }, 30000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return run->isEnabled(); }, 10000));
    shoot(window.get(), QStringLiteral("tab0-viewer"));

    tabs()->setCurrentIndex(1);
    shoot(window.get(), QStringLiteral("tab1-buffer"));
    tabs()->setCurrentIndex(2);
    shoot(window.get(), QStringLiteral("tab2-settings"));
    tabs()->setCurrentIndex(0);

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
    EXPECT_EQ(input->windowTitle(), QStringLiteral("Edit Column Title"));
    shoot(input, QStringLiteral("dialog-frmInput"));
    input->textField()->setText(QStringLiteral("Pressure"));
    input->okClicked();
    EXPECT_FALSE(input->isVisible());
    EXPECT_EQ(grid->item(2, 1)->text(), QStringLiteral("Pressure"));

    // A variable beyond 8191 keeps the dialog open.
    grid->setCurrentCell(2, 2);
    QTest::keyClick(grid, Qt::Key_Return);
    input->textField()->setText(QStringLiteral("R 9000"));
    input->okClicked();
    EXPECT_TRUE(input->isVisible());
    EXPECT_EQ(prompter.messages().size(), 1);
    input->reject();

    // Ctrl+S stores the buffer.
    QTest::keyClick(grid, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(
        common::IniProfile::read(project, QStringLiteral("USER_BUFFER"), QStringLiteral("Column3"))
            .contains(QStringLiteral("Pressure")));
}

TEST_F(WindowFixture, SettingsTabRefusesAndSaves)
{
    tabs()->setCurrentIndex(2);
    auto *grid = child<QLineEdit>("Grid_lines");
    grid->setFocus();
    grid->setText(QStringLiteral("19"));
    child<QLineEdit>("Graph_lines")->setFocus();
    EXPECT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid->hasFocus(); }, 5000));
    grid->setText(QStringLiteral("900"));
    QTest::keyClick(grid, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(
        common::IniProfile::read(project, QStringLiteral("CONNECTION"), QStringLiteral("MaxRows")),
        QStringLiteral("900"));
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
    address->setText(QStringLiteral("10.0.0.9"));
    prompter.queueAnswer(common::Prompter::Answer::Yes);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(
        prompter.texts(), QStringList { QStringLiteral("Do you want to save settings changes") });
    EXPECT_EQ(
        common::IniProfile::read(project, QStringLiteral("GoOnline"), QStringLiteral("Address")),
        QStringLiteral("10.0.0.9"));
}

TEST_F(WindowFixture, HelpShowsInTheProgramWhenTheDesktopCannotOpenIt)
{
    test::Sandbox::write(box.folders.programFolder + u"help/index.html",
        "<html><head><title>Tolvane help</title></head><body><h1>Starting</h1></body></html>");
    window->setShellLauncher([](const QString &, const QString &, const QString &, const QString &,
                                 qint32) { return 31; });
    child<QAction>("m_contents")->trigger();
    ASSERT_NE(window->helpWindow(), nullptr);
    EXPECT_TRUE(window->helpWindow()->isVisible());
    EXPECT_EQ(window->helpWindow()->windowTitle(), QStringLiteral("Tolvane help"));
    EXPECT_TRUE(window->helpWindow()->browser()->toPlainText().contains(u"Starting"));
    EXPECT_TRUE(prompter.messages().isEmpty());
    shoot(window->helpWindow(), QStringLiteral("help-window"));

    // Without the help file the shell's error is shown.
    window->helpWindow()->close();
    QFile::remove(box.folders.programFolder + u"help/index.html");
    child<QAction>("m_contents")->trigger();
    EXPECT_FALSE(window->helpWindow()->isVisible());
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.lastMessage().text.contains(
        QStringLiteral("No application is associated with this file type.")));
}

TEST(WindowWithoutPg5, TheDriverListOffersTheMakersDriver)
{
    test::Sandbox box;
    common::ScriptedPrompter prompter;
    const QString project = box.project(QStringLiteral("plant.tlvr"));
    test::Sandbox::write(
        project, test::Sandbox::read(QStringLiteral(TOLVANE_BIN_DIR "/demo.tlvr")));
    frmTolvane window(box.folders, &prompter);
    window.startUp(u'"' + project + u'"');
    ASSERT_FALSE(window.host().quitting());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.findChild<QTabWidget *>(QStringLiteral("SSTab1"))->setCurrentIndex(2);
    auto *dll = window.findChild<QComboBox *>(QStringLiteral("DLL_list"));
    ASSERT_NE(dll, nullptr);
    EXPECT_TRUE(dll->isVisible());
    ASSERT_GE(dll->count(), 1);
    EXPECT_EQ(dll->itemText(0), QStringLiteral("Internal"));
    dll->setCurrentIndex(0);
    Q_EMIT dll->activated(0);
    EXPECT_TRUE(window.findChild<QComboBox *>(QStringLiteral("Port_list"))->isVisible());
    EXPECT_TRUE(window.findChild<QLineEdit *>(QStringLiteral("station_num"))->isVisible());
    EXPECT_EQ(window.host().project().settings().connection.dll, 0);
    shoot(&window, QStringLiteral("tab2-settings-internal-driver"));
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST(Dialogs, TextsOfTheSmallWindows)
{
    BufferTypeTexts texts { QStringLiteral("Layout from a description file."),
        QStringLiteral("Your own columns."), QStringLiteral("From Sym_System.sy5.") };
    frmSelectBuffer select(texts);
    EXPECT_EQ(select.windowTitle(), QStringLiteral("Choise the Buffer Type "));
    select.show();
    shoot(&select, QStringLiteral("dialog-frmSelectBuffer"));
    select.option(2)->setChecked(true);
    select.findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
    EXPECT_EQ(select.bufferType(), 2);
    frmSelectBuffer cancelled(texts);
    cancelled.option(1)->setChecked(true);
    cancelled.findChild<QPushButton *>(QStringLiteral("CancelButton"))->click();
    EXPECT_EQ(cancelled.bufferType(), -1);

    frmInfo info;
    info.show();
    shoot(&info, QStringLiteral("dialog-frmInfo"));
    frmAbout about;
    about.show();
    shoot(&about, QStringLiteral("dialog-frmAbout"));
    EXPECT_TRUE(
        about.findChild<QLabel *>(QStringLiteral("lblVersion"))->text().startsWith(u"Version "));
}

} // namespace
} // namespace tlv::app
