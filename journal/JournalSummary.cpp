#include "journal/JournalSummary.h"

#include "journal/JournalDatabase.h"
#include "viewer/core/HistoryBuckets.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <cmath>

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

qint64 orZero(const QVariant &v)
{
    return v.isNull() ? 0 : v.toLongLong();
}

double orNaN(const QVariant &v)
{
    return v.isNull() ? std::nan("") : v.toDouble();
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
            sql += QStringLiteral(" SELECT ") + n(level) + QStringLiteral(", (c.row_id - 1) / ")
                + n(level)
                + QStringLiteral(", c.position, MIN(c.row_id), MAX(c.row_id), MIN(r.pc_millis), "
                                 "MAX(r.pc_millis), MIN(c.number), MAX(c.number), ")
                + RowGaps + QStringLiteral(" FROM ") + m_tables.cells + QStringLiteral(" c JOIN ")
                + m_tables.rows + QStringLiteral(" r ON r.id = c.row_id WHERE c.row_id BETWEEN ")
                + n(m_next[i] * level + 1) + QStringLiteral(" AND ") + n(complete * level)
                + QStringLiteral(" GROUP BY 2, 3");
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
    const int columns = std::max(query.columns, 1);
    const qint64 level = HistoryBuckets::levelFor(to - from + 1, columns);
    m_level = int(level);
    const qint64 firstBlock = HistoryBuckets::blockOf(from, int(level));
    const qint64 lastBlock = HistoryBuckets::blockOf(to, int(level));
    const QString positions = positionList(query.positions);

    QString parts = QStringLiteral("WITH parts AS (");
    if (level > 1)
        parts += QStringLiteral("SELECT block * ") + n(level)
            + QStringLiteral(" + 1 AS k, position, low, high, first_id, last_id, first_ms, "
                             "last_ms, gaps FROM ")
            + m_tables.summaries + QStringLiteral(" WHERE level = ") + n(level)
            + QStringLiteral(" AND block BETWEEN ") + n(firstBlock) + QStringLiteral(" AND ")
            + n(lastBlock) + QStringLiteral(" AND position IN (") + positions
            + QStringLiteral(") UNION ALL ");
    // Blocks not summed up yet (the newest rows) are summed up here the same way.
    parts += QStringLiteral("SELECT ((c.row_id - 1) / ") + n(level) + QStringLiteral(") * ")
        + n(level)
        + QStringLiteral(" + 1 AS k, c.position AS position, MIN(c.number) AS low, "
                         "MAX(c.number) AS high, MIN(c.row_id) AS first_id, MAX(c.row_id) AS "
                         "last_id, MIN(r.pc_millis) AS first_ms, MAX(r.pc_millis) AS last_ms, ")
        + RowGaps + QStringLiteral(" AS gaps FROM ") + m_tables.cells + QStringLiteral(" c JOIN ")
        + m_tables.rows + QStringLiteral(" r ON r.id = c.row_id WHERE c.row_id BETWEEN ");
    if (level > 1)
        parts += QStringLiteral("MAX(") + n(firstBlock * level + 1)
            + QStringLiteral(", (SELECT IFNULL(MAX(block) + 1, 0) * ") + n(level)
            + QStringLiteral(" + 1 FROM ") + m_tables.summaries + QStringLiteral(" WHERE level = ")
            + n(level) + QStringLiteral("))");
    else
        parts += n(from);
    parts += QStringLiteral(" AND ") + n((lastBlock + 1) * level)
        + QStringLiteral(" AND c.position IN (") + positions + QStringLiteral(") GROUP BY 1, 2) ");

    // By time a block's key is its earliest PC time; blocks outside the times stay out.
    const qint64 keyFrom = query.byTime ? query.from : from;
    const qint64 keyTo = query.byTime ? query.to : to;
    const QString key = query.byTime ? QStringLiteral("first_ms") : QStringLiteral("k");
    QString sql = parts + QStringLiteral("SELECT MIN((MAX(") + key + QStringLiteral(", ")
        + n(keyFrom) + QStringLiteral(") - ") + n(keyFrom) + QStringLiteral(") * ") + n(columns)
        + QStringLiteral(" / ") + n(keyTo - keyFrom + 1) + QStringLiteral(", ") + n(columns - 1)
        + QStringLiteral(") AS b, position, MIN(low), MAX(high), MIN(first_id), MAX(last_id), "
                         "MIN(first_ms), MAX(last_ms), ")
        + SummaryGaps + QStringLiteral(" FROM parts ");
    if (query.byTime)
        sql += QStringLiteral("WHERE last_ms >= ") + n(query.from)
            + QStringLiteral(" AND first_ms <= ") + n(query.to) + u' ';
    sql += QStringLiteral("GROUP BY b, position ORDER BY b, position");

    QHash<int, qsizetype> index;
    for (qsizetype i = 0; i < query.positions.size(); ++i)
        index.insert(query.positions[i], i);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql))
        return fail(JournalDatabase::describe(q.lastError()));
    while (q.next()) {
        const int column = q.value(0).toInt();
        if (buckets->isEmpty() || buckets->last().column != column) {
            viewer::HistoryBucket b;
            b.column = column;
            b.firstId = q.value(4).toLongLong();
            b.lastId = b.firstId;
            b.low = QList<double>(query.positions.size(), std::nan(""));
            b.high = b.low;
            buckets->append(b);
        }
        viewer::HistoryBucket &b = buckets->last();
        const qsizetype at = index.value(q.value(1).toInt(), -1);
        if (at >= 0) {
            b.low[at] = orNaN(q.value(2));
            b.high[at] = orNaN(q.value(3));
        }
        b.firstId = std::min(b.firstId, q.value(4).toLongLong());
        b.lastId = std::max(b.lastId, q.value(5).toLongLong());
        const qint64 firstMs = orZero(q.value(6));
        const qint64 lastMs = orZero(q.value(7));
        if (firstMs != 0 && (b.firstMs == 0 || firstMs < b.firstMs))
            b.firstMs = firstMs;
        b.lastMs = std::max(b.lastMs, lastMs);
        b.gaps |= q.value(8).toInt();
    }
    return true;
}

} // namespace tlv::journal
