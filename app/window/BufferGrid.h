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
};

} // namespace tlv::app
