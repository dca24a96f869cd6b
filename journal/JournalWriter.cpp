#include "journal/JournalWriter.h"

#include "journal/JournalLog.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/ControlCore.h"
#include "viewer/core/RowStore.h"

#include <QDateTime>
#include <QSqlError>
#include <QTimer>

namespace tlv::journal {

namespace {

const QString GoesOn = QStringLiteral(" Recording goes on without the journal.");

// A null text would go in as NULL; the columns hold texts.
QString text(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

} // namespace

JournalWriter::JournalWriter(QObject *parent)
    : QObject(parent)
{ }

JournalWriter::~JournalWriter()
{
    close();
}

bool JournalWriter::open(const QString &path)
{
    close();
    m_error.clear();
    if (!m_db.open(path, JournalDatabase::Mode::Write)) {
        m_error = m_db.errorString() + GoesOn;
        return false;
    }
    QSqlQuery ids(m_db.db());
    if (!ids.exec(QStringLiteral("SELECT (SELECT IFNULL(MAX(id), 0) FROM rows), (SELECT "
                                 "IFNULL(MAX(id), 0) FROM buffers)"))
        || !ids.next()) {
        m_error = QStringLiteral("The journal ") + path + QStringLiteral(" is damaged: ")
            + JournalDatabase::describe(ids.lastError()) + GoesOn;
        m_db.close();
        return false;
    }
    m_nextRowId = ids.value(0).toLongLong() + 1;
    m_nextBufferId = ids.value(1).toLongLong() + 1;
    ids.finish();
    m_previousClean = m_db.meta(QStringLiteral("clean_close")) != QLatin1String("0");
    m_stored = lastStoredBuffer();
    // Cleared until close(): a journal found like this next time was not closed in order.
    if (!m_db.setMeta(QStringLiteral("clean_close"), QStringLiteral("0"))) {
        m_error = QStringLiteral("The journal ") + path + QStringLiteral(" cannot be written: ")
            + m_db.errorString() + GoesOn;
        m_db.close();
        return false;
    }
    m_insertRow = std::make_unique<QSqlQuery>(m_db.db());
    m_insertRow->prepare(QStringLiteral(
        "INSERT INTO rows (id, buffer_id, kind, record_number, pc_millis, pc_date, pc_time, "
        "status, raw, comment) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    if (!m_cells.prepare(m_db.db())) {
        m_error = QStringLiteral("The journal ") + path + QStringLiteral(" cannot be written: ")
            + m_cells.errorString() + GoesOn;
        m_insertRow.reset();
        m_db.close();
        return false;
    }
    if (QString why; !startSummary(&why)) {
        m_error = QStringLiteral("The journal ") + path + QStringLiteral(" cannot be written: ")
            + why + GoesOn;
        m_insertRow.reset();
        m_cells.finish();
        m_db.close();
        return false;
    }
    m_failing = false;
    return true;
}

void JournalWriter::close()
{
    if (!m_db.isOpen())
        return;
    flush();
    if (m_pending.empty())
        m_db.setMeta(QStringLiteral("clean_close"), QStringLiteral("1"));
    m_insertRow.reset();
    m_cells.finish();
    m_db.close();
}

bool JournalWriter::startSummary(QString *why)
{
    // A journal from before the summaries gets them for the rows it has, once.
    QSqlDatabase &db = m_db.db();
    if (!m_db.exec(JournalSummary::createSql(QStringLiteral("summaries")))) {
        *why = m_db.errorString();
        return false;
    }
    if (m_summary.start(db) && db.transaction()) {
        if (m_summary.extend(db, m_nextRowId - 1) && db.commit())
            return true;
        db.rollback();
    }
    *why = m_summary.errorString();
    return false;
}

JournalBuffer JournalWriter::lastStoredBuffer()
{
    JournalBuffer buffer;
    QSqlQuery query(m_db.db());
    if (!query.exec(QStringLiteral(
            "SELECT id, title, header_key, header_version FROM buffers ORDER BY id DESC LIMIT 1"))
        || !query.next())
        return buffer;
    buffer.id = query.value(0).toLongLong();
    buffer.title = query.value(1).toString();
    buffer.headerKey = query.value(2).toString();
    buffer.headerVersion = query.value(3).toInt();
    query.finish();
    query.prepare(QStringLiteral("SELECT number, title, width, data_type, format FROM columns "
                                 "WHERE buffer_id = ? ORDER BY position"));
    query.addBindValue(buffer.id);
    if (!query.exec())
        return {};
    while (query.next()) {
        buffer.columns.append({ query.value(0).toInt(), query.value(1).toString(),
            query.value(2).toInt(), qint16(query.value(3).toInt()), query.value(4).toString() });
    }
    return buffer;
}

void JournalWriter::attach(viewer::ControlCore &core)
{
    viewer::RowStore &rows = core.rows();
    setBuffer(bufferFrom(core));
    m_gridIds.clear();
    connect(&rows, &viewer::RowStore::columnWidthsChanged, this,
        [this, &core] { setBuffer(bufferFrom(core)); });
    connect(&rows, &viewer::RowStore::rowAppended, this, [this, &rows](int row) {
        const qint64 id = addRow(rowFrom(rows, row));
        // The grid's rows mirrored, so an export knows which journal rows it wrote.
        while (qsizetype(m_gridIds.size()) > row)
            m_gridIds.pop_back();
        while (qsizetype(m_gridIds.size()) < row)
            m_gridIds.push_back(0);
        m_gridIds.push_back(id);
    });
    connect(&rows, &QAbstractItemModel::rowsAboutToBeRemoved, this,
        [this](const QModelIndex &, int first, int last) { onGridRemoval(first, last); });
    connect(&rows, &QAbstractItemModel::modelAboutToBeReset, this,
        [this] { onGridRemoval(0, int(m_gridIds.size()) - 1); });
    // The activity indicator turns at the end of every read tick.
    connect(&core, &viewer::ControlCore::activityChanged, this, [this] { flush(); });
    connect(&core, &viewer::ControlCore::NewExportFile, this, [this] {
        // A good export empties the grid (or drops the rows it wrote) before it returns.
        m_exportRunning = true;
        QTimer::singleShot(0, this, [this] { m_exportRunning = false; });
    });
}

void JournalWriter::onGridRemoval(int first, int last)
{
    last = std::min(last, int(m_gridIds.size()) - 1);
    if (first < 0 || last < first)
        return;
    if (m_exportRunning) {
        m_exportRunning = false;
        qint64 from = 0;
        for (int i = first; i <= last; ++i) {
            const qint64 id = m_gridIds[size_t(i)];
            if (id > 0 && from == 0)
                from = id;
            if (id > 0)
                markExported(from, id);
        }
    }
    m_gridIds.erase(m_gridIds.begin() + first, m_gridIds.begin() + last + 1);
}

JournalRow JournalWriter::rowFrom(const viewer::RowStore &rows, int row)
{
    using viewer::RowStore;
    JournalRow r;
    r.recordNumber = rows.recordNumber(row);
    r.pcMillis = rows.rowMsecs(row);
    r.date = rows.cell(row, 1);
    r.time = rows.cell(row, 2);
    r.status = rows.cell(row, 3);
    for (int g = RowStore::StampColumns; g < rows.rawColumn(); ++g) {
        r.cells.append(rows.cell(row, g));
        r.numbers.append(rows.cellValue(row, g));
        r.rawValues.append(rows.rawValue(row, g));
    }
    r.raw = rows.cell(row, rows.rawColumn());
    r.comment = rows.cell(row, rows.commentColumn());
    r.kind = rows.rowKind(row);
    return r;
}

JournalBuffer JournalWriter::bufferFrom(viewer::ControlCore &core)
{
    JournalBuffer b;
    const viewer::ColumnTable &table = core.cycle().columns();
    b.title = core.cycle().layout().title;
    b.headerKey = core.headerKey();
    b.headerVersion = core.headerVersion();
    for (const viewer::RowStore::DataColumn &c : core.rows().dataColumns()) {
        const bool known = c.number >= 0 && c.number < viewer::ColumnTable::Size;
        b.columns.append({ c.number, c.title, c.width, known ? table[c.number].DataType : qint16(0),
            known ? table[c.number].Format : QString() });
    }
    return b;
}

void JournalWriter::setBuffer(const JournalBuffer &buffer)
{
    if (m_paused)
        return;
    if (m_buffer.id != 0 && buffer.sameAs(m_buffer))
        return;
    if (m_stored.id != 0 && buffer.sameAs(m_stored) && m_newBuffers.empty()) {
        m_buffer = m_stored;
        return;
    }
    // A buffer no row came with is not worth keeping.
    if (!m_newBuffers.empty()
        && (m_pending.empty() || m_pending.back().bufferId != m_newBuffers.back().id)) {
        m_nextBufferId = m_newBuffers.back().id;
        m_newBuffers.pop_back();
    }
    if (m_stored.id != 0 && buffer.sameAs(m_stored) && m_newBuffers.empty()) {
        m_buffer = m_stored;
        return;
    }
    m_buffer = buffer;
    m_buffer.id = m_nextBufferId++;
    m_newBuffers.push_back(m_buffer);
}

qint64 JournalWriter::addRow(JournalRow row)
{
    if (!m_db.isOpen() || m_paused)
        return 0;
    if (m_buffer.id == 0)
        setBuffer(JournalBuffer {});
    row.id = m_nextRowId++;
    row.bufferId = m_buffer.id;
    m_pending.push_back(std::move(row));
    if (m_pending.size() > size_t(MaxPendingRows)) {
        m_pending.pop_front();
        ++m_dropped;
    }
    scheduleFlush();
    return m_pending.back().id;
}

void JournalWriter::markExported(qint64 from, qint64 to)
{
    if (!m_db.isOpen() || from <= 0 || to < from)
        return;
    if (!m_marks.empty() && m_marks.back().second + 1 >= from && m_marks.back().first <= from)
        m_marks.back().second = std::max(m_marks.back().second, to);
    else
        m_marks.emplace_back(from, to);
    scheduleFlush();
}

void JournalWriter::scheduleFlush()
{
    // Rows that arrive outside a read tick (a status change) are written once control
    // returns to the event loop.
    if (m_flushQueued)
        return;
    m_flushQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_flushQueued = false;
        flush();
    });
}

bool JournalWriter::flush()
{
    // Buffers go in with their first rows.
    if (!m_db.isOpen() || (m_pending.empty() && m_marks.empty()))
        return true;
    const bool ok = writePending();
    if (ok) {
        if (m_failing) {
            m_failing = false;
            QString text = QStringLiteral("The journal ") + m_db.path()
                + QStringLiteral(" is written again.");
            if (m_dropped > 0)
                text += QStringLiteral(" ") + QString::number(m_dropped)
                    + QStringLiteral(" rows could not be kept meanwhile.");
            m_dropped = 0;
            Q_EMIT recovered(text);
        }
    }
    Q_EMIT flushed(ok);
    return ok;
}

bool JournalWriter::writePending()
{
    QSqlDatabase &db = m_db.db();
    if (!db.transaction()) {
        failed(JournalDatabase::describe(db.lastError()));
        return false;
    }
    const auto abandon = [&](const QString &why) {
        db.rollback();
        m_summary.start(db);
        failed(why);
        return false;
    };
    for (const JournalBuffer &b : m_newBuffers) {
        if (!insertBuffer(b))
            return abandon(m_db.errorString());
    }
    for (const JournalRow &r : m_pending) {
        QString why;
        if (!insertRow(r, &why))
            return abandon(why);
    }
    if (!m_pending.empty() && !m_summary.extend(db, m_pending.back().id))
        return abandon(m_summary.errorString());
    for (const auto &[from, to] : m_marks) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("UPDATE rows SET exported = 1 WHERE id BETWEEN ? AND ?"));
        q.addBindValue(from);
        q.addBindValue(to);
        if (!m_db.exec(q, QStringLiteral("export mark")))
            return abandon(m_db.errorString());
    }
    if (!db.commit())
        return abandon(JournalDatabase::describe(db.lastError()));
    m_pending.clear();
    m_marks.clear();
    if (!m_newBuffers.empty()) {
        m_stored = m_newBuffers.back();
        m_newBuffers.clear();
    }
    return true;
}

bool JournalWriter::insertRow(const JournalRow &r, QString *why)
{
    const QString what = QStringLiteral("row ") + QString::number(r.id);
    QSqlQuery &q = *m_insertRow;
    q.bindValue(0, r.id);
    q.bindValue(1, r.bufferId);
    q.bindValue(2, kindName(r.kind));
    q.bindValue(3, r.recordNumber);
    q.bindValue(4, r.pcMillis != 0 ? QVariant(r.pcMillis) : QVariant());
    q.bindValue(5, text(r.date));
    q.bindValue(6, text(r.time));
    q.bindValue(7, text(r.status));
    q.bindValue(8, text(r.raw));
    q.bindValue(9, text(r.comment));
    if (!m_db.exec(q, what)) {
        *why = m_db.errorString();
        return false;
    }
    if (m_cells.write(r))
        return true;
    *why = what + QStringLiteral(": ") + m_cells.errorString();
    return false;
}

bool JournalWriter::insertBuffer(const JournalBuffer &b)
{
    QSqlQuery q(m_db.db());
    q.prepare(QStringLiteral("INSERT INTO buffers (id, title, header_key, header_version, opened) "
                             "VALUES (?, ?, ?, ?, ?)"));
    q.addBindValue(b.id);
    q.addBindValue(text(b.title));
    q.addBindValue(text(b.headerKey));
    q.addBindValue(b.headerVersion);
    q.addBindValue(QDateTime::currentDateTime().toString(Qt::ISODate));
    if (!m_db.exec(q, QStringLiteral("buffer")))
        return false;
    q.prepare(QStringLiteral("INSERT INTO columns (buffer_id, position, number, title, width, "
                             "data_type, format) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < b.columns.size(); ++i) {
        const JournalColumn &c = b.columns[i];
        q.addBindValue(b.id);
        q.addBindValue(i);
        q.addBindValue(c.number);
        q.addBindValue(text(c.title));
        q.addBindValue(c.width);
        q.addBindValue(c.dataType);
        q.addBindValue(text(c.format));
        if (!m_db.exec(q, QStringLiteral("column")))
            return false;
    }
    return true;
}

void JournalWriter::failed(const QString &text)
{
    m_error = QStringLiteral("The journal ") + m_db.path() + QStringLiteral(" cannot be written: ")
        + text + QStringLiteral(". Recording goes on; the rows wait for the next try.");
    if (m_failing)
        return;
    m_failing = true;
    qCInfo(lcJournal).noquote() << m_error;
    Q_EMIT problem(m_error);
}

} // namespace tlv::journal
