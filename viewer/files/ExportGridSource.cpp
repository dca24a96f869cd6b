#include "viewer/files/ExportGridSource.h"

#include "viewer/core/ColumnTable.h"
#include "viewer/core/RowStore.h"

namespace tlv::viewer {

ExportGridSource::ExportGridSource(const RowStore &rows, const ColumnTable &table)
    : m_rows(rows)
    , m_table(table)
{ }

int ExportGridSource::gridColumnCount() const
{
    return m_rows.columnCount();
}

int ExportGridSource::rowCount() const
{
    return m_rows.rowCount();
}

QString ExportGridSource::headerText(int gridColumn) const
{
    return m_rows.headerData(gridColumn, Qt::Horizontal).toString();
}

qint32 ExportGridSource::columnWidth(int gridColumn) const
{
    return m_rows.columnWidth(gridColumn);
}

bool ExportGridSource::isSelected(int gridColumn) const
{
    return m_rows.isGraphSelected(gridColumn);
}

const ColumnDescription *ExportGridSource::description(int gridColumn) const
{
    const int number = m_rows.columnNumberAt(gridColumn);
    return number >= 0 && number < ColumnTable::Size ? &m_table[number] : nullptr;
}

QString ExportGridSource::cellText(int row, int gridColumn) const
{
    return m_rows.cell(row, gridColumn);
}

std::optional<double> ExportGridSource::cellValue(int row, int gridColumn) const
{
    return m_rows.cellValue(row, gridColumn);
}

std::optional<qint64> ExportGridSource::rawValue(int row, int gridColumn) const
{
    return m_rows.rawValue(row, gridColumn);
}

qint64 ExportGridSource::rowMsecs(int row) const
{
    return m_rows.rowMsecs(row);
}

RowKind ExportGridSource::rowKind(int row) const
{
    return m_rows.rowKind(row);
}

void ExportGridSource::readRow(
    int row, std::span<const int> gridColumns, Cell *cells, QStringList &scratch) const
{
    const size_t n = gridColumns.size();
    m_rows.rowCells(row, gridColumns, cells);
    for (size_t k = 0; k < n; ++k) {
        // The hidden raw and comment lines are made when asked for.
        if (gridColumns[k] >= m_rows.rawColumn()) {
            scratch.resize(qsizetype(n));
            scratch[qsizetype(k)] = m_rows.cell(row, gridColumns[k]);
            cells[k].text = scratch[qsizetype(k)];
        }
    }
}

} // namespace tlv::viewer
