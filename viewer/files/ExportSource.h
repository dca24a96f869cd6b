#pragma once

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
    enum class RowKind { Record, Status, Separator };

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
    // The same text without a copy where the source keeps it; scratch holds it otherwise.
    [[nodiscard]] virtual QStringView cellView(int row, int gridColumn, QString &scratch) const
    {
        scratch = cellText(row, gridColumn);
        return scratch;
    }
    // The number a data cell stands for, as the decoder gave it; for the PC date and time
    // the spreadsheet's date value (days since 30 December 1899, the time of day as the
    // fraction). None where the source keeps no numbers (the cell's text is read then).
    [[nodiscard]] virtual std::optional<double> cellValue(int row, int gridColumn) const
    {
        Q_UNUSED(row);
        Q_UNUSED(gridColumn);
        return std::nullopt;
    }
    [[nodiscard]] virtual RowKind rowKind(int row) const
    {
        Q_UNUSED(row);
        return RowKind::Record;
    }
    // cellView() and cellValue() for each of gridColumns, and the row's kind, at once: for a
    // reader that takes whole rows. scratch holds the texts the source does not keep.
    virtual RowKind readRow(int row, std::span<const int> gridColumns, QStringView *texts,
        std::optional<double> *values, QStringList &scratch) const
    {
        scratch.resize(qsizetype(gridColumns.size()));
        for (size_t k = 0; k < gridColumns.size(); ++k) {
            texts[k] = cellView(row, gridColumns[k], scratch[qsizetype(k)]);
            values[k] = cellValue(row, gridColumns[k]);
        }
        return rowKind(row);
    }
};

} // namespace tlv::viewer
