#include "app/core/GoOnlineChannel.h"

#include "comm/ScommLibrary.h"
#include "common/IniProfile.h"

namespace tlv::app {

namespace {

const QString Section = QStringLiteral("GoOnline");

} // namespace

GoOnlineChannel GoOnlineChannel::read(const QString &file)
{
    GoOnlineChannel c;
    comm::SbusSettings s;
    // A section that cannot be parsed keeps the defaults it could not replace.
    comm::ScommLibrary::parseSetup(file, Section, s);
    c.serial = s.channel == comm::SbusSettings::Channel::Serial;
    c.address = s.host;
    c.port = s.port;
    c.device = s.device;
    c.baudrate = s.baudRate;
    c.station = s.station;
    return c;
}

QString GoOnlineChannel::problem() const
{
    if (serial) {
        if (device.trimmed().isEmpty())
            return QStringLiteral("A serial channel needs a device (/dev/ttyS0, COM1 ...).");
        if (baudrate < 1)
            return QStringLiteral("Invalid baud rate.");
    } else {
        if (address.trimmed().isEmpty())
            return QStringLiteral("A UDP channel needs an IP address or host name.");
        if (port < 1 || port > 65535)
            return QStringLiteral("UDP port: numeric value 1...65535");
    }
    if (station < 0 || station > 255)
        return QStringLiteral("S-Bus station: numeric value 0...255");
    return {};
}

bool GoOnlineChannel::write(const QString &file, QString *why) const
{
    const QString p = problem();
    if (!p.isEmpty()) {
        if (why)
            *why = p;
        return false;
    }
    const struct
    {
        const char16_t *key;
        QString value;
    } keys[] = {
        { u"Channel", serial ? QStringLiteral("Serial") : QStringLiteral("UDP") },
        { u"Address", address.trimmed() },
        { u"Port", QString::number(port) },
        { u"Device", device.trimmed() },
        { u"Baudrate", QString::number(baudrate) },
        { u"Station", QString::number(station) },
    };
    for (const auto &k : keys) {
        if (!common::IniProfile::write(file, Section, QString::fromUtf16(k.key), k.value)) {
            if (why)
                *why = QStringLiteral("Writing aborted in the file : ") + file;
            return false;
        }
    }
    return true;
}

QString GoOnlineChannel::summary() const
{
    const QString where = serial
        ? QStringLiteral("Serial ") + device + u' ' + QString::number(baudrate)
        : QStringLiteral("UDP ") + address + u':' + QString::number(port);
    return where + QStringLiteral(", station ") + QString::number(station);
}

} // namespace tlv::app
