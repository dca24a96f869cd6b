#pragma once

#include "viewer/widgets/GraphData.h"

#include <QWidget>

class QChart;
class QChartView;
class QCategoryAxis;
class QLabel;
class QLineSeries;
class QToolButton;
class QValueAxis;

namespace tlv::viewer {

class ControlCore;

// The line chart of the selected grid columns. It draws what GraphData says;
// the pointer shows the value under it, a dragged rectangle zooms, and the
// "Full view" button (or a right click) returns to the whole chart.
class GraphView : public QWidget
{
    Q_OBJECT

public:
    explicit GraphView(ControlCore &core, QWidget *parent = nullptr);

    // Rebuilds the series from the selected columns, then fills them.
    void setUp();
    // Labels and values from the newest records.
    void fill();
    void resetZoom();

    [[nodiscard]] const GraphData &data() const { return m_data; }
    [[nodiscard]] QChart *chart() const { return m_chart; }
    [[nodiscard]] QString pointerText() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showRow(int chartRow);

    ControlCore &m_core;
    GraphData m_data;
    QChart *m_chart = nullptr;
    QChartView *m_view = nullptr;
    QCategoryAxis *m_axisX = nullptr;
    QValueAxis *m_axisY = nullptr;
    QList<QLineSeries *> m_series;
    QLabel *m_pointer = nullptr;
    QToolButton *m_fullView = nullptr;
};

} // namespace tlv::viewer
