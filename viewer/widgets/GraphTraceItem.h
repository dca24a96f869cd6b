#pragma once

#include "viewer/widgets/GraphPalette.h"
#include "viewer/widgets/GraphTraces.h"

#include <QGraphicsItem>
#include <QHash>
#include <QPixmap>

class QChart;

namespace tlv::viewer {

// Draws the traces of the graph straight into the chart's plot area. The
// chart's own line series stay empty (they carry the legend and the axes):
// their geometry and hit shapes cost far more per point than a polyline.
class GraphTraceItem : public QGraphicsItem
{
public:
    struct Line
    {
        QColor colour;
        bool dots = false; // a marker on every point
    };

    explicit GraphTraceItem(QChart *chart);

    void setTraces(const GraphTraces &traces, const QList<Line> &lines);
    void setXRange(double low, double high);
    void setPenWidth(int width, bool smooth);
    void setPalette(const GraphPalette &palette);

    [[nodiscard]] QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
        QWidget *widget = nullptr) override;
    // Call when the plot area moved or changed size.
    void plotAreaChanged();

private:
    const QPixmap &dot(const QColor &colour);
    // The traces thinned to the plot's pixel columns, kept until the range,
    // the width or the traces change.
    const GraphTraces &shown(int columns);
    // The own axis of a band: a base line and a few labelled ticks.
    void paintBandAxis(QPainter *painter, const GraphTraces::Trace &trace, double yScale);

    QChart *m_chart;
    QHash<QRgb, QPixmap> m_dots;
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
    QRectF m_area;
};

} // namespace tlv::viewer
