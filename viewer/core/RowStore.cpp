#include "viewer/core/RowStore.h"

#include "viewer/core/ColumnTable.h"
#include "viewer/core/RecordDecoder.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <utility>

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
        return isSeparator(index.row());
    case ValueRole: {
        const auto value = cellValue(index.row(), index.column());
        return value ? QVariant(*value) : QVariant();
    }
    case RawValueRole: {
        const auto raw = rawValue(index.row(), index.column());
        return raw ? QVariant(*raw) : QVariant();
    }
    case CommentRole:
        return comment(index.row(), index.column());
    case RowKindRole:
        return int(rowKind(index.row()));
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
    QStringView line, const QString &status, const QString &date, const QString &time) const
{
    // Made at its final size: it goes out with every record.
    const QStringView parts[] = { m_dateStamp ? QStringView(date) : QStringView(),
        m_timeStamp ? QStringView(time) : QStringView(),
        m_statusStamp ? QStringView(status) : QStringView() };
    const bool shown[] = { m_dateStamp, m_timeStamp, m_statusStamp };
    qsizetype size = line.size();
    for (int i = 0; i < 3; ++i)
        size += shown[i] ? parts[i].size() + 1 : 0;
    QString out(size, Qt::Uninitialized);
    QChar *to = out.data();
    for (int i = 0; i < 3; ++i) {
        if (!shown[i])
            continue;
        to = std::copy(parts[i].begin(), parts[i].end(), to);
        *to++ = u'\t';
    }
    std::copy(line.begin(), line.end(), to);
    return out;
}

RowStore::Row::Row(RowKind rowKind, qint32 recordNumber, qint64 pcMsecs, const QString &date,
    const QString &time, const QString &status, qsizetype cells, qsizetype cellChars, Block *spare)
    : msecs(pcMsecs)
    , number(recordNumber)
    , kind(rowKind)
    , m_cells(cells)
{
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, recordNumber).ptr;
    const qsizetype stampChars = (end - digits) + date.size() + time.size() + status.size();
    const size_t bytes
        = size_t(cells) * sizeof(DataCell) + size_t(stampChars + cellChars) * sizeof(char16_t);
    if (spare && spare->bytes && spare->size >= bytes) {
        m_block = std::move(*spare);
    } else {
        // Some room to spare, so that a later row of slightly longer texts can reuse it.
        m_block.size = bytes + bytes / 8;
        m_block.bytes.reset(new std::byte[m_block.size]);
    }
    std::uninitialized_value_construct_n(this->cells(), cells);
    char16_t *to = chars();
    for (const char *c = digits; c != end; ++c)
        *to++ = char16_t(*c);
    m_stampEnds[0] = qint32(to - chars());
    const QString *stamps[] = { &date, &time, &status };
    for (int i = 0; i < 3; ++i) {
        const auto *from = reinterpret_cast<const char16_t *>(stamps[i]->constData());
        to = std::copy(from, from + stamps[i]->size(), to);
        m_stampEnds[i + 1] = qint32(to - chars());
    }
}

void RowStore::Row::prefetch() const
{
    const std::byte *bytes = m_block.bytes.get();
    for (size_t at = 0; at < m_block.size; at += 64)
        __builtin_prefetch(bytes + at, 1);
}

QStringView RowStore::Row::stamp(int i) const
{
    const qint32 start = i > 0 ? m_stampEnds[i - 1] : 0;
    return QStringView(chars() + start, m_stampEnds[i] - start);
}

inline QStringView RowStore::Row::text(qsizetype cell) const
{
    const qint32 start = cell > 0 ? cells()[cell - 1].textEnd : 0;
    return QStringView(chars() + m_stampEnds[3] + start, cells()[cell].textEnd - start);
}

void RowStore::countRecord()
{
    if (m_recordCount >= RecordCountLimit - 1) {
        m_recordCount = 0;
        m_recordCounterRed = true;
    } else {
        ++m_recordCount;
    }
    makeRoom();
}

void RowStore::addRecord(const DecodedRecord &record)
{
    QStringView display = record.displayLine;
    if (display.startsWith(u'\t'))
        display = display.mid(1);
    addRecordRow(record, display, nullptr);
}

void RowStore::addRecord(const QString &display, const QString &raw, const QString &comment,
    const QString &date, const QString &time)
{
    DecodedRecord record;
    record.date = date;
    record.time = time;
    const QStringList texts = display.split(u'\t');
    const QStringList raws = raw.split(u';');
    const QStringList comments = comment.split(u';');
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        const QString rawEntry = raws.value(i);
        record.appendColumn(m_columns[i].number, display.isEmpty() ? QString() : texts.value(i),
            rawEntry, rawEntry.toLongLong(), std::nullopt, comments.value(i));
    }
    // The lines go out as given, not as rebuilt from their pieces.
    addRecordRow(record, display, &raw);
}

void RowStore::addRecordRow(
    const DecodedRecord &record, QStringView display, const QString *rawLine)
{
    Q_EMIT outputLine(stampedLine(display, m_statusText, record.date, record.time));
    countRecord();

    const qsizetype count = qMin(m_columns.size(), record.columns.size());
    qsizetype size = 0;
    bool comments = false;
    for (qsizetype i = 0; i < count; ++i) {
        size += record.columns[i].textSize;
        comments = comments || record.columns[i].commentSize > 0;
    }
    Row row(RowKind::Record, m_recordCount, record.msecs, record.date, record.time, m_statusText,
        m_columns.size(), size, &m_spare);
    DataCell *cells = row.cells();
    char16_t *const first = row.cellChars();
    char16_t *to = first;
    for (qsizetype i = 0; i < count; ++i) {
        const DecodedColumn &from = record.columns[i];
        DataCell &cell = cells[i];
        const QStringView text = record.text(i);
        to = std::copy(text.utf16(), text.utf16() + text.size(), to);
        cell.textEnd = qint32(to - first);
        cell.raw = from.value;
        cell.hasValue = from.number.has_value();
        cell.value = from.number.value_or(0.0);
        // A string's raw entry is its text; every other column has a number there.
        cell.hasRaw = from.hasRaw;
    }
    for (qsizetype i = count; i < row.cellCount(); ++i)
        cells[i].textEnd = qint32(size);
    if (comments) {
        row.comments = std::make_unique<QStringList>();
        row.comments->reserve(m_columns.size());
        for (qsizetype i = 0; i < m_columns.size(); ++i)
            row.comments->append(i < count ? record.comment(i).toString() : QString());
    }
    if (rawLine)
        row.rawLine = std::make_unique<QString>(*rawLine);
    append(std::move(row));
}

void RowStore::addStatusRow(const QString &date, const QString &time, qint64 msecs)
{
    Q_EMIT outputLine(stampedLine({}, m_statusText, date, time));
    countRecord();
    append(Row(RowKind::Status, m_recordCount, msecs, date, time, m_statusText, 0, 0));
}

void RowStore::addSeparator(
    RowKind kind, const QString &text, const QString &date, const QString &time, qint64 msecs)
{
    QStringList dashes;
    for (int i = 0; i < m_columns.size(); ++i)
        dashes << kDashes;
    Q_EMIT outputLine(stampedLine(dashes.join(u'\t'), text, date, time));
    Q_ASSERT(viewer::isSeparator(kind));
    append(Row(kind, m_recordCount, msecs, date, time, text, 0, 0));
}

void RowStore::makeRoom()
{
    if (qint64(m_rows.size()) < m_maxRows) {
        m_rowCounterRed = false;
        return;
    }
    if (!m_autoExport || !m_exportHandler) {
        dropOldest(int(qint64(m_rows.size()) - std::max<qint64>(m_maxRows - 1, 0)));
        m_rowCounterRed = true;
        return;
    }
    m_exportHandler();
    if (qint64(m_rows.size()) < m_maxRows) {
        m_rowCounterRed = false;
        if (m_autoExportFailing) {
            m_autoExportFailing = false;
            Q_EMIT autoExportRecovered(std::exchange(m_droppedWhileFailing, 0));
        }
        return;
    }
    // Nothing written is nothing to throw away: the rows wait for the next export, and
    // only a backlog that would grow without end gives up its oldest rows.
    m_rowCounterRed = true;
    if (!m_autoExportFailing) {
        m_autoExportFailing = true;
        Q_EMIT autoExportFailed();
    }
    const qint64 over = qint64(m_rows.size()) - (backlogLimit() - 1);
    if (over > 0) {
        dropOldest(int(over));
        m_droppedRows += over;
        m_droppedWhileFailing += over;
    }
}

qint64 RowStore::backlogLimit() const
{
    return std::max<qint64>(qint64(m_maxRows) * 10, 1000);
}

void RowStore::append(Row row)
{
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
    // A full grid drops its oldest row on the next record, and its memory becomes that
    // record's: asked for now, it is at hand then, however large the grid.
    if (qint64(m_rows.size()) >= m_maxRows)
        m_rows.front().prefetch();
    Q_EMIT countersChanged();
    Q_EMIT rowAppended(at);
}

void RowStore::dropOldest(int count)
{
    count = std::min(count, int(m_rows.size()));
    if (count <= 0)
        return;
    beginRemoveRows({}, 0, count - 1);
    m_spare = m_rows[size_t(count) - 1].takeBlock();
    m_rows.erase(m_rows.begin(), m_rows.begin() + count);
    endRemoveRows();
}

QString RowStore::cell(int row, int gridColumn) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    const Row &r = m_rows[size_t(row)];
    const int i = gridColumn - StampColumns;
    if ((gridColumn >= 0 && gridColumn < StampColumns) || (i >= 0 && i < r.cellCount()))
        return cellView(row, gridColumn).toString();
    if (i < 0 || i > m_columns.size() + 1)
        return {};
    if (viewer::isSeparator(r.kind))
        return i < m_columns.size() ? kDashes : QString();
    if (r.cellCount() == 0)
        return {};
    // The hidden raw and comment lines, built when asked for.
    const bool raw = gridColumn == rawColumn();
    if (raw && r.rawLine)
        return *r.rawLine;
    QString line;
    for (qsizetype k = 0; k < r.cellCount(); ++k) {
        const DataCell &c = r.cells()[k];
        if (k > 0)
            line += u';';
        if (!raw) {
            if (r.comments)
                line += r.comments->value(k);
        } else if (c.hasRaw) {
            line += QString::number(c.raw);
        } else {
            line += r.text(k);
        }
    }
    return line;
}

QStringView RowStore::cellView(int row, int gridColumn) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    return cellView(m_rows[size_t(row)], gridColumn);
}

inline QStringView RowStore::cellView(const Row &r, int gridColumn) const
{
    if (gridColumn >= 0 && gridColumn < StampColumns)
        return r.stamp(gridColumn);
    const int i = gridColumn - StampColumns;
    if (i < 0 || i >= m_columns.size())
        return {};
    if (viewer::isSeparator(r.kind))
        return kDashes;
    return i < r.cellCount() ? r.text(i) : QStringView();
}

RowStore::RowKind RowStore::rowKind(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)].kind : RowKind::Record;
}

const RowStore::DataCell *RowStore::dataCell(int row, int gridColumn) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return nullptr;
    const Row &r = m_rows[size_t(row)];
    const int i = gridColumn - StampColumns;
    return i >= 0 && i < r.cellCount() ? &r.cells()[i] : nullptr;
}

std::optional<double> RowStore::cellValue(int row, int gridColumn) const
{
    const DataCell *c = dataCell(row, gridColumn);
    return c && c->hasValue ? std::optional<double>(c->value) : std::nullopt;
}

void RowStore::rowCells(int row, std::span<const int> gridColumns, RowCell *cells) const
{
    if (row < 0 || row >= int(m_rows.size())) {
        std::fill_n(cells, gridColumns.size(), RowCell());
        return;
    }
    const Row &r = m_rows[size_t(row)];
    // Such a reader goes on to the next row: fetch its data cells and the first of their
    // texts meanwhile (a row is one block, the texts after the cells).
    if (row + 1 < int(m_rows.size())) {
        const Row &next = m_rows[size_t(row) + 1];
        const auto *from = reinterpret_cast<const char *>(next.cells());
        const auto *to = from + next.cellCount() * qsizetype(sizeof(DataCell) + 16);
        for (; from < to; from += 64)
            __builtin_prefetch(from);
    }
    for (size_t k = 0; k < gridColumns.size(); ++k) {
        RowCell &cell = cells[k];
        cell.text = cellView(r, gridColumns[k]);
        const int i = gridColumns[k] - StampColumns;
        const DataCell *c = i >= 0 && i < r.cellCount() ? &r.cells()[i] : nullptr;
        cell.number = c && c->hasValue ? std::optional<double>(c->value) : std::nullopt;
        cell.raw = c && c->hasRaw ? std::optional<qint64>(c->raw) : std::nullopt;
    }
}

std::optional<qint64> RowStore::rawValue(int row, int gridColumn) const
{
    const DataCell *c = dataCell(row, gridColumn);
    return c && c->hasRaw ? std::optional<qint64>(c->raw) : std::nullopt;
}

QString RowStore::comment(int row, int gridColumn) const
{
    if (!dataCell(row, gridColumn))
        return {};
    const Row &r = m_rows[size_t(row)];
    return r.comments ? r.comments->value(gridColumn - StampColumns) : QString();
}

qint32 RowStore::recordNumber(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)].number : 0;
}

qint64 RowStore::rowMsecs(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)].msecs : 0;
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
    if (gridColumn >= 1 && gridColumn < StampColumns) {
        m_stampSelected[gridColumn - 1] = !m_stampSelected[gridColumn - 1];
        Q_EMIT headerDataChanged(Qt::Horizontal, gridColumn, gridColumn);
        return;
    }
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
    if (gridColumn >= 1 && gridColumn < StampColumns)
        return m_stampSelected[gridColumn - 1];
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
