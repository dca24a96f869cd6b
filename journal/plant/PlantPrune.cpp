#include "journal/plant/PlantPrune.h"

#include "journal/plant/PlantConnection.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace tlv::plant {

bool pruneBefore(
    PlantConnection &connection, const QDateTime &before, QList<QDate> *days, QString *why)
{
    QSqlDatabase &db = connection.db();
    if (!db.transaction()) {
        *why = PlantConnection::describe(db.lastError());
        return false;
    }
    const auto fail = [&](const QString &text) {
        *why = text;
        db.rollback();
        return false;
    };
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT c.relname FROM pg_inherits i "
                               "JOIN pg_class c ON c.oid = i.inhrelid "
                               "WHERE i.inhparent = 'tolvane.rows'::regclass ORDER BY 1")))
        return fail(PlantConnection::describe(q.lastError()));
    static const QRegularExpression name(QStringLiteral("^rows_(\\d{8})$"));
    QStringList drop;
    const QDateTime cut = before.toUTC();
    while (q.next()) {
        const QString table = q.value(0).toString();
        const auto match = name.match(table);
        if (!match.hasMatch())
            continue;
        const QDate day = QDate::fromString(match.captured(1), QStringLiteral("yyyyMMdd"));
        if (!day.isValid() || QDateTime(day.addDays(1), QTime(0, 0), Qt::UTC) > cut)
            continue;
        drop << table;
        days->append(day);
    }
    q.finish();
    for (const QString &table : drop) {
        // The name matched rows_ and eight digits: nothing else goes into this statement.
        if (!connection.exec(QStringLiteral("DROP TABLE tolvane.") + table))
            return fail(connection.errorString());
    }
    // Summaries of the rows dropped go with them.
    if (!drop.isEmpty()) {
        QSqlQuery summaries(db);
        summaries.prepare(QStringLiteral("DELETE FROM tolvane.summaries WHERE last_ms < ?"));
        summaries.addBindValue(
            QDateTime(days->last().addDays(1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch());
        if (!summaries.exec())
            return fail(PlantConnection::describe(summaries.lastError()));
    }
    if (!db.commit())
        return fail(PlantConnection::describe(db.lastError()));
    return true;
}

} // namespace tlv::plant
