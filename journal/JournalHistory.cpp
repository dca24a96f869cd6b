#include "journal/JournalHistory.h"

#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace tlv::journal {

namespace {

// Rows of an older journal copied per step.
constexpr qint64 CopyStep = 5000;

} // namespace

bool JournalHistory::fail(const QString &why)
{
    m_error
        = QStringLiteral("The journal ") + m_db.path() + QStringLiteral(" cannot be drawn: ") + why;
    return false;
}

bool JournalHistory::open(const QString &path)
{
    m_error.clear();
    if (!m_db.open(path, JournalDatabase::Mode::Read)) {
        m_error = m_db.errorString();
        return false;
    }
    if (!m_reader.open(path)) {
        m_error = m_reader.errorString();
        return false;
    }
    QSqlDatabase &db = m_db.db();
    m_tables = {};
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral(
            "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'summaries'"))
        || !q.next())
        return fail(JournalDatabase::describe(q.lastError()));
    m_own = q.value(0).toInt() == 0 || m_db.readOnly();
    q.finish();
    if (m_own) {
        m_tables.summaries = QStringLiteral("temp.history_summaries");
        if (!m_db.exec(JournalSummary::createSql(m_tables.summaries)))
            return fail(m_db.errorString());
    }
    if (m_db.readOnly()) {
        // The first version kept its values as texts in the rows.
        m_tables.rows = QStringLiteral("temp.history_rows");
        m_tables.cells = QStringLiteral("temp.history_cells");
        if (!m_db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS temp.history_rows (id INTEGER "
                                      "PRIMARY KEY, kind TEXT NOT NULL, pc_millis INTEGER)"))
            || !m_db.exec(QStringLiteral(
                "CREATE TABLE IF NOT EXISTS temp.history_cells (row_id INTEGER NOT NULL, "
                "position INTEGER NOT NULL, number REAL, PRIMARY KEY (row_id, position)) "
                "WITHOUT ROWID"))
            || !copyOldRows())
            return fail(m_db.errorString());
    }
    m_summary = JournalSummary(m_tables);
    if (!m_summary.start(db))
        return fail(m_summary.errorString());
    return catchUp();
}

bool JournalHistory::copyOldRows()
{
    QSqlDatabase &db = m_db.db();
    if (!db.transaction())
        return false;
    QSqlQuery row(db);
    row.prepare(
        QStringLiteral("INSERT INTO temp.history_rows (id, kind, pc_millis) VALUES (?, ?, ?)"));
    QSqlQuery cell(db);
    cell.prepare(QStringLiteral(
        "INSERT INTO temp.history_cells (row_id, position, number) VALUES (?, ?, ?)"));
    for (qint64 from = 1;; from += CopyStep) {
        QList<JournalRow> rows;
        if (!m_reader.rows(from, from + CopyStep - 1, &rows)) {
            db.rollback();
            return false;
        }
        for (const JournalRow &r : std::as_const(rows)) {
            row.bindValue(0, r.id);
            row.bindValue(1, kindName(r.kind));
            row.bindValue(2, r.pcMillis != 0 ? QVariant(r.pcMillis) : QVariant());
            if (!m_db.exec(row, QStringLiteral("row"))) {
                db.rollback();
                return false;
            }
            for (qsizetype i = 0; i < r.cells.size(); ++i) {
                const std::optional<double> v = r.numbers.value(i);
                cell.bindValue(0, r.id);
                cell.bindValue(1, i);
                cell.bindValue(2, v ? QVariant(*v) : QVariant());
                if (!m_db.exec(cell, QStringLiteral("cell"))) {
                    db.rollback();
                    return false;
                }
            }
        }
        QSqlQuery more(db);
        if (!more.exec(QStringLiteral("SELECT COUNT(*) FROM rows WHERE id > ")
                + QString::number(from + CopyStep - 1))
            || !more.next()) {
            db.rollback();
            return false;
        }
        if (more.value(0).toLongLong() == 0)
            break;
    }
    return db.commit();
}

bool JournalHistory::catchUp()
{
    if (!m_own)
        return true;
    QSqlQuery q(m_db.db());
    if (!q.exec(QStringLiteral("SELECT IFNULL(MAX(id), 0) FROM ") + m_tables.rows) || !q.next())
        return fail(JournalDatabase::describe(q.lastError()));
    const qint64 last = q.value(0).toLongLong();
    q.finish();
    if (!m_summary.extend(m_db.db(), last))
        return fail(m_summary.errorString());
    return true;
}

bool JournalHistory::extent(viewer::HistoryExtent *extent)
{
    *extent = {};
    QSqlQuery q(m_db.db());
    const QString rows = m_tables.rows;
    // The times of the first and last rows that have one.
    if (!q.exec(QStringLiteral("SELECT (SELECT MIN(id) FROM ") + rows
            + QStringLiteral("), (SELECT pc_millis FROM ") + rows
            + QStringLiteral(" WHERE pc_millis IS NOT NULL ORDER BY id LIMIT 1), (SELECT MAX(id) "
                             "FROM ")
            + rows + QStringLiteral("), (SELECT pc_millis FROM ") + rows
            + QStringLiteral(" WHERE pc_millis IS NOT NULL ORDER BY id DESC LIMIT 1)")))
        return fail(JournalDatabase::describe(q.lastError()));
    if (!q.next() || q.value(0).isNull())
        return true;
    extent->firstId = q.value(0).toLongLong();
    extent->firstMs = q.value(1).toLongLong();
    extent->lastId = q.value(2).toLongLong();
    extent->lastMs = q.value(3).toLongLong();
    return true;
}

bool JournalHistory::buckets(
    const viewer::HistoryQuery &query, QList<viewer::HistoryBucket> *buckets)
{
    if (!catchUp())
        return false;
    if (!m_summary.buckets(m_db.db(), query, buckets))
        return fail(m_summary.errorString());
    return true;
}

bool JournalHistory::nearestRecord(
    qint64 key, bool byTime, const QList<int> &positions, viewer::HistoryRecord *record)
{
    *record = {};
    QSqlQuery q(m_db.db());
    const QString rows = m_tables.rows;
    if (byTime) {
        // The summaries narrow the search to the blocks around that time.
        qint64 first = 0;
        qint64 last = -1;
        if (!m_summary.idSpanInTime(m_db.db(), key, key, &first, &last))
            return fail(m_summary.errorString());
        QString where = QStringLiteral("kind = 'record' AND pc_millis IS NOT NULL");
        if (last >= first)
            where += QStringLiteral(" AND id BETWEEN ") + QString::number(first - 4096)
                + QStringLiteral(" AND ") + QString::number(last + 4096);
        q.prepare(QStringLiteral("SELECT id FROM ") + rows + QStringLiteral(" WHERE ") + where
            + QStringLiteral(" ORDER BY ABS(pc_millis - ?), id LIMIT 1"));
        q.addBindValue(key);
    } else {
        q.prepare(QStringLiteral("SELECT id FROM (SELECT id FROM (SELECT id FROM ") + rows
            + QStringLiteral(" WHERE kind = 'record' AND id <= ? ORDER BY id DESC LIMIT 1) "
                             "UNION ALL SELECT id FROM (SELECT id FROM ")
            + rows
            + QStringLiteral(" WHERE kind = 'record' AND id > ? ORDER BY id LIMIT 1)) ORDER BY "
                             "ABS(id - ?), id LIMIT 1"));
        q.addBindValue(key);
        q.addBindValue(key);
        q.addBindValue(key);
    }
    if (!q.exec())
        return fail(JournalDatabase::describe(q.lastError()));
    if (!q.next())
        return true;
    const qint64 id = q.value(0).toLongLong();
    q.finish();
    return readRecord(id, positions, record);
}

bool JournalHistory::recordByNumber(
    qint64 number, const QList<int> &positions, viewer::HistoryRecord *record)
{
    *record = {};
    QSqlQuery q(m_db.db());
    // The file's own rows: every version keeps the numbers there.
    q.prepare(QStringLiteral(
        "SELECT id, kind = 'record' FROM rows WHERE record_number = ? ORDER BY id DESC LIMIT 1"));
    q.addBindValue(number);
    if (!q.exec())
        return fail(JournalDatabase::describe(q.lastError()));
    if (!q.next())
        return true;
    const qint64 id = q.value(0).toLongLong();
    const bool isRecord = q.value(1).toBool();
    q.finish();
    // A status row stands for the record nearest to it, as in the grid.
    return isRecord ? readRecord(id, positions, record)
                    : nearestRecord(id, false, positions, record);
}

bool JournalHistory::readRecord(
    qint64 id, const QList<int> &positions, viewer::HistoryRecord *record)
{
    QList<JournalRow> found;
    if (!m_reader.rows(id, id, &found)) {
        m_error = m_reader.errorString();
        return false;
    }
    if (!found.isEmpty())
        *record = recordOf(found.first(), positions);
    return true;
}

viewer::HistoryRecord JournalHistory::recordOf(const JournalRow &row, const QList<int> &positions)
{
    viewer::HistoryRecord record;
    record.id = row.id;
    record.recordNumber = row.recordNumber;
    record.ms = row.pcMillis;
    for (int p : positions) {
        const std::optional<double> v = row.numbers.value(p);
        record.values.append(v ? *v : std::nan(""));
        record.texts.append(row.cells.value(p));
    }
    return record;
}

} // namespace tlv::journal
