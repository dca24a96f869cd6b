#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

namespace tlv::plant {

class PlantConnection;

// Drops the rows of every whole UTC day that ends at or before `before`: each day is a
// partition of its own, so this costs no more than dropping tables. Rows of the day that
// holds `before` stay. False with why; days gets the days dropped.
bool pruneBefore(
    PlantConnection &connection, const QDateTime &before, QList<QDate> *days, QString *why);

} // namespace tlv::plant
