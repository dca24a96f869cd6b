#include "journal/plant/PlantConnection.h"

#include <QAtomicInteger>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace tlv::plant {

namespace {

QAtomicInteger<quint64> connections;

// libpq's quoting of a conninfo value.
QString quoted(QString value)
{
    value.replace(u'\\', QLatin1String("\\\\"));
    value.replace(u'\'', QLatin1String("\\'"));
    return u'\'' + value + u'\'';
}

} // namespace

PlantConnection::PlantConnection()
    : m_name(QStringLiteral("tolvane-plant-") + QString::number(++connections))
{ }

PlantConnection::~PlantConnection()
{
    close();
}

void PlantConnection::close()
{
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
}

bool PlantConnection::isOpen() const
{
    return m_db.isValid() && m_db.isOpen();
}

bool PlantConnection::open(const PlantUri &given, const QString &application)
{
    close();
    m_error.clear();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        m_error = QStringLiteral("the PostgreSQL driver of Qt (libqt6sql6-psql) is not installed");
        return false;
    }
    PlantUri uri = given;
    uri.setDefault(QStringLiteral("connect_timeout"), QStringLiteral("5"));
    // A TCP peer that vanishes (cable, crash of the host) is noticed in about ten seconds.
    uri.setDefault(QStringLiteral("keepalives_idle"), QStringLiteral("5"));
    uri.setDefault(QStringLiteral("keepalives_interval"), QStringLiteral("2"));
    uri.setDefault(QStringLiteral("keepalives_count"), QStringLiteral("3"));
    uri.setDefault(QStringLiteral("tcp_user_timeout"), QStringLiteral("10000"));
    if (!application.isEmpty())
        uri.setDefault(QStringLiteral("application_name"), application);

    m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    if (!uri.host().isEmpty())
        m_db.setHostName(uri.host());
    if (!uri.dbname().isEmpty())
        m_db.setDatabaseName(uri.dbname());
    if (!uri.user().isEmpty())
        m_db.setUserName(uri.user());
    QStringList options;
    if (!uri.port().isEmpty())
        options << QStringLiteral("port=") + quoted(uri.port());
    for (const auto &[key, value] : uri.options())
        options << key + u'=' + quoted(value);
    m_db.setConnectOptions(options.join(u';'));
    if (!m_db.open()) {
        m_error = describe(m_db.lastError());
        return false;
    }
    // libpq would print the server's notices and warnings ("already exists, skipping",
    // "terminating connection due to immediate shutdown") on stderr; errors say enough.
    if (!exec(QStringLiteral("SET client_min_messages TO error"))) {
        close();
        return false;
    }
    return true;
}

bool PlantConnection::exec(const QString &sql)
{
    QSqlQuery query(m_db);
    if (query.exec(sql))
        return true;
    m_error = describe(query.lastError());
    return false;
}

bool PlantConnection::exec(QSqlQuery &query, const QString &what)
{
    if (query.exec())
        return true;
    m_error = what + QStringLiteral(": ") + describe(query.lastError());
    return false;
}

QString PlantConnection::describe(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    static const QRegularExpression space(QStringLiteral("\\s*\\n\\s*"));
    text.replace(space, QStringLiteral(" "));
    // The driver's "(42P01)" codes say nothing to a reader.
    static const QRegularExpression code(QStringLiteral("\\s*\\([0-9A-Z]{5}\\)\\s*$"));
    text.remove(code);
    if (text.startsWith(QLatin1String("ERROR:  ")))
        text = text.mid(8);
    // libpq repeats the text of a lost connection once for the query and once for the link.
    const qsizetype half = text.size() / 2;
    if (text.size() % 2 == 1 && text[half] == u' ' && text.left(half) == text.mid(half + 1))
        text = text.left(half);
    return text.isEmpty() ? QStringLiteral("no reason given") : text;
}

bool PlantConnection::linkLost() const
{
    if (!m_db.isValid() || !m_db.isOpen())
        return true;
    // A dead link leaves the driver's handle in the bad state; a query error leaves it fine.
    QSqlQuery ping(m_db);
    return !ping.exec(QStringLiteral("SELECT 1"));
}

} // namespace tlv::plant
