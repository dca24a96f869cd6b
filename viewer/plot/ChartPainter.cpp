#include "viewer/plot/ChartPainter.h"

#include "viewer/core/RowStore.h"
#include "viewer/plot/GraphTicks.h"
#include "viewer/plot/TracePainter.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tlv::viewer {

namespace {

// As the window draws them.
constexpr int PenWidth = 2;
constexpr int DenseRows = 200; // chart rows from which lines are drawn thin
constexpr int DotRows = 50; // chart rows up to which every value gets a dot
constexpr int CompactChartHeight = 240; // below it the record axis has no title

constexpr double Margin = 6;
constexpr double TickLength = 4;
constexpr double EntryGap = 16; // between legend entries

double widest(const QFontMetricsF &metrics, const QList<GraphTicks::Tick> &ticks)
{
    double width = 0;
    for (const GraphTicks::Tick &tick : ticks)
        width = std::max(width, metrics.horizontalAdvance(tick.second));
    return width;
}

} // namespace

ChartPainter::ChartPainter(const RowStore &rows, const GraphData &data, const GraphTraces &traces,
    const GraphPalette &palette)
    : m_rows(rows)
    , m_data(data)
    , m_traces(traces)
    , m_palette(palette)
{ }

ChartPainter::Legend ChartPainter::layOutLegend(const QFontMetricsF &metrics, double width) const
{
    Legend legend;
    double used = 0;
    for (qsizetype k = 0; k < m_data.series.size() && k < m_traces.traces.size(); ++k) {
        if (m_traces.traces[k].hidden)
            continue;
        const double entry = metrics.height() + metrics.horizontalAdvance(m_data.series[k].title);
        if (legend.rows == 0 || (used > 0 && used + EntryGap + entry > width)) {
            ++legend.rows;
            used = entry;
        } else {
            used += EntryGap + entry;
        }
        legend.series.append(int(k));
        legend.rowOf.append(legend.rows - 1);
    }
    return legend;
}

void ChartPainter::paintLegend(QPainter &painter, const Legend &legend, const QRectF &box) const
{
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.height();
    const double square = std::round(line * 0.6);
    const auto entryWidth
        = [&](int k) { return line + metrics.horizontalAdvance(m_data.series[k].title); };
    for (int row = 0; row < legend.rows; ++row) {
        // Every row centred, as the window's legend is.
        double width = -EntryGap;
        for (qsizetype i = 0; i < legend.series.size(); ++i) {
            if (legend.rowOf[i] == row)
                width += EntryGap + entryWidth(legend.series[i]);
        }
        double x = box.left() + std::max(0.0, (box.width() - width) / 2);
        const double y = box.top() + row * line;
        for (qsizetype i = 0; i < legend.series.size(); ++i) {
            if (legend.rowOf[i] != row)
                continue;
            const GraphData::Series &s = m_data.series[legend.series[i]];
            painter.fillRect(QRectF(x, y + (line - square) / 2, square, square),
                m_palette.trace(s.columnNumber));
            painter.setPen(m_palette.text);
            painter.drawText(QRectF(x + line, y, box.right() - x - line, line),
                Qt::AlignLeft | Qt::AlignVCenter, s.title);
            x += entryWidth(legend.series[i]) + EntryGap;
        }
    }
}

void ChartPainter::paintMarks(QPainter &painter, const QRectF &area) const
{
    // Status and separator rows: a thin mark across the plot where the lines break.
    const double span = m_traces.xHigh - m_traces.xLow;
    for (int i = 0; i < m_data.records && i < m_traces.x.size(); ++i) {
        const RowStore::RowKind kind = m_data.kinds.value(i);
        if (kind == RowStore::RowKind::Record)
            continue;
        const bool separator = isSeparator(kind);
        QPen pen(separator ? m_palette.separatorMark : m_palette.statusMark);
        pen.setWidth(separator ? 2 : 1);
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        const double px = area.left() + (m_traces.x[i] - m_traces.xLow) / span * area.width();
        painter.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
    }
}

ChartPainter::Layout ChartPainter::layOut(const QFontMetricsF &metrics, QSize size) const
{
    Layout l;
    l.all = QRectF(QPointF(0, 0), QSizeF(size));
    l.line = metrics.height();
    const double line = l.line;

    l.legend = layOutLegend(metrics, l.all.width() - 2 * Margin);
    l.legendTop = l.all.bottom() - Margin - l.legend.rows * line;
    // A low chart would leave its tick labels no room: the record axis gives up its title.
    l.xTitle = size.height() >= CompactChartHeight;
    double bottom = l.legendTop - (l.legend.rows > 0 ? Margin : 0) - TickLength - line
        - (l.xTitle ? line : 0);
    const double top = Margin + line / 2;

    // The value axis only where lines are drawn against it, or nothing else is there.
    l.valueAxis = m_traces.anyLine || m_traces.laneTitles.isEmpty();
    const double guessHeight = std::max(bottom - top, 1.0);
    if (l.valueAxis)
        l.valueTicks = GraphTicks::distinct(
            m_traces.valueTicks(guessHeight, line), m_traces.valueAxisLow, m_traces.valueAxisHigh);
    const double laneHigh = std::max(m_traces.laneAxisHigh, 1.0);
    // Lanes lower than a line of text: titles are left out so none overlap.
    l.laneTicks = GraphTicks::distinct(
        GraphTicks::spaced(m_traces.laneTicks(), guessHeight / laneHigh, 1.5 * line), 0,
        m_traces.laneAxisHigh);
    const double left = Margin + (l.valueAxis ? widest(metrics, l.valueTicks) + TickLength + 2 : 0);
    const double right = l.all.right() - Margin
        - (m_traces.laneTitles.isEmpty() ? 0 : widest(metrics, l.laneTicks) + TickLength + 2);

    const double xLow = m_traces.xLow;
    const double xHigh = m_traces.xHigh;
    const int width = int(std::max(right - left, 100.0));
    const QString last = m_rows.cell(m_rows.dataRowCount() - 1, 0);
    l.labelWidth = int(std::ceil(metrics.horizontalAdvance(last + QStringLiteral("00"))));
    const int step = GraphTicks::recordStep(
        GraphData::labelStep(m_data.rowCount), xHigh - xLow, width, l.labelWidth);
    l.xTicks = GraphTicks::distinct(m_data.recordTicks(m_rows, xLow, xHigh, step), xLow, xHigh);
    // An axis without labels (the first few records) would float its title.
    if (l.xTitle && l.xTicks.isEmpty()) {
        l.xTitle = false;
        bottom += line;
    }
    l.area
        = QRectF(QPointF(left, top), QPointF(std::max(right, left + 1), std::max(bottom, top + 1)));
    return l;
}

double ChartPainter::toX(const Layout &layout, double x) const
{
    return layout.area.left()
        + (x - m_traces.xLow) / (m_traces.xHigh - m_traces.xLow) * layout.area.width();
}

double ChartPainter::toY(const Layout &layout, double v, double low, double high)
{
    const QRectF &area = layout.area;
    return high > low ? area.bottom() - (v - low) / (high - low) * area.height() : area.bottom();
}

void ChartPainter::paintGrid(QPainter &painter, const Layout &l) const
{
    QPen gridPen(m_palette.grid);
    gridPen.setWidth(1);
    painter.setPen(gridPen);
    for (const GraphTicks::Tick &tick : l.valueTicks) {
        const double y = toY(l, tick.first, m_traces.valueAxisLow, m_traces.valueAxisHigh);
        painter.drawLine(QPointF(l.area.left(), y), QPointF(l.area.right(), y));
    }
    for (const GraphTicks::Tick &tick : l.xTicks)
        painter.drawLine(QPointF(toX(l, tick.first), l.area.top()),
            QPointF(toX(l, tick.first), l.area.bottom()));
}

void ChartPainter::paintAxes(QPainter &painter, const Layout &l) const
{
    const QRectF &area = l.area;
    const double line = l.line;
    painter.setPen(m_palette.axisLine);
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    if (l.valueAxis)
        painter.drawLine(area.bottomLeft(), area.topLeft());
    if (!m_traces.laneTitles.isEmpty())
        painter.drawLine(area.bottomRight(), area.topRight());
    for (const GraphTicks::Tick &tick : l.valueTicks) {
        const double y = toY(l, tick.first, m_traces.valueAxisLow, m_traces.valueAxisHigh);
        painter.setPen(m_palette.axisLine);
        painter.drawLine(QPointF(area.left() - TickLength, y), QPointF(area.left(), y));
        painter.setPen(m_palette.text);
        painter.drawText(QRectF(Margin, y - line / 2, area.left() - TickLength - 2 - Margin, line),
            Qt::AlignRight | Qt::AlignVCenter, tick.second);
    }
    for (const GraphTicks::Tick &tick : l.laneTicks) {
        const double y = toY(l, tick.first, 0, m_traces.laneAxisHigh);
        painter.setPen(m_palette.axisLine);
        painter.drawLine(QPointF(area.right(), y), QPointF(area.right() + TickLength, y));
        painter.setPen(m_palette.text);
        painter.drawText(
            QRectF(area.right() + TickLength + 2, y - line / 2, l.all.right() - area.right(), line),
            Qt::AlignLeft | Qt::AlignVCenter, tick.second);
    }
    for (const GraphTicks::Tick &tick : l.xTicks) {
        const double x = toX(l, tick.first);
        painter.setPen(m_palette.axisLine);
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + TickLength));
        painter.setPen(m_palette.text);
        painter.drawText(
            QRectF(x - l.labelWidth, area.bottom() + TickLength, 2 * l.labelWidth, line),
            Qt::AlignHCenter | Qt::AlignTop, tick.second);
    }
    if (l.xTitle) {
        painter.setPen(m_palette.text);
        painter.drawText(QRectF(area.left(), area.bottom() + TickLength + line, area.width(), line),
            Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Record"));
    }
}

void ChartPainter::paintLines(QPainter &painter, const QRectF &area) const
{
    // Many rows: thin lines, as in the window.
    const bool dense = m_data.rowCount > DenseRows;
    QList<TracePainter::Line> lines;
    for (const GraphData::Series &s : m_data.series)
        lines.append({ m_palette.trace(s.columnNumber),
            s.kind == GraphData::Kind::Analog && m_data.rowCount <= DotRows });
    TracePainter traces;
    traces.setPalette(m_palette);
    traces.setTraces(m_traces, lines);
    traces.setXRange(m_traces.xLow, m_traces.xHigh);
    traces.setPenWidth(dense ? 1 : PenWidth, !dense);
    traces.paint(painter, area);
}

void ChartPainter::paint(QPainter &painter, QSize size) const
{
    const Layout l = layOut(QFontMetricsF(painter.font()), size);
    painter.fillRect(l.all, m_palette.background);
    paintGrid(painter, l); // behind everything
    paintAxes(painter, l);
    paintMarks(painter, l.area);
    paintLines(painter, l.area);
    paintLegend(painter, l.legend,
        QRectF(Margin, l.legendTop, l.all.width() - 2 * Margin, l.legend.rows * l.line));
}

} // namespace tlv::viewer
