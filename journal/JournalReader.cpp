#include "journal/JournalReader.h"

#include "viewer/core/ColumnTable.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace tlv::journal {

bool JournalReader::open(const QString &path)
{
    if (m_db.open(path, JournalDatabase::Mode::Read))
        return true;
    m_error = m_db.errorString();
    return false;
}

bool JournalReader::fail(const QString &what, const QString &why)
{
    m_error = QStringLiteral("The journal ") + m_db.path() + QStringLiteral(" cannot be read (")
        + what + QStringLiteral("): ") + why;
    return false;
}

bool JournalReader::buffer(qint64 id, JournalBuffer *buffer)
{
    QSqlQuery q(m_db.db());
    q.prepare(
        QStringLiteral("SELECT id, title, header_key, header_version FROM buffers WHERE id = ?"));
    q.addBindValue(id);
    if (!q.exec())
        return fail(QStringLiteral("buffer"), JournalDatabase::describe(q.lastError()));
    *buffer = {};
    if (!q.next())
        return true;
    buffer->id = q.value(0).toLongLong();
    buffer->title = q.value(1).toString();
    buffer->headerKey = q.value(2).toString();
    buffer->headerVersion = q.value(3).toInt();
    q.finish();
    q.prepare(QStringLiteral("SELECT number, title, width, data_type, format FROM columns "
                             "WHERE buffer_id = ? ORDER BY position"));
    q.addBindValue(id);
    if (!q.exec())
        return fail(QStringLiteral("columns"), JournalDatabase::describe(q.lastError()));
    while (q.next()) {
        buffer->columns.append({ q.value(0).toInt(), q.value(1).toString(), q.value(2).toInt(),
            qint16(q.value(3).toInt()), q.value(4).toString() });
    }
    return true;
}

void JournalInfo::takeCounts(const QSqlQuery &q)
{
    rows = q.value(0).toLongLong();
    firstId = q.value(1).toLongLong();
    lastId = q.value(2).toLongLong();
    records = q.value(3).toLongLong();
    statusRows = q.value(4).toLongLong();
    misses = q.value(5).toLongLong();
    missedRecords = q.value(6).toLongLong();
    restarts = q.value(7).toLongLong();
}

void JournalInfo::takeEnds(const JournalRow &first, const JournalRow &last)
{
    firstTime = shownDate(first) + u' ' + shownTime(first);
    lastTime = shownDate(last) + u' ' + shownTime(last);
}

bool JournalReader::info(JournalInfo *info)
{
    *info = {};
    info->closedClean = m_db.meta(QStringLiteral("clean_close")) != QLatin1String("0");
    info->version = m_db.version();
    info->readOnly = m_db.readOnly();
    QSqlQuery q(m_db.db());
    if (!q.exec(QStringLiteral(
            "SELECT COUNT(*), IFNULL(MIN(id), 0), IFNULL(MAX(id), 0), "
            "IFNULL(SUM(kind = 'record'), 0), IFNULL(SUM(kind = 'status'), 0), "
            "IFNULL(SUM(kind = 'miss'), 0), "
            "IFNULL(SUM(CASE WHEN kind = 'miss' THEN CAST(SUBSTR(status, 6) AS INTEGER) END), 0), "
            "IFNULL(SUM(kind = 'restart'), 0), IFNULL(SUM(exported = 0), 0) FROM rows"))
        || !q.next())
        return fail(QStringLiteral("rows"), JournalDatabase::describe(q.lastError()));
    info->takeCounts(q);
    info->notExported = q.value(8).toLongLong();
    q.finish();

    QList<JournalRow> ends;
    if (info->rows > 0) {
        if (!rows(info->firstId, info->firstId, &ends) || !rows(info->lastId, info->lastId, &ends))
            return false;
        info->takeEnds(ends.first(), ends.last());
    }
    if (!q.exec(QStringLiteral("SELECT COUNT(*), IFNULL(MAX(id), 0) FROM buffers")) || !q.next())
        return fail(QStringLiteral("buffers"), JournalDatabase::describe(q.lastError()));
    info->buffers = q.value(0).toInt();
    const qint64 newest = ends.isEmpty() ? q.value(1).toLongLong() : ends.last().bufferId;
    q.finish();
    return buffer(newest, &info->buffer);
}

bool JournalReader::rows(qint64 from, qint64 to, QList<JournalRow> *rows)
{
    return select(QStringLiteral("id BETWEEN ? AND ?"), { from, to }, rows);
}

bool JournalReader::idSpanInTime(qint64 fromMs, qint64 toMs, qint64 *first, qint64 *last)
{
    *first = 0;
    *last = -1;
    // An older journal kept its times as texts only; a row without a time may be anywhere.
    // Asked apart, each part keeps to the index on the times where the journal has one
    // (asked as one with OR, SQLite gathers every row of the range first).
    QStringList queries { QStringLiteral("SELECT min(id), max(id) FROM rows") };
    if (!m_db.readOnly())
        queries = { queries[0] + QStringLiteral(" WHERE pc_millis BETWEEN ? AND ?"),
            queries[0] + QStringLiteral(" WHERE pc_millis IS NULL") };
    for (const QString &sql : std::as_const(queries)) {
        QSqlQuery q(m_db.db());
        q.prepare(sql);
        if (sql.contains(u'?')) {
            q.addBindValue(fromMs);
            q.addBindValue(toMs);
        }
        if (!q.exec() || !q.next())
            return fail(QStringLiteral("rows"), JournalDatabase::describe(q.lastError()));
        if (q.value(0).isNull())
            continue;
        const qint64 low = q.value(0).toLongLong();
        const qint64 high = q.value(1).toLongLong();
        *first = *last < *first ? low : std::min(*first, low);
        *last = std::max(*last, high);
    }
    return true;
}

bool JournalReader::rowsNotExported(QList<JournalRow> *rows)
{
    return select(QStringLiteral("exported = 0"), {}, rows);
}

namespace {

// The id, buffer and record number: the first result columns of both layouts.
JournalRow rowHead(const QSqlQuery &q)
{
    JournalRow r;
    r.id = q.value(0).toLongLong();
    r.bufferId = q.value(1).toLongLong();
    r.recordNumber = q.value(3).toLongLong();
    return r;
}

// What a journal of the first version kept as texts, as its values.
qint64 millisFromTexts(const QString &date, const QString &time)
{
    // The grid's two-digit years are of this century.
    const QDate day = QDate::fromString(date, QStringLiteral("dd/MM/yy")).addYears(100);
    const QTime clock = QTime::fromString(time, QStringLiteral("HH:mm:ss"));
    const QDateTime local(day, clock);
    return day.isValid() && clock.isValid() && local.isValid() ? local.toMSecsSinceEpoch() : 0;
}

} // namespace

bool JournalReader::takeRowHead(const QSqlQuery &q, JournalRow *row)
{
    *row = rowHead(q);
    row->pcMillis = q.value(4).toLongLong();
    row->date = q.value(5).toString();
    row->time = q.value(6).toString();
    row->status = q.value(7).toString();
    return kindFromName(q.value(2).toString(), &row->kind);
}

bool JournalReader::select(
    const QString &where, const QList<QVariant> &values, QList<JournalRow> *rows)
{
    if (m_db.readOnly())
        return selectOld(where, values, rows);
    // One snapshot for the rows and their cells, while a recorder goes on writing.
    QSqlDatabase &db = m_db.db();
    if (!db.transaction())
        return fail(QStringLiteral("rows"), JournalDatabase::describe(db.lastError()));
    const qsizetype first = rows->size();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT id, buffer_id, kind, record_number, pc_millis, pc_date, "
                             "pc_time, status, raw, comment, exported FROM rows WHERE ")
        + where + QStringLiteral(" ORDER BY id"));
    for (const QVariant &v : values)
        q.addBindValue(v);
    bool ok = q.exec();
    if (!ok)
        fail(QStringLiteral("rows"), JournalDatabase::describe(q.lastError()));
    while (ok && q.next()) {
        JournalRow r;
        if (!takeRowHead(q, &r)) {
            ok = fail(QStringLiteral("row ") + QString::number(r.id),
                QStringLiteral("unknown kind ") + q.value(2).toString());
            break;
        }
        r.raw = q.value(8).toString();
        r.comment = q.value(9).toString();
        r.exported = q.value(10).toInt() != 0;
        rows->append(std::move(r));
    }
    q.finish();
    ok = ok && selectCells(where, values, rows, first);
    db.rollback();
    if (!ok)
        rows->resize(first);
    return ok;
}

bool JournalReader::selectCells(
    const QString &where, const QList<QVariant> &values, QList<JournalRow> *rows, qsizetype first)
{
    QSqlQuery q(m_db.db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT cells.row_id, cells.position, cells.number, cells.raw, "
                             "cells.text FROM cells JOIN rows ON rows.id = cells.row_id WHERE ")
        + where + QStringLiteral(" ORDER BY cells.row_id, cells.position"));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        return fail(QStringLiteral("cells"), JournalDatabase::describe(q.lastError()));
    qsizetype at = first;
    while (q.next()) {
        const qint64 id = q.value(0).toLongLong();
        while (at < rows->size() && rows->at(at).id < id)
            ++at;
        if (at == rows->size())
            break;
        JournalRow &r = (*rows)[at];
        if (r.id != id)
            continue;
        const qint64 position = q.value(1).toLongLong();
        if (position < r.cells.size() || position >= viewer::ColumnTable::Size)
            return fail(QStringLiteral("row ") + QString::number(id),
                QStringLiteral("a cell at position ") + QString::number(position));
        // Positions missing in between (a damaged file) read as empty cells.
        while (r.cells.size() <= position) {
            r.cells.append(QString());
            r.numbers.append(std::nullopt);
            r.rawValues.append(std::nullopt);
        }
        const QVariant number = q.value(2);
        const QVariant raw = q.value(3);
        r.cells.last() = q.value(4).toString();
        r.numbers.last() = number.isNull() ? std::nullopt : std::optional(number.toDouble());
        r.rawValues.last() = raw.isNull() ? std::nullopt : std::optional(raw.toLongLong());
    }
    return true;
}

bool JournalReader::selectOld(
    const QString &where, const QList<QVariant> &values, QList<JournalRow> *rows)
{
    QSqlQuery q(m_db.db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT id, buffer_id, kind, record_number, pc_date, pc_time, status, "
                             "cells, raw, comment, exported, numbers, raw_values FROM rows WHERE ")
        + where + QStringLiteral(" ORDER BY id"));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        return fail(QStringLiteral("rows"), JournalDatabase::describe(q.lastError()));
    while (q.next()) {
        JournalRow r = rowHead(q);
        if (!kindFromName(q.value(2).toString(), &r.kind))
            return fail(QStringLiteral("row ") + QString::number(r.id),
                QStringLiteral("unknown kind ") + q.value(2).toString());
        r.date = q.value(4).toString();
        r.time = q.value(5).toString();
        r.pcMillis = millisFromTexts(r.date, r.time);
        r.status = q.value(6).toString();
        const QString cells = q.value(7).toString();
        // A row of a buffer without data columns keeps no cells at all.
        if (!cells.isEmpty() || r.kind == RowKind::Record)
            r.cells = cells.split(u'\t');
        r.raw = q.value(8).toString();
        r.comment = q.value(9).toString();
        r.exported = q.value(10).toInt() != 0;
        const QStringList numbers = q.value(11).toString().split(u'\t');
        const QStringList rawValues = q.value(12).toString().split(u'\t');
        for (qsizetype i = 0; i < r.cells.size(); ++i) {
            bool ok = false;
            const double n = numbers.value(i).toDouble(&ok);
            r.numbers.append(ok ? std::optional<double>(n) : std::nullopt);
            const qint64 v = rawValues.value(i).toLongLong(&ok);
            r.rawValues.append(ok ? std::optional<qint64>(v) : std::nullopt);
        }
        rows->append(std::move(r));
    }
    return true;
}

bool JournalReader::markExported(const QList<JournalRow> &rows)
{
    if (m_db.readOnly()) {
        m_error = QStringLiteral("The journal ") + m_db.path()
            + QStringLiteral(" is kept read-only (journal version ")
            + QString::number(m_db.version())
            + QStringLiteral("): its rows stay marked as not exported.");
        return false;
    }
    QSqlDatabase &db = m_db.db();
    if (!db.transaction())
        return fail(QStringLiteral("export mark"), JournalDatabase::describe(db.lastError()));
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE rows SET exported = 1 WHERE id = ?"));
    for (const JournalRow &r : rows) {
        q.bindValue(0, r.id);
        if (!q.exec()) {
            const QString why = JournalDatabase::describe(q.lastError());
            db.rollback();
            return fail(QStringLiteral("export mark"), why);
        }
    }
    if (!db.commit()) {
        const QString why = JournalDatabase::describe(db.lastError());
        db.rollback();
        return fail(QStringLiteral("export mark"), why);
    }
    return true;
}

} // namespace tlv::journal
