#include "journal/plant/PlantBatch.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace tlv::plant {

namespace {

constexpr qint64 DayMs = 86400000;

// PostgreSQL's text holds no NUL character.
QJsonValue text(QString s)
{
    s.remove(QChar(0));
    return s;
}

} // namespace

void PlantBatch::addBuffer(const journal::JournalBuffer &buffer)
{
    QJsonArray columns;
    for (int i = 0; i < buffer.columns.size(); ++i) {
        const journal::JournalColumn &c = buffer.columns[i];
        columns.append(QJsonObject { { QStringLiteral("position"), i },
            { QStringLiteral("number"), c.number }, { QStringLiteral("title"), text(c.title) },
            { QStringLiteral("width"), c.width }, { QStringLiteral("data_type"), c.dataType },
            { QStringLiteral("format"), text(c.format) } });
    }
    m_buffers.append(QJsonObject { { QStringLiteral("id"), buffer.id },
        { QStringLiteral("title"), text(buffer.title) },
        { QStringLiteral("header_key"), text(buffer.headerKey) },
        { QStringLiteral("header_version"), buffer.headerVersion },
        { QStringLiteral("columns"), columns } });
}

qint64 PlantBatch::rowMillis(const journal::JournalRow &row)
{
    if (row.pcMillis != 0)
        return row.pcMillis;
    QDateTime shown = QDateTime::fromString(
        row.date + u' ' + row.time.left(8), QStringLiteral("dd/MM/yy HH:mm:ss"));
    if (!shown.isValid())
        return 0;
    // Two-digit years are this century's.
    if (shown.date().year() < 2000)
        shown = shown.addYears(100);
    return shown.toMSecsSinceEpoch();
}

void PlantBatch::addRow(const journal::JournalRow &row)
{
    QJsonArray texts, numbers, raws;
    for (const QString &cell : row.cells)
        texts.append(text(cell));
    for (const std::optional<double> &n : row.numbers)
        numbers.append(n && std::isfinite(*n) ? QJsonValue(*n) : QJsonValue());
    for (const std::optional<qint64> &r : row.rawValues)
        raws.append(r ? QJsonValue(*r) : QJsonValue());
    const qint64 ms = rowMillis(row);
    m_days.insert(ms - ((ms % DayMs) + DayMs) % DayMs);
    m_rows.append(QJsonObject { { QStringLiteral("seq"), row.id }, { QStringLiteral("ms"), ms },
        { QStringLiteral("buffer_id"), row.bufferId },
        { QStringLiteral("kind"), journal::kindName(row.kind) },
        { QStringLiteral("record_number"), row.recordNumber },
        { QStringLiteral("status"), text(row.status) },
        { QStringLiteral("pc_date"), text(row.date) },
        { QStringLiteral("pc_time"), text(row.time) }, { QStringLiteral("texts"), texts },
        { QStringLiteral("numbers"), numbers }, { QStringLiteral("raw_values"), raws },
        { QStringLiteral("raw"), text(row.raw) },
        { QStringLiteral("comment"), text(row.comment) } });
}

QByteArray PlantBatch::json() const
{
    return QJsonDocument(QJsonObject { { QStringLiteral("buffers"), m_buffers },
                             { QStringLiteral("rows"), m_rows } })
        .toJson(QJsonDocument::Compact);
}

} // namespace tlv::plant
