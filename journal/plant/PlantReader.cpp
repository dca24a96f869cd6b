#include "journal/plant/PlantReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>

namespace tlv::plant {

namespace {

QJsonArray array(const QVariant &json)
{
    return QJsonDocument::fromJson(json.toString().toUtf8()).array();
}

} // namespace

bool PlantReader::fail(const QString &why)
{
    m_error = QStringLiteral("The source \"") + m_source
        + QStringLiteral("\" cannot be read from the plant database: ") + why;
    return false;
}

bool PlantReader::open(const PlantUri &uri, const QString &source)
{
    m_source = source;
    if (!m_server.open(uri, QStringLiteral("tolvane-cli journal")))
        return fail(m_server.errorString());
    QSqlQuery q(m_server.db());
    q.prepare(QStringLiteral("SELECT id FROM tolvane.sources WHERE name = ?"));
    q.addBindValue(source);
    if (!q.exec())
        return fail(PlantConnection::describe(q.lastError()));
    if (!q.next())
        return fail(QStringLiteral("it holds no such source (tolvane-cli plant sources lists "
                                   "them)"));
    m_sourceId = q.value(0).toLongLong();
    return true;
}

bool PlantReader::info(journal::JournalInfo *info)
{
    *info = {};
    QSqlQuery q(m_server.db());
    q.prepare(QStringLiteral(
        "SELECT count(*), coalesce(min(seq), 0), coalesce(max(seq), 0), "
        "count(*) FILTER (WHERE kind = 'record'), count(*) FILTER (WHERE kind = 'status'), "
        "count(*) FILTER (WHERE kind = 'miss'), coalesce(sum(CASE WHEN kind = 'miss' AND "
        "status ~ '^Miss [0-9]{1,15}$' THEN substring(status FROM 6)::bigint END), 0), "
        "count(*) FILTER (WHERE kind = 'restart') FROM tolvane.rows WHERE source_id = ?"));
    q.addBindValue(m_sourceId);
    if (!q.exec() || !q.next())
        return fail(PlantConnection::describe(q.lastError()));
    info->takeCounts(q);
    q.finish();
    QList<journal::JournalRow> ends;
    if (info->rows > 0) {
        if (!rows(info->firstId, info->firstId, &ends) || !rows(info->lastId, info->lastId, &ends))
            return false;
        info->takeEnds(ends.first(), ends.last());
    }
    q.prepare(QStringLiteral(
        "SELECT count(*), coalesce(max(buffer_id), 0) FROM tolvane.buffers WHERE source_id = ?"));
    q.addBindValue(m_sourceId);
    if (!q.exec() || !q.next())
        return fail(PlantConnection::describe(q.lastError()));
    info->buffers = q.value(0).toInt();
    const qint64 newest = ends.isEmpty() ? q.value(1).toLongLong() : ends.last().bufferId;
    return buffer(newest, &info->buffer);
}

bool PlantReader::buffer(qint64 id, journal::JournalBuffer *buffer)
{
    *buffer = {};
    QSqlQuery q(m_server.db());
    q.prepare(QStringLiteral("SELECT title, header_key, header_version FROM tolvane.buffers "
                             "WHERE source_id = ? AND buffer_id = ?"));
    q.addBindValue(m_sourceId);
    q.addBindValue(id);
    if (!q.exec())
        return fail(PlantConnection::describe(q.lastError()));
    if (!q.next())
        return true;
    buffer->id = id;
    buffer->title = q.value(0).toString();
    buffer->headerKey = q.value(1).toString();
    buffer->headerVersion = q.value(2).toInt();
    q.finish();
    q.prepare(QStringLiteral("SELECT number, title, width, data_type, format FROM "
                             "tolvane.columns WHERE source_id = ? AND buffer_id = ? "
                             "ORDER BY position"));
    q.addBindValue(m_sourceId);
    q.addBindValue(id);
    if (!q.exec())
        return fail(PlantConnection::describe(q.lastError()));
    while (q.next()) {
        buffer->columns.append({ q.value(0).toInt(), q.value(1).toString(), q.value(2).toInt(),
            qint16(q.value(3).toInt()), q.value(4).toString() });
    }
    return true;
}

bool PlantReader::rows(qint64 from, qint64 to, QList<journal::JournalRow> *rows)
{
    return select(QStringLiteral("seq BETWEEN ? AND ?"), { from, to }, rows);
}

bool PlantReader::rowsInTime(
    qint64 fromMs, qint64 toMs, qint64 first, qint64 last, QList<journal::JournalRow> *rows)
{
    return select(QStringLiteral("time BETWEEN timestamptz 'epoch' + ?::bigint * interval "
                                 "'1 millisecond' AND timestamptz 'epoch' + ?::bigint * "
                                 "interval '1 millisecond' AND seq BETWEEN ? AND ?"),
        { fromMs, toMs, first, last }, rows);
}

bool PlantReader::seqSpanInTime(qint64 fromMs, qint64 toMs, qint64 *first, qint64 *last)
{
    *first = 0;
    *last = -1;
    QSqlQuery q(m_server.db());
    q.prepare(QStringLiteral("SELECT min(seq), max(seq) FROM tolvane.rows WHERE source_id = ? "
                             "AND time BETWEEN timestamptz 'epoch' + ?::bigint * interval "
                             "'1 millisecond' AND timestamptz 'epoch' + ?::bigint * "
                             "interval '1 millisecond'"));
    q.addBindValue(m_sourceId);
    q.addBindValue(fromMs);
    q.addBindValue(toMs);
    if (!q.exec() || !q.next())
        return fail(PlantConnection::describe(q.lastError()));
    if (!q.value(0).isNull()) {
        *first = q.value(0).toLongLong();
        *last = q.value(1).toLongLong();
    }
    return true;
}

bool PlantReader::select(
    const QString &where, const QList<QVariant> &values, QList<journal::JournalRow> *rows)
{
    QSqlQuery q(m_server.db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT seq, buffer_id, kind, record_number, "
                             "(extract(epoch FROM time) * 1000)::bigint, pc_date, pc_time, status, "
                             "array_to_json(texts)::text, array_to_json(numbers)::text, "
                             "array_to_json(raw_values)::text, raw, comment FROM tolvane.rows "
                             "WHERE source_id = ? AND ")
        + where + QStringLiteral(" ORDER BY seq"));
    q.addBindValue(m_sourceId);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        return fail(PlantConnection::describe(q.lastError()));
    while (q.next()) {
        journal::JournalRow r;
        if (!journal::JournalReader::takeRowHead(q, &r))
            return fail(QStringLiteral("row ") + QString::number(r.id)
                + QStringLiteral(" has an unknown kind"));
        for (const QJsonValue v : array(q.value(8)))
            r.cells.append(v.toString());
        for (const QJsonValue v : array(q.value(9)))
            r.numbers.append(v.isDouble() ? std::optional(v.toDouble()) : std::nullopt);
        for (const QJsonValue v : array(q.value(10)))
            r.rawValues.append(v.isDouble() ? std::optional(v.toInteger()) : std::nullopt);
        r.raw = q.value(11).toString();
        r.comment = q.value(12).toString();
        r.exported = false;
        rows->append(std::move(r));
    }
    return true;
}

} // namespace tlv::plant
