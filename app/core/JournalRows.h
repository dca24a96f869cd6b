#pragma once

#include "journal/JournalReader.h"
#include "journal/plant/PlantReader.h"

#include <limits>
#include <memory>

namespace tlv::app {

// Which rows to read: row numbers and PC times (UTC ms), all bounds included.
struct RowRange
{
    qint64 from = 1;
    qint64 to = std::numeric_limits<qint64>::max();
    qint64 fromMs = std::numeric_limits<qint64>::min();
    qint64 toMs = std::numeric_limits<qint64>::max();

    [[nodiscard]] bool timed() const
    {
        return fromMs != std::numeric_limits<qint64>::min()
            || toMs != std::numeric_limits<qint64>::max();
    }
    // "from 3 to 9", "from 3, from 2026-12-07T08:00:00Z"
    [[nodiscard]] QString describe() const;
};

// A journal file or one source of a plant database, read alike.
class JournalRowsReader
{
public:
    // A source name means where is a plant database URI.
    bool open(const QString &where, const QString &source);
    [[nodiscard]] bool isServer() const { return m_server != nullptr; }
    [[nodiscard]] QString errorString() const { return m_error; }

    bool info(journal::JournalInfo *info);
    bool rows(const RowRange &range, QList<journal::JournalRow> *rows);
    bool buffer(qint64 id, journal::JournalBuffer *buffer);
    // The first and last row number between which every row of the range's times lies; 0
    // and -1 when none does.
    bool span(const RowRange &range, qint64 *first, qint64 *last);
    // The plant database's reader; null for a file.
    [[nodiscard]] plant::PlantReader *server() { return m_server.get(); }

private:
    bool fileRowsInTime(const RowRange &range, QList<journal::JournalRow> *rows);
    bool take(bool ok);

    std::unique_ptr<journal::JournalReader> m_file;
    std::unique_ptr<plant::PlantReader> m_server;
    QString m_error;
};

} // namespace tlv::app
