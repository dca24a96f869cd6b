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
    Q_UNUSED(scratch);
    return m_rows.cellView(row, gridColumn);
}

ExportSource::RowKind ExportGridSource::rowKind(int row) const
{
    if (m_rows.isSeparator(row))
        return RowKind::Separator;
    for (int g = RowStore::StampColumns; g < m_rows.rawColumn(); ++g) {
        if (!m_rows.cellView(row, g).isEmpty())
            return RowKind::Record;
    }
    // A status row carries no data at all; a record whose texts are all empty
    // still has its raw values.
    return m_rows.cellView(row, m_rows.rawColumn()).isEmpty() ? RowKind::Status : RowKind::Record;
}

} // namespace tlv::viewer
