#pragma once

#include "journal/JournalTypes.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/files/ExportSource.h"

namespace tlv::journal {

// Journal rows as an export reads the grid: the PC date, PC time and PCD status, then the
// data columns of the buffer, with the same cell kinds as a live recording.
class JournalSource : public viewer::ExportSource
{
public:
    JournalSource(const JournalBuffer &buffer, const QList<JournalRow> &rows);

    [[nodiscard]] int gridColumnCount() const override;
    [[nodiscard]] int rowCount() const override { return int(m_rows.size()); }
    [[nodiscard]] QString headerText(int gridColumn) const override;
    [[nodiscard]] qint32 columnWidth(int gridColumn) const override;
    [[nodiscard]] bool isSelected(int) const override { return false; }
    [[nodiscard]] const viewer::ColumnDescription *description(int gridColumn) const override;
    [[nodiscard]] QString cellText(int row, int gridColumn) const override;
    [[nodiscard]] RowKind rowKind(int row) const override;

    // The buffer's columns as the decoder would have them (title, type, format, width).
    [[nodiscard]] static viewer::ColumnTable columnTable(const JournalBuffer &buffer);

private:
    JournalBuffer m_buffer;
    const QList<JournalRow> &m_rows;
    viewer::ColumnTable m_table;
};

} // namespace tlv::journal
