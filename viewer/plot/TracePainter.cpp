#include "viewer/plot/TracePainter.h"

#include "viewer/plot/GraphTicks.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tlv::viewer {

namespace {

constexpr double DotRadius = 3.0;
constexpr int BandTickPixels = 20; // least height per tick on a band's axis
constexpr double LabelPitch = 1.5; // lines of text from one label to the next

} // namespace

const QImage &TracePainter::dot(const QColor &colour)
{
    auto found = m_dots.find(colour.rgba());
    if (found == m_dots.end()) {
        const int size = int(2 * DotRadius) + 1;
        QImage stamp(size, size, QImage::Format_ARGB32_Premultiplied);
        stamp.fill(Qt::transparent);
        QPainter p(&stamp);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QPointF(size / 2.0, size / 2.0), DotRadius, DotRadius);
        p.end();
        found = m_dots.insert(colour.rgba(), stamp);
    }
    return *found;
}

void TracePainter::setTraces(const GraphTraces &traces, const QList<Line> &lines)
{
    m_traces = traces;
    m_lines = lines;
    m_shownValid = false;
}

void TracePainter::setXRange(double low, double high)
{
    m_xLow = low;
    m_xHigh = high;
}

void TracePainter::setPenWidth(int width, bool smooth)
{
    m_penWidth = width;
    m_smooth = smooth;
}

const GraphTraces &TracePainter::shown(int columns)
{
    if (!m_shownValid || m_shownLow != m_xLow || m_shownHigh != m_xHigh
        || m_shownColumns != columns) {
        m_shown = m_traces.shownIn(m_xLow, m_xHigh, columns);
        m_shownValid = true;
        m_shownLow = m_xLow;
        m_shownHigh = m_xHigh;
        m_shownColumns = columns;
    }
    return m_shown;
}

void TracePainter::paint(QPainter &painter, const QRectF &area)
{
    if (area.isEmpty() || !(m_xHigh > m_xLow))
        return;
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing, m_smooth);
    const double xScale = area.width() / (m_xHigh - m_xLow);
    // More records than pixel columns: only what each column can show is drawn.
    const GraphTraces &traces = shown(int(std::ceil(area.width())));
    for (qsizetype k = 0; k < traces.traces.size() && k < m_lines.size(); ++k) {
        const GraphTraces::Trace &trace = traces.traces[k];
        const double yLow = trace.lane ? 0.0 : traces.valueAxisLow;
        const double yHigh = trace.lane ? traces.laneAxisHigh : traces.valueAxisHigh;
        if (!(yHigh > yLow))
            continue;
        const double yScale = area.height() / (yHigh - yLow);
        if (trace.band && !trace.hidden)
            paintBandAxis(painter, area, trace, yScale);
        QPen pen(m_lines[k].colour);
        pen.setWidth(m_penWidth);
        painter.setPen(pen);
        QPolygonF polygon;
        for (const QList<QPointF> &segment : trace.segments) {
            polygon.resize(segment.size());
            for (qsizetype i = 0; i < segment.size(); ++i)
                polygon[i] = QPointF(area.left() + (segment[i].x() - m_xLow) * xScale,
                    area.bottom() - (segment[i].y() - yLow) * yScale);
            if (polygon.size() > 1)
                painter.drawPolyline(polygon);
            // A lone value between gaps would draw nothing as a line. Dots are
            // stamped from one picture: hundreds of smoothed circles are slow.
            if (polygon.size() == 1 || m_lines[k].dots) {
                const QImage &stamp = dot(m_lines[k].colour);
                const QPoint offset(stamp.width() / 2, stamp.height() / 2);
                for (const QPointF &p : std::as_const(polygon))
                    painter.drawImage(p.toPoint() - offset, stamp);
            }
        }
    }
    painter.restore();
}

void TracePainter::paintBandAxis(
    QPainter &painter, const QRectF &area, const GraphTraces::Trace &trace, double yScale)
{
    const auto toY = [&](double laneY) { return area.bottom() - laneY * yScale; };
    const double bandPixels = GraphTraces::BandHeight * yScale;
    const QFontMetricsF metrics(painter.font());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen gridPen(m_palette.grid);
    gridPen.setCosmetic(true);
    painter.setPen(gridPen);
    const double base = toY(trace.bandBase);
    const double top = toY(trace.bandBase + GraphTraces::BandHeight);
    painter.drawLine(QPointF(area.left(), base), QPointF(area.right(), base));
    // Too low for a label: the band keeps its line and its name on the right.
    if (!trace.any || bandPixels < metrics.height()) {
        painter.restore();
        return;
    }
    // Labels inside the plot at its left edge, kept within the band.
    const auto textTop = [&](double value) {
        const double y = toY(GraphTraces::inBand(trace, value));
        return std::clamp(y - metrics.height() / 2, top, base - metrics.height());
    };
    // Never closer than the value axis's labels. The nice steps can give more ticks than
    // asked for, and the band's edges push its end labels inwards: fewer are asked for
    // until they fit, and what still crowds is left out.
    const double least = LabelPitch * metrics.height();
    const auto spaced = [&](const QList<GraphTicks::Tick> &ticks) {
        QList<GraphTicks::Tick> kept;
        for (const GraphTicks::Tick &tick : ticks) {
            if (kept.isEmpty() || textTop(kept.last().first) - textTop(tick.first) >= least)
                kept.append(tick);
        }
        return kept;
    };
    // A flat line gets one label, at its value.
    QList<GraphTicks::Tick> kept;
    if (trace.high > trace.low) {
        const double pitch = std::max<double>(BandTickPixels, least);
        for (int target = std::max(1, int(bandPixels / pitch)); target >= 1; --target) {
            const QList<GraphTicks::Tick> ticks
                = GraphTicks::valueTicks(trace.low, trace.high, target);
            kept = spaced(ticks);
            if (kept.size() == ticks.size())
                break;
        }
    } else {
        kept.append({ trace.low, GraphTicks::valueText(trace.low, 1) });
    }
    for (const auto &[value, label] : std::as_const(kept)) {
        const double y = toY(GraphTraces::inBand(trace, value));
        painter.setPen(gridPen);
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        const double textY = textTop(value);
        painter.setPen(m_palette.text);
        painter.drawText(QRectF(area.left() + 3, textY, area.width() / 3, metrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter, label);
    }
    painter.restore();
}

} // namespace tlv::viewer
