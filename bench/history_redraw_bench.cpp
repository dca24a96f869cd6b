// Redrawing the full view of a journal of a million records with 8 traces: the one query for
// the buckets of 1000 pixel columns from the journal's summaries, the chart data made of
// them and the lines drawn into a plot of 1000 x 400, against drawing the same points once
// they are at hand. The journal is made once, before anything is timed.
#include "TraceDrawing.h"

#include "journal/JournalHistory.h"
#include "journal/JournalWriter.h"
#include "journal/plant/PlantHistory.h"
#include "viewer/plot/GraphTraces.h"
#include "viewer/widgets/GraphHistory.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cmath>
#include <memory>

using namespace tlv;

namespace {

constexpr int Width = 1000;
constexpr int Height = 400;
constexpr int Traces = 8;
constexpr qint64 Records = 1'000'000;
constexpr qint64 Start = 1'765'000'000'000; // PC time of row 0, UTC ms

// The rows go in through SQLite itself: a million through the grid would take minutes.
bool fill(const QString &path, QString *why)
{
    {
        journal::JournalWriter writer;
        if (!writer.open(path)) {
            *why = writer.errorString();
            return false;
        }
        journal::JournalBuffer buffer;
        for (int c = 0; c < Traces; ++c)
            buffer.columns.append(
                { c, QStringLiteral("Trace %1").arg(c), 1000, 5, QStringLiteral("d") });
        writer.setBuffer(buffer);
        journal::JournalRow first;
        first.pcMillis = Start + 100;
        first.cells = QStringList(Traces, QStringLiteral("0"));
        first.numbers = QList<std::optional<double>>(Traces, 0.0);
        first.rawValues = QList<std::optional<qint64>>(Traces, 0);
        writer.addRow(first);
        writer.close();
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        *why = QStringLiteral("cannot open");
        return false;
    }
    sqlite3_exec(db, "PRAGMA synchronous = OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *row = nullptr;
    sqlite3_stmt *cell = nullptr;
    sqlite3_prepare_v2(db,
        "INSERT INTO rows (id, buffer_id, kind, record_number, pc_millis, pc_date, pc_time, "
        "status, raw, comment) VALUES (?, 1, ?, ?, ?, '', '', 'Run', '', '')",
        -1, &row, nullptr);
    sqlite3_prepare_v2(db,
        "INSERT INTO cells (row_id, position, number, raw, text) VALUES (?, ?, ?, ?, '')", -1,
        &cell, nullptr);
    for (qint64 id = 2; id <= Records; ++id) {
        const bool status = id % 50'000 == 0;
        sqlite3_bind_int64(row, 1, id);
        sqlite3_bind_text(row, 2, status ? "status" : "record", -1, SQLITE_STATIC);
        sqlite3_bind_int64(row, 3, id);
        sqlite3_bind_int64(row, 4, Start + id * 100);
        sqlite3_step(row);
        sqlite3_reset(row);
        for (int c = 0; c < Traces; ++c) {
            const double v = 500 + 400 * std::sin(id / (3000.0 + 100 * c)) + (id * 7919 + c) % 97;
            sqlite3_bind_int64(cell, 1, id);
            sqlite3_bind_int(cell, 2, c);
            if (status)
                sqlite3_bind_null(cell, 3);
            else
                sqlite3_bind_double(cell, 3, v);
            sqlite3_bind_int64(cell, 4, qint64(v));
            sqlite3_step(cell);
            sqlite3_reset(cell);
        }
    }
    sqlite3_finalize(row);
    sqlite3_finalize(cell);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    // The writer sums up what a journal holds when it opens it.
    journal::JournalWriter writer;
    if (!writer.open(path)) {
        *why = writer.errorString();
        return false;
    }
    return true;
}

// The journal is made here, or taken from TOLVANE_BENCH_JOURNAL (made by --make-journal);
// TOLVANE_BENCH_PLANT_URI names a plant database that holds it as the source "million".
struct Journal
{
    QTemporaryDir dir { QDir::currentPath() + QStringLiteral("/history-bench-XXXXXX") };
    journal::JournalHistory history;
    plant::PlantHistory plant;
    QString error;
    bool ok = false;
    bool plantOk = false;

    Journal()
    {
        QString path = qEnvironmentVariable("TOLVANE_BENCH_JOURNAL");
        if (path.isEmpty()) {
            path = dir.filePath(QStringLiteral("million.db"));
            ok = fill(path, &error);
        } else {
            ok = true;
        }
        ok = ok && history.open(path);
        if (!ok && error.isEmpty())
            error = history.errorString();
        plant::PlantUri uri;
        plantOk = uri.parse(qEnvironmentVariable("TOLVANE_BENCH_PLANT_URI"))
            && plant.open(uri, QStringLiteral("million"));
    }
};

Journal &journalOnce()
{
    static Journal j;
    return j;
}

QList<viewer::GraphData::Series> series()
{
    QList<viewer::GraphData::Series> list;
    for (int c = 0; c < Traces; ++c) {
        viewer::GraphData::Series s;
        s.gridColumn = viewer::RowStore::StampColumns + c;
        s.columnNumber = c;
        s.title = QStringLiteral("Trace %1").arg(c);
        list.append(s);
    }
    return list;
}

// The full view as the graph makes it: query, chart data, lines.
bool fullView(viewer::HistorySource &source, viewer::GraphTraces *traces)
{
    viewer::HistoryQuery query;
    query.from = 1;
    query.to = Records;
    query.columns = Width;
    const QList<viewer::GraphData::Series> s = series();
    query.positions = viewer::GraphHistory::positions(s);
    QList<viewer::HistoryBucket> buckets;
    if (!source.buckets(query, &buckets))
        return false;
    const viewer::GraphData data
        = viewer::GraphHistory::data(buckets, s, false, 0, 0.5, Records + 0.5);
    *traces = viewer::GraphTraces::build(data, {});
    return true;
}

void FullViewFromJournal(benchmark::State &state)
{
    Journal &j = journalOnce();
    if (!j.ok) {
        state.SkipWithError(qPrintable(j.error));
        return;
    }
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    viewer::GraphTraces traces;
    for (auto _ : state) {
        if (!fullView(j.history, &traces)) {
            state.SkipWithError(qPrintable(j.history.errorString()));
            return;
        }
        bench::drawTraces(traces, image);
    }
    state.counters["level"] = j.history.level();
}

void DrawDecimatedPoints(benchmark::State &state)
{
    Journal &j = journalOnce();
    viewer::GraphTraces traces;
    if (!j.ok || !fullView(j.history, &traces)) {
        state.SkipWithError("no journal");
        return;
    }
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        bench::drawTraces(traces, image);
}

void FullViewFromPlant(benchmark::State &state)
{
    Journal &j = journalOnce();
    if (!j.plantOk) {
        state.SkipWithError(
            qPrintable(QStringLiteral("no plant database: ") + j.plant.errorString()));
        return;
    }
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    viewer::GraphTraces traces;
    for (auto _ : state) {
        if (!fullView(j.plant, &traces)) {
            state.SkipWithError(qPrintable(j.plant.errorString()));
            return;
        }
        bench::drawTraces(traces, image);
    }
    state.counters["level"] = j.plant.level();
}

BENCHMARK(FullViewFromJournal)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DrawDecimatedPoints)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FullViewFromPlant)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // --make-journal PATH: only writes the journal, to look at it in the window.
    if (argc == 3 && qstrcmp(argv[1], "--make-journal") == 0) {
        QString why;
        if (fill(QString::fromLocal8Bit(argv[2]), &why))
            return 0;
        qWarning("%s", qPrintable(why));
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
