#include "journal/JournalTypes.h"

#include <QDateTime>

namespace tlv::journal {

QString kindName(RowKind kind)
{
    switch (kind) {
    case RowKind::Status:
        return QStringLiteral("status");
    case RowKind::Miss:
        return QStringLiteral("miss");
    case RowKind::Restart:
        return QStringLiteral("restart");
    case RowKind::Record:
        break;
    }
    return QStringLiteral("record");
}

bool kindFromName(const QString &name, RowKind *kind)
{
    for (RowKind k : { RowKind::Record, RowKind::Status, RowKind::Miss, RowKind::Restart }) {
        if (name == kindName(k)) {
            *kind = k;
            return true;
        }
    }
    return false;
}

QString shownDate(const JournalRow &row)
{
    return row.pcMillis == 0
        ? row.date
        : QDateTime::fromMSecsSinceEpoch(row.pcMillis).toString(QStringLiteral("dd/MM/yy"));
}

QString shownTime(const JournalRow &row)
{
    return row.pcMillis == 0
        ? row.time
        : QDateTime::fromMSecsSinceEpoch(row.pcMillis).toString(QStringLiteral("HH:mm:ss"));
}

} // namespace tlv::journal
