#pragma once

#include "viewer/core/RowCell.h"
#include "viewer/core/RowKind.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>

namespace tlv::viewer {

struct ColumnTable;
struct DecodedRecord;

// The rows of the records grid. Grid column 0 holds the record number, 1-3 the
// PC date, PC time and PCD status, then one column per defined data column,
// then the hidden raw and comment cells. Each data cell keeps the decoder's
// number, raw value and comment beside its text, so nothing reads numbers back
// out of texts. Rows live in a deque so appending and dropping the oldest cost
// the same at any size.
class RowStore : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        ColumnNumberRole = Qt::UserRole + 1,
        GraphSelectedRole,
        SeparatorRole,
        ValueRole, // double: the number the cell stands for; invalid for none
        RawValueRole, // qint64: the raw value; invalid for a string or no record
        CommentRole, // the text-file comment of the cell
        RowKindRole, // int of RowKind
    };
    using RowKind = viewer::RowKind;
    static constexpr int StampColumns = 4; // record number, date, time, status
    static constexpr int StampWidth = 1100; // twips
    static constexpr int NumberWidth = 500;
    static constexpr qint32 RecordCountLimit = 2147483647;
    static constexpr int DashCount = 16;

    struct DataColumn
    {
        int number = 0; // column number in the column table
        QString title;
        qint32 width = 0; // twips
    };

    explicit RowStore(QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(
        const QModelIndex &index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Rebuilds the columns from the defined columns of the table; rows go.
    void setColumns(const ColumnTable &table);
    void setColumns(const QList<DataColumn> &columns);
    [[nodiscard]] const QList<DataColumn> &dataColumns() const { return m_columns; }
    [[nodiscard]] int rawColumn() const { return StampColumns + int(m_columns.size()); }
    [[nodiscard]] int commentColumn() const { return rawColumn() + 1; }
    // Column number of a grid column, -1 when it is not a data column.
    [[nodiscard]] int columnNumberAt(int gridColumn) const;
    // Width in twips of a grid column as the grid should show it.
    [[nodiscard]] qint32 columnWidth(int gridColumn) const;

    // Removes all rows and sets the record count to 0; the selection stays.
    void clear();
    // Removes all rows, keeping the record count (an export that empties the grid).
    void removeAllRows();
    // Removes the oldest count rows, keeping the record count (an export that
    // could write only those).
    void removeOldestRows(int count);

    // A decoded record; its columns fill the data columns in order.
    void addRecord(const DecodedRecord &record);
    // A record known by its texts only, as a journal keeps it: display line without its
    // leading tab, raw and comment lines. Its cells carry no numbers.
    void addRecord(const QString &display, const QString &raw, const QString &comment,
        const QString &date, const QString &time);
    // A PCD status change: a numbered row with no data.
    void addStatusRow(const QString &date, const QString &time, qint64 msecs = 0);
    // "Miss n" or "Restart": not numbered, dashes in the data cells.
    void addSeparator(RowKind kind, const QString &text, const QString &date, const QString &time,
        qint64 msecs = 0);
    // The text of grid column c, the hidden raw and comment lines included.
    [[nodiscard]] QString cell(int row, int gridColumn) const;
    // The same text without a copy, valid until the row goes; empty for the hidden raw and
    // comment lines, which only cell() makes.
    [[nodiscard]] QStringView cellView(int row, int gridColumn) const;
    [[nodiscard]] RowKind rowKind(int row) const;
    [[nodiscard]] bool isSeparator(int row) const { return viewer::isSeparator(rowKind(row)); }
    // The number a data cell stands for; none for a string, a status or separator row.
    [[nodiscard]] std::optional<double> cellValue(int row, int gridColumn) const;
    // What cellView(), cellValue() and rawValue() give for each of gridColumns, the row found
    // once: for a reader that takes whole rows.
    void rowCells(int row, std::span<const int> gridColumns, RowCell *cells) const;
    // The raw value of a data cell; none for a string, a status or separator row.
    [[nodiscard]] std::optional<qint64> rawValue(int row, int gridColumn) const;
    [[nodiscard]] QString comment(int row, int gridColumn) const;
    // The record count the row was added at (what grid column 0 shows).
    [[nodiscard]] qint32 recordNumber(int row) const;
    // PC time of the row in ms since the epoch (0 when unknown).
    [[nodiscard]] qint64 rowMsecs(int row) const;

    void setMaxRows(qint32 maxRows);
    [[nodiscard]] qint32 maxRows() const { return m_maxRows; }
    void setAutoExport(bool on) { m_autoExport = on; }
    // Called when the grid is full and AutoExport is on; true when it exported.
    // Rows an export could not write stay for the next one, up to backlogLimit().
    void setExportHandler(std::function<bool()> handler) { m_exportHandler = std::move(handler); }
    // Rows kept while the automatic export fails; past it the oldest go, counted.
    [[nodiscard]] qint64 backlogLimit() const;
    // Rows dropped unexported because the automatic export failed, since creation.
    [[nodiscard]] qint64 droppedRows() const { return m_droppedRows; }

    void setStamps(bool date, bool time, bool status);
    [[nodiscard]] bool dateStamp() const { return m_dateStamp; }
    [[nodiscard]] bool timeStamp() const { return m_timeStamp; }
    [[nodiscard]] bool statusStamp() const { return m_statusStamp; }
    void setStatusText(const QString &text) { m_statusText = text; }
    [[nodiscard]] QString statusText() const { return m_statusText; }

    [[nodiscard]] qint32 recordCount() const { return m_recordCount; }
    // The count the next row goes on from: rows read back from a recording keep the numbers
    // they had when they were recorded.
    void setRecordCount(qint32 count)
    {
        m_recordCount = std::clamp(count, 0, RecordCountLimit - 1);
    }
    [[nodiscard]] bool recordCounterRed() const { return m_recordCounterRed; }
    [[nodiscard]] int dataRowCount() const { return int(m_rows.size()); }
    [[nodiscard]] bool rowCounterRed() const { return m_rowCounterRed; }

    // Graph selection by column number; survives clear() and column rebuilds. The PC date,
    // PC time and status columns take a selection too, for the export only.
    void toggleGraphSelection(int gridColumn);
    void setGraphSelection(const QSet<int> &columnNumbers);
    [[nodiscard]] QSet<int> graphSelection() const { return m_selected; }
    [[nodiscard]] bool isGraphSelected(int gridColumn) const;
    // Selected data columns in grid order: what the graph draws.
    [[nodiscard]] QList<int> selectedGridColumns() const;
    // "3,5,7": the selection as stored in SelColumn.
    [[nodiscard]] QString selectionText() const;
    static QSet<int> parseSelection(const QString &text);

Q_SIGNALS:
    void outputLine(const QString &line);
    void countersChanged();
    void columnWidthsChanged();
    void graphSelectionChanged();
    // A row was appended (row index); the grid scrolls to it.
    void rowAppended(int row);
    // The automatic export failed with the grid full, the first time since it last worked:
    // the rows stay.
    void autoExportFailed();
    // The automatic export worked again after failing; dropped rows were lost meanwhile.
    void autoExportRecovered(qint64 dropped);

private:
    // What a data cell keeps besides its text: 5000 rows of 128 cells must stay small.
    struct DataCell
    {
        qint64 raw = 0;
        double value = 0;
        qint32 textEnd = 0; // the text starts where the cell before ends
        bool hasValue = false;
        bool hasRaw = false; // false for a string: its raw entry is its text
    };
    // The memory of a row, kept for the next one when the oldest row makes room.
    struct Block
    {
        std::unique_ptr<std::byte[]> bytes;
        size_t size = 0;
    };
    // One row in one allocation: its data cells, then the texts of the record number, PC
    // date, PC time, status and data cells one after another.
    class Row
    {
    public:
        // Takes spare's memory when it is large enough.
        Row(RowKind kind, qint32 number, qint64 msecs, const QString &date, const QString &time,
            const QString &status, qsizetype cells, qsizetype cellChars, Block *spare = nullptr);
        [[nodiscard]] Block takeBlock() { return std::move(m_block); }
        // Asks for the row's memory ahead of its reuse.
        void prefetch() const;
        // The record number, date, time and status (0 to 3).
        [[nodiscard]] QStringView stamp(int i) const;
        [[nodiscard]] QStringView text(qsizetype cell) const;
        [[nodiscard]] qsizetype cellCount() const { return m_cells; }
        [[nodiscard]] DataCell *cells()
        {
            return reinterpret_cast<DataCell *>(m_block.bytes.get());
        }
        [[nodiscard]] const DataCell *cells() const
        {
            return reinterpret_cast<const DataCell *>(m_block.bytes.get());
        }
        // Where the data cells' texts go.
        [[nodiscard]] char16_t *cellChars() { return chars() + m_stampEnds[3]; }
        [[nodiscard]] const char16_t *chars() const
        {
            return reinterpret_cast<const char16_t *>(
                m_block.bytes.get() + m_cells * sizeof(DataCell));
        }

        qint64 msecs = 0;
        qint32 number = 0;
        RowKind kind = RowKind::Record;
        std::unique_ptr<QStringList> comments; // per data cell; none when no cell has one
        std::unique_ptr<QString> rawLine; // as given, for a record known by its texts

    private:
        [[nodiscard]] char16_t *chars()
        {
            return reinterpret_cast<char16_t *>(m_block.bytes.get() + m_cells * sizeof(DataCell));
        }
        Block m_block;
        qsizetype m_cells = 0;
        qint32 m_stampEnds[4] = {};
    };

    [[nodiscard]] const DataCell *dataCell(int row, int gridColumn) const;
    [[nodiscard]] QStringView cellView(const Row &row, int gridColumn) const;
    void countRecord();
    // display is the line shown without its leading tab; rawLine, when given, is kept as is.
    void addRecordRow(const DecodedRecord &record, QStringView display, const QString *rawLine);

    // line with the stamps the grid shows before it.
    QString stampedLine(
        QStringView line, const QString &status, const QString &date, const QString &time) const;

    void makeRoom();
    void append(Row row);
    void dropOldest(int count);

    QList<DataColumn> m_columns;
    std::deque<Row> m_rows;
    Block m_spare; // the dropped oldest row's memory
    QSet<int> m_selected;
    bool m_stampSelected[StampColumns - 1] = {};
    std::function<bool()> m_exportHandler;
    QString m_statusText;
    qint64 m_droppedRows = 0;
    qint64 m_droppedWhileFailing = 0;
    qint32 m_recordCount = 0;
    qint32 m_maxRows = 500;
    bool m_recordCounterRed = false;
    bool m_rowCounterRed = false;
    bool m_autoExport = false;
    bool m_autoExportFailing = false;
    bool m_dateStamp = false;
    bool m_timeStamp = false;
    bool m_statusStamp = false;
};

} // namespace tlv::viewer
