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

Q_SIGNALS:
    void conversionRequested(int row, int gridColumn);

protected:
    void keyPressEvent(QKeyEvent *event) override;
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
    [[nodiscard]] int widthKey(int gridColumn) const;

    ControlCore &m_core;
    GridPresentation *m_presentation = nullptr;
    // Widths the user dragged, in pixels: by column number for data columns,
    // by grid column for the stamps. They outlive Clear and export.
    QHash<int, int> m_userWidths;
    bool m_applyingWidths = false;
    bool m_following = true; // at the newest row when the last rows came
    bool m_scrollWhenShown = false;
};

} // namespace tlv::viewer
