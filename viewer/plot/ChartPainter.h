#pragma once

#include "viewer/plot/GraphData.h"
#include "viewer/plot/GraphPalette.h"
#include "viewer/plot/GraphTicks.h"
#include "viewer/plot/GraphTraces.h"

#include <QRectF>
#include <QSize>

class QFontMetricsF;
class QPainter;

namespace tlv::viewer {

class RowStore;

// The whole chart of the graph painted without a window, as the window lays
// it out: value axis on the left, lane titles on the right, the record axis
// below, the legend at the bottom (hidden traces left out), status and
// separator rows marked where the lines break.
class ChartPainter
{
public:
    ChartPainter(const RowStore &rows, const GraphData &data, const GraphTraces &traces,
        const GraphPalette &palette);

    void paint(QPainter &painter, QSize size) const;

private:
    struct Legend
    {
        QList<int> series; // the entries, by series index
        QList<int> rowOf; // the legend row of each entry
        int rows = 0;
    };

    // Where everything goes, worked out before anything is painted.
    struct Layout
    {
        QRectF all;
        QRectF area; // the plot
        double line = 0; // a line of text
        Legend legend;
        double legendTop = 0;
        bool valueAxis = false;
        bool xTitle = false;
        int labelWidth = 0;
        QList<GraphTicks::Tick> valueTicks;
        QList<GraphTicks::Tick> laneTicks;
        QList<GraphTicks::Tick> xTicks;
    };

    [[nodiscard]] Layout layOut(const QFontMetricsF &metrics, QSize size) const;
    [[nodiscard]] Legend layOutLegend(const QFontMetricsF &metrics, double width) const;
    [[nodiscard]] double toX(const Layout &layout, double x) const;
    [[nodiscard]] static double toY(const Layout &layout, double v, double low, double high);
    void paintGrid(QPainter &painter, const Layout &layout) const;
    void paintAxes(QPainter &painter, const Layout &layout) const;
    void paintLines(QPainter &painter, const QRectF &area) const;
    void paintLegend(QPainter &painter, const Legend &legend, const QRectF &box) const;
    void paintMarks(QPainter &painter, const QRectF &area) const;

    const RowStore &m_rows;
    const GraphData &m_data;
    const GraphTraces &m_traces;
    const GraphPalette &m_palette;
};

} // namespace tlv::viewer
