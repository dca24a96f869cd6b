#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace tlv::plant {

// A libpq connection URI taken apart for Qt's PostgreSQL driver, which wants host, port,
// database and user separately and the rest as connect options:
// postgresql://[user@][host][:port][,host[:port]...]/[dbname][?key=value&...]
// A host may be a Unix-socket folder (percent-encoded, or as ?host=/folder). A password is
// refused: it would show in ps and in the journal of the shell; libpq's password file
// (PGPASSFILE) and service file (PGSERVICE) supply it instead.
class PlantUri
{
public:
    // False with error() set for a text that is no such URI.
    bool parse(const QString &uri);
    [[nodiscard]] QString error() const { return m_error; }

    [[nodiscard]] QString host() const { return value(QStringLiteral("host")); }
    [[nodiscard]] QString port() const { return value(QStringLiteral("port")); }
    [[nodiscard]] QString dbname() const { return value(QStringLiteral("dbname")); }
    [[nodiscard]] QString user() const { return value(QStringLiteral("user")); }
    // Everything but host, port, dbname and user as libpq keywords, in the order given.
    [[nodiscard]] QList<QPair<QString, QString>> options() const;
    // The value of a libpq keyword, empty when not given.
    [[nodiscard]] QString value(const QString &key) const;
    [[nodiscard]] bool has(const QString &key) const;
    // The URI as given: it never holds a password, so it may go into messages.
    [[nodiscard]] QString text() const { return m_text; }

    // Sets a keyword unless the URI gave it.
    void setDefault(const QString &key, const QString &value);

private:
    // The parts of parse, each false with the error set.
    bool parseUser(QStringView userSpec);
    bool parseHosts(QStringView authority);
    bool parseParameters(QStringView query);
    bool fail(const QString &why);
    void set(const QString &key, const QString &value);

    QString m_text;
    QString m_error;
    QList<QPair<QString, QString>> m_values;
};

} // namespace tlv::plant
