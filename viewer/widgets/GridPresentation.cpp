#include "viewer/widgets/GridPresentation.h"

#include "viewer/core/ColumnTable.h"
#include "viewer/core/RowStore.h"
#include "viewer/files/ExportValues.h"

#include <QBrush>
#include <QFont>

namespace tlv::viewer {

GridPresentation::GridPresentation(RowStore &rows, const ColumnTable &columns, QObject *parent)
    : QIdentityProxyModel(parent)
    , m_rows(rows)
    , m_columns(columns)
    , m_highlight(Qt::yellow)
    , m_highlightText(Qt::black)
{
    setSourceModel(&rows);
}

void GridPresentation::setHighlight(const QColor &background, const QColor &text)
{
    m_highlight = background;
    m_highlightText = text;
    if (columnCount() > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

bool GridPresentation::isStatusRow(int row) const
{
    return m_rows.rowKind(row) == RowStore::RowKind::Status;
}

QString GridPresentation::visibleText(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.unicode() < 0x20)
            c = QChar(char16_t(0x2400 + c.unicode()));
        else if (c.unicode() == 0x7F)
            c = QChar(char16_t(0x2421));
    }
    return out;
}

QVariant GridPresentation::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column >= RowStore::StampColumns && column < m_rows.rawColumn())
            return visibleText(m_rows.cell(row, column));
        return QIdentityProxyModel::data(index, role);
    case Qt::BackgroundRole:
        if (m_rows.isSeparator(row))
            return QBrush(separatorBackground());
        if (isStatusRow(row))
            return QBrush(statusBackground());
        return {};
    case Qt::ForegroundRole:
        if (m_rows.isSeparator(row))
            return QBrush(separatorText());
        if (isStatusRow(row))
            return QBrush(statusText());
        return {};
    case Qt::FontRole:
        if (m_rows.isSeparator(row) && column == 3) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::TextAlignmentRole:
        // Numbers line up on the right; hex, binary and other text columns stay
        // left whatever their digits happen to be, so a column never zig-zags.
        if (column >= RowStore::StampColumns && column < m_rows.rawColumn()) {
            const int number = m_rows.columnNumberAt(column);
            const ColumnDescription *description
                = number >= 0 && number < ColumnTable::Size ? &m_columns[number] : nullptr;
            if (ExportValues::kindOf(column, description) == ExportValues::CellKind::Number
                && m_rows.cellValue(row, column).has_value())
                return int(Qt::AlignRight | Qt::AlignVCenter);
        }
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ToolTipRole:
        if (column >= RowStore::StampColumns && column < m_rows.rawColumn()) {
            // The text-file comment of the cell, when there is one.
            const QString comment = m_rows.comment(row, column);
            if (!comment.isEmpty())
                return comment;
        }
        return {};
    default:
        return QIdentityProxyModel::data(index, role);
    }
}

QVariant GridPresentation::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole)
            return m_rows.cell(section, 0);
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    const bool selected = m_rows.isGraphSelected(section);
    switch (role) {
    case Qt::BackgroundRole:
        return selected ? QVariant(QBrush(m_highlight)) : QVariant();
    case Qt::ForegroundRole:
        return selected ? QVariant(QBrush(m_highlightText)) : QVariant();
    case Qt::ToolTipRole:
        // The whole title, however narrow the column.
        if (section >= RowStore::StampColumns && section < m_rows.rawColumn())
            return QString(m_rows.headerData(section, Qt::Horizontal).toString()
                + QStringLiteral("\nDouble-click to select or deselect this column for the graph"));
        return {};
    default:
        return QIdentityProxyModel::headerData(section, orientation, role);
    }
}

Qt::ItemFlags GridPresentation::flags(const QModelIndex &index) const
{
    return QIdentityProxyModel::flags(index) & ~Qt::ItemIsEditable;
}

} // namespace tlv::viewer
