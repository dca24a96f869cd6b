#pragma once

#include "viewer/core/HistorySource.h"
#include "viewer/plot/GraphData.h"
#include "viewer/plot/GraphPalette.h"
#include "viewer/plot/GraphTraces.h"
#include "viewer/widgets/GraphCursors.h"

#include <QWidget>

#include <optional>

class QCategoryAxis;
class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QGraphicsLineItem;
class QGraphicsSimpleTextItem;
class QHBoxLayout;
class QLabel;
class QLineSeries;
class QMouseEvent;
class QScrollArea;
class QToolButton;
class QWheelEvent;

namespace tlv::common {
class Prompter;
}

namespace tlv::viewer {

class ControlCore;
class GraphTraceItem;

// The chart of the selected grid columns, drawn from GraphData and
// GraphTraces. Wheel zooms the record axis around the pointer, a drag pans it
// (both leave "Follow newest", so the view holds still while rows arrive),
// "Full view" shows every chart row again. A click puts cursor A on the nearest
// record, a right click cursor B; the readout below lists both and what lies
// between. A click on a legend entry hides or shows its trace; "Lanes" stacks
// the lines, each on its own axis. Colours come from the widget's palette.
// The chart saves as PNG or SVG.
class GraphView : public QWidget
{
    Q_OBJECT

public:
    explicit GraphView(ControlCore &core, QWidget *parent = nullptr);

    void setPrompter(common::Prompter *prompter) { m_prompter = prompter; }

    // Rebuilds the series from the selected columns, then fills them.
    void setUp();
    // Labels and values from the rows in view.
    void fill();
    void resetZoom();

    // Cursors on grid rows (-1 takes a cursor away); they snap to records.
    void setCursorA(int gridRow);
    void setCursorB(int gridRow);
    // A cursor on a record of the history shown that the grid's rows may not hold; false
    // (the cursor as it was) when there is no history or no such record.
    bool setCursorOnRecord(bool cursorA, qint64 recordNumber);
    [[nodiscard]] int cursorA() const { return m_cursorA; }
    [[nodiscard]] int cursorB() const { return m_cursorB; }
    // The record number under a cursor as the grid writes it, wherever the cursor was
    // placed (on a history a click finds its record without a grid row); none when unset.
    [[nodiscard]] std::optional<qint64> cursorRecordA() const;
    [[nodiscard]] std::optional<qint64> cursorRecordB() const;
    [[nodiscard]] const GraphCursors &cursors() const { return m_readings; }

    void setTimeAxis(bool on);
    [[nodiscard]] bool timeAxis() const { return m_options.timeAxis; }
    void setOwnRanges(bool on);
    [[nodiscard]] bool ownRanges() const { return m_options.ownRanges; }
    void setLanes(bool on);
    [[nodiscard]] bool lanes() const { return m_options.lanes; }
    // Traces by column number; a hidden one stays in the legend, faded.
    void setTraceHidden(int columnNumber, bool hidden);
    [[nodiscard]] const QSet<int> &hiddenColumns() const { return m_options.hiddenColumns; }
    // The record axis range in view (chart rows, or seconds on the time axis).
    [[nodiscard]] std::pair<double, double> xRange() const;
    void setXRange(double low, double high);

    [[nodiscard]] const GraphData &data() const { return m_data; }
    [[nodiscard]] const GraphTraces &traces() const { return m_traces; }
    [[nodiscard]] QChart *chart() const { return m_chart; }
    [[nodiscard]] QString pointerText() const;
    [[nodiscard]] QString readoutText() const;

    // Writes the chart as PNG, or as SVG when the name ends in ".svg".
    bool saveImage(const QString &path, QString *error = nullptr);
    // Asks for a file name and saves there.
    void saveByUser();

Q_SIGNALS:
    // Cursor A moved to a grid row by the user on the chart.
    void cursorAMoved(int gridRow);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildChart();
    [[nodiscard]] QHBoxLayout *buildTools();
    void buildReadout();
    void connectChanges();
    void onFollowNewestChanged(bool on);
    // The chart's mouse; each returns whether the event is taken.
    bool wheelOnChart(const QWheelEvent &wheel);
    bool pressOnChart(const QMouseEvent &mouse);
    bool moveOnChart(const QMouseEvent &mouse);
    bool releaseOnChart(const QMouseEvent &mouse);
    void rebuildSeries();
    // The chart of m_data: its series (made again when their titles changed), traces, axes,
    // marks and readout.
    void showData();
    // A recording's whole history: the range in view read from where it is kept.
    [[nodiscard]] bool historyShown() const;
    void fillHistory();
    // Puts cursor A (or B) on the real record nearest to the pixel column px.
    void snapHistory(double px, bool cursorA);
    [[nodiscard]] std::optional<HistoryRecord> historyRecordOf(int gridRow) const;
    // The PC time (UTC ms) that x 0 stands for on the time axis.
    [[nodiscard]] qint64 timeOrigin() const;
    void applyPalette();
    void markLegend();
    // A pan or zoom by the user: the view stops following the newest rows.
    void userRange(double low, double high);
    void placeLines();
    void updateAxes();
    void relabelX();
    void placeMarks();
    void updateReadout();
    void fitReadout();
    void fitChart();
    void showRow(int chartRow);
    void onRowsRemoved(int count);
    [[nodiscard]] double xOfRow(int gridRow) const;
    [[nodiscard]] double pixelToX(double px) const;
    [[nodiscard]] int snapAt(double px) const;
    // The grid row a cursor put on gridRow takes.
    [[nodiscard]] int cursorRow(int gridRow) const;
    [[nodiscard]] std::optional<qint64> cursorRecord(
        int gridRow, const std::optional<HistoryRecord> &record) const;
    [[nodiscard]] bool zoomed() const { return m_zoomed; }

    ControlCore &m_core;
    common::Prompter *m_prompter = nullptr;
    GraphData m_data;
    GraphTraces m_traces;
    GraphTraces::Options m_options;
    GraphCursors m_readings;
    GraphPalette m_palette;
    QChart *m_chart = nullptr;
    QChartView *m_view = nullptr;
    QCategoryAxis *m_axisX = nullptr;
    QCategoryAxis *m_axisY = nullptr;
    QCategoryAxis *m_axisLanes = nullptr;
    QList<QLineSeries *> m_lines; // empty: the legend and the axes
    GraphTraceItem *m_traceItem = nullptr;
    QGraphicsLineItem *m_lineA = nullptr;
    QGraphicsLineItem *m_lineB = nullptr;
    QGraphicsSimpleTextItem *m_tagA = nullptr;
    QGraphicsSimpleTextItem *m_tagB = nullptr;
    QList<QGraphicsLineItem *> m_marks;
    QLabel *m_pointer = nullptr;
    QLabel *m_readout = nullptr;
    QScrollArea *m_readoutArea = nullptr;
    QToolButton *m_fullView = nullptr;
    QComboBox *m_axisChoice = nullptr;
    QCheckBox *m_ownRanges = nullptr;
    QCheckBox *m_lanes = nullptr;
    int m_firstRow = -1; // grid row on chart row 1 while not following; -1 follows
    int m_cursorA = -1;
    int m_cursorB = -1;
    bool m_zoomed = false;
    bool m_compact = false; // a low chart: no title on the record axis
    int m_plotHeight = -1; // the plot area's height the axes were laid out for
    double m_zoomLow = 0;
    double m_zoomHigh = 1;
    QPointF m_pressAt;
    double m_pressLow = 0;
    double m_pressHigh = 0;
    bool m_dragging = false;
    bool m_pressed = false;
    bool m_legendPressed = false;
    HistoryExtent m_extent;
    std::optional<HistoryRecord> m_recordA; // the cursors on a history
    std::optional<HistoryRecord> m_recordB;
    QList<int> m_recordPositions; // the columns the cursors' records were read for
};

} // namespace tlv::viewer
