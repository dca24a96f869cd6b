// The chart's mouse: wheel zoom, drag pan, cursor clicks, pointer readout.
#include "viewer/widgets/GraphView.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLegend>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>
#include <utility>

namespace tlv::viewer {

namespace {

constexpr int DragThreshold = 4; // pixels before a press becomes a pan
constexpr double WheelZoom = 0.8; // span kept per wheel step in

} // namespace

bool GraphView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_view->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Wheel:
        return wheelOnChart(*static_cast<QWheelEvent *>(event));
    case QEvent::MouseButtonPress:
        return pressOnChart(*static_cast<QMouseEvent *>(event));
    case QEvent::MouseMove:
        return moveOnChart(*static_cast<QMouseEvent *>(event));
    case QEvent::MouseButtonRelease:
        return releaseOnChart(*static_cast<QMouseEvent *>(event));
    case QEvent::Leave:
        m_pointer->clear();
        return false;
    case QEvent::Resize:
        fitChart();
        return false;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

bool GraphView::wheelOnChart(const QWheelEvent &wheel)
{
    const double steps = wheel.angleDelta().y() / 120.0;
    if (steps == 0)
        return true;
    const auto [low, high] = xRange();
    const double at = pixelToX(wheel.position().x());
    const double factor = std::pow(WheelZoom, steps);
    userRange(at - (at - low) * factor, at + (high - at) * factor);
    return true;
}

bool GraphView::pressOnChart(const QMouseEvent &mouse)
{
    // The legend takes its own clicks, press and release: they hide or show a trace.
    m_legendPressed = m_chart->legend()->sceneBoundingRect().contains(
        m_view->mapToScene(mouse.position().toPoint()));
    if (m_legendPressed)
        return false;
    if (mouse.button() == Qt::LeftButton) {
        m_pressed = true;
        m_dragging = false;
        m_pressAt = mouse.position();
        std::tie(m_pressLow, m_pressHigh) = xRange();
    }
    return true;
}

bool GraphView::moveOnChart(const QMouseEvent &mouse)
{
    const QPointF at = mouse.position();
    if (m_pressed && (m_dragging || std::abs(at.x() - m_pressAt.x()) > DragThreshold)) {
        m_dragging = true;
        const double width = std::max<qreal>(m_chart->plotArea().width(), 1);
        const double shift = -(at.x() - m_pressAt.x()) / width * (m_pressHigh - m_pressLow);
        userRange(m_pressLow + shift, m_pressHigh + shift);
        return true;
    }
    if (m_chart->plotArea().contains(at) && !historyShown()) {
        const int row = snapAt(at.x());
        showRow(row < 0 ? 0 : row - m_data.first + 1);
    }
    return false;
}

bool GraphView::releaseOnChart(const QMouseEvent &mouse)
{
    if (std::exchange(m_legendPressed, false))
        return false;
    const bool inPlot = m_chart->plotArea().contains(mouse.position());
    if (mouse.button() == Qt::LeftButton) {
        const bool click = m_pressed && !m_dragging;
        m_pressed = m_dragging = false;
        if (click && inPlot && historyShown()) {
            snapHistory(mouse.position().x(), true);
        } else if (click && inPlot) {
            const int row = snapAt(mouse.position().x());
            if (row >= 0) {
                setCursorA(row);
                Q_EMIT cursorAMoved(row);
            }
        }
    } else if (mouse.button() == Qt::RightButton && inPlot && historyShown()) {
        snapHistory(mouse.position().x(), false);
    } else if (mouse.button() == Qt::RightButton && inPlot) {
        setCursorB(snapAt(mouse.position().x()));
    }
    return true;
}

} // namespace tlv::viewer
