#include "journal/plant/PlantHistory.h"

#include "viewer/core/HistoryBuckets.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace tlv::plant {

using viewer::HistoryBuckets;

namespace {

QString n(qint64 v)
{
    return QString::number(v);
}

const QString Ms = QStringLiteral("(extract(epoch FROM r.time) * 1000)::bigint");
const QString Gap = QStringLiteral("CASE r.kind WHEN 'status' THEN 1 WHEN 'miss' THEN 2 WHEN "
                                   "'restart' THEN 4 ELSE 0 END");

} // namespace

bool PlantHistory::fail(const QString &why)
{
    m_error = QStringLiteral("The plant source ") + m_source + QStringLiteral(" cannot be drawn: ")
        + why;
    return false;
}

bool PlantHistory::open(const PlantUri &uri, const QString &source)
{
    m_source = source;
    if (!m_reader.open(uri, source)) {
        m_error = m_reader.errorString();
        return false;
    }
    if (!m_server.open(uri, QStringLiteral("tolvane graph")))
        return fail(m_server.errorString());
    QSqlQuery q(m_server.db());
    q.prepare(QStringLiteral("SELECT id FROM tolvane.sources WHERE name = ?"));
    q.addBindValue(source);
    if (!q.exec() || !q.next())
        return fail(PlantConnection::describe(q.lastError()));
    m_id = n(q.value(0).toLongLong());
    q.finish();
    // A redraw's query is short: compiling it first would cost more than it saves.
    if (!q.exec(QStringLiteral("SET jit = off")))
        return fail(PlantConnection::describe(q.lastError()));
    return true;
}

bool PlantHistory::extent(viewer::HistoryExtent *extent)
{
    *extent = {};
    QSqlQuery q(m_server.db());
    const QString rows = QStringLiteral(" FROM tolvane.rows r WHERE r.source_id = ") + m_id;
    if (!q.exec(QStringLiteral("SELECT f.seq, f.ms, l.seq, l.ms FROM (SELECT r.seq, ") + Ms
            + QStringLiteral(" AS ms") + rows + QStringLiteral(" ORDER BY r.seq LIMIT 1) f, ")
            + QStringLiteral("(SELECT r.seq, ") + Ms + QStringLiteral(" AS ms") + rows
            + QStringLiteral(" ORDER BY r.seq DESC LIMIT 1) l")))
        return fail(PlantConnection::describe(q.lastError()));
    if (!q.next())
        return true;
    extent->firstId = q.value(0).toLongLong();
    extent->firstMs = q.value(1).toLongLong();
    extent->lastId = q.value(2).toLongLong();
    extent->lastMs = q.value(3).toLongLong();
    return true;
}

bool PlantHistory::seqSpanInTime(qint64 fromMs, qint64 toMs, qint64 *first, qint64 *last)
{
    // As a journal's: the largest blocks that meet the times, then the rows past them.
    *first = 0;
    *last = -1;
    const QString top = n(HistoryBuckets::Levels.back());
    QSqlQuery q(m_server.db());
    if (!q.exec(QStringLiteral("SELECT min(f), max(l) FROM (SELECT min(first_seq) AS f, "
                               "max(last_seq) AS l FROM tolvane.summaries WHERE source_id = ")
            + m_id + QStringLiteral(" AND level = ") + top + QStringLiteral(" AND last_ms >= ")
            + n(fromMs) + QStringLiteral(" AND first_ms <= ") + n(toMs)
            + QStringLiteral(" UNION ALL SELECT min(r.seq), max(r.seq) FROM tolvane.rows r WHERE "
                             "r.source_id = ")
            + m_id + QStringLiteral(" AND r.seq > (SELECT coalesce(max(block) + 1, 0) * ") + top
            + QStringLiteral(" FROM tolvane.summaries WHERE source_id = ") + m_id
            + QStringLiteral(" AND level = ") + top + QStringLiteral(") GROUP BY (r.seq - 1) / ")
            + top + QStringLiteral(" HAVING max(") + Ms + QStringLiteral(") >= ") + n(fromMs)
            + QStringLiteral(" AND min(") + Ms + QStringLiteral(") <= ") + n(toMs)
            + QStringLiteral(") x"))
        || !q.next())
        return fail(PlantConnection::describe(q.lastError()));
    if (!q.value(0).isNull()) {
        *first = q.value(0).toLongLong();
        *last = q.value(1).toLongLong();
    }
    return true;
}

namespace {

// What one buckets() query reads: the rows, the level of blocks they are read from, and
// what a key is measured against to find its pixel column.
struct Span
{
    qint64 from = 0;
    qint64 to = -1;
    qint64 level = 1;
    qint64 firstBlock = 0;
    qint64 lastBlock = 0;
    qint64 keyFrom = 0; // by time a block's key is its earliest PC time
    qint64 keyTo = 0;
    int columns = 1;
    QString positions;

    Span(const viewer::HistoryQuery &query, qint64 firstSeq, qint64 lastSeq)
        : from(firstSeq)
        , to(lastSeq)
        , level(HistoryBuckets::levelFor(to - from + 1, std::max(query.columns, 1)))
        , firstBlock(HistoryBuckets::blockOf(from, int(level)))
        , lastBlock(HistoryBuckets::blockOf(to, int(level)))
        , keyFrom(query.byTime ? query.from : from)
        , keyTo(query.byTime ? query.to : to)
        , columns(std::max(query.columns, 1))
    {
        QStringList list;
        for (int p : query.positions)
            list << n(p);
        positions = list.join(u',');
    }

    [[nodiscard]] QString bucketOf(const QString &key) const
    {
        return QStringLiteral("least((greatest(") + key + QStringLiteral(", ") + n(keyFrom)
            + QStringLiteral(") - ") + n(keyFrom) + QStringLiteral(") * ") + n(columns)
            + QStringLiteral(" / ") + n(keyTo - keyFrom + 1) + QStringLiteral(", ") + n(columns - 1)
            + u')';
    }
};

// The head of a query summing up the numbers of rows; ends before the sequence range.
QString cellsOfRows(const QString &id, const Span &span)
{
    return QStringLiteral(
               " u.ord - 1 AS position, min(u.v) AS low, max(u.v) AS high, min(r.seq) AS first_id, "
               "max(r.seq) AS last_id, min(")
        + Ms + QStringLiteral(") AS first_ms, max(") + Ms + QStringLiteral(") AS last_ms, bit_or(")
        + Gap
        + QStringLiteral(") AS gaps FROM tolvane.rows r CROSS JOIN LATERAL unnest(r.numbers) "
                         "WITH ORDINALITY AS u (v, ord) WHERE r.source_id = ")
        + id + QStringLiteral(" AND u.ord - 1 IN (") + span.positions
        + QStringLiteral(") AND r.seq BETWEEN ");
}

QString rowsSql(const QString &id, const Span &span, const viewer::HistoryQuery &query)
{
    QString sql = QStringLiteral("SELECT ")
        + span.bucketOf(query.byTime ? Ms : QStringLiteral("r.seq")) + QStringLiteral(" AS b,")
        + cellsOfRows(id, span) + n(span.from) + QStringLiteral(" AND ") + n(span.to);
    if (query.byTime)
        sql += QStringLiteral(" AND r.time BETWEEN timestamptz 'epoch' + ") + n(query.from)
            + QStringLiteral(" * interval '1 millisecond' AND timestamptz 'epoch' + ") + n(query.to)
            + QStringLiteral(" * interval '1 millisecond'");
    return sql + QStringLiteral(" GROUP BY 1, 2");
}

// The newest rows, past the last block of this level, come from the smallest blocks
// and the rows after those, as in a journal file.
QString tailSql(const QString &id, const Span &span)
{
    const qint64 level = span.level;
    const qint64 small = HistoryBuckets::Levels[1];
    const auto summarised = [&id](qint64 of) -> QString {
        return QStringLiteral("(SELECT coalesce(max(block) + 1, 0) * ") + n(of)
            + QStringLiteral(" + 1 FROM tolvane.summaries WHERE source_id = ") + id
            + QStringLiteral(" AND level = ") + n(of) + u')';
    };
    const QString tailStart = QStringLiteral("greatest(") + n(span.firstBlock * level + 1)
        + QStringLiteral(", ") + summarised(level) + u')';
    const QString tail = QStringLiteral("SELECT ((r.seq - 1) / ") + n(level)
        + QStringLiteral(") * ") + n(level) + QStringLiteral(" + 1 AS k,") + cellsOfRows(id, span)
        + QStringLiteral("greatest(") + tailStart + QStringLiteral(", ") + summarised(small)
        + QStringLiteral(") AND ") + n((span.lastBlock + 1) * level)
        + QStringLiteral(" GROUP BY 1, 2");
    if (level <= small)
        return tail;
    return QStringLiteral("SELECT k, position, min(low) AS low, max(high) AS high, "
                          "min(first_id) AS first_id, max(last_id) AS last_id, "
                          "min(first_ms) AS first_ms, max(last_ms) AS last_ms, "
                          "bit_or(gaps) AS gaps FROM (SELECT (block * ")
        + n(small) + QStringLiteral(" / ") + n(level) + QStringLiteral(") * ") + n(level)
        + QStringLiteral(" + 1 AS k, position, low, high, first_seq AS first_id, "
                         "last_seq AS last_id, first_ms, last_ms, gaps FROM "
                         "tolvane.summaries WHERE source_id = ")
        + id + QStringLiteral(" AND level = ") + n(small) + QStringLiteral(" AND block BETWEEN (")
        + tailStart + QStringLiteral(" - 1) / ") + n(small) + QStringLiteral(" AND ")
        + n((span.lastBlock + 1) * level / small - 1) + QStringLiteral(" AND position IN (")
        + span.positions + QStringLiteral(") UNION ALL ") + tail
        + QStringLiteral(") t GROUP BY 1, 2");
}

QString blocksSql(const QString &id, const Span &span, const viewer::HistoryQuery &query)
{
    QString sql = QStringLiteral("WITH parts AS (SELECT block * ") + n(span.level)
        + QStringLiteral(" + 1 AS k, position, low, high, first_seq AS first_id, last_seq AS "
                         "last_id, first_ms, last_ms, gaps FROM tolvane.summaries WHERE "
                         "source_id = ")
        + id + QStringLiteral(" AND level = ") + n(span.level)
        + QStringLiteral(" AND block BETWEEN ") + n(span.firstBlock) + QStringLiteral(" AND ")
        + n(span.lastBlock) + QStringLiteral(" AND position IN (") + span.positions
        + QStringLiteral(") UNION ALL ") + tailSql(id, span) + QStringLiteral(") SELECT ")
        + span.bucketOf(query.byTime ? QStringLiteral("first_ms") : QStringLiteral("k"))
        + QStringLiteral(" AS b, position, low, high, first_id, last_id, first_ms, last_ms, "
                         "gaps FROM parts");
    if (query.byTime)
        sql += QStringLiteral(" WHERE last_ms >= ") + n(query.from)
            + QStringLiteral(" AND first_ms <= ") + n(query.to);
    return sql;
}

// The parts a query read, folded into columns buckets.
QList<viewer::HistoryBucket> folded(QSqlQuery &q, const QList<int> &positions, int columns)
{
    QHash<int, qsizetype> index;
    for (qsizetype i = 0; i < positions.size(); ++i)
        index.insert(positions[i], i);
    const auto real = [&q](int i) { return q.isNull(i) ? std::nan("") : q.value(i).toDouble(); };
    QList<viewer::HistoryBucket> slots(columns);
    while (q.next()) {
        HistoryBuckets::Part part;
        part.column = q.value(0).toInt();
        part.at = index.value(q.value(1).toInt(), -1);
        part.low = real(2);
        part.high = real(3);
        part.firstId = q.value(4).toLongLong();
        part.lastId = q.value(5).toLongLong();
        part.firstMs = q.value(6).toLongLong();
        part.lastMs = q.value(7).toLongLong();
        part.gaps = q.value(8).toInt();
        HistoryBuckets::fold(slots, positions.size(), part);
    }
    return HistoryBuckets::taken(slots);
}

} // namespace

bool PlantHistory::buckets(const viewer::HistoryQuery &query, QList<viewer::HistoryBucket> *buckets)
{
    buckets->clear();
    m_level = 1;
    if (query.positions.isEmpty() || query.to < query.from)
        return true;
    qint64 from = query.from;
    qint64 to = query.to;
    if (query.byTime && !seqSpanInTime(query.from, query.to, &from, &to))
        return false;
    from = std::max<qint64>(from, 1);
    if (to < from)
        return true;
    const Span span(query, from, to);
    m_level = int(span.level);
    const QString sql = span.level == 1 ? rowsSql(m_id, span, query) : blocksSql(m_id, span, query);
    QSqlQuery q(m_server.db());
    q.setForwardOnly(true);
    if (!q.exec(sql))
        return fail(PlantConnection::describe(q.lastError()));
    *buckets = folded(q, query.positions, span.columns);
    return true;
}

bool PlantHistory::nearestRecord(
    qint64 key, bool byTime, const QList<int> &positions, viewer::HistoryRecord *record)
{
    *record = {};
    const QString where = QStringLiteral(" FROM tolvane.rows r WHERE r.source_id = ") + m_id
        + QStringLiteral(" AND r.kind = 'record' AND ");
    const QString at = byTime ? Ms : QStringLiteral("r.seq");
    const QString on = byTime ? QStringLiteral("r.time") : QStringLiteral("r.seq");
    const QString bound = byTime ? QStringLiteral("timestamptz 'epoch' + ") + n(key)
            + QStringLiteral(" * interval '1 millisecond'")
                                 : n(key);
    QSqlQuery q(m_server.db());
    if (!q.exec(QStringLiteral("SELECT seq FROM ((SELECT r.seq, abs(") + at + QStringLiteral(" - ")
            + n(key) + QStringLiteral(") AS d") + where + on + QStringLiteral(" <= ") + bound
            + QStringLiteral(" ORDER BY ") + on
            + QStringLiteral(" DESC LIMIT 1) UNION ALL (SELECT r.seq, abs(") + at
            + QStringLiteral(" - ") + n(key) + QStringLiteral(") AS d") + where + on
            + QStringLiteral(" > ") + bound + QStringLiteral(" ORDER BY ") + on
            + QStringLiteral(" LIMIT 1)) x ORDER BY d, seq LIMIT 1")))
        return fail(PlantConnection::describe(q.lastError()));
    if (!q.next())
        return true;
    const qint64 seq = q.value(0).toLongLong();
    QList<journal::JournalRow> rows;
    if (!m_reader.rows(seq, seq, &rows)) {
        m_error = m_reader.errorString();
        return false;
    }
    if (rows.isEmpty())
        return true;
    const journal::JournalRow &r = rows.first();
    record->id = r.id;
    record->recordNumber = r.recordNumber;
    record->ms = r.pcMillis;
    for (int p : positions) {
        const std::optional<double> v = r.numbers.value(p);
        record->values.append(v ? *v : std::nan(""));
        record->texts.append(r.cells.value(p));
    }
    return true;
}

} // namespace tlv::plant
