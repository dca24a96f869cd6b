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

QStringView ExportGridSource::cellView(int row, int gridColumn, QString &scratch) const
{
    // The hidden raw and comment lines are made when asked for.
    if (gridColumn >= m_rows.rawColumn()) {
        scratch = m_rows.cell(row, gridColumn);
        return scratch;
    }
    return m_rows.cellView(row, gridColumn);
}

std::optional<double> ExportGridSource::cellValue(int row, int gridColumn) const
{
    return m_rows.cellValue(row, gridColumn);
}

ExportSource::RowKind ExportGridSource::readRow(int row, std::span<const int> gridColumns,
    QStringView *texts, std::optional<double> *values, QStringList &scratch) const
{
    m_rows.rowCells(row, gridColumns, texts, values);
    for (size_t k = 0; k < gridColumns.size(); ++k) {
        if (gridColumns[k] >= m_rows.rawColumn()) {
            scratch.resize(qsizetype(gridColumns.size()));
            texts[k] = cellView(row, gridColumns[k], scratch[qsizetype(k)]);
        }
    }
    return rowKind(row);
}

ExportSource::RowKind ExportGridSource::rowKind(int row) const
{
    switch (m_rows.rowKind(row)) {
    case RowStore::RowKind::Separator:
        return RowKind::Separator;
    case RowStore::RowKind::Status:
        return RowKind::Status;
    case RowStore::RowKind::Record:
        break;
    }
    return RowKind::Record;
}

} // namespace tlv::viewer
