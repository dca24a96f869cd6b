#pragma once

// The lines of a chart drawn as the graph draws them, without the widgets around them: what
// the redraw benchmarks time.

#include "viewer/plot/GraphTraces.h"

#include <QImage>
#include <QPainter>
#include <QPolygonF>

namespace tlv::bench {

// Every segment of every trace, scaled from the axes' ranges to the whole image.
inline void drawTraces(const viewer::GraphTraces &t, QImage &image)
{
    image.fill(Qt::white);
    QPainter painter(&image);
    const double height = image.height();
    const double xScale = image.width() / (t.xHigh - t.xLow);
    const double yScale = height / (t.valueAxisHigh - t.valueAxisLow);
    QPolygonF polygon;
    for (const auto &trace : t.traces) {
        for (const QList<QPointF> &segment : trace.segments) {
            polygon.resize(segment.size());
            for (qsizetype i = 0; i < segment.size(); ++i)
                polygon[i] = QPointF((segment[i].x() - t.xLow) * xScale,
                    height - (segment[i].y() - t.valueAxisLow) * yScale);
            painter.drawPolyline(polygon);
        }
    }
}

} // namespace tlv::bench
