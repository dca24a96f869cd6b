#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace tlv::plant {

class PlantConnection;

// What the plant database holds per source.
struct SourceSummary
{
    QString name;
    qint64 rows = 0;
    QDateTime first; // invalid when the source has no rows
    QDateTime last;
    double lagSeconds = -1; // from the newest row to the server's clock; -1 without rows
};

// Every source with its row count, first and last time and lag; false with why.
bool listSources(PlantConnection &connection, QList<SourceSummary> *sources, QString *why);

} // namespace tlv::plant
