#pragma once

// Shared helpers of the S-Bus tests: a Qt application for the event loop, and scripted peers
// that answer a request with exactly the bytes a test chooses.
#include "comm/sbus/SbusFrame.h"
#include "comm/sbus/SbusSerialDecoder.h"

#include <QByteArray>
#include <QHostAddress>
#include <QSocketNotifier>
#include <QUdpSocket>

#include <functional>
#include <memory>

namespace sbustest {

// Answer to give to one request: a list of raw byte strings to send (may be empty: silence).
using Script = std::function<QList<QByteArray>(const QByteArray &request)>;

// UDP peer on 127.0.0.1 that answers each datagram through the script.
class ScriptedUdpPeer
{
public:
    explicit ScriptedUdpPeer(Script script);
    [[nodiscard]] quint16 port() const { return m_socket.localPort(); }
    [[nodiscard]] int requests() const { return m_requests; }
    // Sends a datagram to whoever asked last, outside any answer (a late one).
    void sendToLastClient(const QByteArray &datagram);
    // Where answers come from; a second socket lets a test answer from a foreign port.
    QUdpSocket *replySocket = nullptr;

private:
    QUdpSocket m_socket;
    Script m_script;
    int m_requests = 0;
    QHostAddress m_lastClient;
    quint16 m_lastPort = 0;
};

// Pseudo-terminal pair: the client opens slavePath(); the master side answers each complete
// request frame (FS + unescaped body) through the script.
class ScriptedSerialPeer
{
public:
    explicit ScriptedSerialPeer(Script script);
    ~ScriptedSerialPeer();
    [[nodiscard]] QString slavePath() const { return m_slavePath; }
    [[nodiscard]] int requests() const { return m_requests; }
    [[nodiscard]] bool ok() const { return m_master >= 0; }

private:
    void readMaster();
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    std::unique_ptr<QSocketNotifier> m_notifier;
    tlv::comm::SbusSerialDecoder m_decoder;
    Script m_script;
    int m_requests = 0;
};

// Bytes written as hex pairs, blanks between them for reading.
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Sequence number of an Ether-S-Bus request.
quint16 sequenceOf(const QByteArray &request);
// An Ether-S-Bus frame with any header values and a correct CRC over what is given.
QByteArray etherRaw(
    quint32 length, quint8 version, quint16 sequence, quint8 attribute, const QByteArray &body);

} // namespace sbustest
