#include "viewer/plot/GraphTraces.h"

#include "viewer/core/TraceDecimator.h"
#include "viewer/plot/GraphTicks.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tlv::viewer {

namespace {

constexpr double PixelsPerValueTick = 45;
constexpr int MinValueTicks = 3;
constexpr double UnknownPlotHeight = 300;

// Share of the plot's height the lanes take below the lines.
double laneShare(int lanes)
{
    return std::min(0.6, 0.1 + 0.08 * lanes);
}

} // namespace

double GraphTraces::laneCentre(int lane)
{
    return lane * LanePitch + (LanePitch - LaneHeight) / 2 + LaneHeight / 2;
}

QColor GraphTraces::colour(int columnNumber)
{
    // Twelve well-told-apart colours first; past them, hues a golden angle apart.
    static constexpr std::array<QRgb, 12> Palette { 0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e,
        0x9467bd, 0x8c564b, 0xe377c2, 0x17becf, 0x7f7f7f, 0xbcbd22, 0x393b79, 0xad494a };
    if (columnNumber >= 0 && columnNumber < int(Palette.size()))
        return QColor::fromRgb(Palette[size_t(columnNumber)]);
    const int hue = int(std::fmod(std::max(columnNumber, 0) * 137.508, 360.0));
    return QColor::fromHsv(hue, 200, 190);
}

QList<std::pair<double, QString>> GraphTraces::laneTicks() const
{
    QList<std::pair<double, QString>> ticks;
    for (qsizetype i = 0; i < laneTitles.size(); ++i)
        ticks.append({ laneCentres.value(i), laneTitles[i] });
    std::sort(ticks.begin(), ticks.end());
    return ticks;
}

QList<std::pair<double, QString>> GraphTraces::valueTicks(
    double plotHeight, double textHeight) const
{
    const double low = valueLow;
    const double high = valueHigh;
    const double pad = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(low) * 0.1);
    // With lanes below, the lines have only the upper part of the plot.
    const double axisSpan = valueAxisHigh - valueAxisLow;
    const double share = axisSpan > 0 ? std::min(1.0, (high - low + 2 * pad) / axisSpan) : 1.0;
    // Not laid out yet: as for a plot of a common height, until it is.
    if (!(plotHeight > 0))
        plotHeight = UnknownPlotHeight;
    const double band = plotHeight * share;
    // Ticks fall at least band / target apart: a low plot takes fewer, down to
    // one, rather than labels closer than a line and a half of text.
    const int fit = int(band / (1.5 * std::max(textHeight, 1.0)));
    const int target
        = std::max(1, std::min(std::max(int(band / PixelsPerValueTick), MinValueTicks), fit));
    return GraphTicks::valueTicks(low - pad, high + pad, target);
}

double GraphTraces::inBand(const Trace &trace, double v)
{
    const double share = trace.high > trace.low ? (v - trace.low) / (trace.high - trace.low) : 0.5;
    return trace.bandBase + share * BandHeight;
}

GraphTraces GraphTraces::build(const GraphData &data, const Options &options)
{
    GraphTraces t;
    t.placeX(data, options);
    t.measure(data, options);
    const int bands = t.stackBands(data);
    t.drawSegments(data, options);
    t.fitAxes(bands);
    return t;
}

void GraphTraces::placeX(const GraphData &data, const Options &options)
{
    const int records = data.records;
    x.reserve(records);
    const qint64 origin = records > 0 ? data.msecs.value(0) : 0;
    for (int i = 0; i < records; ++i) {
        if (!data.x.isEmpty())
            x.append(data.x.value(i));
        else
            x.append(options.timeAxis ? (data.msecs.value(i) - origin) / 1000.0 : double(i + 1));
    }
    if (!data.x.isEmpty()) {
        xLow = data.xLow;
        xHigh = data.xHigh;
    } else if (options.timeAxis) {
        xLow = 0;
        xHigh = records > 1 ? std::max(x.last(), 0.001) : 1.0;
    } else {
        xLow = 0.5;
        xHigh = std::max(data.rowCount, 1) + 0.5;
    }
}

// The own ranges first: lines and lanes scale from them.
void GraphTraces::measure(const GraphData &data, const Options &options)
{
    for (const GraphData::Series &s : data.series) {
        Trace trace;
        trace.hidden = options.hiddenColumns.contains(s.columnNumber);
        trace.lane = s.kind == GraphData::Kind::Lane;
        trace.band = options.lanes && !trace.lane;
        for (int i = 0; i < data.records && i < s.values.size(); ++i) {
            if (!s.values[i])
                continue;
            const double v = *s.values[i];
            trace.low = trace.any ? std::min(trace.low, v) : v;
            trace.high = trace.any ? std::max(trace.high, v) : v;
            trace.any = true;
        }
        if (trace.lane && !trace.hidden) {
            laneTitles.append(s.title);
            laneCentres.append(laneCentre(lanes));
            ++lanes;
        }
        traces.append(trace);
    }
}

// Bands stack above the bit lanes, the first series on top.
int GraphTraces::stackBands(const GraphData &data)
{
    int bands = 0;
    for (const Trace &trace : std::as_const(traces))
        bands += trace.band && !trace.hidden ? 1 : 0;
    double bandTop = lanes * LanePitch + bands * BandPitch;
    for (int k = 0; k < traces.size(); ++k) {
        Trace &trace = traces[k];
        if (!trace.band || trace.hidden)
            continue;
        bandTop -= BandPitch;
        trace.bandBase = bandTop + (BandPitch - BandHeight) / 2;
        trace.lane = true;
        laneTitles.append(data.series[k].title);
        laneCentres.append(trace.bandBase + BandHeight / 2);
    }
    return bands;
}

void GraphTraces::drawSegments(const GraphData &data, const Options &options)
{
    bool anyValue = false;
    int lane = 0;
    for (int k = 0; k < data.series.size(); ++k) {
        const GraphData::Series &s = data.series[k];
        Trace &trace = traces[k];
        const bool steps = s.kind != GraphData::Kind::Analog;
        if (trace.hidden)
            continue;
        const double laneBase = trace.lane ? lane * LanePitch + (LanePitch - LaneHeight) / 2 : 0.0;
        if (!trace.lane)
            anyLine = true;
        else if (!trace.band)
            ++lane;
        const auto y = [&](double v) {
            if (trace.band)
                return inBand(trace, v);
            if (trace.lane)
                return laneBase + (v != 0 ? LaneHeight : 0.0);
            if (!options.ownRanges)
                return v;
            return trace.high > trace.low ? (v - trace.low) / (trace.high - trace.low) : 0.5;
        };
        QList<QPointF> segment;
        for (int i = 0; i < data.records && i < s.values.size(); ++i) {
            if (!s.values[i]) {
                // No value: the line breaks here rather than dipping to zero.
                if (!segment.isEmpty())
                    trace.segments.append(std::exchange(segment, {}));
                continue;
            }
            const double v = y(*s.values[i]);
            if (steps && !segment.isEmpty() && segment.last().y() != v)
                segment.append(QPointF(x[i], segment.last().y()));
            segment.append(QPointF(x[i], v));
            if (!trace.lane) {
                valueLow = anyValue ? std::min(valueLow, v) : v;
                valueHigh = anyValue ? std::max(valueHigh, v) : v;
                anyValue = true;
            }
        }
        if (!segment.isEmpty())
            trace.segments.append(segment);
    }
    if (!anyValue || options.ownRanges) {
        valueLow = 0;
        valueHigh = 1;
    }
}

void GraphTraces::fitAxes(int bands)
{
    // A little room above and below, and a flat line gets a band around it.
    double low = valueLow;
    double high = valueHigh;
    if (high <= low) {
        const double pad = std::max(1.0, std::abs(low) * 0.1);
        low -= pad;
        high += pad;
    } else {
        const double pad = (high - low) * 0.05;
        low -= pad;
        high += pad;
    }
    const double laneTotal = lanes * LanePitch + bands * BandPitch;
    if (lanes > 0 && anyLine) {
        // Lanes below, lines above: each axis leaves the other its share.
        const double share = laneShare(lanes);
        laneAxisHigh = laneTotal / share;
        valueAxisLow = low - (high - low) * share / (1 - share);
        valueAxisHigh = high;
    } else {
        laneAxisHigh = std::max(laneTotal, 1.0);
        valueAxisLow = low;
        valueAxisHigh = high;
    }
}

GraphTraces GraphTraces::shownIn(double low, double high, int columns) const
{
    const TraceDecimator decimator(low, high, columns);
    if (!decimator.crowded(x))
        return *this;
    GraphTraces shown = *this;
    for (Trace &trace : shown.traces) {
        for (QList<QPointF> &segment : trace.segments)
            segment = decimator.reduce(segment);
    }
    return shown;
}

} // namespace tlv::viewer
