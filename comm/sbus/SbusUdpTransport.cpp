#include "comm/sbus/SbusUdpTransport.h"

#include "comm/sbus/SbusEventWait.h"
#include "comm/sbus/SbusFrame.h"

#include <QDeadlineTimer>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace tlv::comm {

namespace {

bool sameHost(const QHostAddress &a, const QHostAddress &b)
{
    return a.isEqual(b, QHostAddress::TolerantConversion);
}

} // namespace

SbusUdpTransport::SbusUdpTransport(const QString &host, quint16 port)
    : m_host(host.trimmed())
    , m_port(port)
{ }

SbusUdpTransport::~SbusUdpTransport() = default;

SbusResult SbusUdpTransport::open()
{
    if (m_socket)
        return SbusResult::failure(SbusError::AlreadyOpen, describe() + u" is already open");
    if (m_port == 0)
        return SbusResult::failure(SbusError::InvalidArgument, QStringLiteral("UDP port 0"));
    QHostAddress address(m_host);
    if (address.isNull()) {
        const QHostInfo info = QHostInfo::fromName(m_host);
        for (const QHostAddress &candidate : info.addresses()) {
            if (candidate.protocol() == QAbstractSocket::IPv4Protocol) {
                address = candidate;
                break;
            }
        }
        if (address.isNull() && !info.addresses().isEmpty())
            address = info.addresses().constFirst();
    }
    if (address.isNull())
        return SbusResult::failure(SbusError::PortOpenFailed, u"Unknown host \"" + m_host + u"\"");
    auto socket = std::make_unique<QUdpSocket>();
    const QHostAddress any = address.protocol() == QAbstractSocket::IPv6Protocol
        ? QHostAddress(QHostAddress::AnyIPv6)
        : QHostAddress(QHostAddress::AnyIPv4);
    if (!socket->bind(any, 0))
        return SbusResult::failure(SbusError::PortOpenFailed,
            u"Cannot open a UDP socket for " + describe() + u": " + socket->errorString());
    m_address = address;
    m_socket = std::move(socket);
    m_unread = false;
    // A datagram told of outside an exchange (a late answer) stops the socket telling of the
    // next one until it is read; the next exchange reads it first.
    QObject::connect(m_socket.get(), &QUdpSocket::readyRead, [this] { m_unread = true; });
    return SbusResult::success();
}

void SbusUdpTransport::close()
{
    m_socket.reset();
}

bool SbusUdpTransport::isOpen() const
{
    return m_socket != nullptr;
}

QString SbusUdpTransport::describe() const
{
    return u"udp:" + m_host + u':' + QString::number(m_port);
}

quint16 SbusUdpTransport::localPort() const
{
    return m_socket ? m_socket->localPort() : 0;
}

SbusResult SbusUdpTransport::judge(
    QByteArrayView datagram, const SbusRequest &request, SbusAnswer *answer, bool *decided) const
{
    *decided = true;
    SbusFrame::Ether frame;
    const SbusFrame::Check check = SbusFrame::parseEther(datagram, &frame);
    // A damaged frame only blames this request when it claims its sequence number: a late
    // answer to an earlier one is passed over, as an intact one is.
    if (check != SbusFrame::Check::Ok && datagram.size() >= SbusFrame::etherHeaderSize
        && quint16((quint8(datagram[6]) << 8) | quint8(datagram[7])) != request.sequence) {
        *decided = false;
        return {};
    }
    switch (check) {
    case SbusFrame::Check::BadCrc:
        return SbusResult::failure(SbusError::BadCrc, u"Bad CRC in the answer from " + describe());
    case SbusFrame::Check::Malformed:
        return SbusResult::failure(SbusError::WrongAnswer,
            u"Malformed answer from " + describe() + u" (" + QString::number(datagram.size())
                + u" bytes)");
    case SbusFrame::Check::Ok:
        break;
    }
    if (frame.sequence != request.sequence) {
        *decided = false; // an answer to an earlier request
        return {};
    }
    if (frame.attribute == quint8(SbusFrame::Attribute::AckNak)) {
        if (frame.body.size() != 2)
            return SbusResult::failure(SbusError::WrongAnswer,
                u"ACK/NAK of " + QString::number(frame.body.size()) + u" bytes from " + describe());
        answer->kind = SbusAnswer::Kind::AckNak;
        answer->code = quint16((quint8(frame.body[0]) << 8) | quint8(frame.body[1]));
        answer->data.clear();
        return SbusResult::success();
    }
    if (frame.attribute != quint8(SbusFrame::Attribute::Response))
        return SbusResult::failure(
            SbusError::WrongAnswer, u"A request came back from " + describe());
    if (frame.body.size() != request.answerLength)
        return SbusResult::failure(SbusError::WrongAnswer,
            u"Answer of " + QString::number(frame.body.size()) + u" data bytes from " + describe()
                + u", expected " + QString::number(request.answerLength));
    answer->kind = SbusAnswer::Kind::Data;
    answer->code = 0;
    answer->data = frame.body;
    return SbusResult::success();
}

SbusResult SbusUdpTransport::readAnswer(
    const SbusRequest &request, SbusAnswer *answer, bool *decided)
{
    *decided = false;
    if (m_datagram.size() < 65536)
        m_datagram.resize(65536);
    QHostAddress sender;
    quint16 senderPort = 0;
    const qint64 size
        = m_socket->readDatagram(m_datagram.data(), m_datagram.size(), &sender, &senderPort);
    m_unread = false;
    if (size < 0 || !sameHost(sender, m_address) || senderPort != m_port)
        return {};
    return judge(QByteArrayView(m_datagram.constData(), size), request, answer, decided);
}

SbusResult SbusUdpTransport::exchange(const SbusRequest &request, int timeoutMs, SbusAnswer *answer)
{
    if (!m_socket)
        return SbusResult::failure(SbusError::NotOpen, describe() + u" is not open");
    // Whatever is still queued answers earlier requests.
    if (m_unread) {
        while (m_socket->hasPendingDatagrams())
            m_socket->receiveDatagram();
        m_unread = false;
    }
    const QByteArray telegram
        = SbusFrame::etherRequest(request.sequence, request.station, request.command, request.data);
    if (m_socket->writeDatagram(telegram, m_address, m_port) != telegram.size())
        return SbusResult::failure(SbusError::SendFailed,
            u"Cannot send to " + describe() + u": " + m_socket->errorString());

    const QDeadlineTimer deadline(qMax(1, timeoutMs), Qt::PreciseTimer);
    // Waits first: nothing can have told of the answer yet, and readyRead means a datagram is
    // there, so a telegram costs no look at an empty socket.
    bool ready = false;
    for (;;) {
        if (ready) {
            bool decided = false;
            SbusResult result = readAnswer(request, answer, &decided);
            if (decided)
                return result;
            ready = m_socket->hasPendingDatagrams();
            continue;
        }
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            break;
        ready = waitForSignal(m_socket.get(), &QUdpSocket::readyRead, int(remaining));
        if (!m_socket)
            return SbusResult::failure(SbusError::NotOpen, describe() + u" was closed");
    }
    // An answer may have come with the deadline.
    while (m_socket->hasPendingDatagrams()) {
        bool decided = false;
        SbusResult result = readAnswer(request, answer, &decided);
        if (decided)
            return result;
    }
    return SbusResult::failure(SbusError::NoResponse, u"No response from " + describe());
}

} // namespace tlv::comm
