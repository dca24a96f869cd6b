#pragma once

#include "journal/JournalTypes.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/RecordDecoder.h"
#include "viewer/files/ExportSource.h"

#include <QDate>
#include <QTime>

#include <limits>

namespace tlv::journal {

// Journal rows as an export reads the grid: the PC date, PC time and PCD status, then the
// data columns of the buffer, with the same cell kinds as a live recording: numbers, raw
// values and PC times are the ones the journal kept.
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
    [[nodiscard]] viewer::RowKind rowKind(int row) const override { return m_rows.value(row).kind; }
    [[nodiscard]] qint64 rowMsecs(int row) const override { return m_rows.value(row).pcMillis; }
    [[nodiscard]] std::optional<double> cellValue(int row, int gridColumn) const override;
    [[nodiscard]] std::optional<qint64> rawValue(int row, int gridColumn) const override;

    // A journaled record as the decoder gave it, so the grid shows it typed again.
    [[nodiscard]] static viewer::DecodedRecord decodedRecord(const JournalRow &row);

    // The buffer's columns as the decoder would have them (title, type, format, width).
    [[nodiscard]] static viewer::ColumnTable columnTable(const JournalBuffer &buffer);

private:
    // A row's PC time in local time, worked out once a second: an export reads it twice a row.
    struct Stamp
    {
        qint64 second = std::numeric_limits<qint64>::min();
        QDate date;
        QTime time;
    };
    [[nodiscard]] const Stamp *stamp(int row) const;

    JournalBuffer m_buffer;
    const QList<JournalRow> &m_rows;
    viewer::ColumnTable m_table;
    mutable Stamp m_stamp;
};

} // namespace tlv::journal
