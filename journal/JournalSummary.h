#pragma once

#include "viewer/core/HistoryBuckets.h"
#include "viewer/core/HistorySource.h"

#include <QString>

#include <array>

class QSqlDatabase;

namespace tlv::journal {

// Per block of consecutive rows and data column: the first and last row and PC time, the
// lowest and highest number and which kinds of gap rows lie in it (HistoryBuckets tells the
// blocks). The writer adds a block as soon as its last row id is taken; a reader of a
// journal without them works them out in temporary tables of its own connection, so the file
// stays untouched. A range of a million rows is then drawn from a few thousand summaries.
class JournalSummary
{
public:
    // Where the rows, their cells and the summaries are read from.
    struct Tables
    {
        QString rows = QStringLiteral("rows");
        QString cells = QStringLiteral("cells");
        QString summaries = QStringLiteral("summaries");
    };

    [[nodiscard]] static QString createSql(const QString &name);

    JournalSummary() = default;
    explicit JournalSummary(Tables tables)
        : m_tables(std::move(tables))
    { }

    // Picks up how far the summaries go; false with errorString().
    bool start(QSqlDatabase &db);
    // Adds the blocks that end at or before lastId; in the caller's transaction, if any.
    bool extend(QSqlDatabase &db, qint64 lastId);
    // One query: the buckets of a range.
    bool buckets(
        QSqlDatabase &db, const viewer::HistoryQuery &query, QList<viewer::HistoryBucket> *buckets);
    // The first and last row ids whose blocks meet the PC times fromMs..toMs (0, -1: none).
    bool idSpanInTime(QSqlDatabase &db, qint64 fromMs, qint64 toMs, qint64 *first, qint64 *last);
    // The level the last buckets() call read.
    [[nodiscard]] int level() const { return m_level; }
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    bool fail(const QString &why);

    Tables m_tables;
    // Per level above 1: the first block not summed up yet.
    std::array<qint64, viewer::HistoryBuckets::Levels.size()> m_next {};
    int m_level = 1;
    QString m_error;
};

} // namespace tlv::journal
