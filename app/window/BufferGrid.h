#pragma once

#include <QTableWidget>

namespace tlv::app {

// The column grid mfgFile: takes dropped texts (a symbol dragged from another
// window) and opens the edit dialog on Enter.
class BufferGrid : public QTableWidget
{
    Q_OBJECT
public:
    explicit BufferGrid(QWidget *parent = nullptr);

Q_SIGNALS:
    // row and column are the editor's (row 1 = first buffer column).
    void textDropped(int row, int column, const QString &text);
    void editRequested();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    // A row label selects its whole row, also when clicked: the view works
    // out the selection before the row becomes current.
    [[nodiscard]] QItemSelectionModel::SelectionFlags selectionCommand(
        const QModelIndex &index, const QEvent *event = nullptr) const override;
};

} // namespace tlv::app
