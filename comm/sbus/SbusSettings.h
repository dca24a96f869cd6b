#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::comm {

// Where and how to reach one PCD. Udp uses host/port, Serial uses device/baudRate (S-Bus data
// mode, 8N1, raw). Every attempt waits timeoutMs; a failed attempt is repeated `retries` times.
struct SbusSettings
{
    enum class Channel { Udp, Serial };

    Channel channel = Channel::Udp;
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 5050;
    QString device; // e.g. /dev/ttyS0 or a pseudo terminal
    qint32 baudRate = 9600;
    quint8 station = 0;
    int timeoutMs = 300;
    int retries = 2;
};

} // namespace tlv::comm
