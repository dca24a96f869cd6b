#pragma once

#include "journal/JournalDatabase.h"
#include "journal/JournalReader.h"
#include "journal/JournalSummary.h"
#include "viewer/core/HistorySource.h"

namespace tlv::journal {

// A journal file's whole history for the graph: buckets from its summaries, real records
// for the cursors. A journal without summaries (written before them, or of an older version)
// gets them in temporary tables of this connection; the file is never written.
class JournalHistory : public viewer::HistorySource
{
public:
    bool open(const QString &path);

    bool extent(viewer::HistoryExtent *extent) override;
    bool buckets(const viewer::HistoryQuery &query, QList<viewer::HistoryBucket> *buckets) override;
    bool nearestRecord(qint64 key, bool byTime, const QList<int> &positions,
        viewer::HistoryRecord *record) override;
    bool recordByNumber(
        qint64 number, const QList<int> &positions, viewer::HistoryRecord *record) override;
    [[nodiscard]] QString errorString() const override { return m_error; }
    // The summary level the last buckets() read.
    [[nodiscard]] int level() const { return m_summary.level(); }
    // True when the summaries are this connection's own.
    [[nodiscard]] bool ownSummaries() const { return m_own; }
    // A row as the cursors show it, with its values at positions (NaN where none).
    [[nodiscard]] static viewer::HistoryRecord recordOf(
        const JournalRow &row, const QList<int> &positions);

private:
    bool fail(const QString &why);
    bool readRecord(qint64 id, const QList<int> &positions, viewer::HistoryRecord *record);
    bool copyOldRows();
    // Sums up what a recorder added since, when the summaries are our own.
    bool catchUp();

    JournalDatabase m_db;
    JournalReader m_reader;
    JournalSummary m_summary;
    JournalSummary::Tables m_tables;
    bool m_own = false;
    QString m_error;
};

} // namespace tlv::journal
