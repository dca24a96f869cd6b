#include "viewer/core/RowStore.h"

#include "viewer/core/ColumnTable.h"

#include <algorithm>

namespace tlv::viewer {

namespace {

const QString kDashes = QString(RowStore::DashCount, u'-');

} // namespace

RowStore::RowStore(QObject *parent)
    : QAbstractTableModel(parent)
{ }

int RowStore::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int RowStore::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : StampColumns + int(m_columns.size()) + 2;
}

QVariant RowStore::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell(index.row(), index.column());
    case ColumnNumberRole:
        return columnNumberAt(index.column());
    case SeparatorRole:
        return m_rows[size_t(index.row())].separator;
    default:
        return {};
    }
}

QVariant RowStore::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < 0 || section >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        switch (section) {
        case 0:
            return QString();
        case 1:
            return QStringLiteral("PC Date");
        case 2:
            return QStringLiteral("PC Time");
        case 3:
            return QStringLiteral("PCD");
        default: {
            const int i = section - StampColumns;
            return i < m_columns.size() ? m_columns[i].title : QString();
        }
        }
    case ColumnNumberRole:
        return columnNumberAt(section);
    case GraphSelectedRole:
        return isGraphSelected(section);
    default:
        return {};
    }
}

void RowStore::setColumns(const ColumnTable &table)
{
    QList<DataColumn> columns;
    for (int k = 0; k < ColumnTable::Size; ++k) {
        const ColumnDescription &c = table[k];
        if (c.Defined)
            columns.append({ k, c.Title, c.Width });
    }
    setColumns(columns);
}

void RowStore::setColumns(const QList<DataColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    m_rows.clear();
    endResetModel();
    m_rowCounterRed = false;
    Q_EMIT columnWidthsChanged();
    Q_EMIT countersChanged();
}

int RowStore::columnNumberAt(int gridColumn) const
{
    const int i = gridColumn - StampColumns;
    return i >= 0 && i < m_columns.size() ? m_columns[i].number : -1;
}

qint32 RowStore::columnWidth(int gridColumn) const
{
    switch (gridColumn) {
    case 0:
        return NumberWidth;
    case 1:
        return m_dateStamp ? StampWidth : 0;
    case 2:
        return m_timeStamp ? StampWidth : 0;
    case 3:
        return m_statusStamp ? StampWidth : 0;
    default: {
        const int i = gridColumn - StampColumns;
        return i >= 0 && i < m_columns.size() ? m_columns[i].width : 0;
    }
    }
}

void RowStore::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
    m_recordCount = 0;
    m_recordCounterRed = false;
    m_rowCounterRed = false;
    Q_EMIT countersChanged();
}

void RowStore::removeAllRows()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
    m_rowCounterRed = false;
    Q_EMIT countersChanged();
}

void RowStore::removeOldestRows(int count)
{
    dropOldest(count);
    m_rowCounterRed = !m_rows.empty() && qint64(m_rows.size()) >= m_maxRows;
    Q_EMIT countersChanged();
}

QString RowStore::stampedLine(
    const QString &line, const QString &status, const QString &date, const QString &time) const
{
    QString out = line;
    if (m_statusStamp)
        out = status + u'\t' + out;
    if (m_timeStamp)
        out = time + u'\t' + out;
    if (m_dateStamp)
        out = date + u'\t' + out;
    return out;
}

void RowStore::addRecord(const QString &display, const QString &raw, const QString &comment,
    const QString &date, const QString &time)
{
    Q_EMIT outputLine(stampedLine(display, m_statusText, date, time));

    if (m_recordCount >= RecordCountLimit - 1) {
        m_recordCount = 0;
        m_recordCounterRed = true;
    } else {
        ++m_recordCount;
    }
    makeRoom();

    Row row;
    row.cells.reserve(columnCount());
    row.cells << QString::number(m_recordCount) << date << time << m_statusText;
    const QStringList texts = display.split(u'\t');
    for (int i = 0; i < m_columns.size(); ++i)
        row.cells << (display.isEmpty() ? QString() : texts.value(i));
    row.cells << raw << comment;
    append(std::move(row));
}

void RowStore::addStatusRow(const QString &date, const QString &time)
{
    addRecord({}, {}, {}, date, time);
}

void RowStore::addSeparator(const QString &text, const QString &date, const QString &time)
{
    QStringList dashes;
    for (int i = 0; i < m_columns.size(); ++i)
        dashes << kDashes;
    Q_EMIT outputLine(stampedLine(dashes.join(u'\t'), text, date, time));

    Row row;
    row.separator = true;
    row.cells << QString::number(m_recordCount) << date << time << text << dashes << QString()
              << QString();
    append(std::move(row));
}

void RowStore::makeRoom()
{
    if (qint64(m_rows.size()) < m_maxRows) {
        m_rowCounterRed = false;
        return;
    }
    if (m_autoExport && m_exportHandler)
        m_exportHandler();
    // Without an export (or one that failed) the oldest rows make room.
    if (qint64(m_rows.size()) >= m_maxRows) {
        dropOldest(int(qint64(m_rows.size()) - std::max<qint64>(m_maxRows - 1, 0)));
        m_rowCounterRed = true;
    } else {
        m_rowCounterRed = false;
    }
}

void RowStore::append(Row row)
{
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
    Q_EMIT countersChanged();
    Q_EMIT rowAppended(at);
}

void RowStore::dropOldest(int count)
{
    count = std::min(count, int(m_rows.size()));
    if (count <= 0)
        return;
    beginRemoveRows({}, 0, count - 1);
    m_rows.erase(m_rows.begin(), m_rows.begin() + count);
    endRemoveRows();
}

QString RowStore::cell(int row, int gridColumn) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    return m_rows[size_t(row)].cells.value(gridColumn);
}

QStringView RowStore::cellView(int row, int gridColumn) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    const QStringList &cells = m_rows[size_t(row)].cells;
    return gridColumn >= 0 && gridColumn < cells.size() ? QStringView(cells[gridColumn])
                                                        : QStringView();
}

bool RowStore::isSeparator(int row) const
{
    return row >= 0 && row < int(m_rows.size()) && m_rows[size_t(row)].separator;
}

void RowStore::setMaxRows(qint32 maxRows)
{
    m_maxRows = maxRows;
    if (qint64(m_rows.size()) > m_maxRows) {
        dropOldest(int(qint64(m_rows.size()) - std::max<qint64>(m_maxRows, 0)));
        m_rowCounterRed = true;
    } else {
        m_rowCounterRed = qint64(m_rows.size()) >= m_maxRows && !m_rows.empty();
    }
    Q_EMIT countersChanged();
}

void RowStore::setStamps(bool date, bool time, bool status)
{
    if (date == m_dateStamp && time == m_timeStamp && status == m_statusStamp)
        return;
    m_dateStamp = date;
    m_timeStamp = time;
    m_statusStamp = status;
    Q_EMIT columnWidthsChanged();
}

void RowStore::toggleGraphSelection(int gridColumn)
{
    const int number = columnNumberAt(gridColumn);
    if (number < 0)
        return;
    if (!m_selected.remove(number))
        m_selected.insert(number);
    Q_EMIT headerDataChanged(Qt::Horizontal, gridColumn, gridColumn);
    Q_EMIT graphSelectionChanged();
}

void RowStore::setGraphSelection(const QSet<int> &columnNumbers)
{
    if (columnNumbers == m_selected)
        return;
    m_selected = columnNumbers;
    if (columnCount() > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    Q_EMIT graphSelectionChanged();
}

bool RowStore::isGraphSelected(int gridColumn) const
{
    const int number = columnNumberAt(gridColumn);
    return number >= 0 && m_selected.contains(number);
}

QList<int> RowStore::selectedGridColumns() const
{
    QList<int> out;
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_selected.contains(m_columns[i].number))
            out.append(StampColumns + i);
    }
    return out;
}

QString RowStore::selectionText() const
{
    QList<int> numbers(m_selected.cbegin(), m_selected.cend());
    std::sort(numbers.begin(), numbers.end());
    QStringList parts;
    for (int n : numbers)
        parts << QString::number(n);
    return parts.join(u',');
}

QSet<int> RowStore::parseSelection(const QString &text)
{
    QSet<int> out;
    const QStringList parts = text.split(u',', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        if (ok && n >= 0 && n < ColumnTable::Size)
            out.insert(n);
    }
    return out;
}

} // namespace tlv::viewer
