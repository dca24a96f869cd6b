#pragma once

#include "journal/JournalTypes.h"

#include <QByteArray>
#include <QJsonArray>
#include <QSet>

namespace tlv::plant {

// Rows of a journal and the buffers they need, as the one JSON text tolvane.put_rows takes,
// so a whole batch is one bound parameter and one round trip. Every text from the project
// and the PCD travels inside it, never inside SQL.
class PlantBatch
{
public:
    void addBuffer(const journal::JournalBuffer &buffer);
    void addRow(const journal::JournalRow &row);
    [[nodiscard]] int rowCount() const { return int(m_rows.size()); }
    [[nodiscard]] QByteArray json() const;
    // The UTC days (ms at their start) the rows fall on: the partitions they need.
    [[nodiscard]] QList<qint64> days() const { return m_days.values(); }

    // A row's time in UTC ms; rows of old journals without one are dated from their texts.
    [[nodiscard]] static qint64 rowMillis(const journal::JournalRow &row);

private:
    QJsonArray m_buffers;
    QJsonArray m_rows;
    QSet<qint64> m_days;
};

} // namespace tlv::plant
