#pragma once

#include <QHash>
#include <QTableView>

namespace tlv::viewer {

class ControlCore;
class GridPresentation;

// The records grid: the core's rows with the record number as a fixed row
// header, column widths in twips, graph selection by double-clicking a data
// header, the conversion window by double-click or Enter, Ctrl+C to copy.
class GridView : public QTableView
{
    Q_OBJECT

public:
    explicit GridView(ControlCore &core, QWidget *parent = nullptr);

    [[nodiscard]] GridPresentation *presentation() const { return m_presentation; }
    // Pixels for a width in twips on this screen.
    [[nodiscard]] int pixels(qint64 twips) const;
    // Takes the widths from the row store; a width of 0 hides the column.
    void applyColumnWidths();
    // The grid font, or a monospace font of the system when that family is missing.
    void applyFont(const QString &name, const QString &size);
    [[nodiscard]] static QFont gridFont(const QString &name, const QString &size);
    // The clipboard text of the current selection.
    [[nodiscard]] QString selectionText() const;
    void copySelection();

    // After rows went in front (shift > 0) or from the front (shift < 0) of the grid, asked
    // for by pastEdge(): the rows looked at then are in sight again where they were.
    void keepInSight(int shift);

Q_SIGNALS:
    void conversionRequested(int row, int gridColumn);
    // The user scrolled past the first row (direction -1) or the last one (1), by wheel,
    // scroll bar or keys: a grid holding part of a longer recording may page.
    void pastEdge(int direction);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    [[nodiscard]] bool isDataColumn(int gridColumn) const;
    void requestConversion(const QModelIndex &index);
    void updateHighlight();
    void onRowAppended();
    [[nodiscard]] bool atBottom() const;
    // Tells pastEdge() once the event at hand is done (a page rebuilds the rows).
    void reachEdge(int direction);
    [[nodiscard]] int widthKey(int gridColumn) const;

    ControlCore &m_core;
    GridPresentation *m_presentation = nullptr;
    // Widths the user dragged, in pixels: by column number for data columns,
    // by grid column for the stamps. They outlive Clear and export.
    QHash<int, int> m_userWidths;
    bool m_applyingWidths = false;
    bool m_following = true; // at the newest row when the last rows came
    bool m_scrollWhenShown = false;
    bool m_edgePending = false;
    // Where the view was when the edge was reached: first row in sight, current cell
    // (rows, not indexes: a page rebuilds the model).
    int m_edgeTop = 0;
    int m_edgeRow = -1;
    int m_edgeColumn = -1;
};

} // namespace tlv::viewer
