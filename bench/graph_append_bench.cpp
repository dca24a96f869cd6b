// Appending one record to the control while its graph is shown, with 8 series
// (lines, hex, a value text, bits) at several MaxGraph sizes: the simulated
// buffer's tick, the decoding, the grid row and the chart's refill and repaint.
// A record must cost well under one read interval (goal: below 5 ms).
#include "viewer/core/ControlCore.h"
#include "viewer/core/Simulation.h"
#include "viewer/widgets/GraphView.h"
#include "viewer/widgets/Tolvane.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const char *const Project = "[Tolvane]\r\nVersion=2\r\nUserBuffer=1\r\n[USER_BUFFER]\r\n"
                            "Title=Bench\r\nHeaderKey=BNCH\r\nHeaderType=1\r\n"
                            "RecordInterval=1\r\nRecordLenght=4\r\nRecordNumber=100\r\n"
                            "Column=8\r\n"
                            "Column1=0,Long,0,R 1,1000,Level,%d,0\r\n"
                            "Column2=1,Long,0,R 2,1000,Temp,%2d,0\r\n"
                            "Column3=2,Word,0,R 3,1000,Code,%h,0\r\n"
                            "Column4=2,Word,1,R 4,1000,Mode,%S,0\r\n"
                            "Column5=3,Bit,0,F 1,600,Alarm,%d,0\r\n"
                            "Column6=3,Bit,1,F 2,600,Pump,%d,0\r\n"
                            "Column7=3,Byte,1,R 5,800,Step,%d,0\r\n"
                            "Column8=3,Word,1,R 6,1000,Flags,%b,0\r\n";

void AppendRecordWithGraphShown(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.tlvr"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Project) < 0) {
        state.SkipWithError("cannot write the project");
        return;
    }
    file.close();

    tlv::viewer::Tolvane control;
    control.resize(1200, 700);
    control.show();
    tlv::viewer::ControlCore &core = control.core();
    core.setProjectPath(QDir::toNativeSeparators(dir.path()) + QDir::separator());
    core.setUserFile(path);
    core.setMaxRows(5000);
    core.setMaxGraph(qint32(state.range(0)));
    core.setPcdStatus(99);
    core.setSimulation(true);
    core.simulator().stopTimer();
    core.Start();
    core.setRunMode(2);
    const auto record = [&core] {
        core.simulator().tick();
        core.cycle().tick();
    };
    // A full chart before timing, as after a while of recording.
    for (qint64 i = 0; i < state.range(0); ++i)
        record();
    control.findChild<QPushButton *>(QStringLiteral("graphButton"))->click();
    if (control.graph()->data().series.size() != 8) {
        state.SkipWithError("the graph does not show 8 series");
        return;
    }
    QCoreApplication::processEvents();

    for (auto _ : state) {
        record();
        // The chart repaints as it would between two reads.
        if (state.range(1))
            QCoreApplication::processEvents();
    }
    state.counters["rows"] = double(core.rows().dataRowCount());
}

} // namespace

BENCHMARK(AppendRecordWithGraphShown)
    ->ArgNames({ "maxGraph", "paint" })
    ->ArgsProduct({ { 50, 500, 1000 }, { 0, 1 } })
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
