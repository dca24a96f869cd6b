#include "viewer/widgets/GraphTraceItem.h"

#include <QChart>

namespace tlv::viewer {

GraphTraceItem::GraphTraceItem(QChart *chart)
    : QGraphicsItem(chart)
    , m_chart(chart)
{
    // Over the grid lines, under the cursors.
    setZValue(5);
    setAcceptedMouseButtons(Qt::NoButton);
}

void GraphTraceItem::setTraces(const GraphTraces &traces, const QList<Line> &lines)
{
    m_painter.setTraces(traces, lines);
    update();
}

void GraphTraceItem::setXRange(double low, double high)
{
    m_painter.setXRange(low, high);
    update();
}

void GraphTraceItem::setPenWidth(int width, bool smooth)
{
    m_painter.setPenWidth(width, smooth);
    update();
}

void GraphTraceItem::setPalette(const GraphPalette &palette)
{
    m_painter.setPalette(palette);
    update();
}

void GraphTraceItem::plotAreaChanged()
{
    prepareGeometryChange();
    m_area = m_chart->plotArea();
    update();
}

QRectF GraphTraceItem::boundingRect() const
{
    return m_area;
}

void GraphTraceItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    m_painter.paint(*painter, m_area);
}

} // namespace tlv::viewer
