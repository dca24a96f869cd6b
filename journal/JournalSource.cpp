#include "journal/JournalSource.h"

#include "viewer/core/RowStore.h"

#include <QDateTime>

namespace tlv::journal {

using viewer::RowStore;

JournalSource::JournalSource(const JournalBuffer &buffer, const QList<JournalRow> &rows)
    : m_buffer(buffer)
    , m_rows(rows)
    , m_table(columnTable(buffer))
{ }

viewer::ColumnTable JournalSource::columnTable(const JournalBuffer &buffer)
{
    viewer::ColumnTable table;
    for (const JournalColumn &c : buffer.columns) {
        if (c.number < 0 || c.number >= viewer::ColumnTable::Size)
            continue;
        viewer::ColumnDescription &d = table[c.number];
        d.Defined = true;
        d.Title = c.title;
        d.Width = c.width;
        d.DataType = c.dataType;
        d.Format = c.format;
        table.MaxColumn = std::max(table.MaxColumn, c.number);
    }
    return table;
}

int JournalSource::gridColumnCount() const
{
    return RowStore::StampColumns + int(m_buffer.columns.size()) + 2;
}

QString JournalSource::headerText(int gridColumn) const
{
    switch (gridColumn) {
    case 1:
        return QStringLiteral("PC Date");
    case 2:
        return QStringLiteral("PC Time");
    case 3:
        return QStringLiteral("PCD");
    default:
        break;
    }
    const int i = gridColumn - RowStore::StampColumns;
    return i >= 0 && i < m_buffer.columns.size() ? m_buffer.columns[i].title : QString();
}

qint32 JournalSource::columnWidth(int gridColumn) const
{
    if (gridColumn == 0)
        return RowStore::NumberWidth;
    if (gridColumn < RowStore::StampColumns)
        return RowStore::StampWidth;
    const int i = gridColumn - RowStore::StampColumns;
    return i < m_buffer.columns.size() ? m_buffer.columns[i].width : 0;
}

const viewer::ColumnDescription *JournalSource::description(int gridColumn) const
{
    const int i = gridColumn - RowStore::StampColumns;
    if (i < 0 || i >= m_buffer.columns.size())
        return nullptr;
    const int number = m_buffer.columns[i].number;
    return number >= 0 && number < viewer::ColumnTable::Size ? &m_table[number] : nullptr;
}

QString JournalSource::cellText(int row, int gridColumn) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    const JournalRow &r = m_rows[row];
    const int n = int(m_buffer.columns.size());
    switch (gridColumn) {
    case 0:
        return QString::number(r.recordNumber);
    case 1: {
        const Stamp *s = stamp(row);
        return s ? s->date.toString(QStringLiteral("dd/MM/yy")) : r.date;
    }
    case 2: {
        const Stamp *s = stamp(row);
        return s ? s->time.toString(QStringLiteral("HH:mm:ss")) : r.time;
    }
    case 3:
        return r.status;
    default:
        break;
    }
    const int i = gridColumn - RowStore::StampColumns;
    if (i < n)
        return r.cells.value(i);
    if (i == n)
        return r.raw;
    return i == n + 1 ? r.comment : QString();
}

const JournalSource::Stamp *JournalSource::stamp(int row) const
{
    const qint64 millis = m_rows[row].pcMillis;
    if (millis == 0)
        return nullptr;
    const qint64 second = millis >= 0 ? millis / 1000 : (millis - 999) / 1000;
    if (second != m_stamp.second) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(second * 1000);
        m_stamp = { second, local.date(), local.time() };
    }
    return &m_stamp;
}

std::optional<double> JournalSource::cellValue(int row, int gridColumn) const
{
    const int i = gridColumn - RowStore::StampColumns;
    if (row < 0 || row >= m_rows.size() || i < 0 || i >= m_buffer.columns.size())
        return std::nullopt;
    return m_rows[row].numbers.value(i);
}

std::optional<qint64> JournalSource::rawValue(int row, int gridColumn) const
{
    const int i = gridColumn - RowStore::StampColumns;
    if (row < 0 || row >= m_rows.size() || i < 0 || i >= m_buffer.columns.size())
        return std::nullopt;
    return m_rows[row].rawValues.value(i);
}

viewer::DecodedRecord JournalSource::decodedRecord(const JournalRow &row)
{
    viewer::DecodedRecord r;
    r.ok = true;
    r.date = shownDate(row);
    r.time = shownTime(row);
    r.msecs = row.pcMillis;
    // The comment line is ';'-joined; it is taken per cell only when it splits evenly.
    const QStringList comments = row.comment.split(u';');
    for (int i = 0; i < row.cells.size(); ++i) {
        const std::optional<qint64> raw = row.rawValues.value(i);
        r.appendColumn(0, row.cells[i], raw ? QString::number(*raw) : row.cells[i], raw.value_or(0),
            row.numbers.value(i),
            comments.size() == row.cells.size() ? QStringView(comments[i]) : QStringView());
    }
    return r;
}

} // namespace tlv::journal
