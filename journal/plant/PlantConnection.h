#pragma once

#include "journal/plant/PlantUri.h"

#include <QSqlDatabase>
#include <QString>

class QSqlError;
class QSqlQuery;

namespace tlv::plant {

// One connection to the plant database through Qt's PostgreSQL driver. Connecting waits
// at most the URI's connect_timeout (5 s unless given) and a TCP link that goes dead is
// noticed within seconds, so a caller is never held for long. Messages carry libpq's text.
class PlantConnection
{
public:
    PlantConnection();
    ~PlantConnection();
    PlantConnection(const PlantConnection &) = delete;
    PlantConnection &operator=(const PlantConnection &) = delete;

    // application: shown in pg_stat_activity, so an administrator sees who holds what.
    bool open(const PlantUri &uri, const QString &application);
    void close();
    [[nodiscard]] bool isOpen() const;
    [[nodiscard]] QSqlDatabase &db() { return m_db; }
    [[nodiscard]] QString errorString() const { return m_error; }

    // Runs one statement without parameters; false with errorString() set.
    bool exec(const QString &sql);
    // Runs a prepared query; false with errorString() set to what: why.
    bool exec(QSqlQuery &query, const QString &what);

    // The server's own words on one line ("connection to server ... failed: ...").
    [[nodiscard]] static QString describe(const QSqlError &error);
    // True when the error means the link is gone (server down, restarted, unreachable).
    [[nodiscard]] bool linkLost() const;

private:
    QSqlDatabase m_db;
    QString m_name;
    QString m_error;
};

} // namespace tlv::plant
