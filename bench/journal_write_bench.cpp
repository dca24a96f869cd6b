// One read tick's journal write at 128 columns: the rows of the tick taken from the grid and
// committed in one transaction to a journal on the disk (write-ahead log, synchronous FULL).
// The argument is the number of records the tick brought. Goal: well under a tenth of the
// 100 ms read interval.
#include "journal/JournalWriter.h"
#include "viewer/core/ControlCore.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace tlv;

namespace {

constexpr int Columns = 128;

void journalTick(benchmark::State &state)
{
    const int records = int(state.range(0));
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/journal-bench-XXXXXX"));
    viewer::ControlCore core;
    QList<viewer::RowStore::DataColumn> columns;
    for (int c = 0; c < Columns; ++c)
        columns.append({ c, QStringLiteral("Column %1").arg(c), 1000 });
    core.rows().setColumns(columns);
    core.rows().setMaxRows(5000);
    core.rows().setStatusText(QStringLiteral("Run"));
    journal::JournalWriter writer;
    if (!writer.open(dir.filePath(QStringLiteral("bench.db")))) {
        state.SkipWithError(qPrintable(writer.errorString()));
        return;
    }
    writer.attach(core);
    QStringList cells;
    for (int c = 0; c < Columns; ++c)
        cells << QString::number(c * 12.5, 'f', 1);
    const QString display = cells.join(u'\t');
    const QString raw = QString(Columns * 9, u'0');
    for (auto _ : state) {
        for (int r = 0; r < records; ++r)
            core.rows().addRecord(
                display, raw, QString(), QStringLiteral("06/12/26"), QStringLiteral("10:00:00"));
        if (!writer.flush()) {
            state.SkipWithError(qPrintable(writer.errorString()));
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * records);
}

} // namespace

BENCHMARK(journalTick)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
