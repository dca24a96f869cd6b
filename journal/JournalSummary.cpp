#include "journal/JournalSummary.h"

#include "journal/JournalDatabase.h"
#include "viewer/core/HistoryBuckets.h"

#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <cmath>

#include <sqlite3.h>

namespace tlv::journal {

using viewer::HistoryBuckets;

namespace {

// The kinds of gap rows in a group of rows, as HistoryBucket's bits.
const QString RowGaps = QStringLiteral("(MAX(r.kind = 'status') | (MAX(r.kind = 'miss') << 1) | "
                                       "(MAX(r.kind = 'restart') << 2))");
const QString SummaryGaps = QStringLiteral("(MAX(gaps & 1) | MAX(gaps & 2) | MAX(gaps & 4))");

QString n(qint64 v)
{
    return QString::number(v);
}

QString positionList(const QList<int> &positions)
{
    QStringList list;
    for (int p : positions)
        list << n(p);
    return list.join(u',');
}

} // namespace

QString JournalSummary::createSql(const QString &name)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS ") + name
        + QStringLiteral(" (level INTEGER NOT NULL, block INTEGER NOT NULL, "
                         "position INTEGER NOT NULL, first_id INTEGER NOT NULL, "
                         "last_id INTEGER NOT NULL, first_ms INTEGER, last_ms INTEGER, low REAL, "
                         "high REAL, gaps INTEGER NOT NULL, PRIMARY KEY (level, block, position)) "
                         "WITHOUT ROWID");
}

bool JournalSummary::fail(const QString &why)
{
    m_error = QStringLiteral("summaries: ") + why;
    return false;
}

bool JournalSummary::start(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT level, MAX(block) FROM ") + m_tables.summaries
            + QStringLiteral(" GROUP BY level")))
        return fail(JournalDatabase::describe(q.lastError()));
    m_next.fill(0);
    while (q.next()) {
        for (size_t i = 1; i < HistoryBuckets::Levels.size(); ++i) {
            if (q.value(0).toInt() == HistoryBuckets::Levels[i])
                m_next[i] = q.value(1).toLongLong() + 1;
        }
    }
    return true;
}

bool JournalSummary::extend(QSqlDatabase &db, qint64 lastId)
{
    const auto &levels = HistoryBuckets::Levels;
    for (size_t i = 1; i < levels.size(); ++i) {
        const qint64 level = levels[i];
        const qint64 complete = lastId / level;
        if (m_next[i] >= complete)
            continue;
        QString sql = QStringLiteral("INSERT OR IGNORE INTO ") + m_tables.summaries;
        if (i == 1) {
            // The cells per column, the rows per block: few aggregates per cell, as the
            // writer does this in every tick.
            const QString ids = QStringLiteral(" BETWEEN ") + n(m_next[i] * level + 1)
                + QStringLiteral(" AND ") + n(complete * level);
            sql += QStringLiteral(" SELECT ") + n(level)
                + QStringLiteral(", g.block, g.position, b.first_id, b.last_id, b.first_ms, "
                                 "b.last_ms, g.low, g.high, b.gaps FROM (SELECT (c.row_id - 1) / ")
                + n(level)
                + QStringLiteral(" AS block, c.position AS position, MIN(c.number) AS low, "
                                 "MAX(c.number) AS high FROM ")
                + m_tables.cells + QStringLiteral(" c WHERE c.row_id") + ids
                + QStringLiteral(" GROUP BY 1, 2) g JOIN (SELECT (r.id - 1) / ") + n(level)
                + QStringLiteral(" AS block, MIN(r.id) AS first_id, MAX(r.id) AS last_id, "
                                 "MIN(r.pc_millis) AS first_ms, MAX(r.pc_millis) AS last_ms, ")
                + RowGaps + QStringLiteral(" AS gaps FROM ") + m_tables.rows
                + QStringLiteral(" r WHERE r.id") + ids
                + QStringLiteral(" GROUP BY 1) b ON b.block = g.block");
        } else {
            // From the level below, which is complete as far as this one.
            const qint64 factor = level / levels[i - 1];
            sql += QStringLiteral(" SELECT ") + n(level) + QStringLiteral(", block / ") + n(factor)
                + QStringLiteral(", position, MIN(first_id), MAX(last_id), MIN(first_ms), "
                                 "MAX(last_ms), MIN(low), MAX(high), ")
                + SummaryGaps + QStringLiteral(" FROM ") + m_tables.summaries
                + QStringLiteral(" WHERE level = ") + n(levels[i - 1])
                + QStringLiteral(" AND block BETWEEN ") + n(m_next[i] * factor)
                + QStringLiteral(" AND ") + n(complete * factor - 1)
                + QStringLiteral(" GROUP BY 2, 3");
        }
        QSqlQuery q(db);
        if (!q.exec(sql))
            return fail(JournalDatabase::describe(q.lastError()));
        m_next[i] = complete;
    }
    return true;
}

bool JournalSummary::idSpanInTime(
    QSqlDatabase &db, qint64 fromMs, qint64 toMs, qint64 *first, qint64 *last)
{
    *first = 0;
    *last = -1;
    const QString top = n(HistoryBuckets::Levels.back());
    const QString sql = QStringLiteral("SELECT MIN(f), MAX(l) FROM (SELECT MIN(first_id) AS f, "
                                       "MAX(last_id) AS l FROM ")
        + m_tables.summaries + QStringLiteral(" WHERE level = ") + top
        + QStringLiteral(" AND last_ms >= :a AND first_ms <= :b UNION ALL SELECT MIN(id), "
                         "MAX(id) FROM ")
        + m_tables.rows + QStringLiteral(" WHERE id > (SELECT IFNULL(MAX(block) + 1, 0) * ") + top
        + QStringLiteral(" FROM ") + m_tables.summaries + QStringLiteral(" WHERE level = ") + top
        + QStringLiteral(") GROUP BY (id - 1) / ") + top
        + QStringLiteral(" HAVING MAX(pc_millis) >= :a AND MIN(pc_millis) <= :b)");
    QSqlQuery q(db);
    q.prepare(sql);
    q.bindValue(QStringLiteral(":a"), fromMs);
    q.bindValue(QStringLiteral(":b"), toMs);
    if (!q.exec() || !q.next())
        return fail(JournalDatabase::describe(q.lastError()));
    if (!q.value(0).isNull()) {
        *first = q.value(0).toLongLong();
        *last = q.value(1).toLongLong();
    }
    return true;
}

namespace {

using Span = HistoryBuckets::Span;

// The head of a query summing up cells of rows; ends before the row id range.
QString cellsOfRows(const JournalSummary::Tables &tables, const QString &positions)
{
    return QStringLiteral(" c.position AS position, MIN(c.number) AS low, "
                          "MAX(c.number) AS high, MIN(c.row_id) AS first_id, "
                          "MAX(c.row_id) AS last_id, MIN(r.pc_millis) AS "
                          "first_ms, MAX(r.pc_millis) AS last_ms, ")
        + RowGaps + QStringLiteral(" AS gaps FROM ") + tables.cells + QStringLiteral(" c JOIN ")
        + tables.rows + QStringLiteral(" r ON r.id = c.row_id WHERE c.position IN (") + positions
        + QStringLiteral(") AND c.row_id BETWEEN ");
}

// The rows themselves, a few per pixel column: summed up per column here.
QString rowsSql(
    const JournalSummary::Tables &tables, const Span &span, const viewer::HistoryQuery &query)
{
    const QString positions = positionList(query.positions);
    QString sql = QStringLiteral("SELECT ")
        + span.columnOf(query.byTime ? QStringLiteral("r.pc_millis") : QStringLiteral("c.row_id"))
        + QStringLiteral(" AS b,") + cellsOfRows(tables, positions) + n(span.from)
        + QStringLiteral(" AND ") + n(span.to);
    if (query.byTime)
        sql += QStringLiteral(" AND r.pc_millis BETWEEN ") + n(query.from) + QStringLiteral(" AND ")
            + n(query.to);
    return sql + QStringLiteral(" GROUP BY 1, 2");
}

// The newest rows, past the last block of this level, come from the smallest blocks
// and the rows after those.
QString tailSql(const JournalSummary::Tables &tables, const Span &span, const QString &positions)
{
    const qint64 level = span.level;
    const QString summarised = QStringLiteral("(SELECT IFNULL(MAX(block) + 1, 0) * %1 + 1 "
                                              "FROM %2 WHERE level = %1)");
    const qint64 small = HistoryBuckets::Levels[1];
    const QString tailStart = QStringLiteral("MAX(") + n(span.firstBlock() * level + 1)
        + QStringLiteral(", ") + summarised.arg(level).arg(tables.summaries) + u')';
    const QString tailEnd = n((span.lastBlock() + 1) * level);
    const QString tail = QStringLiteral("SELECT ((c.row_id - 1) / ") + n(level)
        + QStringLiteral(") * ") + n(level) + QStringLiteral(" + 1 AS k,")
        + cellsOfRows(tables, positions) + QStringLiteral("MAX(") + tailStart + QStringLiteral(", ")
        + summarised.arg(small).arg(tables.summaries) + QStringLiteral(") AND ") + tailEnd
        + QStringLiteral(" GROUP BY 1, 2");
    if (level <= small)
        return tail;
    return QStringLiteral("SELECT k, position, MIN(low) AS low, MAX(high) AS high, "
                          "MIN(first_id) AS first_id, MAX(last_id) AS last_id, "
                          "MIN(first_ms) AS first_ms, MAX(last_ms) AS last_ms, ")
        + SummaryGaps + QStringLiteral(" AS gaps FROM (SELECT (block * ") + n(small)
        + QStringLiteral(" / ") + n(level) + QStringLiteral(") * ") + n(level)
        + QStringLiteral(" + 1 AS k, position, low, high, first_id, last_id, first_ms, "
                         "last_ms, gaps FROM ")
        + tables.summaries + QStringLiteral(" WHERE level = ") + n(small)
        + QStringLiteral(" AND block BETWEEN (") + tailStart + QStringLiteral(" - 1) / ") + n(small)
        + QStringLiteral(" AND ") + n((span.lastBlock() + 1) * level / small - 1)
        + QStringLiteral(" AND position IN (") + positions + QStringLiteral(") UNION ALL ") + tail
        + QStringLiteral(") GROUP BY 1, 2");
}

// The blocks with their column: a block is no wider than about a column, so a column
// takes one or two of them and they are folded together as they are read. Blocks not
// summed up yet (the newest rows) are summed up here the same way.
QString blocksSql(
    const JournalSummary::Tables &tables, const Span &span, const viewer::HistoryQuery &query)
{
    const QString positions = positionList(query.positions);
    const QString parts = QStringLiteral("WITH parts AS (SELECT block * ") + n(span.level)
        + QStringLiteral(" + 1 AS k, position, low, high, first_id, last_id, first_ms, "
                         "last_ms, gaps FROM ")
        + tables.summaries + QStringLiteral(" WHERE level = ") + n(span.level)
        + QStringLiteral(" AND block BETWEEN ") + n(span.firstBlock()) + QStringLiteral(" AND ")
        + n(span.lastBlock()) + QStringLiteral(" AND position IN (") + positions
        + QStringLiteral(") UNION ALL ") + tailSql(tables, span, positions) + QStringLiteral(") ");
    QString sql = parts + QStringLiteral("SELECT ")
        + span.columnOf(query.byTime ? QStringLiteral("first_ms") : QStringLiteral("k"))
        + QStringLiteral(" AS b, position, low, high, first_id, last_id, first_ms, last_ms, "
                         "gaps FROM parts");
    if (query.byTime)
        sql += QStringLiteral(" WHERE last_ms >= ") + n(query.from)
            + QStringLiteral(" AND first_ms <= ") + n(query.to);
    return sql;
}

// Runs sql and folds its parts into columns buckets; the error text, empty when it went well.
// Through SQLite itself: thousands of rows of nine values cost more in Qt's values than
// in the query.
QString readParts(QSqlDatabase &db, const QString &sql, const QList<int> &positions, int columns,
    QList<viewer::HistoryBucket> *buckets)
{
    QHash<int, qsizetype> index;
    for (qsizetype i = 0; i < positions.size(); ++i)
        index.insert(positions[i], i);
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return QStringLiteral("the SQLite driver gives no connection");
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    sqlite3_stmt *statement = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(connection, utf8.constData(), int(utf8.size()), &statement, nullptr)
        != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(connection));
    const auto real = [statement](int i) {
        return sqlite3_column_type(statement, i) == SQLITE_NULL
            ? std::nan("")
            : sqlite3_column_double(statement, i);
    };
    QList<viewer::HistoryBucket> slots(columns);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        HistoryBuckets::Part part;
        part.column = sqlite3_column_int(statement, 0);
        part.at = index.value(sqlite3_column_int(statement, 1), -1);
        part.low = real(2);
        part.high = real(3);
        part.firstId = sqlite3_column_int64(statement, 4);
        part.lastId = sqlite3_column_int64(statement, 5);
        part.firstMs = sqlite3_column_int64(statement, 6); // NULL reads as 0: unknown
        part.lastMs = sqlite3_column_int64(statement, 7);
        part.gaps = sqlite3_column_int(statement, 8);
        HistoryBuckets::fold(slots, positions.size(), part);
    }
    *buckets = HistoryBuckets::taken(slots);
    QString why;
    if (step != SQLITE_DONE) {
        why = QString::fromUtf8(sqlite3_errmsg(connection));
        buckets->clear();
    }
    sqlite3_finalize(statement);
    return why;
}

} // namespace

bool JournalSummary::buckets(
    QSqlDatabase &db, const viewer::HistoryQuery &query, QList<viewer::HistoryBucket> *buckets)
{
    buckets->clear();
    m_level = 1;
    if (query.positions.isEmpty() || query.to < query.from)
        return true;
    qint64 from = query.from;
    qint64 to = query.to;
    if (query.byTime && !idSpanInTime(db, query.from, query.to, &from, &to))
        return false;
    from = std::max<qint64>(from, 1);
    if (to < from)
        return true;
    const Span span(query, from, to);
    m_level = int(span.level);
    const QString sql
        = span.level == 1 ? rowsSql(m_tables, span, query) : blocksSql(m_tables, span, query);
    const QString why = readParts(db, sql, query.positions, span.columns, buckets);
    return why.isEmpty() || fail(why);
}

} // namespace tlv::journal
