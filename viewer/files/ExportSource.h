#pragma once

#include "viewer/core/RowCell.h"
#include "viewer/core/RowKind.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <span>

namespace tlv::viewer {

struct ColumnDescription;

// What an export reads from the records grid. Grid columns are numbered as the
// grid shows them: 0 the record number, 1 the PC date, 2 the PC time, 3 the PCD
// status, then the data columns, then two hidden ones (raw and comment lines).
// Rows count from 0 over the data rows (the header row is not a row here).
class ExportSource
{
public:
    // A cell as the export takes it: the text the grid shows and the values behind it.
    using Cell = RowCell;

    virtual ~ExportSource() = default;

    // All grid columns, the record number and the two hidden ones included.
    [[nodiscard]] virtual int gridColumnCount() const = 0;
    [[nodiscard]] virtual int rowCount() const = 0;
    [[nodiscard]] virtual QString headerText(int gridColumn) const = 0;
    // Width in twips as the grid shows it (0 for a hidden column).
    [[nodiscard]] virtual qint32 columnWidth(int gridColumn) const = 0;
    // Selected by the user (the graph selection).
    [[nodiscard]] virtual bool isSelected(int gridColumn) const = 0;
    // The description of a data column; null for the other grid columns.
    [[nodiscard]] virtual const ColumnDescription *description(int gridColumn) const = 0;
    [[nodiscard]] virtual QString cellText(int row, int gridColumn) const = 0;
    // The number and raw value of a data cell as the decoder gave them; none elsewhere.
    [[nodiscard]] virtual std::optional<double> cellValue(int row, int gridColumn) const = 0;
    [[nodiscard]] virtual std::optional<qint64> rawValue(int row, int gridColumn) const = 0;
    [[nodiscard]] virtual RowKind rowKind(int row) const = 0;
    // The PC time of the row, UTC ms since the epoch; 0 when unknown.
    [[nodiscard]] virtual qint64 rowMsecs(int row) const = 0;

    // The cells of gridColumns in one row at once, for a reader of whole rows. scratch holds
    // the texts the source does not keep.
    virtual void readRow(
        int row, std::span<const int> gridColumns, Cell *cells, QStringList &scratch) const
    {
        scratch.resize(qsizetype(gridColumns.size()));
        for (size_t k = 0; k < gridColumns.size(); ++k) {
            scratch[qsizetype(k)] = cellText(row, gridColumns[k]);
            cells[k] = { scratch[qsizetype(k)], cellValue(row, gridColumns[k]),
                rawValue(row, gridColumns[k]) };
        }
    }
};

} // namespace tlv::viewer
