#pragma once

#include "journal/JournalDatabase.h"
#include "journal/JournalTypes.h"

#include <QList>

class QSqlQuery;

namespace tlv::journal {

// What a journal holds, in a few numbers.
struct JournalInfo
{
    JournalBuffer buffer; // the newest buffer
    int buffers = 0;
    qint64 rows = 0;
    qint64 records = 0;
    qint64 statusRows = 0;
    qint64 misses = 0;
    qint64 missedRecords = 0; // the sum of the "Miss n" counts
    qint64 restarts = 0;
    qint64 notExported = 0;
    qint64 firstId = 0;
    qint64 lastId = 0;
    QString firstTime; // PC date and time of the first row, "dd/mm/yy hh:mm:ss"
    QString lastTime;
    bool closedClean = true; // false: the writer ended without closing it (crash, kill)
    int version = 0; // of the journal's tables
    bool readOnly = false; // an older version: read, never written

    // The counts from the query's row, in this order: rows, first and last id, records,
    // status rows, misses, missed records, restarts (a file and a plant source alike).
    void takeCounts(const QSqlQuery &q);
    // The first and last time from the PC times of the first and the last row.
    void takeEnds(const JournalRow &first, const JournalRow &last);
};

// Reads a journal, also while a recorder writes it. A journal of an older version is read
// as well, its values taken from the texts it kept; it is never written.
class JournalReader
{
public:
    bool open(const QString &path);
    [[nodiscard]] QString errorString() const { return m_error; }
    [[nodiscard]] QString path() const { return m_db.path(); }

    bool info(JournalInfo *info);
    // Rows with ids from to (both included), oldest first.
    bool rows(qint64 from, qint64 to, QList<JournalRow> *rows);
    // The ids of the first and last row whose PC time may lie from fromMs to toMs (UTC ms):
    // every such row lies between them. 0 and -1 when there is none.
    bool idSpanInTime(qint64 fromMs, qint64 toMs, qint64 *first, qint64 *last);
    // Rows never written to an export file, oldest first.
    bool rowsNotExported(QList<JournalRow> *rows);
    bool buffer(qint64 id, JournalBuffer *buffer);
    // Marks rows as exported, so the next start does not offer them again; refused for a
    // journal of an older version.
    bool markExported(const QList<JournalRow> &rows);

    // The first result columns of a row as a journal and a plant source both give them: id,
    // buffer, kind, record number, PC time (ms), date, time, status. False for an unknown kind.
    static bool takeRowHead(const QSqlQuery &q, JournalRow *row);

private:
    bool select(const QString &where, const QList<QVariant> &values, QList<JournalRow> *rows);
    bool selectCells(const QString &where, const QList<QVariant> &values, QList<JournalRow> *rows,
        qsizetype first);
    bool selectOld(const QString &where, const QList<QVariant> &values, QList<JournalRow> *rows);
    bool fail(const QString &what, const QString &why);

    JournalDatabase m_db;
    QString m_error;
};

} // namespace tlv::journal
