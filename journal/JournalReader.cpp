#include "journal/JournalReader.h"

#include <QSqlError>
#include <QSqlQuery>

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

bool JournalReader::info(JournalInfo *info)
{
    *info = {};
    info->closedClean = m_db.meta(QStringLiteral("clean_close")) != QLatin1String("0");
    QSqlQuery q(m_db.db());
    if (!q.exec(QStringLiteral(
            "SELECT COUNT(*), IFNULL(MIN(id), 0), IFNULL(MAX(id), 0), "
            "IFNULL(SUM(kind = 'record'), 0), IFNULL(SUM(kind = 'status'), 0), "
            "IFNULL(SUM(kind = 'miss'), 0), "
            "IFNULL(SUM(CASE WHEN kind = 'miss' THEN CAST(SUBSTR(status, 6) AS INTEGER) END), 0), "
            "IFNULL(SUM(kind = 'restart'), 0), IFNULL(SUM(exported = 0), 0) FROM rows"))
        || !q.next())
        return fail(QStringLiteral("rows"), JournalDatabase::describe(q.lastError()));
    info->rows = q.value(0).toLongLong();
    info->firstId = q.value(1).toLongLong();
    info->lastId = q.value(2).toLongLong();
    info->records = q.value(3).toLongLong();
    info->statusRows = q.value(4).toLongLong();
    info->misses = q.value(5).toLongLong();
    info->missedRecords = q.value(6).toLongLong();
    info->restarts = q.value(7).toLongLong();
    info->notExported = q.value(8).toLongLong();
    q.finish();

    QList<JournalRow> ends;
    if (info->rows > 0) {
        if (!rows(info->firstId, info->firstId, &ends) || !rows(info->lastId, info->lastId, &ends))
            return false;
        info->firstTime = ends.first().date + u' ' + ends.first().time;
        info->lastTime = ends.last().date + u' ' + ends.last().time;
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

bool JournalReader::rowsNotExported(QList<JournalRow> *rows)
{
    return select(QStringLiteral("exported = 0"), {}, rows);
}

bool JournalReader::select(
    const QString &where, const QList<QVariant> &values, QList<JournalRow> *rows)
{
    QSqlQuery q(m_db.db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT id, buffer_id, kind, record_number, pc_date, pc_time, status, "
                             "cells, raw, comment, exported FROM rows WHERE ")
        + where + QStringLiteral(" ORDER BY id"));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        return fail(QStringLiteral("rows"), JournalDatabase::describe(q.lastError()));
    while (q.next()) {
        JournalRow r;
        r.id = q.value(0).toLongLong();
        r.bufferId = q.value(1).toLongLong();
        if (!kindFromName(q.value(2).toString(), &r.kind))
            return fail(QStringLiteral("row ") + QString::number(r.id),
                QStringLiteral("unknown kind ") + q.value(2).toString());
        r.recordNumber = q.value(3).toInt();
        r.date = q.value(4).toString();
        r.time = q.value(5).toString();
        r.status = q.value(6).toString();
        const QString cells = q.value(7).toString();
        // A row of a buffer without data columns keeps no cells at all.
        if (!cells.isEmpty() || r.kind == RowKind::Record)
            r.cells = cells.split(u'\t');
        r.raw = q.value(8).toString();
        r.comment = q.value(9).toString();
        r.exported = q.value(10).toInt() != 0;
        rows->append(std::move(r));
    }
    return true;
}

bool JournalReader::markExported(const QList<JournalRow> &rows)
{
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
