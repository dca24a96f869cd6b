#include "app/core/JournalRows.h"

#include "journal/plant/PlantBatch.h"

#include <QDateTime>

namespace tlv::app {

QString RowRange::describe() const
{
    const auto time = [](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
    };
    QStringList ids, times;
    if (from > 1 || !timed())
        ids << QStringLiteral("from ") + QString::number(from);
    if (to != std::numeric_limits<qint64>::max())
        ids << QStringLiteral("to ") + QString::number(to);
    if (fromMs != std::numeric_limits<qint64>::min())
        times << QStringLiteral("from ") + time(fromMs);
    if (toMs != std::numeric_limits<qint64>::max())
        times << QStringLiteral("to ") + time(toMs);
    QStringList parts;
    if (!ids.isEmpty())
        parts << ids.join(u' ');
    if (!times.isEmpty())
        parts << times.join(u' ');
    return parts.join(QLatin1String(", "));
}

bool JournalRowsReader::take(bool ok)
{
    if (!ok)
        m_error = m_server ? m_server->errorString() : m_file->errorString();
    return ok;
}

bool JournalRowsReader::open(const QString &where, const QString &source)
{
    if (source.isEmpty()) {
        m_file = std::make_unique<journal::JournalReader>();
        return take(m_file->open(where));
    }
    plant::PlantUri uri;
    if (!uri.parse(where)) {
        m_error = uri.error();
        return false;
    }
    m_server = std::make_unique<plant::PlantReader>();
    return take(m_server->open(uri, source));
}

bool JournalRowsReader::info(journal::JournalInfo *info)
{
    return take(m_server ? m_server->info(info) : m_file->info(info));
}

bool JournalRowsReader::buffer(qint64 id, journal::JournalBuffer *buffer)
{
    return take(m_server ? m_server->buffer(id, buffer) : m_file->buffer(id, buffer));
}

bool JournalRowsReader::rows(const RowRange &range, QList<journal::JournalRow> *rows)
{
    if (m_server) {
        if (range.timed())
            return take(m_server->rowsInTime(range.fromMs, range.toMs, range.from, range.to, rows));
        return take(m_server->rows(range.from, range.to, rows));
    }
    if (range.timed())
        return fileRowsInTime(range, rows);
    return take(m_file->rows(range.from, range.to, rows));
}

bool JournalRowsReader::span(const RowRange &range, qint64 *first, qint64 *last)
{
    const bool ok = m_server ? m_server->seqSpanInTime(range.fromMs, range.toMs, first, last)
                             : m_file->idSpanInTime(range.fromMs, range.toMs, first, last);
    if (!take(ok))
        return false;
    *first = std::max(*first, range.from);
    *last = std::min(*last, range.to);
    if (*first > *last) {
        *first = 0;
        *last = -1;
    }
    return true;
}

// A journal file keeps its rows in the order they came: read in pieces, kept by their time.
bool JournalRowsReader::fileRowsInTime(const RowRange &range, QList<journal::JournalRow> *rows)
{
    qint64 first = 0;
    qint64 last = -1;
    if (!span(range, &first, &last))
        return false;
    constexpr qint64 Piece = 10000;
    for (qint64 from = first; from <= last; from += Piece) {
        QList<journal::JournalRow> piece;
        if (!take(m_file->rows(from, std::min(last, from + Piece - 1), &piece)))
            return false;
        for (journal::JournalRow &row : piece) {
            const qint64 ms = plant::PlantBatch::rowMillis(row);
            if (ms >= range.fromMs && ms <= range.toMs)
                rows->append(std::move(row));
        }
    }
    return true;
}

} // namespace tlv::app
