#include "journal/plant/PlantSources.h"

#include "journal/plant/PlantConnection.h"

#include <QSqlError>
#include <QSqlQuery>

namespace tlv::plant {

bool listSources(PlantConnection &connection, QList<SourceSummary> *sources, QString *why)
{
    QSqlQuery q(connection.db());
    q.setForwardOnly(true);
    // Milliseconds since the epoch: no time zone between the server and us.
    if (!q.exec(QStringLiteral(
            "SELECT s.name, count(r.seq), (extract(epoch FROM min(r.time)) * 1000)::bigint, "
            "(extract(epoch FROM max(r.time)) * 1000)::bigint, "
            "extract(epoch FROM now() - max(r.time))::double precision "
            "FROM tolvane.sources s LEFT JOIN tolvane.rows r ON r.source_id = s.id "
            "GROUP BY s.id, s.name ORDER BY s.name"))) {
        *why = PlantConnection::describe(q.lastError());
        return false;
    }
    while (q.next()) {
        SourceSummary s;
        s.name = q.value(0).toString();
        s.rows = q.value(1).toLongLong();
        if (s.rows > 0) {
            s.first = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong(), Qt::UTC);
            s.last = QDateTime::fromMSecsSinceEpoch(q.value(3).toLongLong(), Qt::UTC);
            s.lagSeconds = q.value(4).toDouble();
        }
        sources->append(s);
    }
    return true;
}

} // namespace tlv::plant
