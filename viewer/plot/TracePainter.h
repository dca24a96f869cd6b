#pragma once

#include "viewer/plot/GraphPalette.h"
#include "viewer/plot/GraphTraces.h"

#include <QHash>
#include <QImage>
#include <QRectF>

class QPainter;

namespace tlv::viewer {

// Paints the traces of the graph into a plot area, for the window's chart and
// for a picture alike: polylines per segment, dots where a value stands alone,
// and the own axis of every band.
class TracePainter
{
public:
    struct Line
    {
        QColor colour;
        bool dots = false; // a marker on every point
    };

    void setTraces(const GraphTraces &traces, const QList<Line> &lines);
    void setXRange(double low, double high);
    void setPenWidth(int width, bool smooth);
    void setPalette(const GraphPalette &palette) { m_palette = palette; }

    void paint(QPainter &painter, const QRectF &area);

private:
    const QImage &dot(const QColor &colour);
    // The traces thinned to the plot's pixel columns, kept until the range,
    // the width or the traces change.
    const GraphTraces &shown(int columns);
    // The own axis of a band: a base line and a few labelled ticks.
    void paintBandAxis(
        QPainter &painter, const QRectF &area, const GraphTraces::Trace &trace, double yScale);

    QHash<QRgb, QImage> m_dots;
    GraphTraces m_traces;
    GraphTraces m_shown;
    bool m_shownValid = false;
    double m_shownLow = 0;
    double m_shownHigh = 0;
    int m_shownColumns = 0;
    QList<Line> m_lines;
    double m_xLow = 0;
    double m_xHigh = 1;
    int m_penWidth = 2;
    bool m_smooth = true;
    GraphPalette m_palette;
};

} // namespace tlv::viewer
