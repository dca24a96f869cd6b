#include "viewer/widgets/GraphView.h"

#include "common/Prompter.h"
#include "viewer/core/ControlCore.h"
#include "viewer/plot/ChartImage.h"
#include "viewer/plot/GraphTicks.h"
#include "viewer/widgets/GraphHistory.h"
#include "viewer/widgets/GraphTraceItem.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGraphicsLineItem>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tlv::viewer {

namespace {

constexpr int PenWidth = 2;
constexpr int DenseRows = 200; // chart rows from which lines are drawn thin
constexpr int PixelsPerTick = 70;
constexpr int CompactChartHeight = 240; // below it the record axis has no title
constexpr double LabelPitch = 1.5; // side labels a line high, this many lines apart at least

constexpr double HiddenAlpha = 0.3; // a hidden trace's legend entry

// Category labels at the ticks; a label repeated (two rows with one record
// number) is written once, as the axis needs unique labels.
void setTicks(QCategoryAxis *axis, const QList<GraphTicks::Tick> &ticks, double low, double high)
{
    const QList<GraphTicks::Tick> wanted = GraphTicks::distinct(ticks, low, high);
    // Every change of the categories lays the axis out again: only real ones are made.
    const QStringList old = axis->categoriesLabels();
    bool same = old.size() == wanted.size() && axis->startValue() == low;
    for (qsizetype i = 0; same && i < wanted.size(); ++i)
        same = old[i] == wanted[i].second && axis->endValue(old[i]) == wanted[i].first;
    if (same) {
        if (axis->min() != low || axis->max() != high)
            axis->setRange(low, high);
        return;
    }
    for (const QString &label : old)
        axis->remove(label);
    axis->setStartValue(low);
    for (const auto &[value, text] : std::as_const(wanted))
        axis->append(text, value);
    axis->setRange(low, high);
}

QCategoryAxis *newAxis(const QPen &grid)
{
    auto *axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setGridLinePen(grid);
    // The ticks are thinned to fit their labels whole; the chart's own guess of
    // the room (the same share for every label) would cut some to "...".
    axis->setTruncateLabels(false);
    return axis;
}

} // namespace

GraphView::GraphView(ControlCore &core, QWidget *parent)
    : QWidget(parent)
    , m_core(core)
    , m_chart(new QChart)
{
    setObjectName(QStringLiteral("graph"));
    buildChart();
    connect(&m_core, &ControlCore::followNewestChanged, this, &GraphView::onFollowNewestChanged);
    QHBoxLayout *tools = buildTools();
    buildReadout();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(tools);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_readoutArea);

    m_traceItem = new GraphTraceItem(m_chart);
    applyPalette();
    connectChanges();
}

// The chart, its three axes, its view and the two cursor lines.
void GraphView::buildChart()
{
    m_chart->legend()->setVisible(true);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_chart->setBackgroundRoundness(0);

    QPen grid;
    grid.setWidth(1);
    m_axisX = newAxis(grid);
    m_axisX->setTitleText(QStringLiteral("Record"));
    m_axisY = newAxis(grid);
    m_axisLanes = newAxis(grid);
    m_axisLanes->setGridLineVisible(false);
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    m_chart->addAxis(m_axisLanes, Qt::AlignRight);
    m_axisLanes->setVisible(false);

    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(200, 120);
    m_view->viewport()->installEventFilter(this);
    m_view->viewport()->setMouseTracking(true);

    const auto cursorLine
        = [this](const QString &tag, QGraphicsLineItem **line, QGraphicsSimpleTextItem **text) {
              *line = new QGraphicsLineItem(m_chart);
              (*line)->setZValue(20);
              (*line)->hide();
              *text = new QGraphicsSimpleTextItem(tag, m_chart);
              (*text)->setZValue(20);
              (*text)->hide();
          };
    cursorLine(QStringLiteral("A"), &m_lineA, &m_tagA);
    cursorLine(QStringLiteral("B"), &m_lineB, &m_tagB);
}

void GraphView::onFollowNewestChanged(bool on)
{
    // Off: the rows in view now stay in view, the zoom with them. On: back
    // to the newest rows, all of them.
    if (on)
        m_firstRow = -1;
    else if (m_core.graphShown())
        m_firstRow = m_data.first;
    else
        m_firstRow = std::max(0, m_core.rows().dataRowCount() - m_core.maxGraph());
    if (on) {
        m_zoomed = false;
        m_fullView->setEnabled(false);
    }
    if (m_core.graphShown())
        fill();
}

// The bar above the chart: axis choice, scaling options, pointer value, buttons.
QHBoxLayout *GraphView::buildTools()
{
    m_axisChoice = new QComboBox(this);
    m_axisChoice->setObjectName(QStringLiteral("axisChoice"));
    m_axisChoice->addItems({ QStringLiteral("Record axis"), QStringLiteral("PC time axis") });
    m_axisChoice->setToolTip(QStringLiteral("Place the records by number or by their PC time"));
    connect(m_axisChoice, &QComboBox::currentIndexChanged, this,
        [this](int index) { setTimeAxis(index == 1); });

    m_ownRanges = new QCheckBox(QStringLiteral("Own ranges"), this);
    m_ownRanges->setObjectName(QStringLiteral("ownRanges"));
    m_ownRanges->setToolTip(
        QStringLiteral("Scale every line to its own range (0-100 %), so small and large "
                       "values are both readable"));
    connect(m_ownRanges, &QCheckBox::toggled, this, &GraphView::setOwnRanges);

    m_lanes = new QCheckBox(QStringLiteral("Lanes"), this);
    m_lanes->setObjectName(QStringLiteral("lanes"));
    m_lanes->setToolTip(QStringLiteral("Stack the lines, each in a band with its own axis"));
    connect(m_lanes, &QCheckBox::toggled, this, &GraphView::setLanes);

    m_fullView = new QToolButton(this);
    m_fullView->setObjectName(QStringLiteral("fullViewButton"));
    m_fullView->setText(QStringLiteral("Full view"));
    m_fullView->setToolTip(QStringLiteral("Back to every chart row"));
    m_fullView->setEnabled(false);
    connect(m_fullView, &QToolButton::clicked, this, &GraphView::resetZoom);

    auto *save = new QToolButton(this);
    save->setObjectName(QStringLiteral("saveChartButton"));
    save->setText(QStringLiteral("Save..."));
    save->setToolTip(QStringLiteral("Save the chart as a PNG or SVG picture"));
    connect(save, &QToolButton::clicked, this, &GraphView::saveByUser);

    m_pointer = new QLabel(this);
    m_pointer->setObjectName(QStringLiteral("pointerValue"));
    m_pointer->setTextFormat(Qt::PlainText);
    m_pointer->setMinimumWidth(40);
    // A long readout is cut rather than widening the bar.
    m_pointer->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pointer->setToolTip(QStringLiteral("Wheel: zoom   drag: pan   click: cursor A   "
                                         "right click: cursor B"));
    auto *tools = new QHBoxLayout;
    tools->setContentsMargins(4, 0, 4, 0);
    tools->addWidget(m_axisChoice);
    tools->addWidget(m_ownRanges);
    tools->addWidget(m_lanes);
    tools->addWidget(m_pointer, 1);
    tools->addWidget(m_fullView);
    tools->addWidget(save);
    return tools;
}

void GraphView::buildReadout()
{
    m_readout = new QLabel;
    m_readout->setObjectName(QStringLiteral("cursorReadout"));
    m_readout->setTextFormat(Qt::PlainText);
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_readout->setWordWrap(false);
    m_readout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Many series make a long readout: it scrolls rather than squeezing the chart.
    m_readoutArea = new QScrollArea(this);
    m_readoutArea->setWidget(m_readout);
    m_readoutArea->setWidgetResizable(true);
    m_readoutArea->setFrameShape(QFrame::NoFrame);
}

void GraphView::connectChanges()
{
    connect(m_chart, &QChart::plotAreaChanged, this, [this](const QRectF &area) {
        m_traceItem->plotAreaChanged();
        // How many value ticks and lane titles fit depends on the height.
        if (int(area.height()) != m_plotHeight) {
            m_plotHeight = int(area.height());
            updateAxes();
        } else {
            relabelX();
        }
        placeMarks();
    });
    connect(&m_core, &ControlCore::historyChanged, this, [this] {
        m_recordA.reset();
        m_recordB.reset();
        m_recordPositions.clear();
        m_zoomed = false;
        m_fullView->setEnabled(false);
        if (m_core.graphShown())
            fill();
    });
    const RowStore &rows = m_core.rows();
    connect(&rows, &QAbstractItemModel::rowsRemoved, this,
        [this](const QModelIndex &, int first, int last) {
            if (first == 0)
                onRowsRemoved(last + 1);
        });
    connect(&rows, &QAbstractItemModel::modelReset, this, [this] {
        m_cursorA = m_cursorB = -1;
        m_firstRow = m_core.followNewest() ? -1 : 0;
        // What was read at the cursors and the pointer goes with the rows, shown or not.
        m_pointer->clear();
        placeMarks();
        updateReadout();
    });
}

void GraphView::setUp()
{
    m_data
        = GraphData::build(m_core.rows(), m_core.maxGraph(), &m_core.cycle().columns(), m_firstRow);
    rebuildSeries();
    m_zoomed = false;
    m_fullView->setEnabled(false);
    fill();
}

void GraphView::rebuildSeries()
{
    for (QLineSeries *line : std::as_const(m_lines)) {
        m_chart->removeSeries(line);
        delete line;
    }
    m_lines.clear();
    // Empty series: they give the legend and tie the axes to the chart; the
    // trace item draws the lines.
    for (const GraphData::Series &d : std::as_const(m_data.series)) {
        auto *line = new QLineSeries;
        line->setName(d.title);
        line->setColor(m_palette.trace(d.columnNumber));
        m_chart->addSeries(line);
        line->attachAxis(m_axisX);
        line->attachAxis(d.kind == GraphData::Kind::Lane ? m_axisLanes : m_axisY);
        m_lines.append(line);
        const int column = d.columnNumber;
        const QList<QLegendMarker *> markers = m_chart->legend()->markers(line);
        for (QLegendMarker *marker : markers) {
            connect(marker, &QLegendMarker::clicked, this, [this, column] {
                setTraceHidden(column, !m_options.hiddenColumns.contains(column));
            });
        }
    }
    markLegend();
}

void GraphView::markLegend()
{
    for (qsizetype k = 0; k < m_lines.size() && k < m_data.series.size(); ++k) {
        const bool hidden = m_options.hiddenColumns.contains(m_data.series[k].columnNumber);
        QColor colour = m_palette.trace(m_data.series[k].columnNumber);
        QColor label = m_palette.text;
        if (hidden) {
            colour.setAlphaF(HiddenAlpha);
            label.setAlphaF(HiddenAlpha);
        }
        const QList<QLegendMarker *> markers = m_chart->legend()->markers(m_lines[k]);
        for (QLegendMarker *marker : markers) {
            marker->setBrush(colour);
            marker->setPen(QPen(colour));
            marker->setLabelBrush(label);
        }
    }
}

void GraphView::setTraceHidden(int columnNumber, bool hidden)
{
    if (m_options.hiddenColumns.contains(columnNumber) == hidden)
        return;
    if (hidden)
        m_options.hiddenColumns.insert(columnNumber);
    else
        m_options.hiddenColumns.remove(columnNumber);
    markLegend();
    if (!m_lines.isEmpty())
        fill();
}

void GraphView::applyPalette()
{
    m_palette = GraphPalette(palette());
    m_chart->setBackgroundBrush(m_palette.background);
    m_chart->setBackgroundPen(Qt::NoPen);
    m_chart->setPlotAreaBackgroundVisible(false);
    m_chart->setTitleBrush(m_palette.text);
    m_chart->legend()->setLabelColor(m_palette.text);
    for (QCategoryAxis *axis : { m_axisX, m_axisY, m_axisLanes }) {
        axis->setLabelsBrush(m_palette.text);
        axis->setTitleBrush(m_palette.text);
        axis->setLinePenColor(m_palette.axisLine);
        axis->setGridLineColor(m_palette.grid);
    }
    const auto cursor
        = [](QGraphicsLineItem *line, QGraphicsSimpleTextItem *tag, const QColor &colour) {
              QPen pen(colour);
              pen.setCosmetic(true); // one pixel at any scale, and quick to dash
              pen.setWidth(1);
              pen.setStyle(Qt::DashLine);
              line->setPen(pen);
              tag->setBrush(colour);
          };
    cursor(m_lineA, m_tagA, m_palette.cursorA);
    cursor(m_lineB, m_tagB, m_palette.cursorB);
    m_traceItem->setPalette(m_palette);
    for (qsizetype k = 0; k < m_lines.size() && k < m_data.series.size(); ++k)
        m_lines[k]->setColor(m_palette.trace(m_data.series[k].columnNumber));
    markLegend();
    placeLines();
    placeMarks();
}

void GraphView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_traceItem)
        applyPalette();
}

void GraphView::fill()
{
    if (historyShown()) {
        fillHistory();
        return;
    }
    m_data
        = GraphData::build(m_core.rows(), m_core.maxGraph(), &m_core.cycle().columns(), m_firstRow);
    showData();
}

void GraphView::showData()
{
    bool same = m_data.series.size() == m_lines.size();
    for (qsizetype k = 0; same && k < m_lines.size(); ++k)
        same = m_lines[k]->name() == m_data.series[k].title;
    if (!same)
        rebuildSeries();
    m_traces = GraphTraces::build(m_data, m_options);
    placeLines();
    updateAxes();
    placeMarks();
    updateReadout();
}

void GraphView::placeLines()
{
    // Many rows: thin lines without smoothing keep a repaint within a few ms.
    const bool dense = m_data.rowCount > DenseRows;
    m_traceItem->setPenWidth(dense ? 1 : PenWidth, !dense);
    QList<GraphTraceItem::Line> lines;
    for (const GraphData::Series &d : std::as_const(m_data.series))
        lines.append({ m_palette.trace(d.columnNumber),
            d.kind == GraphData::Kind::Analog && m_data.rowCount <= 50 });
    m_traceItem->setTraces(m_traces, lines);
}

std::pair<double, double> GraphView::xRange() const
{
    if (m_zoomed)
        return { m_zoomLow, m_zoomHigh };
    return { m_traces.xLow, m_traces.xHigh };
}

void GraphView::setXRange(double low, double high)
{
    const double minSpan = m_options.timeAxis ? 0.01 : 2.0;
    if (!(high - low >= minSpan)) {
        const double mid = (low + high) / 2;
        low = mid - minSpan / 2;
        high = mid + minSpan / 2;
    }
    m_zoomed = true;
    m_zoomLow = low;
    m_zoomHigh = high;
    m_fullView->setEnabled(true);
    if (historyShown()) {
        fill();
        return;
    }
    relabelX();
    placeMarks();
}

void GraphView::userRange(double low, double high)
{
    // Leaving follow first: the rows in view are then the ones the range is on.
    m_core.setFollowNewest(false);
    setXRange(low, high);
}

void GraphView::resetZoom()
{
    m_zoomed = false;
    m_fullView->setEnabled(false);
    if (!m_lines.isEmpty())
        fill();
}

void GraphView::updateAxes()
{
    const int lanes = int(m_traces.laneTitles.size());
    m_axisLanes->setVisible(lanes > 0);
    QList<GraphTicks::Tick> laneTicks = m_traces.laneTicks();
    // Lanes lower than a line of text: titles are left out so none overlap.
    const double pixelsPerUnit = m_chart->plotArea().height() > 0
        ? m_chart->plotArea().height() / std::max(m_traces.laneAxisHigh, 1.0)
        : 1e9;
    const double textHeight = QFontMetricsF(m_axisLanes->labelsFont()).height();
    laneTicks = GraphTicks::spaced(laneTicks, pixelsPerUnit, LabelPitch * textHeight);
    setTicks(m_axisLanes, laneTicks, 0, m_traces.laneAxisHigh);

    const bool lines = m_traces.anyLine || lanes == 0;
    m_axisY->setVisible(lines);
    const double plotHeight = m_chart->plotArea().height();
    const double valueHeight = QFontMetricsF(m_axisY->labelsFont()).height();
    QList<GraphTicks::Tick> ticks;
    if (m_options.ownRanges) {
        for (int p = 0; p <= 100; p += 25)
            ticks.append({ p / 100.0, QString::number(p) + QStringLiteral(" %") });
        const double span = m_traces.valueAxisHigh - m_traces.valueAxisLow;
        if (plotHeight > 0 && span > 0)
            ticks = GraphTicks::spaced(ticks, plotHeight / span, LabelPitch * valueHeight);
    } else {
        ticks = m_traces.valueTicks(plotHeight, valueHeight);
    }
    m_axisY->setTitleText(m_options.ownRanges ? QStringLiteral("Share of own range") : QString());
    setTicks(m_axisY, ticks, m_traces.valueAxisLow, m_traces.valueAxisHigh);
    m_axisX->setTitleText(
        m_options.timeAxis ? QStringLiteral("PC time") : QStringLiteral("Record"));
    relabelX();
}

void GraphView::relabelX()
{
    const auto [low, high] = xRange();
    const int width = int(std::max<qreal>(m_chart->plotArea().width(), 100));
    int target = std::max(2, width / PixelsPerTick);
    QList<GraphTicks::Tick> ticks;
    if (m_options.timeAxis) {
        // Clock labels are wide: as many as fit side by side with a gap.
        const QFontMetrics metrics(m_axisX->labelsFont());
        const bool ms = GraphTicks::niceTimeStep(high - low, target) < 1.0;
        const int labelWidth = metrics.horizontalAdvance(
            ms ? QStringLiteral("00:00:00.000") : QStringLiteral("00:00:00"));
        target = std::clamp(width / (labelWidth + metrics.averageCharWidth() * 2), 1, target);
        ticks = GraphTicks::timeTicks(low, high, timeOrigin(), target);
    } else if (historyShown()) {
        // Row numbers of the recording, whole ones only.
        const double step = std::max(1.0, GraphTicks::niceStep(high - low, target));
        for (double v : GraphTicks::multiples(low, high, step))
            ticks.append({ v, QString::number(std::llround(v)) });
    } else {
        // The whole chart is labelled on its label step; zoomed, the step
        // grows or shrinks with the span in view. Where the labels of the step
        // would overlap (and the chart would drop some at random), the step
        // takes a 1/2/5 multiple so every label shown is one of them.
        const int labelStep = GraphData::labelStep(m_core.maxGraph());
        int step = labelStep;
        if (m_zoomed) {
            const QString widest = m_core.rows().cell(m_core.rows().dataRowCount() - 1, 0);
            const int labelWidth = QFontMetrics(m_axisX->labelsFont())
                                       .horizontalAdvance(widest + QStringLiteral("00"));
            target = std::clamp(width / std::max(labelWidth, 1), 1, target);
            step = std::max(1, int(std::ceil(GraphTicks::niceStep(high - low, target))));
        } else {
            const QString widest = m_core.rows().cell(m_core.rows().dataRowCount() - 1, 0);
            const int labelWidth = QFontMetrics(m_axisX->labelsFont())
                                       .horizontalAdvance(widest + QStringLiteral("00"));
            step = GraphTicks::recordStep(labelStep, high - low, width, labelWidth);
        }
        ticks = m_data.recordTicks(m_core.rows(), low, high, step);
    }
    // A label centred on a tick near the chart's edge would be cut there: it is left out.
    const QRectF area = m_chart->plotArea();
    const QFontMetricsF labelMetrics(m_axisX->labelsFont());
    ticks = GraphTicks::wholeLabels(ticks, { low, high }, { area.left(), area.right() },
        { 0.0, m_chart->size().width() },
        [&labelMetrics](const QString &text) { return labelMetrics.horizontalAdvance(text); });
    setTicks(m_axisX, ticks, low, high);
    m_traceItem->setXRange(low, high);
    // An axis without labels (the first few records) would float its title.
    m_axisX->setTitleVisible(!m_compact && !m_axisX->categoriesLabels().isEmpty());
}

double GraphView::xOfRow(int gridRow) const
{
    const int i = gridRow - m_data.first;
    if (i < 0 || i >= m_traces.x.size())
        return qQNaN();
    return m_traces.x[i];
}

double GraphView::pixelToX(double px) const
{
    const QRectF area = m_chart->plotArea();
    const auto [low, high] = xRange();
    if (area.width() <= 0)
        return low;
    return low + (px - area.left()) / area.width() * (high - low);
}

int GraphView::snapAt(double px) const
{
    return GraphCursors::snap(m_data, m_traces.x, pixelToX(px));
}

void GraphView::placeMarks()
{
    const QRectF area = m_chart->plotArea();
    const auto [low, high] = xRange();
    const auto toPixel
        = [&](double x) { return area.left() + (x - low) / (high - low) * area.width(); };
    const auto placeAt = [&](QGraphicsLineItem *line, QGraphicsSimpleTextItem *tag, double x) {
        const bool shown = !std::isnan(x) && x >= low && x <= high && high > low;
        line->setVisible(shown);
        if (tag)
            tag->setVisible(shown);
        if (!shown)
            return;
        const double px = toPixel(x);
        line->setLine(px, area.top(), px, area.bottom());
        if (tag)
            tag->setPos(px + 3, area.top() + 1);
    };
    const auto place = [&](QGraphicsLineItem *line, QGraphicsSimpleTextItem *tag, int row) {
        placeAt(line, tag, xOfRow(row));
    };
    if (historyShown()) {
        const auto xOf = [this](const std::optional<HistoryRecord> &r) {
            return r ? GraphHistory::xOf(*r, m_options.timeAxis, timeOrigin()) : qQNaN();
        };
        placeAt(m_lineA, m_tagA, xOf(m_recordA));
        placeAt(m_lineB, m_tagB, xOf(m_recordB));
    } else {
        place(m_lineA, m_tagA, m_cursorA);
        place(m_lineB, m_tagB, m_cursorB);
    }

    // Status and separator rows: a thin mark on the axis where the lines break.
    int used = 0;
    for (int i = 0; i < m_data.records && i < m_traces.x.size(); ++i) {
        const RowStore::RowKind kind = m_data.kinds.value(i);
        if (kind == RowStore::RowKind::Record)
            continue;
        if (used == m_marks.size()) {
            auto *mark = new QGraphicsLineItem(m_chart);
            mark->setZValue(10);
            m_marks.append(mark);
        }
        QGraphicsLineItem *mark = m_marks[used++];
        QPen pen(isSeparator(kind) ? m_palette.separatorMark : m_palette.statusMark);
        pen.setWidth(isSeparator(kind) ? 2 : 1);
        pen.setCosmetic(true);
        pen.setStyle(Qt::DotLine);
        mark->setPen(pen);
        place(mark, nullptr, m_data.first + i);
    }
    for (int i = used; i < m_marks.size(); ++i)
        m_marks[i]->hide();
}

void GraphView::setCursorA(int gridRow)
{
    m_cursorA = cursorRow(gridRow);
    if (historyShown())
        m_recordA = historyRecordOf(m_cursorA);
    placeMarks();
    updateReadout();
}

void GraphView::setCursorB(int gridRow)
{
    m_cursorB = cursorRow(gridRow);
    if (historyShown())
        m_recordB = historyRecordOf(m_cursorB);
    placeMarks();
    updateReadout();
}

std::optional<qint64> GraphView::cursorRecordA() const
{
    return cursorRecord(m_cursorA, m_recordA);
}

std::optional<qint64> GraphView::cursorRecordB() const
{
    return cursorRecord(m_cursorB, m_recordB);
}

std::optional<qint64> GraphView::cursorRecord(
    int gridRow, const std::optional<HistoryRecord> &record) const
{
    // As the readout tells them: on a history the records found by a click or from the
    // grid; where none was found (rows without a PC time) the grid rows.
    if (historyShown() && (m_recordA || m_recordB))
        return record ? std::optional(record->recordNumber) : std::nullopt;
    bool ok = false;
    const qint64 n = gridRow >= 0 ? m_core.rows().cell(gridRow, 0).toLongLong(&ok) : 0;
    return ok ? std::optional(n) : std::nullopt;
}

int GraphView::cursorRow(int gridRow) const
{
    // A status or separator row has no values, and a record without a PC time has no place
    // on a time axis nor in a history (found there by its time): the nearest record stands in.
    return GraphCursors::recordRow(m_core.rows(), gridRow, historyShown() || m_options.timeAxis);
}

void GraphView::onRowsRemoved(int count)
{
    // Everything that sits on a grid row moves up with it.
    if (m_firstRow >= 0)
        m_firstRow = std::max(0, m_firstRow - count);
    m_cursorA = m_cursorA >= count ? m_cursorA - count : -1;
    m_cursorB = m_cursorB >= count ? m_cursorB - count : -1;
}

void GraphView::updateReadout()
{
    if (historyShown() && (m_recordA || m_recordB)) {
        m_readout->setText(GraphHistory::readout(m_recordA, m_recordB, m_data.series).join(u'\n'));
        fitReadout();
        return;
    }
    m_readings = GraphCursors::read(m_core.rows(), m_data.series, m_cursorA, m_cursorB);
    if (m_cursorA < 0 && m_cursorB < 0) {
        m_readout->setText(QStringLiteral("Click the chart for cursor A, right-click for B"));
        fitReadout();
        return;
    }
    QStringList lines;
    const auto where = [this](const char *name, int row) {
        QString text
            = QString::fromLatin1(name) + QStringLiteral(": record ") + m_core.rows().cell(row, 0);
        const QString time = m_core.rows().cell(row, 2);
        if (!time.isEmpty())
            text += QStringLiteral(" at ") + time;
        return text;
    };
    QString head;
    if (m_cursorA >= 0)
        head = where("A", m_cursorA);
    if (m_cursorB >= 0)
        head += (head.isEmpty() ? QString() : QStringLiteral("   ")) + where("B", m_cursorB);
    lines.append(head);
    lines += m_readings.lines();
    m_readout->setText(lines.join(u'\n'));
    fitReadout();
}

QString GraphView::pointerText() const
{
    return m_pointer->text();
}

QString GraphView::readoutText() const
{
    return m_readout->text();
}

void GraphView::showRow(int row)
{
    m_pointer->setText(m_data.pointerText(m_core.rows(), row));
}

void GraphView::setTimeAxis(bool on)
{
    if (on == m_options.timeAxis)
        return;
    m_options.timeAxis = on;
    m_axisChoice->setCurrentIndex(on ? 1 : 0);
    m_zoomed = false;
    m_fullView->setEnabled(false);
    fill();
}

void GraphView::setOwnRanges(bool on)
{
    if (on == m_options.ownRanges)
        return;
    m_options.ownRanges = on;
    m_ownRanges->setChecked(on);
    fill();
}

void GraphView::setLanes(bool on)
{
    if (on == m_options.lanes)
        return;
    m_options.lanes = on;
    m_lanes->setChecked(on);
    // Every band has its own range already.
    m_ownRanges->setEnabled(!on);
    fill();
}

bool GraphView::saveImage(const QString &path, QString *error)
{
    const bool ok = ChartImage::isSvg(path)
        ? ChartImage::writeSvg(path, m_view->size(), [this](QPainter &p) { m_view->render(&p); })
        : m_view->grab().save(path, "PNG");
    if (!ok && error)
        *error = QStringLiteral("The chart could not be written to ") + path;
    return ok;
}

void GraphView::saveByUser()
{
    if (!m_prompter)
        return;
    common::Prompter::FileRequest request;
    request.title = QStringLiteral("Save chart");
    request.filter = QStringLiteral("PNG picture (*.png)|*.png|SVG picture (*.svg)|*.svg");
    request.defaultExtension = QStringLiteral("png");
    const QString path = m_prompter->saveFile(request);
    if (path.isEmpty())
        return;
    QString error;
    if (!saveImage(path, &error))
        m_prompter->message(error, QStringLiteral("Tolvane"), common::Prompter::Style::Exclamation);
}

void GraphView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitReadout();
}

void GraphView::fitChart()
{
    // A low chart would leave its tick labels no room (the chart then writes
    // "..."): the record axis gives up its title, which the axis box above
    // says already.
    m_compact = m_view->viewport()->height() < CompactChartHeight;
    m_axisX->setTitleVisible(!m_compact && !m_axisX->categoriesLabels().isEmpty());
}

void GraphView::fitReadout()
{
    // Whole lines only: as many as the readout has while the chart keeps three
    // quarters of the height (two at the least); the rest scrolls by lines. A
    // horizontal scroll bar for long lines is added to the height rather than
    // covering the last line.
    const QFontMetrics metrics(m_readout->font());
    const QStringList lines = m_readout->text().split(u'\n');
    int widest = 0;
    for (const QString &line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const int spacing = metrics.lineSpacing();
    const QMargins margins = m_readout->contentsMargins();
    const int frame = margins.top() + margins.bottom() + 2 * m_readoutArea->frameWidth();
    const int share = height() < 2 * CompactChartHeight ? height() / 6 : height() / 4;
    const int room = std::max(2, (share - frame) / spacing);
    const int shown = std::clamp(int(lines.size()), 1, room);
    int available = width() - margins.left() - margins.right() - 2 * m_readoutArea->frameWidth();
    if (shown < lines.size())
        available -= m_readoutArea->verticalScrollBar()->sizeHint().width();
    const int bar
        = widest > available ? m_readoutArea->horizontalScrollBar()->sizeHint().height() : 0;
    m_readoutArea->setFixedHeight(shown * spacing + frame + bar);
    m_readoutArea->verticalScrollBar()->setSingleStep(spacing);
}

} // namespace tlv::viewer
