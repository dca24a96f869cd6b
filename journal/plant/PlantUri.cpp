#include "journal/plant/PlantUri.h"

#include <QRegularExpression>

#include <QUrl>

namespace tlv::plant {

namespace {

QString decoded(QStringView part, bool *ok)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(part.toUtf8());
    const QString text = QString::fromUtf8(bytes);
    *ok = !text.contains(QChar::ReplacementCharacter) && !text.contains(QChar(0));
    return text;
}

// The URI as it may be shown: a password in it (refused anyway) becomes "***".
QString masked(const QString &uri)
{
    static const QRegularExpression user(QStringLiteral("^(postgres(?:ql)?://[^:@/?]*:)[^@/?]*@"));
    static const QRegularExpression parameter(QStringLiteral("([?&]password=)[^&]*"));
    QString text = uri;
    text.replace(user, QStringLiteral("\\1***@"));
    text.replace(parameter, QStringLiteral("\\1***"));
    return text;
}

// Takes the scheme off the front of rest; false when there is none.
bool withoutScheme(QStringView *rest)
{
    for (const QLatin1String scheme :
        { QLatin1String("postgresql://"), QLatin1String("postgres://") }) {
        if (rest->startsWith(scheme)) {
            *rest = rest->mid(scheme.size());
            return true;
        }
    }
    return false;
}

const QString PasswordRefused
    = QStringLiteral("it holds a password, which would show in the process list; put it in the "
                     "password file (PGPASSFILE) or the service file (PGSERVICE) instead");

} // namespace

bool PlantUri::fail(const QString &why)
{
    m_error
        = QStringLiteral("The database URI ") + m_text + QStringLiteral(" is not usable: ") + why;
    m_values.clear();
    return false;
}

void PlantUri::set(const QString &key, const QString &value)
{
    for (auto &kv : m_values) {
        if (kv.first == key) {
            kv.second = value;
            return;
        }
    }
    m_values.append({ key, value });
}

void PlantUri::setDefault(const QString &key, const QString &value)
{
    if (!has(key))
        m_values.append({ key, value });
}

bool PlantUri::has(const QString &key) const
{
    for (const auto &kv : m_values) {
        if (kv.first == key)
            return true;
    }
    return false;
}

QString PlantUri::value(const QString &key) const
{
    for (const auto &kv : m_values) {
        if (kv.first == key)
            return kv.second;
    }
    return {};
}

QList<QPair<QString, QString>> PlantUri::options() const
{
    QList<QPair<QString, QString>> rest;
    for (const auto &kv : m_values) {
        if (kv.first != u"host" && kv.first != u"port" && kv.first != u"dbname"
            && kv.first != u"user")
            rest.append(kv);
    }
    return rest;
}

bool PlantUri::parse(const QString &uri)
{
    m_text = masked(uri);
    m_error.clear();
    m_values.clear();
    QStringView rest(uri);
    if (!withoutScheme(&rest))
        return fail(QStringLiteral("it must begin with postgresql://"));

    QStringView query;
    if (const qsizetype q = rest.indexOf(u'?'); q >= 0) {
        query = rest.mid(q + 1);
        rest = rest.left(q);
    }
    QStringView authority = rest;
    QStringView path;
    if (const qsizetype slash = rest.indexOf(u'/'); slash >= 0) {
        authority = rest.left(slash);
        path = rest.mid(slash + 1);
    }
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        if (!parseUser(authority.left(at)))
            return false;
        authority = authority.mid(at + 1);
    }
    if (!parseHosts(authority))
        return false;
    bool ok = true;
    const QString db = decoded(path, &ok);
    if (!ok)
        return fail(QStringLiteral("the database name is not valid text"));
    if (!db.isEmpty())
        set(QStringLiteral("dbname"), db);
    return parseParameters(query);
}

bool PlantUri::parseUser(QStringView userSpec)
{
    if (userSpec.contains(u':'))
        return fail(PasswordRefused);
    bool ok = true;
    const QString user = decoded(userSpec, &ok);
    if (!ok)
        return fail(QStringLiteral("the user name is not valid text"));
    if (!user.isEmpty())
        set(QStringLiteral("user"), user);
    return true;
}

// host[:port] or [v6]:port, comma-separated; libpq takes the lists as they are.
bool PlantUri::parseHosts(QStringView authority)
{
    QStringList hosts, ports;
    bool anyPort = false;
    bool ok = true;
    for (QStringView hostPort : authority.split(u',')) {
        QString host, port;
        if (hostPort.startsWith(u'[')) {
            const qsizetype close = hostPort.indexOf(u']');
            if (close < 0)
                return fail(QStringLiteral("a bracketed address has no closing ]"));
            host = hostPort.mid(1, close - 1).toString();
            hostPort = hostPort.mid(close + 1);
            if (!hostPort.isEmpty() && !hostPort.startsWith(u':'))
                return fail(QStringLiteral("text follows a bracketed address"));
            port = hostPort.mid(1).toString();
        } else {
            const qsizetype colon = hostPort.lastIndexOf(u':');
            host = decoded(colon >= 0 ? hostPort.left(colon) : hostPort, &ok);
            if (!ok)
                return fail(QStringLiteral("a host is not valid text"));
            if (colon >= 0)
                port = hostPort.mid(colon + 1).toString();
        }
        if (!port.isEmpty()) {
            bool number = false;
            const int p = port.toInt(&number);
            if (!number || p < 1 || p > 65535)
                return fail(QStringLiteral("the port \"") + port
                    + QStringLiteral("\" is no number from 1 to 65535"));
            anyPort = true;
        }
        hosts << host;
        ports << port;
    }
    if (hosts.size() > 1 || !hosts.value(0).isEmpty())
        set(QStringLiteral("host"), hosts.join(u','));
    if (anyPort)
        set(QStringLiteral("port"), ports.join(u','));
    return true;
}

bool PlantUri::parseParameters(QStringView query)
{
    for (QStringView pair : query.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq <= 0)
            return fail(QStringLiteral("the parameter \"") + pair.toString()
                + QStringLiteral("\" has no key=value form"));
        bool ok = true;
        const QString key = decoded(pair.left(eq), &ok);
        bool valueOk = true;
        QString value = decoded(pair.mid(eq + 1), &valueOk);
        if (!ok || !valueOk)
            return fail(QStringLiteral("a parameter is not valid text"));
        if (key == u"password")
            return fail(PasswordRefused);
        for (const QChar c : key) {
            if (!(c.isLetterOrNumber() || c == u'_') || c.unicode() > 127)
                return fail(
                    QStringLiteral("\"") + key + QStringLiteral("\" is no connection parameter"));
        }
        // Qt's driver joins the options with ';' as separator.
        if (value.contains(u';'))
            return fail(QStringLiteral("the value of ") + key
                + QStringLiteral(" holds a ';', which the connection cannot pass on"));
        set(key, value);
    }
    return true;
}

} // namespace tlv::plant
