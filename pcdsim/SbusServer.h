#pragma once

#include "comm/sbus/SbusSerialDecoder.h"
#include "pcdsim/FaultPlan.h"

#include <QHostAddress>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <functional>
#include <memory>

class QSocketNotifier;
class QUdpSocket;

namespace tlv::pcdsim {

class SimulatedPcd;

// Serves a SimulatedPcd over Ether-S-Bus (UDP) and over S-Bus data mode on a pseudo terminal.
// Like a real PCD it answers from its own port, echoes the sequence number, and stays silent
// on a bad CRC or a telegram for another station. Station 255 (broadcast) is answered only
// for "read station number", so a master can find the PCD; other broadcasts are ignored.
class SbusServer : public QObject
{
    Q_OBJECT
public:
    struct Statistics
    {
        quint64 requests = 0; // well-formed requests for this station
        quint64 ignored = 0; // bad CRC, other station, not a request
        quint64 answers = 0; // answers sent (duplicates counted twice)
        quint64 dropped = 0;
        quint64 corrupted = 0;
        quint64 delayed = 0;
        quint64 duplicated = 0;
    };

    explicit SbusServer(SimulatedPcd *pcd, QObject *parent = nullptr);
    ~SbusServer() override;

    // Binds UDP; port 0 picks a free one, see udpPort().
    bool listenUdp(const QHostAddress &address, quint16 port, QString *error = nullptr);
    [[nodiscard]] quint16 udpPort() const;
    [[nodiscard]] QHostAddress udpAddress() const;

    // Opens a pseudo terminal pair; masters connect a serial port to slavePath().
    bool openPseudoTerminal(QString *error = nullptr);
    [[nodiscard]] QString slavePath() const { return m_slavePath; }

    void close();

    // The server without its sockets: one Ether-S-Bus datagram, or bytes of the serial line,
    // in; the answer telegrams out through send, after the fault plan as on the line.
    using Send = std::function<void(const QByteArray &)>;
    void takeDatagram(const QByteArray &datagram, const Send &send);
    void takeSerialBytes(QByteArrayView bytes, const Send &send);

    void setFaultPlan(const FaultPlan &plan);
    [[nodiscard]] FaultPlan faultPlan() const { return m_faults; }
    [[nodiscard]] Statistics statistics() const { return m_stats; }

Q_SIGNALS:
    void requestServed(quint8 command);

private:
    void readUdp();
    void readPty();
    void serialByte(char byte);
    void finishSerialFrame(int length);
    void writePty(const QByteArray &bytes);
    // Applies the fault plan and hands the answer (and any copies) to `send`.
    void deliver(
        QByteArray answer, const std::function<void(const QByteArray &)> &send, bool serial);
    bool roll(double share);

    SimulatedPcd *m_pcd;
    std::unique_ptr<QUdpSocket> m_udp;
    int m_ptyMaster = -1;
    int m_ptySlave = -1;
    QString m_slavePath;
    std::unique_ptr<QSocketNotifier> m_ptyNotifier;
    tlv::comm::SbusSerialDecoder m_serial;
    const Send *m_serialSend = nullptr; // while takeSerialBytes runs; else the pseudo terminal
    QTimer m_serialIdle;
    FaultPlan m_faults;
    QRandomGenerator m_random;
    Statistics m_stats;
};

} // namespace tlv::pcdsim
