#include "journal/plant/PlantHistory.h"

#include "journal/JournalHistory.h"
#include "journal/plant/PlantSchema.h"
#include "viewer/core/HistoryBuckets.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVarLengthArray>
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
// and last row and time, its gaps, then the lowest and highest numbers. A block or row
// without any of the positions asked for is left out, as a journal's.
struct Cells
{
    QString shortest; // arrays no longer than this hold none of the positions
    QString ofRows; // per position asked for, the lowest and highest of a group of rows

    explicit Cells(const QList<int> &positions)
        : shortest(n(*std::min_element(positions.begin(), positions.end())))
    {
        for (int p : positions) {
            const QString at = u'[' + n(p + 1) + u']';
            ofRows += QStringLiteral(", min(r.numbers") + at + QStringLiteral("), max(r.numbers")
                + at + u')';
        }
    }
};

// The rows themselves, a few per pixel column: summed up per column here, with the numbers
// one pair of columns per position asked for.
QString rowsSql(
    const QString &id, const Span &span, const viewer::HistoryQuery &query, const Cells &cells)
{
    QString sql = QStringLiteral("SELECT ")
        + span.columnOf(query.byTime ? Ms : QStringLiteral("r.seq"))
        + QStringLiteral(" AS b, min(r.seq), max(r.seq), min(") + Ms + QStringLiteral("), max(")
        + Ms + QStringLiteral("), bit_or(") + Gap + u')' + cells.ofRows
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
// last_ms, gaps, low and high.
QString summariesSql(const QString &id, const Cells &cells, qint64 level, const QString &from,
    const QString &to, const QString &keyed)
{
    return QStringLiteral("SELECT ") + keyed
        + QStringLiteral(" AS k, first_seq AS first_id, last_seq AS last_id, first_ms, last_ms, "
                         "gaps, low, high FROM tolvane.summaries WHERE source_id = ")
        + id + QStringLiteral(" AND level = ") + n(level) + QStringLiteral(" AND block BETWEEN ")
        + from + QStringLiteral(" AND ") + to + QStringLiteral(" AND cardinality(low) > ")
        + cells.shortest;
}

// The newest rows, past the last block of this level, come from the smallest blocks
// and the rows after those, as in a journal file; summed up as summarise does.
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
        + QStringLiteral(" AS gaps, r.numbers AS low, r.numbers AS high FROM tolvane.rows r "
                         "WHERE r.source_id = ")
        + id + QStringLiteral(" AND cardinality(r.numbers) > ") + cells.shortest
        + QStringLiteral(" AND r.seq BETWEEN greatest(") + tailStart + QStringLiteral(", ")
        + summarised(small) + QStringLiteral(") AND ") + n((span.lastBlock() + 1) * level);
    return QStringLiteral(
               "SELECT c.k, min(c.first_id), max(c.last_id), min(c.first_ms), max(c.last_ms), "
               "bit_or(c.gaps), array_agg(c.lo ORDER BY c.ord), array_agg(c.hi ORDER BY c.ord) "
               "FROM (SELECT t.k, u.ord, min(t.first_id) AS first_id, max(t.last_id) AS "
               "last_id, min(t.first_ms) AS first_ms, max(t.last_ms) AS last_ms, bit_or(t.gaps) "
               "AS gaps, min(u.lo) AS lo, max(u.hi) AS hi FROM (")
        + parts
        + QStringLiteral(") t, unnest(t.low, t.high) WITH ORDINALITY AS u (lo, hi, ord) GROUP BY "
                         "1, 2) c GROUP BY 1");
}

// The blocks with their column: a block is no wider than about a column, so a column
// takes one or two of them, folded together as they are read. Their numbers come as the
// arrays they are kept in: taking positions out of them costs the server more than sending
// them whole.
QString blocksSql(
    const QString &id, const Span &span, const viewer::HistoryQuery &query, const Cells &cells)
{
    QString sql = QStringLiteral("WITH parts AS (")
        + summariesSql(id, cells, span.level, n(span.firstBlock()), n(span.lastBlock()),
            QStringLiteral("block * ") + n(span.level) + QStringLiteral(" + 1"))
        + QStringLiteral(" UNION ALL ") + tailSql(id, span, cells) + QStringLiteral(") SELECT ")
        + span.columnOf(query.byTime ? QStringLiteral("first_ms") : QStringLiteral("k"))
        + QStringLiteral(" AS b, first_id, last_id, first_ms, last_ms, gaps, low, high FROM parts");
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

double realOf(const char *bytes)
{
    const quint64 bits = qFromBigEndian<quint64>(bytes);
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

constexpr Oid Float8 = 701;
constexpr Oid Float8Array = 1022;

// A double precision number of a binary result; NaN for NULL.
double real(const PGresult *result, int row, int column)
{
    return PQgetlength(result, row, column) == 8 ? realOf(PQgetvalue(result, row, column))
                                                 : std::nan("");
}

// The elements of a binary double precision array of one dimension (NaN for NULL) and the
// index of its first; false when the bytes are no such array.
bool reals(
    const PGresult *result, int row, int column, QVarLengthArray<double, 64> *values, qint32 *lower)
{
    values->clear();
    *lower = 1;
    const char *bytes = PQgetvalue(result, row, column);
    const int length = PQgetlength(result, row, column);
    const auto int32 = [bytes](int at) { return qFromBigEndian<qint32>(bytes + at); };
    if (length < 12)
        return false;
    if (int32(0) == 0)
        return true; // empty
    if (int32(0) != 1 || length < 20 || Oid(int32(8)) != Float8)
        return false;
    const qint32 count = int32(12);
    *lower = int32(16);
    int at = 20;
    for (qint32 i = 0; i < count; ++i) {
        if (length - at < 4)
            return false;
        const qint32 size = int32(at);
        at += 4;
        if (size == -1) {
            values->append(std::nan(""));
            continue;
        }
        if (size != 8 || length - at < 8)
            return false;
        values->append(realOf(bytes + at));
        at += 8;
    }
    return true;
}

// Runs sql and folds the blocks it gives into columns buckets; the error text, empty when it
// went well. Through libpq in binary: a thousand rows of two dozen numbers cost more as Qt's
// values made from text than in the query. The numbers come as arrays low and high indexed
// by position + 1, or as a low and a high column per position asked for.
QString readBlocks(QSqlDatabase &db, const QString &sql, const QList<int> &positions, int columns,
    QList<viewer::HistoryBucket> *buckets)
{
    // The driver's PGconn* goes by the struct's name in Qt 6.4's type system, by the typedef's
    // in others.
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid()
        || (qstrcmp(handle.typeName(), "pg_conn*") != 0
            && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return QStringLiteral("the PostgreSQL driver gives no connection");
    PGconn *connection = *static_cast<PGconn *const *>(handle.constData());
    const QByteArray utf8 = sql.toUtf8();
    PGresult *result
        = PQexecParams(connection, utf8.constData(), 0, nullptr, nullptr, nullptr, nullptr, 1);
    const auto done = [result](const QString &why) {
        PQclear(result);
        return why;
    };
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        // No result at all (out of memory) has no message of its own.
        const QString why
            = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(connection))
                  .trimmed();
        return done(why.isEmpty() ? QStringLiteral("the server gave no answer") : why);
    }
    const int first = 6;
    const bool arrays = PQnfields(result) == first + 2 && PQftype(result, first) == Float8Array
        && PQftype(result, first + 1) == Float8Array;
    bool pairs = PQnfields(result) == first + 2 * positions.size();
    for (int c = first; pairs && c < PQnfields(result); ++c)
        pairs = PQftype(result, c) == Float8;
    if (!arrays && !pairs)
        return done(QStringLiteral("the blocks came in another form"));
    const qsizetype count = positions.size();
    QVarLengthArray<double, 64> lows;
    QVarLengthArray<double, 64> highs;
    qint32 lowFrom = 1;
    qint32 highFrom = 1;
    QList<viewer::HistoryBucket> slots(columns);
    for (int row = 0; row < PQntuples(result); ++row) {
        HistoryBuckets::Part part;
        part.column = int(integer(result, row, 0));
        part.firstId = integer(result, row, 1);
        part.lastId = integer(result, row, 2);
        part.firstMs = integer(result, row, 3);
        part.lastMs = integer(result, row, 4);
        part.gaps = int(integer(result, row, 5));
        if (arrays
            && (!reals(result, row, first, &lows, &lowFrom)
                || !reals(result, row, first + 1, &highs, &highFrom)))
            return done(QStringLiteral("the blocks came in another form"));
        const auto element = [](const QVarLengthArray<double, 64> &values, qint64 index) {
            return index >= 0 && index < values.size() ? values[index] : std::nan("");
        };
        for (part.at = 0; part.at < count; ++part.at) {
            const qint64 p = positions[part.at];
            part.low = arrays ? element(lows, p + 1 - lowFrom)
                              : real(result, row, int(first + 2 * part.at));
            part.high = arrays ? element(highs, p + 1 - highFrom)
                               : real(result, row, int(first + 1 + 2 * part.at));
            HistoryBuckets::fold(slots, count, part);
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
    const QString why = readBlocks(m_server.db(), sql, query.positions, span.columns, buckets);
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
    return readRecord(q.value(0).toLongLong(), positions, record);
}

bool PlantHistory::recordByNumber(
    qint64 number, const QList<int> &positions, viewer::HistoryRecord *record)
{
    *record = {};
    QSqlQuery q(m_server.db());
    if (!q.exec(QStringLiteral("SELECT seq, kind = 'record' FROM tolvane.rows WHERE source_id = ")
            + m_id + QStringLiteral(" AND record_number = ") + n(number)
            + QStringLiteral(" ORDER BY seq DESC LIMIT 1")))
        return fail(PlantConnection::describe(q.lastError()));
    if (!q.next())
        return true;
    const qint64 seq = q.value(0).toLongLong();
    // A status row stands for the record nearest to it, as in the grid.
    return q.value(1).toBool() ? readRecord(seq, positions, record)
                               : nearestRecord(seq, false, positions, record);
}

bool PlantHistory::readRecord(
    qint64 seq, const QList<int> &positions, viewer::HistoryRecord *record)
{
    QList<journal::JournalRow> rows;
    if (!m_reader.rows(seq, seq, &rows)) {
        m_error = m_reader.errorString();
        return false;
    }
    if (!rows.isEmpty())
        *record = journal::JournalHistory::recordOf(rows.first(), positions);
    return true;
}

} // namespace tlv::plant
