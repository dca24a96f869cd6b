// The viewer's own costs, each beside a plain reference:
//   Decode      decoding 128-column records in mixed formats   vs  ToChars: std::to_chars of the
//   same words Append/N    one record into a grid of N rows (drop-oldest)  (ratio of 5000 to 20
//   rows) Export/C    5000 rows x C columns to a BIFF2 file          vs  Fwrite/C: fwrite of as
//   many bytes
#include "BenchSupport.h"
#include "RecordAppend.h"

#include "viewer/core/RecordDecoder.h"
#include "viewer/core/RowStore.h"
#include "viewer/files/ExportGridSource.h"
#include "viewer/files/Exporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

using namespace tlv;
using namespace tlv::viewer;

namespace {

constexpr int DecodeColumns = 128;
constexpr int Variants = 64; // different records in turn, so no branch is learnt by heart
constexpr int ExportRows = 5000;
constexpr int AppendColumns = 32;

struct Records
{
    explicit Records(int columns)
        : table(bench::mixedTable(columns))
    {
        for (int n = 0; n < Variants; ++n)
            words.append(bench::mixedWords(columns, n));
    }
    ColumnTable table;
    QList<QList<qint32>> words;
};

void BM_Decode(benchmark::State &state)
{
    static const Records records(DecodeColumns);
    const RecordDecoder decoder;
    int n = 0;
    for (auto _ : state) {
        DecodedRecord record = decoder.decode(records.table, records.words[n], 0, nullptr);
        benchmark::DoNotOptimize(record);
        n = (n + 1) % Variants;
    }
    state.SetItemsProcessed(state.iterations());
}

// The floor: every word of the same record as decimal text, tab separated.
void BM_ToChars(benchmark::State &state)
{
    static const Records records(DecodeColumns);
    std::string line;
    line.reserve(DecodeColumns * 12);
    int n = 0;
    for (auto _ : state) {
        line.clear();
        for (const qint32 w : records.words[n]) {
            char digits[16];
            const auto end = std::to_chars(digits, digits + sizeof digits, w).ptr;
            line.push_back('\t');
            line.append(digits, end);
        }
        benchmark::DoNotOptimize(line.data());
        benchmark::ClobberMemory();
        n = (n + 1) % Variants;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Append(benchmark::State &state)
{
    const int rows = int(state.range(0));
    static const Records records(AppendColumns);
    const RecordDecoder decoder;
    QList<DecodedRecord> decoded;
    for (int n = 0; n < Variants; ++n)
        decoded.append(decoder.decode(records.table, records.words[n], 0, nullptr));
    RowStore store;
    store.setColumns(records.table);
    store.setMaxRows(rows);
    for (int i = 0; i < rows; ++i)
        bench::appendRecord(store, decoded[i % Variants]);
    int n = 0;
    for (auto _ : state) {
        bench::appendRecord(store, decoded[n]);
        n = (n + 1) % Variants;
    }
    if (store.dataRowCount() != rows)
        state.SkipWithError("the grid does not hold its rows");
    state.SetItemsProcessed(state.iterations());
}

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// A grid of 5000 rows of the given width, filled once per width.
struct ExportGrid
{
    explicit ExportGrid(int columns)
        : records(columns)
        , source(store, records.table)
        , exporter(source)
    {
        store.setColumns(records.table);
        store.setMaxRows(ExportRows);
        const RecordDecoder decoder;
        for (int i = 0; i < ExportRows; ++i)
            bench::appendRecord(
                store, decoder.decode(records.table, bench::mixedWords(columns, i), 0, nullptr));
        exporter.setAutoExport(true); // no message may wait for an answer
        exporter.setExportFile(folder().filePath(QStringLiteral("export%1.xls").arg(columns)));
    }
    Records records;
    RowStore store;
    ExportGridSource source;
    Exporter exporter;
};

ExportGrid &exportGrid(int columns)
{
    static std::map<int, std::unique_ptr<ExportGrid>> grids;
    auto &grid = grids[columns];
    if (!grid)
        grid = std::make_unique<ExportGrid>(columns);
    return *grid;
}

// The bytes one export of that width writes.
QByteArray exportedBytes(int columns)
{
    static std::map<int, QByteArray> bytes;
    QByteArray &b = bytes[columns];
    if (b.isEmpty()) {
        ExportGrid &grid = exportGrid(columns);
        if (grid.exporter.Export() == Exporter::Result::Exported) {
            QFile file(grid.exporter.lastTarget());
            if (file.open(QIODevice::ReadOnly))
                b = file.readAll();
        }
    }
    return b;
}

void BM_Export(benchmark::State &state)
{
    const int columns = int(state.range(0));
    ExportGrid &grid = exportGrid(columns);
    for (auto _ : state) {
        if (grid.exporter.Export() != Exporter::Result::Exported) {
            state.SkipWithError(
                qPrintable(QStringLiteral("export failed: ") + grid.exporter.lastError()));
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * exportedBytes(columns).size());
}

// The floor: the same number of bytes written to a new file in the same folder.
void BM_Fwrite(benchmark::State &state)
{
    const int columns = int(state.range(0));
    const QByteArray bytes = exportedBytes(columns);
    if (bytes.isEmpty()) {
        state.SkipWithError("no export to compare with");
        return;
    }
    const QByteArray path
        = QFile::encodeName(folder().filePath(QStringLiteral("fwrite%1.xls").arg(columns)));
    for (auto _ : state) {
        std::FILE *f = std::fopen(path.constData(), "wb");
        if (!f || std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f) != size_t(bytes.size())
            || std::fclose(f) != 0) {
            state.SkipWithError("fwrite failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

BENCHMARK(BM_Decode);
BENCHMARK(BM_ToChars);
BENCHMARK(BM_Append)->Arg(20)->Arg(500)->Arg(5000);
BENCHMARK(BM_Export)->Arg(8)->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fwrite)->Arg(8)->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    bench::startWatchdog(600, "viewer_bench");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
