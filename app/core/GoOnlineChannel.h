#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::app {

// PG5's own channel as the program reaches it here: the "GoOnline" section of
// the trace project file (UDP address and port, or a serial device and baud
// rate, and the S-Bus station). Without a section the channel goes to the
// local simulated PCD.
struct GoOnlineChannel
{
    bool serial = false;
    QString address = QStringLiteral("127.0.0.1");
    qint32 port = 5050;
    QString device;
    qint32 baudrate = 9600;
    qint32 station = 0;

    friend bool operator==(const GoOnlineChannel &, const GoOnlineChannel &) = default;

    // The section of file, defaults where it is missing.
    [[nodiscard]] static GoOnlineChannel read(const QString &file);
    // Writes the section; false with why when a value cannot be used.
    bool write(const QString &file, QString *why) const;
    // Why the values cannot be used, empty when they can.
    [[nodiscard]] QString problem() const;
    // "UDP 127.0.0.1:5050, station 0" for the status of the page.
    [[nodiscard]] QString summary() const;
};

} // namespace tlv::app
