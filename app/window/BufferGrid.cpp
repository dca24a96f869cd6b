#include "app/window/BufferGrid.h"

#include "viewer/widgets/GridPalette.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>

namespace tlv::app {

BufferGrid::BufferGrid(QWidget *parent)
    : QTableWidget(parent)
{
    setObjectName(QStringLiteral("mfgFile"));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setHighlightSections(false);
    setAlternatingRowColors(true);
    setPalette(viewer::GridPalette::readableRows(palette()));
}

void BufferGrid::changeEvent(QEvent *event)
{
    QTableWidget::changeEvent(event);
    if (event->type() != QEvent::PaletteChange)
        return;
    const QPalette readable = viewer::GridPalette::readableRows(palette());
    if (readable != palette())
        setPalette(readable);
}

void BufferGrid::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void BufferGrid::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void BufferGrid::dropEvent(QDropEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || !event->mimeData()->hasText())
        return;
    event->acceptProposedAction();
    Q_EMIT textDropped(index.row() + 1, index.column(), event->mimeData()->text());
}

void BufferGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Q_EMIT editRequested();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

QItemSelectionModel::SelectionFlags BufferGrid::selectionCommand(
    const QModelIndex &index, const QEvent *event) const
{
    QItemSelectionModel::SelectionFlags flags = QTableWidget::selectionCommand(index, event);
    if (index.isValid() && index.column() == 0 && flags.testFlag(QItemSelectionModel::Select))
        flags |= QItemSelectionModel::Rows;
    else
        flags &= ~QItemSelectionModel::SelectionFlags(QItemSelectionModel::Rows);
    return flags;
}

} // namespace tlv::app
