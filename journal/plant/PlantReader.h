#pragma once

#include "journal/JournalReader.h"
#include "journal/plant/PlantConnection.h"

#include <QSqlDriver>

namespace tlv::plant {

// One source's rows read back from the plant database as journal rows, so everything that
// reads a journal file (info, export) reads a source the same way. Row ids are the
// source's sequence numbers, the ids of its recorder's journal.
class PlantReader
{
public:
    bool open(const PlantUri &uri, const QString &source);
    [[nodiscard]] QString errorString() const { return m_error; }

    bool info(journal::JournalInfo *info);
    // Rows with sequence numbers from to (both included), oldest first.
    bool rows(qint64 from, qint64 to, QList<journal::JournalRow> *rows);
    // Rows from to (UTC ms, both included) and within the sequence numbers first to last.
    bool rowsInTime(
        qint64 fromMs, qint64 toMs, qint64 first, qint64 last, QList<journal::JournalRow> *rows);
    // The first and last sequence number of the rows from fromMs to toMs; 0 and -1 for none.
    bool seqSpanInTime(qint64 fromMs, qint64 toMs, qint64 *first, qint64 *last);
    bool buffer(qint64 id, journal::JournalBuffer *buffer);
    // The connection's driver, for LISTEN on the rows' notifications.
    [[nodiscard]] QSqlDriver *driver() { return m_server.db().driver(); }
    [[nodiscard]] const QString &source() const { return m_source; }

private:
    bool select(
        const QString &where, const QList<QVariant> &values, QList<journal::JournalRow> *rows);
    bool fail(const QString &why);

    PlantConnection m_server;
    QString m_source;
    qint64 m_sourceId = 0;
    QString m_error;
};

} // namespace tlv::plant
