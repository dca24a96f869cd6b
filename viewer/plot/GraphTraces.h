#pragma once

#include "viewer/plot/GraphData.h"

#include <QColor>
#include <QList>
#include <QPointF>
#include <QSet>
#include <QStringList>

#include <utility>

namespace tlv::viewer {

// The lines of the graph in axis units, worked out without drawing: each
// series cut into segments at rows without a value, steps for texts, bits as
// stacked 0/1 lanes, optionally every line scaled to its own range or stacked
// in a band of its own. Hidden series keep their place in the list but draw
// nothing and take no room.
class GraphTraces
{
public:
    struct Options
    {
        bool timeAxis = false; // x in seconds after the first record shown, else the chart row
        bool ownRanges = false; // lines scaled to 0..1 of their own range
        bool lanes = false; // every line in a band of its own on the lane axis
        QSet<int> hiddenColumns; // column numbers not drawn
    };

    struct Trace
    {
        QList<QList<QPointF>> segments;
        bool lane = false; // drawn against the lane axis
        bool band = false; // a line in a band of its own: low..high spans bandBase + BandHeight
        bool hidden = false;
        double bandBase = 0;
        double low = 0; // the series' own range (values shown)
        double high = 0;
        bool any = false;
    };

    static constexpr double LaneHeight = 1.0;
    static constexpr double LanePitch = 1.5;
    static constexpr double BandHeight = 3.0;
    static constexpr double BandPitch = 4.0;

    QList<Trace> traces; // one per series of the data
    QList<double> x; // one per record shown
    double valueLow = 0; // the value axis: what the lines need
    double valueHigh = 1;
    double valueAxisLow = 0; // ... and the axis range that leaves room for the lanes
    double valueAxisHigh = 1;
    int lanes = 0;
    QStringList laneTitles; // bottom lane first
    QList<double> laneCentres; // on the lane axis, one per title
    double laneAxisHigh = 1; // the lane axis runs from 0
    bool anyLine = false; // a series drawn against the value axis
    double xLow = 0; // the whole x range
    double xHigh = 1;

    [[nodiscard]] static GraphTraces build(const GraphData &data, const Options &options);
    // The traces as a plot of columns pixel columns shows x from low to high:
    // when more records fall in that range than there are columns, each line
    // keeps per column only its first, lowest, highest and last point. Breaks
    // stay where they are; x, the ranges and the axes are those of the whole.
    [[nodiscard]] GraphTraces shownIn(double low, double high, int columns) const;
    // The lane axis's titles at their lanes' centres, bottom first.
    [[nodiscard]] QList<std::pair<double, QString>> laneTicks() const;
    // The value axis's ticks for a plot plotHeight pixels high, only where the
    // lines are, not down in the lanes: no more than fit with labels textHeight
    // high a line apart, so a low plot shows fewer labels, each whole.
    [[nodiscard]] QList<std::pair<double, QString>> valueTicks(
        double plotHeight, double textHeight) const;
    // Centre of lane i on the lane axis.
    [[nodiscard]] static double laneCentre(int lane);
    // The lane axis position of value v of a band trace.
    [[nodiscard]] static double inBand(const Trace &trace, double v);
    // The colour of a column: fixed by its number, so it never changes.
    [[nodiscard]] static QColor colour(int columnNumber);

private:
    // The steps of build, in order.
    void placeX(const GraphData &data, const Options &options);
    void measure(const GraphData &data, const Options &options);
    int stackBands(const GraphData &data);
    void drawSegments(const GraphData &data, const Options &options);
    void fitAxes(int bands);
};

} // namespace tlv::viewer
