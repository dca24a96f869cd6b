#include "viewer/widgets/GraphView.h"

#include "viewer/core/ControlCore.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace tlv::viewer {

namespace {

constexpr int PenWidth = 2;

// Round axis ends a little beyond the data, so lines do not run along the frame.
std::pair<double, double> niceRange(double low, double high)
{
    if (low == high) {
        const double pad = std::max(1.0, std::abs(low) * 0.1);
        return { low - pad, high + pad };
    }
    const double pad = (high - low) * 0.05;
    return { low - pad, high + pad };
}

} // namespace

GraphView::GraphView(ControlCore &core, QWidget *parent)
    : QWidget(parent)
    , m_core(core)
    , m_chart(new QChart)
{
    setObjectName(QStringLiteral("graph"));
    m_chart->legend()->setVisible(true);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_chart->setBackgroundRoundness(0);

    m_axisX = new QCategoryAxis;
    m_axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_axisX->setTitleText(QStringLiteral("Record"));
    m_axisY = new QValueAxis;
    m_axisY->setLabelFormat(QStringLiteral("%g"));
    QPen grid = m_axisY->gridLinePen();
    grid.setWidth(1);
    grid.setColor(QColor(0xD8, 0xD8, 0xD8));
    m_axisY->setGridLinePen(grid);
    m_axisX->setGridLinePen(grid);
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);

    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setRubberBand(QChartView::RectangleRubberBand);
    m_view->viewport()->installEventFilter(this);

    m_pointer = new QLabel(this);
    m_pointer->setObjectName(QStringLiteral("pointerValue"));
    m_pointer->setTextFormat(Qt::PlainText);
    m_pointer->setMinimumWidth(200);
    m_fullView = new QToolButton(this);
    m_fullView->setObjectName(QStringLiteral("fullViewButton"));
    m_fullView->setText(QStringLiteral("Full view"));
    m_fullView->setToolTip(QStringLiteral("Back to the whole chart (or right-click the chart)"));
    m_fullView->setEnabled(false);
    connect(m_fullView, &QToolButton::clicked, this, &GraphView::resetZoom);
    auto *hint = new QLabel(QStringLiteral("Drag a rectangle to zoom"), this);
    hint->setEnabled(false);

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(4, 0, 4, 0);
    bar->addWidget(m_pointer, 1);
    bar->addWidget(hint);
    bar->addSpacing(8);
    bar->addWidget(m_fullView);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_view, 1);
    layout->addLayout(bar);

    connect(m_axisY, &QValueAxis::rangeChanged, this,
        [this] { m_fullView->setEnabled(m_chart->isZoomed()); });
}

void GraphView::setUp()
{
    for (QLineSeries *s : std::as_const(m_series)) {
        m_chart->removeSeries(s);
        delete s;
    }
    m_series.clear();
    m_data = GraphData::build(m_core.rows(), m_core.maxGraph());
    for (const GraphData::Series &d : std::as_const(m_data.series)) {
        auto *s = new QLineSeries;
        s->setName(d.title);
        m_chart->addSeries(s);
        s->attachAxis(m_axisX);
        s->attachAxis(m_axisY);
        QPen pen = s->pen();
        pen.setWidth(PenWidth);
        s->setPen(pen);
        s->setPointsVisible(m_data.rowCount <= 50);
        m_series.append(s);
    }
    resetZoom();
    fill();
}

void GraphView::fill()
{
    m_data = GraphData::build(m_core.rows(), m_core.maxGraph());
    if (m_data.series.size() != m_series.size()) {
        setUp();
        return;
    }
    setUpdatesEnabled(false);
    double low = 0;
    double high = 0;
    bool any = false;
    for (int i = 0; i < m_series.size(); ++i) {
        QList<QPointF> points;
        const GraphData::Series &d = m_data.series[i];
        points.reserve(d.values.size());
        for (int row = 0; row < d.values.size(); ++row) {
            if (!d.values[row])
                continue;
            const double v = *d.values[row];
            points.append(QPointF(row + 1, v));
            low = any ? std::min(low, v) : v;
            high = any ? std::max(high, v) : v;
            any = true;
        }
        m_series[i]->replace(points);
    }

    // Chart row i carries the label of its record when there is one.
    const QStringList old = m_axisX->categoriesLabels();
    for (const QString &label : old)
        m_axisX->remove(label);
    for (int row = 0; row < m_data.labels.size(); ++row) {
        const QString &label = m_data.labels[row];
        if (!label.isEmpty() && !m_axisX->categoriesLabels().contains(label))
            m_axisX->append(label, row + 1);
    }
    if (!m_chart->isZoomed()) {
        m_axisX->setRange(0.5, std::max(m_data.rowCount, 1) + 0.5);
        const auto [from, to] = niceRange(any ? low : 0, any ? high : 1);
        m_axisY->setRange(from, to);
        m_axisY->applyNiceNumbers();
    }
    setUpdatesEnabled(true);
}

void GraphView::resetZoom()
{
    m_chart->zoomReset();
    m_fullView->setEnabled(false);
    if (!m_series.isEmpty())
        fill();
}

QString GraphView::pointerText() const
{
    return m_pointer->text();
}

void GraphView::showRow(int row)
{
    m_pointer->setText(m_data.pointerText(m_core.rows(), row));
}

bool GraphView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
            resetZoom();
            return true;
        }
        if (event->type() == QEvent::MouseMove) {
            const QPointF at = static_cast<QMouseEvent *>(event)->position();
            if (m_chart->plotArea().contains(at))
                showRow(int(std::lround(m_chart->mapToValue(at).x())));
        } else if (event->type() == QEvent::Leave) {
            m_pointer->clear();
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tlv::viewer
