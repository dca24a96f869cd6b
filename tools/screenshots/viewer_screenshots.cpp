#include "WidgetTestSupport.h"

#include "viewer/core/ColumnTable.h"
#include "viewer/core/ControlCore.h"
#include "viewer/core/RecordDecoder.h"
#include "viewer/widgets/ConversionFrame.h"
#include "viewer/widgets/GraphView.h"
#include "viewer/widgets/GridView.h"
#include "viewer/widgets/ShutdownNotice.h"
#include "viewer/widgets/WidgetSeams.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>

#include <cmath>

using namespace Qt::StringLiterals;

using namespace tlv::viewer;
using namespace tlv::viewer::test;

namespace {

int failures = 0;

void save(QWidget &widget, const QString &path)
{
    if (!widget.grab().save(path)) {
        ++failures;
        qWarning("cannot write %s", qPrintable(path));
    }
}

class PlantLoader : public TableLoader
{
public:
    PlantLoader()
    {
        table.clear();
        auto add = [this](int n, const char *title, qint16 type, qint16 index, qint16 pos,
                       const char *format, qint32 width) {
            ColumnDescription &c = table[n];
            c.Defined = true;
            c.Title = QString::fromLatin1(title);
            c.DataType = type;
            c.RegisterIndex = index;
            c.Position = pos;
            c.Format = QString::fromLatin1(format);
            c.Width = width;
            table.MaxColumn = n;
        };
        add(0, "Flow", ColumnDescription::Long, 0, 0, "1d", 1000);
        add(1, "Temp", ColumnDescription::Word, 1, 0, "1sd", 900);
        add(2, "Pump", ColumnDescription::Word, 1, 1, "s", 1000);
        add(3, "Alarms", ColumnDescription::Byte, 0, 0, "b", 1200);
        add(4, "Setpoint", ColumnDescription::Word, 1, 0, "h", 1000);
        add(5, "Alarm", ColumnDescription::Bit, 0, 0, "d", 700);
        table[2].ValueTexts = { { 0, u"Off"_s }, { 1, u"Running"_s }, { 2, u"Fault"_s } };
        table[2].TextCount = 3;
        layout.title = u"Pump station P3"_s;
    }
};

// Lets the chart's scene and the layouts catch up before a picture is taken.
void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// A thousand records in a chart narrower than that: every line is drawn per
// pixel column from its extremes. Single-record spikes and the status rows
// must still show.
void denseGraph(const QString &folder)
{
    tlv::common::ScriptedPrompter prompter;
    Tolvane control(nullptr, &prompter);
    control.resize(765, 420);
    control.show();
    tlv::viewer::RowStore &rows = control.core().rows();
    rows.setColumns(QList<tlv::viewer::RowStore::DataColumn> {
        { 0, u"Flow"_s, 900 }, { 1, u"Level"_s, 900 }, { 2, u"Pump"_s, 900 } });
    rows.setMaxRows(2000);
    tlv::viewer::ColumnTable table = control.core().cycle().columns();
    table[2].Defined = true;
    table[2].DataType = tlv::viewer::ColumnDescription::Bit;
    control.core().cycle().showColumns(table);
    for (int i = 1; i <= 1000; ++i) {
        const double flow = 500 + 300 * std::sin(i / 40.0) + (i % 97 == 0 ? 400 : 0);
        const double level = 200 + (i * 7919 % 101);
        const double pump = (i / 3) % 2;
        tlv::viewer::DecodedRecord r;
        r.ok = true;
        for (const double v : { flow, level, pump })
            r.appendColumn(0, QString::number(v), QString::number(v), qint64(v), v, {});
        rows.addRecord(r);
        if (i % 250 == 0)
            rows.addStatusRow({}, {});
    }
    control.setSelColumn(u"0,1,2"_s);
    control.setMaxGraph(1000);
    control.findChild<QPushButton *>(u"graphButton"_s)->click();
    settle();
    save(control, folder + u"/graph-dense.png"_s);
}

// Rows, a status change and a lost stretch of records, read through the host.
void fillGrid(Tolvane &control, RegisterHost &host)
{
    auto record = [&host](int i) {
        const qint32 flow = qint32(500 + 300 * std::sin(i / 4.0));
        const qint32 temp = qint32(215 + 40 * std::cos(i / 6.0)) & 0xFFFF;
        const qint32 pump = (i % 17 == 0 ? 2 : (i / 5) % 2) << 16;
        host.write(flow | ((i % 9 == 0 ? 0x05 : 0) << 24 >> 24), temp | pump);
    };
    for (int i = 1; i <= 12; ++i)
        record(i);
    control.setPcdStatus(2);
    control.Start();
    control.setRunMode(2);
    control.setPcdStatus(3);
    control.setPcdStatus(2);
    for (int i = 13; i <= 60; ++i) {
        record(i);
        if (i % 6 == 0)
            control.core().cycle().tick();
    }
    for (int i = 61; i <= 85; ++i)
        record(i); // more than the ring holds: some are lost
    control.core().cycle().tick();
    record(86);
    control.core().cycle().tick();
    settle();
}

// The graph with its cursors, own ranges, time axis, lanes and a hidden trace.
void graphPictures(Tolvane &control, const QString &folder)
{
    control.setSelColumn(u"0,1,2,4,5"_s);
    control.setMaxGraph(30);
    control.findChild<QPushButton *>(u"graphButton"_s)->click();
    GraphView *graph = control.graph();
    const int rows = control.core().rows().dataRowCount();
    graph->setCursorA(rows - 14);
    graph->setCursorB(rows - 3);
    settle();
    save(control, folder + u"/graph.png"_s);
    graph->setOwnRanges(true);
    settle();
    save(control, folder + u"/graph-own-ranges.png"_s);
    graph->setOwnRanges(false);
    graph->setTimeAxis(true);
    settle();
    save(control, folder + u"/graph-time.png"_s);
    graph->setTimeAxis(false);
    graph->setLanes(true);
    settle();
    save(control, folder + u"/graph-lanes.png"_s);
    graph->setTraceHidden(1, true);
    settle();
    save(control, folder + u"/graph-lanes-hidden.png"_s);
    graph->setTraceHidden(1, false);
    graph->setLanes(false);
}

// A dark desktop, and the control as small as the smallest window leaves it; then the grid
// with a selection.
void darkAndSmallPictures(Tolvane &control, const QString &folder)
{
    GraphView *graph = control.graph();
    const QPalette light = control.palette();
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::AlternateBase, QColor(0x2a, 0x2e, 0x32));
    dark.setColor(QPalette::Window, QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::Button, QColor(0x31, 0x36, 0x3b));
    for (const QPalette::ColorRole role :
        { QPalette::Text, QPalette::WindowText, QPalette::ButtonText })
        dark.setColor(role, QColor(0xEF, 0xF0, 0xF1));
    control.setPalette(dark);
    settle();
    save(control, folder + u"/graph-dark.png"_s);
    graph->setTimeAxis(true);
    control.resize(765, 360);
    settle();
    save(control, folder + u"/graph-dark-small-time.png"_s);
    graph->setTimeAxis(false);
    control.setPalette(light);
    settle();
    save(control, folder + u"/graph-small.png"_s);
    control.resize(980, 560);
    control.findChild<QPushButton *>(u"graphButton"_s)->click();
    control.grid()->setFocus();
    control.grid()->selectionModel()->select(QItemSelection(control.grid()->model()->index(30, 4),
                                                 control.grid()->model()->index(33, 6)),
        QItemSelectionModel::ClearAndSelect);
    settle();
    save(control, folder + u"/control-selected.png"_s);
}

// The conversion window on a Long, a Byte and a text column; false without one.
bool conversionPictures(Tolvane &control, const QString &folder)
{
    GridView *grid = control.grid();
    const int last = grid->model()->rowCount() - 1;
    control.core().openConversionWindow(last, 4);
    ConversionFrame *frame = control.seams().conversionFrame();
    if (!frame)
        return false;
    settle();
    save(*frame, folder + u"/conversion-long.png"_s);
    control.core().openConversionWindow(last, 7);
    save(*frame, folder + u"/conversion-byte.png"_s);
    control.core().openConversionWindow(last, 6);
    save(*frame, folder + u"/conversion-text.png"_s);
    frame->close();

    return true;
}

} // namespace

// Pictures of the control for a person to look at: the grid with rows,
// counters and a Miss row, the graph, the conversion window and the shutdown
// notice, written as PNG files into the folder given.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: tolvane-viewer-screenshots FOLDER");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    tlv::common::ScriptedPrompter prompter;
    PlantLoader loader;
    Tolvane control(nullptr, &prompter);
    RegisterHost host(control);
    control.setLoader(&loader);
    control.seams().setShutdownDelay(0);
    control.setTimeStampCol(true);
    control.setPcdStatusCol(true);
    control.setMaxRows(40);
    control.resize(980, 560);
    control.show();

    fillGrid(control, host);
    save(control, folder + u"/control.png"_s);

    graphPictures(control, folder);
    darkAndSmallPictures(control, folder);
    if (!conversionPictures(control, folder))
        return 1;

    ShutdownNotice notice(nullptr, 0);
    notice.show();
    save(notice, folder + u"/shutdown.png"_s);

    denseGraph(folder);
    return failures == 0 ? 0 : 1;
}
