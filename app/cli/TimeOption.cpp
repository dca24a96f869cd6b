#include "app/cli/TimeOption.h"

namespace tlv::app {

bool parseTimeOption(const QString &text, QDateTime *time, QString *why)
{
    QString iso = text.trimmed();
    if (iso.size() > 10 && iso[10] == u' ')
        iso[10] = u'T';
    QDateTime t = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!t.isValid()) {
        const QDate day = QDate::fromString(iso, Qt::ISODate);
        if (day.isValid())
            t = QDateTime(day, QTime(0, 0));
    }
    if (!t.isValid()) {
        *why = QStringLiteral("\"") + text
            + QStringLiteral("\" is no ISO 8601 time (like 2026-12-07T08:30:00Z)");
        return false;
    }
    *time = t;
    return true;
}

} // namespace tlv::app
