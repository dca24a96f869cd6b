// Redrawing the whole chart of N records with 8 lines into a plot 1000 pixels
// wide: thinning each line to its pixel columns and drawing it, against
// drawing lines that were already thinned. The first should cost little more
// than the second, and grow with N only by the linear pass of the thinning.
#include "TraceDrawing.h"

#include "viewer/plot/GraphTraces.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int Width = 1000;
constexpr int Height = 400;
constexpr int Lines = 8;

tlv::viewer::GraphTraces traces(qint64 records)
{
    tlv::viewer::GraphTraces t;
    t.x.reserve(records);
    for (qint64 i = 0; i < records; ++i)
        t.x.append(double(i + 1));
    t.xLow = 0.5;
    t.xHigh = records + 0.5;
    t.valueAxisLow = -200;
    t.valueAxisHigh = 1200;
    for (int k = 0; k < Lines; ++k) {
        tlv::viewer::GraphTraces::Trace trace;
        QList<QPointF> line;
        line.reserve(records);
        for (qint64 i = 0; i < records; ++i)
            line.append({ t.x[i], 500 + 400 * std::sin(i / (300.0 + k)) + (i * 7919 + k) % 97 });
        trace.segments.append(line);
        t.traces.append(trace);
    }
    return t;
}

void ThinAndDraw(benchmark::State &state)
{
    const tlv::viewer::GraphTraces whole = traces(state.range(0));
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        tlv::bench::drawTraces(whole.shownIn(whole.xLow, whole.xHigh, Width), image);
}

void DrawAlreadyThinned(benchmark::State &state)
{
    const tlv::viewer::GraphTraces whole = traces(state.range(0));
    const tlv::viewer::GraphTraces thin = whole.shownIn(whole.xLow, whole.xHigh, Width);
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        tlv::bench::drawTraces(thin, image);
}

BENCHMARK(ThinAndDraw)->Arg(1000)->Arg(32767)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawAlreadyThinned)->Arg(1000)->Arg(32767)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
