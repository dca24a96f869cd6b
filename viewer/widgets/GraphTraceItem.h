#pragma once

#include "viewer/plot/TracePainter.h"

#include <QGraphicsItem>

class QChart;

namespace tlv::viewer {

// Draws the traces of the graph straight into the chart's plot area. The
// chart's own line series stay empty (they carry the legend and the axes):
// their geometry and hit shapes cost far more per point than a polyline.
class GraphTraceItem : public QGraphicsItem
{
public:
    using Line = TracePainter::Line;

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
    QChart *m_chart;
    TracePainter m_painter;
    QRectF m_area;
};

} // namespace tlv::viewer
