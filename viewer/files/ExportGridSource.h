#pragma once

#include "viewer/files/ExportSource.h"

namespace tlv::viewer {

struct ColumnTable;
class RowStore;

// The records grid's row store as an export reads it.
class ExportGridSource : public ExportSource
{
public:
    ExportGridSource(const RowStore &rows, const ColumnTable &table);

    [[nodiscard]] int gridColumnCount() const override;
    [[nodiscard]] int rowCount() const override;
    [[nodiscard]] QString headerText(int gridColumn) const override;
    [[nodiscard]] qint32 columnWidth(int gridColumn) const override;
    [[nodiscard]] bool isSelected(int gridColumn) const override;
    [[nodiscard]] const ColumnDescription *description(int gridColumn) const override;
    [[nodiscard]] QString cellText(int row, int gridColumn) const override;
    [[nodiscard]] std::optional<double> cellValue(int row, int gridColumn) const override;
    [[nodiscard]] std::optional<qint64> rawValue(int row, int gridColumn) const override;
    [[nodiscard]] RowKind rowKind(int row) const override;
    [[nodiscard]] qint64 rowMsecs(int row) const override;
    void readRow(int row, std::span<const int> gridColumns, Cell *cells,
        QStringList &scratch) const override;

private:
    const RowStore &m_rows;
    const ColumnTable &m_table;
};

} // namespace tlv::viewer
