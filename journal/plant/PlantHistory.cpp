#include "journal/plant/PlantHistory.h"

#include "journal/JournalHistory.h"
#include "journal/plant/PlantSchema.h"
#include "viewer/core/HistoryBuckets.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <libpq-fe.h>

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
    // Until plant init upgrades a database of version 1, its summaries are of another
    // layout: the rows themselves are read, slowly but right.
    PlantSchema schema;
    const int version = schema.version(m_server);
    if (version < 0)
        return fail(schema.errorString());
    m_summed = version >= 2;
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

using Span = HistoryBuckets::Span;

// Every statement below gives one row per block (or group of rows): its column, its first
// and last row and time, its gaps, then per position asked for the lowest and highest
// number. A block or row without any of those positions is left out, as a journal's.
struct Cells
{
    QString shortest; // arrays no longer than this hold none of the positions
    QString names; // l0, h0, l1, h1...
    QString ofSummaries; // out of a summary's arrays
    QString ofRows; // out of a row's numbers
    QString ofGroup; // a group of either
    QString ofRowGroup; // a group of rows

    explicit Cells(const QList<int> &positions)
        : shortest(n(*std::min_element(positions.begin(), positions.end())))
    {
        for (qsizetype i = 0; i < positions.size(); ++i) {
            const QString at = u'[' + n(positions[i] + 1) + u']';
            const QString l = u'l' + n(i);
            const QString h = u'h' + n(i);
            names += QStringLiteral(", ") + l + QStringLiteral(", ") + h;
            ofSummaries += QStringLiteral(", low") + at + QStringLiteral(" AS ") + l
                + QStringLiteral(", high") + at + QStringLiteral(" AS ") + h;
            ofRows += QStringLiteral(", r.numbers") + at + QStringLiteral(" AS ") + l
                + QStringLiteral(", r.numbers") + at + QStringLiteral(" AS ") + h;
            ofGroup += QStringLiteral(", min(") + l + QStringLiteral("), max(") + h + u')';
            ofRowGroup += QStringLiteral(", min(r.numbers") + at
                + QStringLiteral("), max(r.numbers") + at + u')';
        }
    }
};

// The rows themselves, a few per pixel column: summed up per column here.
QString rowsSql(
    const QString &id, const Span &span, const viewer::HistoryQuery &query, const Cells &cells)
{
    QString sql = QStringLiteral("SELECT ")
        + span.columnOf(query.byTime ? Ms : QStringLiteral("r.seq"))
        + QStringLiteral(" AS b, min(r.seq), max(r.seq), min(") + Ms + QStringLiteral("), max(")
        + Ms + QStringLiteral("), bit_or(") + Gap + u')' + cells.ofRowGroup
        + QStringLiteral(" FROM tolvane.rows r WHERE r.source_id = ") + id
        + QStringLiteral(" AND cardinality(r.numbers) > ") + cells.shortest
        + QStringLiteral(" AND r.seq BETWEEN ") + n(span.from) + QStringLiteral(" AND ")
        + n(span.to);
    if (query.byTime)
        sql += QStringLiteral(" AND r.time BETWEEN timestamptz 'epoch' + ") + n(query.from)
            + QStringLiteral(" * interval '1 millisecond' AND timestamptz 'epoch' + ") + n(query.to)
            + QStringLiteral(" * interval '1 millisecond'");
    return sql + QStringLiteral(" GROUP BY 1");
}

// The blocks of level from..to whose key is keyed, as k, first_id, last_id, first_ms,
// last_ms, gaps and the cells.
QString summariesSql(const QString &id, const Cells &cells, qint64 level, const QString &from,
    const QString &to, const QString &keyed)
{
    return QStringLiteral("SELECT ") + keyed
        + QStringLiteral(" AS k, first_seq AS first_id, last_seq AS last_id, first_ms, last_ms, "
                         "gaps")
        + cells.ofSummaries + QStringLiteral(" FROM tolvane.summaries WHERE source_id = ") + id
        + QStringLiteral(" AND level = ") + n(level) + QStringLiteral(" AND block BETWEEN ") + from
        + QStringLiteral(" AND ") + to + QStringLiteral(" AND cardinality(low) > ")
        + cells.shortest;
}

// The newest rows, past the last block of this level, come from the smallest blocks
// and the rows after those, as in a journal file.
QString tailSql(const QString &id, const Span &span, const Cells &cells)
{
    const qint64 level = span.level;
    const qint64 small = HistoryBuckets::Levels[1];
    const auto summarised = [&id](qint64 of) -> QString {
        return QStringLiteral("(SELECT coalesce(max(block) + 1, 0) * ") + n(of)
            + QStringLiteral(" + 1 FROM tolvane.summaries WHERE source_id = ") + id
            + QStringLiteral(" AND level = ") + n(of) + u')';
    };
    const QString tailStart = QStringLiteral("greatest(") + n(span.firstBlock() * level + 1)
        + QStringLiteral(", ") + summarised(level) + u')';
    QString parts;
    if (level > small)
        parts = summariesSql(id, cells, small,
                    u'(' + tailStart + QStringLiteral(" - 1) / ") + n(small),
                    n((span.lastBlock() + 1) * level / small - 1),
                    QStringLiteral("(block * ") + n(small) + QStringLiteral(" / ") + n(level)
                        + QStringLiteral(") * ") + n(level) + QStringLiteral(" + 1"))
            + QStringLiteral(" UNION ALL ");
    parts += QStringLiteral("SELECT ((r.seq - 1) / ") + n(level) + QStringLiteral(") * ") + n(level)
        + QStringLiteral(" + 1 AS k, r.seq AS first_id, r.seq AS last_id, ") + Ms
        + QStringLiteral(" AS first_ms, ") + Ms + QStringLiteral(" AS last_ms, ") + Gap
        + QStringLiteral(" AS gaps") + cells.ofRows
        + QStringLiteral(" FROM tolvane.rows r WHERE r.source_id = ") + id
        + QStringLiteral(" AND cardinality(r.numbers) > ") + cells.shortest
        + QStringLiteral(" AND r.seq BETWEEN greatest(") + tailStart + QStringLiteral(", ")
        + summarised(small) + QStringLiteral(") AND ") + n((span.lastBlock() + 1) * level);
    return QStringLiteral("SELECT k, min(first_id), max(last_id), min(first_ms), max(last_ms), "
                          "bit_or(gaps)")
        + cells.ofGroup + QStringLiteral(" FROM (") + parts + QStringLiteral(") t GROUP BY 1");
}

// The blocks with their column: a block is no wider than about a column, so a column
// takes one or two of them, folded together as they are read.
QString blocksSql(
    const QString &id, const Span &span, const viewer::HistoryQuery &query, const Cells &cells)
{
    QString sql = QStringLiteral("WITH parts AS (")
        + summariesSql(id, cells, span.level, n(span.firstBlock()), n(span.lastBlock()),
            QStringLiteral("block * ") + n(span.level) + QStringLiteral(" + 1"))
        + QStringLiteral(" UNION ALL ") + tailSql(id, span, cells) + QStringLiteral(") SELECT ")
        + span.columnOf(query.byTime ? QStringLiteral("first_ms") : QStringLiteral("k"))
        + QStringLiteral(" AS b, first_id, last_id, first_ms, last_ms, gaps") + cells.names
        + QStringLiteral(" FROM parts");
    if (query.byTime)
        sql += QStringLiteral(" WHERE last_ms >= ") + n(query.from)
            + QStringLiteral(" AND first_ms <= ") + n(query.to);
    return sql;
}

// An integer of a binary result; 0 for NULL.
qint64 integer(const PGresult *result, int row, int column)
{
    const char *v = PQgetvalue(result, row, column);
    switch (PQgetlength(result, row, column)) {
    case 8:
        return qFromBigEndian<qint64>(v);
    case 4:
        return qFromBigEndian<qint32>(v);
    case 2:
        return qFromBigEndian<qint16>(v);
    default:
        return 0;
    }
}

// A double precision number of a binary result; NaN for NULL.
double real(const PGresult *result, int row, int column)
{
    if (PQgetlength(result, row, column) != 8)
        return std::nan("");
    const quint64 bits = qFromBigEndian<quint64>(PQgetvalue(result, row, column));
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Runs sql and folds the blocks it gives into columns buckets; the error text, empty when it
// went well. Through libpq in binary: a thousand rows of two dozen values cost more as Qt's
// values made from text than in the query.
QString readBlocks(QSqlDatabase &db, const QString &sql, qsizetype positions, int columns,
    QList<viewer::HistoryBucket> *buckets)
{
    // The driver's PGconn* goes by the struct's name in Qt's type system.
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "pg_conn*") != 0)
        return QStringLiteral("the PostgreSQL driver gives no connection");
    PGconn *connection = *static_cast<PGconn *const *>(handle.constData());
    const QByteArray utf8 = sql.toUtf8();
    PGresult *result
        = PQexecParams(connection, utf8.constData(), 0, nullptr, nullptr, nullptr, nullptr, 1);
    const auto done = [result](const QString &why) {
        PQclear(result);
        return why;
    };
    if (PQresultStatus(result) != PGRES_TUPLES_OK)
        return done(QString::fromUtf8(PQresultErrorMessage(result)).trimmed());
    constexpr Oid Float8 = 701;
    const int first = 6;
    if (PQnfields(result) != first + 2 * positions)
        return done(QStringLiteral("the blocks came with %1 columns").arg(PQnfields(result)));
    for (int c = first; c < PQnfields(result); ++c) {
        if (PQftype(result, c) != Float8)
            return done(QStringLiteral("the blocks came with numbers of another type"));
    }
    QList<viewer::HistoryBucket> slots(columns);
    for (int row = 0; row < PQntuples(result); ++row) {
        HistoryBuckets::Part part;
        part.column = int(integer(result, row, 0));
        part.firstId = integer(result, row, 1);
        part.lastId = integer(result, row, 2);
        part.firstMs = integer(result, row, 3);
        part.lastMs = integer(result, row, 4);
        part.gaps = int(integer(result, row, 5));
        for (part.at = 0; part.at < positions; ++part.at) {
            part.low = real(result, row, int(first + 2 * part.at));
            part.high = real(result, row, int(first + 1 + 2 * part.at));
            HistoryBuckets::fold(slots, positions, part);
        }
    }
    *buckets = HistoryBuckets::taken(slots);
    return done({});
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
    Span span(query, from, to);
    if (!m_summed)
        span.level = 1;
    m_level = span.level;
    const Cells cells(query.positions);
    const QString sql
        = span.level == 1 ? rowsSql(m_id, span, query, cells) : blocksSql(m_id, span, query, cells);
    const QString why
        = readBlocks(m_server.db(), sql, query.positions.size(), span.columns, buckets);
    return why.isEmpty() || fail(why);
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
    *record = journal::JournalHistory::recordOf(rows.first(), positions);
    return true;
}

} // namespace tlv::plant
