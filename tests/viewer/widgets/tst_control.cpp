#include "WidgetTestSupport.h"

#include "viewer/core/ControlCore.h"
#include "viewer/widgets/ConversionFrame.h"
#include "viewer/widgets/DialogPrompter.h"
#include "viewer/widgets/GraphView.h"
#include "viewer/widgets/GridPresentation.h"
#include "viewer/widgets/GridView.h"
#include "viewer/widgets/ShutdownNotice.h"
#include "viewer/widgets/Twips.h"
#include "viewer/widgets/WidgetSeams.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QGraphicsView>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::viewer;
using namespace tlv::viewer::test;
using tlv::common::ScriptedPrompter;

namespace {

struct Rig
{
    Rig()
    {
        control.setLoader(&loader);
        control.seams().setShutdownDelay(0);
        control.resize(900, 480);
    }
    void run()
    {
        control.Start();
        control.setRunMode(2);
    }
    void tick() { control.core().cycle().tick(); }
    [[nodiscard]] QAbstractItemModel *model() const { return control.grid()->model(); }
    [[nodiscard]] QString label(const char *name) const
    {
        return control.findChild<QLabel *>(QString::fromLatin1(name))->text();
    }

    ScriptedPrompter prompter;
    TableLoader loader;
    Tolvane control { nullptr, &prompter };
    RegisterHost host { control };
};

bool isRed(const QLabel *label)
{
    return label->palette().color(QPalette::WindowText).red() > 150
        && label->palette().color(QPalette::WindowText).green() < 80;
}

// A double click as a real pointer gives it: the second press arrives before
// the double-click event (item views act only on that sequence).
void doubleClick(QWidget *target, QPoint at)
{
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
    QTest::mousePress(target, Qt::LeftButton, {}, at);
    QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(at), target->mapToGlobal(QPointF(at)),
        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    QTest::mouseRelease(target, Qt::LeftButton, {}, at);
}

} // namespace

TEST(Control, PropertiesAreReachableByNameAndForwardToTheCore)
{
    ScriptedPrompter prompter;
    Tolvane control(nullptr, &prompter);
    QStringList names = ControlCore::persistedNames();
    names << u"HeaderKey"_s << u"HeaderVersion"_s << u"BufferLen"_s << u"RecordLen"_s
          << u"RecordNumber"_s << u"RecordCount"_s << u"DataBlock"_s;
    for (const QString &name : std::as_const(names))
        EXPECT_GE(control.metaObject()->indexOfProperty(name.toLatin1().constData()), 0)
            << name.toStdString();
    EXPECT_EQ(control.property("RunMode").metaType(), QMetaType::fromType<qint16>());
    EXPECT_EQ(control.property("Interval").metaType(), QMetaType::fromType<qint32>());
    EXPECT_FALSE(control.property("DataBlock").isValid());

    // Writes go through the core with its rules.
    control.setProperty("Enabled", false);
    control.setProperty("ProjectPath", u"C:\\Proj\\"_s);
    control.setProperty("GridFontSize", u"12"_s);
    EXPECT_TRUE(control.property("ProjectPath").toString().isEmpty());
    EXPECT_EQ(control.core().gridFontSize(), u"12"_s);
    EXPECT_TRUE(control.isEnabled()) << "the widget itself stays usable";
    EXPECT_TRUE(control.propertiesChanged());

    // An answer set through the property system is taken as the host's answer.
    TableLoader loader;
    control.setLoader(&loader);
    control.setProperty("Enabled", true);
    QSignalSpy reads(&control, &Tolvane::ReadPCDReg);
    QSignalSpy states(&control, &Tolvane::Status);
    control.setStartRegister(50);
    control.Start();
    ASSERT_EQ(reads.size(), 1);
    EXPECT_EQ(reads[0][0].value<qint16>(), 50);
    EXPECT_EQ(reads[0][1].value<qint16>(), 1);
    control.setProperty("DataBlock", QVariant::fromValue(QList<qint32> { 100 }));
    ASSERT_GE(states.size(), 2);
    EXPECT_EQ(states.last()[0].value<qint16>(), 2);
}

TEST(Control, HostAnsweringInsideTheEventRunsAWholeTick)
{
    Rig rig;
    rig.host.write(42, 10);
    rig.host.write(-1, 0);
    rig.run();
    EXPECT_EQ(rig.host.lines, (QStringList { u"42\t000A\tRun"_s, u"-1\t0000\tIdle"_s }));
    EXPECT_EQ(rig.label("title"), u"Tolvane for : Pump station      version 7"_s);

    rig.host.write(7, 3);
    const qsizetype before = rig.host.requests.size();
    rig.tick();
    // Counter read and record read in the same tick.
    EXPECT_EQ(rig.host.requests.size(), before + 2);
    EXPECT_EQ(rig.host.lines.last(), u"7\t0003\tOther"_s);
    EXPECT_EQ(rig.model()->rowCount(), 3);
    EXPECT_EQ(rig.label("recordCounter"), u"3"_s);
    EXPECT_EQ(rig.label("statusLabel"), u"Refresh mode runing"_s);
    EXPECT_TRUE(rig.host.errors.isEmpty());
}

TEST(Control, GridShowsDataColumnsInTwipsAndHidesTheRest)
{
    Rig rig;
    rig.host.write(1, 1);
    rig.run();
    GridView *grid = rig.control.grid();
    const int dataWidth = grid->pixels(1200);
    ASSERT_GT(dataWidth, 0);
    EXPECT_TRUE(grid->isColumnHidden(0)) << "the record number is the fixed row header";
    for (int c : { 1, 2, 3, 7, 8 })
        EXPECT_TRUE(grid->isColumnHidden(c)) << c;
    for (int c : { 4, 5, 6 }) {
        EXPECT_FALSE(grid->isColumnHidden(c)) << c;
        EXPECT_EQ(grid->columnWidth(c), dataWidth) << c;
    }
    EXPECT_EQ(rig.model()->headerData(0, Qt::Vertical).toString(), u"1"_s);
    EXPECT_EQ(rig.model()->headerData(4, Qt::Horizontal).toString(), u"Level"_s);

    rig.control.setDateStampCol(true);
    rig.control.setPcdStatusCol(true);
    EXPECT_FALSE(grid->isColumnHidden(1));
    EXPECT_EQ(grid->columnWidth(1), grid->pixels(1100));
    EXPECT_TRUE(grid->isColumnHidden(2));
    EXPECT_FALSE(grid->isColumnHidden(3));

    EXPECT_EQ(twipsToPixels(1440, 96), 96);
    EXPECT_EQ(twipsToPixels(1100, 96), 73);
    EXPECT_EQ(twipsToPixels(0, 96), 0);
    EXPECT_EQ(twipsToPixels(-5, 96), 0);
}

TEST(Control, SeparatorAndStatusRowsAreSetApart)
{
    Rig rig;
    rig.host.write(1, 1);
    rig.run();
    rig.control.setPcdStatus(2);
    rig.host.writer.setWord(4, 0); // the PCD restarted its buffer
    rig.tick();
    QAbstractItemModel *m = rig.model();
    ASSERT_EQ(m->rowCount(), 3);
    EXPECT_FALSE(m->data(m->index(0, 4), Qt::BackgroundRole).isValid());
    // Decimal cells sit right; a hex cell sits left even when it holds only digits.
    EXPECT_EQ(m->data(m->index(0, 4), Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
        int(Qt::AlignRight));
    EXPECT_TRUE(m->data(m->index(0, 5)).toString().contains(QRegularExpression(u"^[0-9]{4}$"_s)));
    EXPECT_EQ(m->data(m->index(0, 5), Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
        int(Qt::AlignLeft));
    EXPECT_EQ(m->data(m->index(1, 4), Qt::BackgroundRole).value<QBrush>().color(),
        GridPresentation::statusBackground());
    EXPECT_EQ(m->data(m->index(2, 3)).toString(), u"Restart"_s);
    EXPECT_EQ(m->headerData(2, Qt::Vertical), m->headerData(1, Qt::Vertical))
        << "a separator takes no record number";
    EXPECT_EQ(m->data(m->index(2, 4), Qt::BackgroundRole).value<QBrush>().color(),
        GridPresentation::separatorBackground());
}

TEST(Control, DoubleClickOnADataHeaderTogglesItsGraphSelection)
{
    Rig rig;
    rig.control.setPcdStatusCol(true);
    rig.host.write(1, 1);
    rig.run();
    rig.control.show();
    QHeaderView *header = rig.control.grid()->horizontalHeader();
    auto dclick = [header](int section) {
        const QPoint at(header->sectionViewportPosition(section) + 4, header->height() / 2);
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, at);
    };

    dclick(5);
    EXPECT_TRUE(rig.control.core().rows().isGraphSelected(5));
    EXPECT_EQ(rig.control.selColumn(), u"2"_s);
    const QColor highlight
        = rig.control.grid()->palette().color(QPalette::Active, QPalette::Highlight);
    EXPECT_EQ(
        rig.model()->headerData(5, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(),
        highlight);
    EXPECT_FALSE(rig.model()->headerData(4, Qt::Horizontal, Qt::BackgroundRole).isValid());

    dclick(3); // the PCD status column is no data column
    EXPECT_EQ(rig.control.selColumn(), u"2"_s);

    dclick(5);
    EXPECT_FALSE(rig.control.core().rows().isGraphSelected(5));
    EXPECT_TRUE(rig.control.selColumn().isEmpty());

    // The selection survives Clear.
    dclick(4);
    rig.control.Clear();
    EXPECT_TRUE(rig.control.core().rows().isGraphSelected(4));
}

TEST(Control, CtrlCCopiesTheSelectedVisibleCells)
{
    Rig rig;
    for (int i = 1; i <= 3; ++i)
        rig.host.write(i, i);
    rig.run();
    GridView *grid = rig.control.grid();
    QAbstractItemModel *m = rig.model();
    QClipboard *clipboard = QApplication::clipboard();

    clipboard->setText(u"old"_s);
    grid->selectionModel()->select(
        QItemSelection(m->index(0, 4), m->index(1, 5)), QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), u"1\t0001\n2\t0002"_s);

    // A whole row: hidden stamp, raw and comment cells stay out.
    grid->selectionModel()->select(
        QItemSelection(m->index(2, 0), m->index(2, m->columnCount() - 1)),
        QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), u"3\t0003\tOther"_s);

    // Nothing selected: the clipboard is only cleared.
    grid->clearSelection();
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(clipboard->text().isEmpty());
}

TEST(Control, EnterOrDoubleClickOnACellOpensTheConversionWindow)
{
    Rig rig;
    rig.host.write(-1, 10);
    rig.run();
    rig.control.show();
    GridView *grid = rig.control.grid();
    QAbstractItemModel *m = rig.model();

    grid->setCurrentIndex(m->index(0, 4));
    QTest::keyClick(grid, Qt::Key_Return);
    ConversionFrame *frame = rig.control.seams().conversionFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), u"32 bits conversion"_s);
    EXPECT_EQ(frame->ConvValue(0)->text(), u"4294967295 (-1)"_s);
    EXPECT_EQ(frame->ConvLabel(3)->text(), u"As %sd:"_s);

    frame->move(140, 90);
    const QPoint left = frame->pos();
    QTest::keyClick(frame, Qt::Key_Escape);
    EXPECT_FALSE(frame->isVisible());

    // The value-text column opens as text, where the window was left.
    const QRect cell = grid->visualRect(m->index(0, 6));
    doubleClick(grid->viewport(), cell.center());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), u"Text value"_s);
    EXPECT_EQ(frame->ConvValue(0)->text(), u"Run"_s);
    EXPECT_FALSE(frame->ConvLabel(1)->isVisible());
    EXPECT_EQ(frame->pos(), left);
    frame->close();
}

TEST(Control, ShutdownCommandShowsTheNoticeThenRaisesPCDCmd)
{
    struct ShowWatcher : QObject
    {
        QStringList shown;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::Show && o->objectName() == u"shutdownNotice"_s) {
                for (const QLabel *l : o->findChildren<QLabel *>())
                    shown << l->text();
            }
            return false;
        }
    } watcher;
    qApp->installEventFilter(&watcher);

    Rig rig;
    rig.host.write(1, 1);
    rig.run();
    QSignalSpy commands(&rig.control, &Tolvane::PCDCmd);
    QStringList shownWhenRaised;
    QObject::connect(&rig.control, &Tolvane::PCDCmd, [&] { shownWhenRaised = watcher.shown; });
    rig.host.writer.setCommand(9);
    rig.tick();
    qApp->removeEventFilter(&watcher);

    ASSERT_EQ(commands.size(), 1);
    EXPECT_EQ(commands[0][0].value<qint16>(), 9);
    EXPECT_EQ(shownWhenRaised,
        (QStringList { ShutdownNotice::noticeText(), ShutdownNotice::commandText() }));
}

TEST(Control, GraphButtonSelectsAllAndFollowsNewRecords)
{
    Rig rig;
    for (int i = 1; i <= 3; ++i)
        rig.host.write(i * 5, 10);
    rig.run();
    auto *button = rig.control.findChild<QPushButton *>(u"graphButton"_s);
    auto *pages = rig.control.findChild<QStackedWidget *>();
    ASSERT_TRUE(button && pages);

    button->click();
    EXPECT_EQ(button->text(), u"Grid"_s);
    EXPECT_EQ(pages->currentWidget(), rig.control.graph());
    EXPECT_EQ(rig.control.graph()->data().series.size(), 3);

    rig.host.write(99, 0);
    rig.tick();
    EXPECT_EQ(rig.control.graph()->data().series[0].values[3], 99.0);

    rig.control.setMaxGraph(50);
    EXPECT_EQ(rig.control.graph()->data().rowCount, 50);

    button->click();
    EXPECT_EQ(button->text(), u"Graph"_s);
    EXPECT_EQ(pages->currentWidget(), rig.control.grid());

    rig.control.Reset();
    button->click();
    EXPECT_EQ(button->text(), u"Graph"_s);
    ASSERT_EQ(rig.prompter.messages().size(), 1);
    EXPECT_EQ(rig.prompter.lastMessage().title, u"Show graph"_s);
    EXPECT_EQ(rig.prompter.lastMessage().text,
        u"No data columns selected for the graph !\r\r"
        u"Double-click on the data column header to select it."_s);
}

TEST(Control, CountersShowRecordsAndRowsAndTurnRedAtTheLimit)
{
    Rig rig;
    rig.control.setMaxRows(3);
    for (int i = 1; i <= 2; ++i)
        rig.host.write(i, 0);
    rig.run();
    auto *rows = rig.control.findChild<QLabel *>(u"rowCounter"_s);
    auto *records = rig.control.findChild<QLabel *>(u"recordCounter"_s);
    EXPECT_EQ(rows->text(), u"2"_s);
    EXPECT_FALSE(isRed(rows));

    rig.host.write(3, 0);
    rig.host.write(4, 0);
    rig.tick();
    EXPECT_EQ(rows->text(), u"3"_s);
    EXPECT_TRUE(isRed(rows));
    EXPECT_EQ(rig.model()->data(rig.model()->index(0, 4)).toString(), u"2"_s) << "the oldest went";
    EXPECT_EQ(records->text(), u"4"_s);
    EXPECT_FALSE(isRed(records));

    rig.control.Clear();
    EXPECT_EQ(rows->text(), u"0"_s);
    EXPECT_EQ(records->text(), u"0"_s);
    EXPECT_FALSE(isRed(rows));
}

TEST(Control, SurfaceEventsComeFromTheWidget)
{
    ScriptedPrompter prompter;
    Tolvane control(nullptr, &prompter);
    control.resize(600, 300);
    control.show();
    QSignalSpy clicks(&control, &Tolvane::Click);
    QSignalSpy doubles(&control, &Tolvane::DblClick);
    QSignalSpy resizes(&control, &Tolvane::Resize);

    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(clicks.size(), 1);
    QTest::mouseDClick(&control, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(doubles.size(), 1);
    control.resize(700, 320);
    EXPECT_GE(resizes.size(), 1);
}

TEST(Control, ExportAfterTheGraphKeepsTheStampColumns)
{
    QTemporaryDir dir;
    Rig rig;
    rig.control.setTimeStampCol(true);
    rig.host.write(42, 10);
    rig.run();
    auto *graph = rig.control.findChild<QPushButton *>(u"graphButton"_s);
    graph->click();
    graph->click();
    const auto header = [&] {
        QFile file(rig.control.exportFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readLine()).trimmed()
                                              : QString();
    };
    QSignalSpy newFile(&rig.control, &Tolvane::NewExportFile);
    rig.control.setExportFile(dir.filePath(u"after-graph.csv"_s));
    rig.control.findChild<QPushButton *>(u"exportButton"_s)->click();
    EXPECT_TRUE(header().startsWith(u"PC Time,"_s)) << header().toStdString();
    EXPECT_EQ(newFile.size(), 1);
    EXPECT_EQ(rig.model()->rowCount(), 0) << "the export empties the grid";
    EXPECT_EQ(rig.control.recordCount(), 0);

    rig.host.write(43, 0);
    rig.tick();
    RowStore &rows = rig.control.core().rows();
    rig.control.core().toggleGraphColumn(1); // the date, hidden by its option
    rig.control.core().toggleGraphColumn(5);
    EXPECT_TRUE(rows.isGraphSelected(1));
    EXPECT_FALSE(rows.isGraphSelected(5));
    rig.control.setExportFile(dir.filePath(u"chosen.csv"_s));
    rig.control.findChild<QPushButton *>(u"exportButton"_s)->click();
    EXPECT_EQ(header().count(u','), 3) << header().toStdString();
    EXPECT_TRUE(header().startsWith(u"PC Date,PC Time,"_s)) << header().toStdString();
}

TEST(Control, CryptEnciphersBesideTheSourceAndSaysSo)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(u"ABCD.tlv"_s);
    ASSERT_TRUE(tlv::test::writeBytes(source, "[TOLVANE]\r\nTitle=Pumps\r\n"));

    ScriptedPrompter prompter;
    Tolvane control(nullptr, &prompter);
    EXPECT_TRUE(control.Crypt(source));
    EXPECT_TRUE(QFile::exists(dir.filePath(u"ABCD.tlvd"_s)));
    EXPECT_EQ(prompter.messages().size(), 1);
}

TEST(GridView, GridFontFallsBackToTheSystemMonospace)
{
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFont missing = GridView::gridFont(u"No Such Family Xyz"_s, u"12"_s);
    EXPECT_EQ(missing.family(), fixed.family());
    EXPECT_EQ(missing.pointSizeF(), 12.0);
    EXPECT_EQ(GridView::gridFont(u"Courier"_s, u"abc"_s).pointSizeF(), 10.0);
    EXPECT_EQ(GridView::gridFont(u"Courier"_s, u"900"_s).pointSizeF(), 10.0);
}

TEST(Control, FailedAutomaticExportKeepsTheRowsForTheNextOne)
{
    QTemporaryDir dir;
    Rig rig;
    const QString target = dir.filePath(u"late/run.csv"_s);
    rig.control.setMaxRows(3);
    rig.control.setAutoExport(true);
    rig.control.setExportFile(target);
    for (int i = 1; i <= 8; ++i)
        rig.host.write(i, 0);
    rig.run();
    EXPECT_EQ(rig.model()->rowCount(), 8);
    EXPECT_EQ(rig.label("rowCounter"), u"8"_s);
    EXPECT_TRUE(rig.prompter.messages().isEmpty());
    ASSERT_EQ(rig.prompter.notices().size(), 1);
    EXPECT_TRUE(rig.prompter.notices()[0].text.startsWith(
        u"Automatic export to "_s + target + u" failed : ExportExcelFile Error "_s))
        << rig.prompter.notices()[0].text.toStdString();

    ASSERT_TRUE(QDir(dir.path()).mkdir(u"late"_s));
    QSignalSpy newFile(&rig.control, &Tolvane::NewExportFile);
    rig.host.write(9, 0);
    rig.tick();
    EXPECT_EQ(rig.model()->rowCount(), 1);
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines
        = QString::fromLatin1(file.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 9) << "a header and records 1 to 8";
    EXPECT_EQ(newFile.size(), 1);
    EXPECT_TRUE(rig.prompter.messages().isEmpty()) << "automatic exports stay silent";
    EXPECT_EQ(rig.control.core().rows().droppedRows(), 0);
    EXPECT_EQ(rig.prompter.notices().size(), 1);
}

TEST(DialogPrompter, CommaSeparatedPatternsListFilesWhileTheGivenTextStaysShown)
{
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    DialogPrompter::applyFilter(dialog, u"Tolvane Files (*.tlv,*.tlvd)|*.tlv,*.tlvd"_s);
    auto *types = dialog.findChild<QComboBox *>(u"fileTypeCombo"_s);
    auto *files = dialog.findChild<QFileSystemModel *>();
    ASSERT_TRUE(types && files);
    EXPECT_EQ(types->currentText(), u"Tolvane Files (*.tlv,*.tlvd)"_s);
    EXPECT_EQ(files->nameFilters(), (QStringList { u"*.tlv"_s, u"*.tlvd"_s }));

    // Filters Qt reads as they stand keep their text and patterns.
    DialogPrompter::applyFilter(dialog, u"Excel Files (*.xls)|*.xls|All|*.*"_s);
    EXPECT_FALSE(dialog.testOption(QFileDialog::HideNameFilterDetails));
    EXPECT_EQ(dialog.nameFilters(), (QStringList { u"Excel Files (*.xls)"_s, u"All (*.*)"_s }));
    EXPECT_EQ(files->nameFilters(), QStringList { u"*.xls"_s });
}

TEST(Control, GraphTakesStatusRowsAsGapsAndItsCursorFollowsTheGrid)
{
    Rig rig;
    for (int i = 1; i <= 3; ++i)
        rig.host.write(i * 5, 10);
    rig.run();
    rig.control.findChild<QPushButton *>(u"graphButton"_s)->click();
    GraphView *graph = rig.control.graph();
    ASSERT_EQ(graph->data().records, 3);

    // A PCD status change is a row of the chart at once, with no value on it.
    rig.control.setPcdStatus(3);
    ASSERT_EQ(graph->data().records, 4);
    EXPECT_EQ(graph->data().kinds[3], RowStore::RowKind::Status);
    EXPECT_FALSE(graph->data().series[0].values[3].has_value());
    EXPECT_TRUE(graph->data().series[1].values[2].has_value());

    // The grid's current row is cursor A; B on the status row takes the record before.
    rig.control.grid()->setCurrentIndex(rig.model()->index(0, 4));
    EXPECT_EQ(graph->cursorA(), 0);
    graph->setCursorB(3);
    EXPECT_EQ(graph->cursorB(), 2);
    EXPECT_EQ(graph->cursors().deltaRecords, 2);
    EXPECT_EQ(graph->cursors().series[0].max, 15.0);
    EXPECT_TRUE(graph->readoutText().contains(u"mean 10"_s)) << qPrintable(graph->readoutText());
}

TEST(Control, FollowNewestOffKeepsTheGraphAndTheGridWhereTheUserIs)
{
    Rig rig;
    rig.control.resize(900, 300);
    rig.control.show();
    rig.host.write(1, 1);
    rig.run();
    const auto add = [&](int records) {
        for (int i = 0; i < records; ++i) {
            rig.host.write(i, 0);
            if (i % 5 == 4)
                rig.tick();
        }
        rig.tick();
    };
    add(40);
    GridView *grid = rig.control.grid();
    QScrollBar *bar = grid->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum()) << "at the newest row while following";

    // Scrolled up: new rows do not pull the grid back down.
    bar->setValue(3);
    add(10);
    EXPECT_EQ(bar->value(), 3);

    rig.control.findChild<QPushButton *>(u"graphButton"_s)->click();
    GraphView *graph = rig.control.graph();
    auto *follow = rig.control.findChild<QCheckBox *>(u"followNewest"_s);
    ASSERT_TRUE(follow && follow->isChecked());
    const int newestFirst = graph->data().first;
    follow->click();
    EXPECT_FALSE(rig.control.core().followNewest());
    add(10);
    EXPECT_EQ(graph->data().first, newestFirst);
    follow->click();
    EXPECT_EQ(graph->data().first, newestFirst + 10);

    // A zoom leaves follow: the rows and the range in view hold while rows still arrive.
    auto *chart = graph->findChild<QAbstractScrollArea *>(u"chartView"_s);
    ASSERT_TRUE(chart);
    QWidget *viewport = chart->viewport();
    QWheelEvent wheel(QPointF(viewport->width() / 2.0, viewport->height() / 2.0), QPointF(),
        QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    EXPECT_FALSE(follow->isChecked());
    const int heldFirst = graph->data().first;
    const auto heldRange = graph->xRange();
    EXPECT_LT(heldRange.second - heldRange.first, rig.control.core().maxGraph());
    const int rowsBefore = rig.control.core().rows().dataRowCount();
    add(10);
    EXPECT_EQ(rig.control.core().rows().dataRowCount(), rowsBefore + 10);
    EXPECT_EQ(graph->data().first, heldFirst);
    EXPECT_EQ(graph->xRange(), heldRange);
    // Ticked again: the newest rows, all of them.
    follow->click();
    EXPECT_EQ(graph->data().first, heldFirst + 10);
    EXPECT_EQ(graph->xRange(), std::make_pair(0.5, rig.control.core().maxGraph() + 0.5));
}

// At the smallest window on a dark desktop: the chart takes the palette's
// colours, its tick labels do not run into each other, the readout shows whole
// lines, a legend click hides a trace and Lanes gives each line its band.
TEST(Control, GraphAtTheSmallestWindowOnADarkDesktop)
{
    Rig rig;
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::Window, QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::Text, QColor(0xEF, 0xF0, 0xF1));
    dark.setColor(QPalette::WindowText, QColor(0xEF, 0xF0, 0xF1));
    rig.control.setPalette(dark);
    rig.control.resize(765, 360);
    rig.control.show();
    rig.host.write(1, 0);
    rig.run();
    for (int i = 1; i <= 120; ++i) {
        rig.host.write(100000 + 5000 * (i % 7), (i % 3) << 16 | (i % 2));
        if (i % 10 == 0)
            rig.tick();
    }
    rig.control.setMaxGraph(100);
    rig.control.findChild<QPushButton *>(u"graphButton"_s)->click();
    GraphView *graph = rig.control.graph();
    QCoreApplication::processEvents();
    graph->fill();
    QChart *chart = graph->chart();
    EXPECT_EQ(chart->backgroundBrush().color(), dark.color(QPalette::Base));
    const auto axes = chart->axes();
    for (QAbstractAxis *axis : axes)
        EXPECT_EQ(axis->labelsBrush().color(), dark.color(QPalette::Text));

    // Labels of each axis at least their own size apart.
    const QRectF area = chart->plotArea();
    for (QAbstractAxis *abstract : axes) {
        auto *axis = qobject_cast<QCategoryAxis *>(abstract);
        if (!axis || !axis->isVisible())
            continue;
        const QFontMetricsF metrics(axis->labelsFont());
        const bool across = axis->orientation() == Qt::Horizontal;
        const double length = across ? area.width() : area.height();
        double last = -1e9;
        double lastSize = 0;
        const QStringList labels = axis->categoriesLabels();
        for (const QString &label : labels) {
            const double at
                = (axis->endValue(label) - axis->min()) / (axis->max() - axis->min()) * length;
            const double size = across ? metrics.horizontalAdvance(label) : metrics.height();
            EXPECT_GE(at - last, (size + lastSize) / 2) << qPrintable(label);
            last = at;
            lastSize = size;
        }
        EXPECT_GE(labels.size(), 2) << "an axis keeps labels to read by";
    }

    // Cursors: the readout shows every line it has room for, whole.
    const int rows = rig.control.core().rows().dataRowCount();
    graph->setCursorA(rows - 40);
    graph->setCursorB(rows - 2);
    auto *readout = graph->findChild<QLabel *>(u"cursorReadout"_s);
    auto *area2 = qobject_cast<QScrollArea *>(readout->parentWidget()->parentWidget());
    ASSERT_TRUE(area2);
    QCoreApplication::processEvents(); // the scroll area lays out its new height
    const int lines = int(readout->text().count(u'\n')) + 1;
    EXPECT_EQ(lines, 5) << qPrintable(
        readout->text()); // the cursors, the differences, three series
    const int spacing = readout->fontMetrics().lineSpacing();
    const int shownHeight = area2->viewport()->height();
    EXPECT_GE(shownHeight, std::min(lines, 2) * spacing);
    EXPECT_EQ(area2->verticalScrollBar()->isVisible(), shownHeight < lines * spacing);

    // A click on the legend's middle entry hides that trace and fades the
    // entry; a second click shows it again.
    const QList<QLegendMarker *> markers = chart->legend()->markers();
    ASSERT_EQ(markers.size(), 3);
    EXPECT_EQ(markers[1]->label(), u"Flags"_s);
    auto *view = graph->findChild<QGraphicsView *>(u"chartView"_s);
    const QPoint middle = view->mapFromScene(chart->legend()->sceneBoundingRect().center());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, middle);
    EXPECT_EQ(graph->hiddenColumns(), QSet<int> { 2 });
    EXPECT_TRUE(graph->traces().traces[1].segments.isEmpty());
    EXPECT_LT(chart->legend()->markers()[1]->labelBrush().color().alphaF(), 0.5);
    EXPECT_EQ(graph->cursorA(), rows - 40) << "a legend click sets no cursor";
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, middle);
    EXPECT_TRUE(graph->hiddenColumns().isEmpty());
    EXPECT_FALSE(graph->traces().traces[1].segments.isEmpty());

    auto *lanes = graph->findChild<QCheckBox *>(u"lanes"_s);
    ASSERT_TRUE(lanes);
    lanes->click();
    EXPECT_TRUE(graph->lanes());
    EXPECT_TRUE(graph->traces().traces[0].band);
    EXPECT_FALSE(graph->findChild<QCheckBox *>(u"ownRanges"_s)->isEnabled());
}

TEST(Control, UserColumnWidthsOutliveClearAndTitlesAreNotCut)
{
    Rig rig;
    rig.loader.table[2].Title = u"Temperature of the boiler return"_s;
    rig.host.write(1, 1);
    rig.run();
    GridView *grid = rig.control.grid();
    const QFontMetrics metrics(grid->horizontalHeader()->font());
    EXPECT_GE(grid->columnWidth(5), metrics.horizontalAdvance(rig.loader.table[2].Title));
    EXPECT_TRUE(rig.model()
                    ->headerData(5, Qt::Horizontal, Qt::ToolTipRole)
                    .toString()
                    .startsWith(rig.loader.table[2].Title));

    grid->horizontalHeader()->resizeSection(4, 333);
    rig.control.Clear();
    EXPECT_EQ(grid->columnWidth(4), 333);
    EXPECT_EQ(
        GridPresentation::visibleText(QString::fromLatin1("A\x01\x7F", 3)), u"A\u2401\u2421"_s);
}

TEST(Control, SaveButtonWritesTheChartWhereTheUserSays)
{
    Rig rig;
    rig.host.write(1, 1);
    rig.run();
    rig.control.findChild<QPushButton *>(u"graphButton"_s)->click();
    QTemporaryDir dir;
    rig.prompter.queueFile(dir.filePath(u"chart.svg"_s));
    rig.control.graph()->findChild<QToolButton *>(u"saveChartButton"_s)->click();
    ASSERT_EQ(rig.prompter.fileDialogs().size(), 1);
    EXPECT_TRUE(rig.prompter.fileDialogs()[0].request.filter.contains(u"*.png"_s));
    EXPECT_TRUE(tlv::test::readBytes(dir.filePath(u"chart.svg"_s)).contains("<svg"));
    EXPECT_TRUE(rig.prompter.messages().isEmpty());

    // A place that cannot be written says so.
    rig.prompter.queueFile(dir.filePath(u"none/chart.png"_s));
    rig.control.graph()->findChild<QToolButton *>(u"saveChartButton"_s)->click();
    ASSERT_EQ(rig.prompter.messages().size(), 1);
    EXPECT_TRUE(rig.prompter.lastMessage().text.startsWith(u"The chart could not be written"_s));
}
