#pragma once

#include "journal/plant/PlantConnection.h"
#include "journal/plant/PlantReader.h"
#include "viewer/core/HistorySource.h"

namespace tlv::plant {

// One source's whole history for the graph, read from the plant database's summaries the
// way a journal file's are: the same blocks (of sequence numbers), the same buckets.
class PlantHistory : public viewer::HistorySource
{
public:
    bool open(const PlantUri &uri, const QString &source);

    bool extent(viewer::HistoryExtent *extent) override;
    bool buckets(const viewer::HistoryQuery &query, QList<viewer::HistoryBucket> *buckets) override;
    bool nearestRecord(qint64 key, bool byTime, const QList<int> &positions,
        viewer::HistoryRecord *record) override;
    bool recordByNumber(
        qint64 number, const QList<int> &positions, viewer::HistoryRecord *record) override;
    [[nodiscard]] QString errorString() const override { return m_error; }
    // The summary level the last buckets() read.
    [[nodiscard]] int level() const { return m_level; }

private:
    bool fail(const QString &why);
    bool readRecord(qint64 seq, const QList<int> &positions, viewer::HistoryRecord *record);
    bool seqSpanInTime(qint64 fromMs, qint64 toMs, qint64 *first, qint64 *last);

    PlantConnection m_server;
    PlantReader m_reader;
    QString m_source;
    QString m_id; // the source's id, for the statements
    int m_level = 1;
    bool m_summed = true; // false: summaries of an older layout, not read
    QString m_error;
};

} // namespace tlv::plant
