#include "comm/ConnectionString.h"

#include "comm/ComPorts.h"

#include <QFileInfo>

namespace tlv::comm {

namespace {

bool number(const QString &text, qint64 low, qint64 high, qint64 &value)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok || n < low || n > high)
        return false;
    value = n;
    return true;
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace

bool parseConnectionString(const QString &text, SbusSettings &settings, QString *error)
{
    SbusSettings result = settings;
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return fail(error, QStringLiteral("connection must start with udp: or serial:"));
    const QString scheme = text.left(colon).toLower();
    QString rest = text.mid(colon + 1);
    if (rest.isEmpty())
        return fail(error, QStringLiteral("connection without address: ") + text);

    qint64 value = 0;
    if (scheme == QLatin1String("udp")) {
        result.channel = SbusSettings::Channel::Udp;
        const qsizetype slash = rest.indexOf(QLatin1Char('/'));
        if (slash >= 0) {
            if (!number(rest.mid(slash + 1), 0, 255, value))
                return fail(error, QStringLiteral("station must be 0 to 255: ") + text);
            result.station = quint8(value);
            rest.truncate(slash);
        }
        const qsizetype portColon = rest.lastIndexOf(QLatin1Char(':'));
        if (portColon >= 0) {
            if (!number(rest.mid(portColon + 1), 1, 65535, value))
                return fail(error, QStringLiteral("port must be 1 to 65535: ") + text);
            result.port = quint16(value);
            rest.truncate(portColon);
        }
        if (rest.isEmpty())
            return fail(error, QStringLiteral("connection without host: ") + text);
        result.host = rest;
    } else if (scheme == QLatin1String("serial")) {
        result.channel = SbusSettings::Channel::Serial;
        // Device paths hold '/', so a station is split off only when the whole
        // text is not a device, and a baud rate only as ":digits".
        if (!QFileInfo::exists(rest)) {
            const qsizetype slash = rest.lastIndexOf(QLatin1Char('/'));
            if (slash > 0 && number(rest.mid(slash + 1), 0, 255, value)) {
                result.station = quint8(value);
                rest.truncate(slash);
            }
        }
        const qsizetype baudColon = rest.lastIndexOf(QLatin1Char(':'));
        if (baudColon >= 0) {
            if (!number(rest.mid(baudColon + 1), 1, 4000000, value))
                return fail(error, QStringLiteral("baud rate must be a number: ") + text);
            result.baudRate = qint32(value);
            rest.truncate(baudColon);
        }
        if (rest.isEmpty())
            return fail(error, QStringLiteral("connection without device: ") + text);
        result.device = resolveComName(rest);
    } else {
        return fail(error, QStringLiteral("connection must start with udp: or serial:"));
    }
    settings = result;
    return true;
}

} // namespace tlv::comm
