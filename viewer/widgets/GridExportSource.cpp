#include "viewer/widgets/GridExportSource.h"

#include "viewer/core/ColumnTable.h"
#include "viewer/core/ControlCore.h"

namespace tlv::viewer {

GridExportSource::GridExportSource(ControlCore &core)
    : m_core(core)
{ }

int GridExportSource::gridColumnCount() const
{
    return m_core.rows().columnCount();
}

int GridExportSource::rowCount() const
{
    return m_core.rows().rowCount();
}

QString GridExportSource::headerText(int gridColumn) const
{
    return m_core.rows().headerData(gridColumn, Qt::Horizontal).toString();
}

qint32 GridExportSource::columnWidth(int gridColumn) const
{
    return m_core.rows().columnWidth(gridColumn);
}

bool GridExportSource::isSelected(int gridColumn) const
{
    return m_core.rows().isGraphSelected(gridColumn);
}

const ColumnDescription *GridExportSource::description(int gridColumn) const
{
    const int number = m_core.rows().columnNumberAt(gridColumn);
    if (number < 0 || number >= ColumnTable::Size)
        return nullptr;
    return &m_core.cycle().columns()[number];
}

QString GridExportSource::cellText(int row, int gridColumn) const
{
    return m_core.rows().cell(row, gridColumn);
}

ExportSource::RowKind GridExportSource::rowKind(int row) const
{
    const RowStore &rows = m_core.rows();
    if (rows.isSeparator(row))
        return RowKind::Separator;
    // A status row carries no data: every data cell is empty.
    for (int c = RowStore::StampColumns; c < rows.rawColumn(); ++c) {
        if (!rows.cell(row, c).isEmpty())
            return RowKind::Record;
    }
    return rows.rawColumn() > RowStore::StampColumns && rows.cell(row, rows.rawColumn()).isEmpty()
        ? RowKind::Status
        : RowKind::Record;
}

} // namespace tlv::viewer
