#pragma once

#include "comm/sbus/SbusTransport.h"

#include <QHostAddress>

#include <memory>

class QUdpSocket;

namespace tlv::comm {

// Ether-S-Bus over UDP: one telegram per datagram; an answer must come from the peer's address
// and port and carry the request's sequence number. Answers with another sequence (late or
// duplicated answers to earlier requests) are skipped.
class SbusUdpTransport : public SbusTransport
{
public:
    SbusUdpTransport(const QString &host, quint16 port);
    ~SbusUdpTransport() override;

    SbusResult open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    [[nodiscard]] QString describe() const override;
    SbusResult exchange(const SbusRequest &request, int timeoutMs, SbusAnswer *answer) override;

    // Local port the socket is bound to (0 while closed).
    [[nodiscard]] quint16 localPort() const;

    // What one datagram from the peer says about request; decided is false when it answers
    // another (earlier) request and is passed over.
    SbusResult judge(QByteArrayView datagram, const SbusRequest &request, SbusAnswer *answer,
        bool *decided) const;

private:
    // Reads one datagram; decided tells whether it answers request.
    SbusResult readAnswer(const SbusRequest &request, SbusAnswer *answer, bool *decided);

    QString m_host;
    quint16 m_port;
    QHostAddress m_address;
    std::unique_ptr<QUdpSocket> m_socket;
    QByteArray m_datagram; // receive buffer, kept from one answer to the next
    bool m_unread = false; // readyRead came since the last read
};

} // namespace tlv::comm
