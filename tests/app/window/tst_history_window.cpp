// A journal longer than the grid, open in the window: the graph draws its whole history and
// its cursors read real records.

#include "../logic/AppTestSupport.h"
#include "app/window/frmTolvane.h"
#include "journal/JournalWriter.h"
#include "tests/support/ScriptedPrompter.h"
#include "viewer/core/ControlCore.h"
#include "viewer/core/GraphViewState.h"
#include "viewer/widgets/GraphView.h"
#include "viewer/widgets/Tolvane.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace Qt::StringLiterals;

namespace tlv::app {
namespace {

constexpr qint64 StartMs = 1'765'000'000'000;

double wave(qint64 i)
{
    return std::round(100 * std::sin(i / 300.0));
}

// Rows of one column, a status row every thousand; TOLVANE_HISTORY_JOURNAL names a journal
// of one's own to look at instead (screenshots of a big one).
QString journalOf(const QString &path, qint64 rows)
{
    if (const QString own = qEnvironmentVariable("TOLVANE_HISTORY_JOURNAL"); !own.isEmpty())
        return own;
    journal::JournalWriter writer;
    EXPECT_TRUE(writer.open(path)) << qPrintable(writer.errorString());
    journal::JournalBuffer buffer;
    buffer.columns = { { 0, u"Wave"_s, 1000, 5, u"d"_s } };
    writer.setBuffer(buffer);
    for (qint64 i = 1; i <= rows; ++i) {
        journal::JournalRow r;
        r.recordNumber = i;
        r.pcMillis = StartMs + i * 1000;
        r.kind = i % 1000 == 0 ? journal::RowKind::Status : journal::RowKind::Record;
        const bool record = r.kind == journal::RowKind::Record;
        r.cells = { record ? QString::number(wave(i)) : QString() };
        r.numbers = { record ? std::optional(wave(i)) : std::nullopt };
        r.rawValues = { record ? std::optional(qint64(wave(i))) : std::nullopt };
        writer.addRow(r);
    }
    EXPECT_TRUE(writer.flush());
    return path;
}

void shoot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("TOLVANE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QTest::qWait(300);
    if (!dir.isEmpty())
        w->grab().save(dir + u'/' + name + u".png"_s);
}

TEST(HistoryWindow, AJournalLongerThanTheGridIsDrawnWholeAndItsCursorsReadRealRecords)
{
    test::Sandbox box;
    common::ScriptedPrompter prompter;
    const QString project = box.project(u"plant.tlvr"_s);
    test::Sandbox::write(
        project, test::Sandbox::read(QStringLiteral(TOLVANE_BIN_DIR "/demo.tlvr")));
    const QString journal = journalOf(box.project(u"plant.journal.db"_s), 3000);
    // A view kept with the project, its cursor A on the last row, a status row.
    viewer::GraphViewState kept;
    kept.cursorA = 3000;
    ASSERT_TRUE(kept.write(project));
    frmTolvane window(box.folders, &prompter);
    window.startUp(u'"' + project + u'"');
    window.resize(1200, 800);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    viewer::ControlCore &core = window.control()->core();
    core.setMaxRows(500);
    prompter.queueFile(journal);
    window.findChild<QAction *>(u"m_openJournal"_s)->trigger();
    ASSERT_LE(core.rows().dataRowCount(), 500);
    QTest::mouseClick(window.findChild<QPushButton *>(u"graphButton"_s), Qt::LeftButton);
    viewer::GraphView *graph = window.control()->graph();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !graph->traces().x.isEmpty(); }, 10000));

    // The full view runs over every row, not over the grid's; the kept cursor sits on the
    // record nearest to its row.
    const qint64 rows = qEnvironmentVariableIsEmpty("TOLVANE_HISTORY_JOURNAL") ? 3000 : 0;
    if (rows > 0) {
        EXPECT_TRUE(graph->readoutText().startsWith(u"A: record 2999"_s))
            << qPrintable(graph->readoutText());
        EXPECT_EQ(graph->xRange(), (std::pair { 0.5, rows + 0.5 }));
        EXPECT_GT(graph->traces().x.size(), 100);
        EXPECT_LT(graph->traces().x.size(), 3000);
    }
    shoot(&window, u"history-full-view"_s);

    // Zoomed to a minute: a click puts cursor A on the record under it, with its value.
    const qint64 middle = qint64(graph->xRange().second / 2);
    graph->setTimeAxis(true);
    const double second = (middle - 1) * (rows > 0 ? 1.0 : 0.1);
    graph->setXRange(second - 30, second + 30);
    auto *view = graph->findChild<QChartView *>(u"chartView"_s);
    const QRectF area = graph->chart()->plotArea();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(area.center()));
    if (rows > 0) {
        EXPECT_TRUE(graph->readoutText().contains(u"(row "_s + QString::number(middle) + u')'))
            << qPrintable(graph->readoutText());
        EXPECT_TRUE(graph->readoutText().contains(u"Wave:  A = "_s + QString::number(wave(middle))))
            << qPrintable(graph->readoutText());
    }
    shoot(&window, u"history-one-minute"_s);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

} // namespace
} // namespace tlv::app
