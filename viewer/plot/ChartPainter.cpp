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

void ChartPainter::paint(QPainter &painter, QSize size) const
{
    const QRectF all(QPointF(0, 0), QSizeF(size));
    painter.fillRect(all, m_palette.background);
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.height();

    const Legend legend = layOutLegend(metrics, all.width() - 2 * Margin);
    const double legendTop = all.bottom() - Margin - legend.rows * line;
    // A low chart would leave its tick labels no room: the record axis gives up its title.
    bool xTitle = size.height() >= CompactChartHeight;
    double bottom
        = legendTop - (legend.rows > 0 ? Margin : 0) - TickLength - line - (xTitle ? line : 0);
    const double top = Margin + line / 2;

    // The value axis only where lines are drawn against it, or nothing else is there.
    const bool valueAxis = m_traces.anyLine || m_traces.laneTitles.isEmpty();
    const double guessHeight = std::max(bottom - top, 1.0);
    const QList<GraphTicks::Tick> valueTicks = valueAxis
        ? GraphTicks::distinct(
            m_traces.valueTicks(guessHeight, line), m_traces.valueAxisLow, m_traces.valueAxisHigh)
        : QList<GraphTicks::Tick>();
    const double laneHigh = std::max(m_traces.laneAxisHigh, 1.0);
    // Lanes lower than a line of text: titles are left out so none overlap.
    const QList<GraphTicks::Tick> laneTicks = GraphTicks::distinct(
        GraphTicks::spaced(m_traces.laneTicks(), guessHeight / laneHigh, 1.5 * line), 0,
        m_traces.laneAxisHigh);
    const double left = Margin + (valueAxis ? widest(metrics, valueTicks) + TickLength + 2 : 0);
    const double right = all.right() - Margin
        - (m_traces.laneTitles.isEmpty() ? 0 : widest(metrics, laneTicks) + TickLength + 2);

    const double xLow = m_traces.xLow;
    const double xHigh = m_traces.xHigh;
    const int width = int(std::max(right - left, 100.0));
    const QString last = m_rows.cell(m_rows.dataRowCount() - 1, 0);
    const int labelWidth = int(std::ceil(metrics.horizontalAdvance(last + QStringLiteral("00"))));
    const int step = GraphTicks::recordStep(
        GraphData::labelStep(m_data.rowCount), xHigh - xLow, width, labelWidth);
    const QList<GraphTicks::Tick> xTicks
        = GraphTicks::distinct(m_data.recordTicks(m_rows, xLow, xHigh, step), xLow, xHigh);
    // An axis without labels (the first few records) would float its title.
    if (xTitle && xTicks.isEmpty()) {
        xTitle = false;
        bottom += line;
    }
    const QRectF area(
        QPointF(left, top), QPointF(std::max(right, left + 1), std::max(bottom, top + 1)));

    const auto toX
        = [&](double x) { return area.left() + (x - xLow) / (xHigh - xLow) * area.width(); };
    const auto toY = [&](double v, double low, double high) {
        return high > low ? area.bottom() - (v - low) / (high - low) * area.height()
                          : area.bottom();
    };

    // Grid lines behind everything.
    QPen gridPen(m_palette.grid);
    gridPen.setWidth(1);
    painter.setPen(gridPen);
    for (const GraphTicks::Tick &tick : valueTicks) {
        const double y = toY(tick.first, m_traces.valueAxisLow, m_traces.valueAxisHigh);
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    for (const GraphTicks::Tick &tick : xTicks)
        painter.drawLine(
            QPointF(toX(tick.first), area.top()), QPointF(toX(tick.first), area.bottom()));

    // Axis lines with their ticks and labels.
    painter.setPen(m_palette.axisLine);
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    if (valueAxis)
        painter.drawLine(area.bottomLeft(), area.topLeft());
    if (!m_traces.laneTitles.isEmpty())
        painter.drawLine(area.bottomRight(), area.topRight());
    for (const GraphTicks::Tick &tick : valueTicks) {
        const double y = toY(tick.first, m_traces.valueAxisLow, m_traces.valueAxisHigh);
        painter.setPen(m_palette.axisLine);
        painter.drawLine(QPointF(area.left() - TickLength, y), QPointF(area.left(), y));
        painter.setPen(m_palette.text);
        painter.drawText(QRectF(Margin, y - line / 2, area.left() - TickLength - 2 - Margin, line),
            Qt::AlignRight | Qt::AlignVCenter, tick.second);
    }
    for (const GraphTicks::Tick &tick : laneTicks) {
        const double y = toY(tick.first, 0, m_traces.laneAxisHigh);
        painter.setPen(m_palette.axisLine);
        painter.drawLine(QPointF(area.right(), y), QPointF(area.right() + TickLength, y));
        painter.setPen(m_palette.text);
        painter.drawText(
            QRectF(area.right() + TickLength + 2, y - line / 2, all.right() - area.right(), line),
            Qt::AlignLeft | Qt::AlignVCenter, tick.second);
    }
    for (const GraphTicks::Tick &tick : xTicks) {
        const double x = toX(tick.first);
        painter.setPen(m_palette.axisLine);
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + TickLength));
        painter.setPen(m_palette.text);
        painter.drawText(QRectF(x - labelWidth, area.bottom() + TickLength, 2 * labelWidth, line),
            Qt::AlignHCenter | Qt::AlignTop, tick.second);
    }
    if (xTitle) {
        painter.setPen(m_palette.text);
        painter.drawText(QRectF(area.left(), area.bottom() + TickLength + line, area.width(), line),
            Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Record"));
    }

    paintMarks(painter, area);

    // Many rows: thin lines, as in the window.
    const bool dense = m_data.rowCount > DenseRows;
    QList<TracePainter::Line> lines;
    for (const GraphData::Series &s : m_data.series)
        lines.append({ m_palette.trace(s.columnNumber),
            s.kind == GraphData::Kind::Analog && m_data.rowCount <= DotRows });
    TracePainter traces;
    traces.setPalette(m_palette);
    traces.setTraces(m_traces, lines);
    traces.setXRange(xLow, xHigh);
    traces.setPenWidth(dense ? 1 : PenWidth, !dense);
    traces.paint(painter, area);

    paintLegend(
        painter, legend, QRectF(Margin, legendTop, all.width() - 2 * Margin, legend.rows * line));
}

} // namespace tlv::viewer
