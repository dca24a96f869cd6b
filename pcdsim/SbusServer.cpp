#include "pcdsim/SbusServer.h"

#include "comm/sbus/SbusCommand.h"
#include "comm/sbus/SbusFrame.h"
#include "pcdsim/PcdsimLog.h"
#include "pcdsim/SimulatedPcd.h"

#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QUdpSocket>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace tlv::pcdsim {

using tlv::comm::SbusAnswer;
using tlv::comm::SbusFrame;

namespace {

constexpr quint8 broadcastStation = 255;
// Quiet time that ends a serial request of a command whose length we cannot know.
constexpr int serialIdleMs = 20;

} // namespace

SbusServer::SbusServer(SimulatedPcd *pcd, QObject *parent)
    : QObject(parent)
    , m_pcd(pcd)
    , m_random(m_faults.seed)
{
    m_serialIdle.setSingleShot(true);
    m_serialIdle.setInterval(serialIdleMs);
    connect(&m_serialIdle, &QTimer::timeout, this, [this] {
        if (m_serial.inFrame() && !m_serial.frame().isEmpty())
            finishSerialFrame(int(m_serial.frame().size()));
    });
}

SbusServer::~SbusServer()
{
    close();
}

bool SbusServer::listenUdp(const QHostAddress &address, quint16 port, QString *error)
{
    auto socket = std::make_unique<QUdpSocket>();
    if (!socket->bind(address, port)) {
        if (error)
            *error = u"Cannot listen on UDP " + address.toString() + u':' + QString::number(port)
                + u": " + socket->errorString();
        return false;
    }
    m_udp = std::move(socket);
    connect(m_udp.get(), &QUdpSocket::readyRead, this, &SbusServer::readUdp);
    qCInfo(lcPcdsim) << "listening on UDP" << m_udp->localAddress() << m_udp->localPort();
    return true;
}

quint16 SbusServer::udpPort() const
{
    return m_udp ? m_udp->localPort() : 0;
}

QHostAddress SbusServer::udpAddress() const
{
    return m_udp ? m_udp->localAddress() : QHostAddress();
}

bool SbusServer::openPseudoTerminal(QString *error)
{
    const auto fail = [error](const QString &what) {
        if (error)
            *error = what + u": " + QString::fromLocal8Bit(strerror(errno));
        return false;
    };
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return fail(QStringLiteral("Cannot open a pseudo terminal"));
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0
        || ptsname_r(master, name, sizeof name) != 0) {
        ::close(master);
        return fail(QStringLiteral("Cannot prepare the pseudo terminal"));
    }
    // Keep the slave open ourselves: the master then never sees a hang-up between clients,
    // and the line is raw before any client opens it.
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        ::close(master);
        return fail(QStringLiteral("Cannot open the pseudo terminal slave"));
    }
    termios tio {};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    m_ptyMaster = master;
    m_ptySlave = slave;
    m_slavePath = QString::fromLocal8Bit(name);
    m_ptyNotifier = std::make_unique<QSocketNotifier>(master, QSocketNotifier::Read);
    connect(m_ptyNotifier.get(), &QSocketNotifier::activated, this, &SbusServer::readPty);
    return true;
}

void SbusServer::close()
{
    m_udp.reset();
    m_ptyNotifier.reset();
    if (m_ptyMaster >= 0)
        ::close(m_ptyMaster);
    if (m_ptySlave >= 0)
        ::close(m_ptySlave);
    m_ptyMaster = m_ptySlave = -1;
    m_slavePath.clear();
    m_serial.reset();
    m_serialIdle.stop();
}

void SbusServer::setFaultPlan(const FaultPlan &plan)
{
    m_faults = plan;
    m_random.seed(plan.seed);
}

bool SbusServer::roll(double share)
{
    return share > 0 && m_random.generateDouble() < share;
}

void SbusServer::deliver(
    QByteArray answer, const std::function<void(const QByteArray &)> &send, bool serial)
{
    if (roll(m_faults.drop)) {
        ++m_stats.dropped;
        return;
    }
    if (roll(m_faults.corrupt) && answer.size() > 1) {
        // One changed byte: a CRC-16 always catches it on UDP. The serial frame start is kept
        // so the line stays in step.
        const int first = serial ? 1 : 0;
        const int at = first + int(m_random.bounded(quint32(answer.size() - first)));
        answer[at] = char(quint8(answer[at]) ^ quint8(1 + m_random.bounded(255u)));
        ++m_stats.corrupted;
    }
    const bool twice = roll(m_faults.duplicate);
    if (twice)
        ++m_stats.duplicated;
    const auto sendAll = [this, send, answer, twice] {
        send(answer);
        ++m_stats.answers;
        if (twice) {
            send(answer);
            ++m_stats.answers;
        }
    };
    if (roll(m_faults.delay)) {
        ++m_stats.delayed;
        QTimer::singleShot(qMax(0, m_faults.delayMs), this, sendAll);
    } else {
        sendAll();
    }
}

void SbusServer::readUdp()
{
    while (m_udp && m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_udp->receiveDatagram(65536);
        const QHostAddress peer = datagram.senderAddress();
        const quint16 peerPort = quint16(datagram.senderPort());
        QUdpSocket *socket = m_udp.get();
        takeDatagram(datagram.data(), [this, socket, peer, peerPort](const QByteArray &bytes) {
            if (m_udp.get() == socket)
                socket->writeDatagram(bytes, peer, peerPort);
        });
    }
}

void SbusServer::takeDatagram(const QByteArray &datagram, const Send &send)
{
    SbusFrame::Ether frame;
    if (SbusFrame::parseEther(datagram, &frame) != SbusFrame::Check::Ok
        || frame.attribute != quint8(SbusFrame::Attribute::Request) || frame.body.size() < 2) {
        ++m_stats.ignored;
        return;
    }
    const quint8 station = quint8(frame.body[0]);
    const quint8 command = quint8(frame.body[1]);
    const bool discovery
        = station == broadcastStation && command == tlv::comm::SbusCommand::ReadStationNumber;
    if (station != m_pcd->station() && !discovery) {
        ++m_stats.ignored;
        return;
    }
    ++m_stats.requests;
    const SbusAnswer answer = m_pcd->execute(command, frame.body.mid(2));
    const QByteArray telegram = answer.kind == SbusAnswer::Kind::Data
        ? SbusFrame::etherResponse(frame.sequence, answer.data)
        : SbusFrame::etherAckNak(frame.sequence, answer.code);
    deliver(telegram, send, false);
    Q_EMIT requestServed(command);
}

void SbusServer::takeSerialBytes(QByteArrayView bytes, const Send &send)
{
    m_serialSend = &send;
    for (const char byte : bytes)
        serialByte(byte);
    m_serialSend = nullptr;
}

void SbusServer::readPty()
{
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(m_ptyMaster, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i)
            serialByte(buffer[i]);
        if (m_ptyMaster < 0)
            break;
    }
}

void SbusServer::serialByte(char byte)
{
    m_serial.feed(QByteArrayView(&byte, 1));
    if (!m_serial.inFrame())
        return;
    const QByteArray &frame = m_serial.frame();
    if (m_serial.broken() || (!frame.isEmpty() && quint8(frame[0]) != 0)) {
        ++m_stats.ignored; // damaged, or not a request: wait for the next frame start
        m_serial.reset();
        m_serialIdle.stop();
        return;
    }
    if (frame.size() < 3)
        return;
    const int length = tlv::comm::SbusCommand::requestDataLength(
        quint8(frame[2]), QByteArrayView(frame).sliced(3));
    if (length == -2)
        return;
    if (length == -1) {
        m_serialIdle.start();
        return;
    }
    const int need = 3 + length + 2;
    if (frame.size() >= need)
        finishSerialFrame(need);
}

void SbusServer::finishSerialFrame(int length)
{
    m_serialIdle.stop();
    const QByteArray frame = m_serial.frame().left(length);
    m_serial.reset();
    if (frame.size() < 5) {
        ++m_stats.ignored;
        return;
    }
    const quint16 crc = quint16((quint8(frame[length - 2]) << 8) | quint8(frame[length - 1]));
    if (SbusFrame::serialCrc(QByteArrayView(frame).first(length - 2)) != crc) {
        ++m_stats.ignored;
        return;
    }
    const quint8 station = quint8(frame[1]);
    const quint8 command = quint8(frame[2]);
    const bool discovery
        = station == broadcastStation && command == tlv::comm::SbusCommand::ReadStationNumber;
    if (station != m_pcd->station() && !discovery) {
        ++m_stats.ignored;
        return;
    }
    ++m_stats.requests;
    const SbusAnswer answer = m_pcd->execute(command, frame.mid(3, length - 5));
    const QByteArray telegram = answer.kind == SbusAnswer::Kind::Data
        ? SbusFrame::serialResponse(answer.data)
        : SbusFrame::serialAckNak(answer.code);
    if (m_serialSend) {
        deliver(telegram, *m_serialSend, true);
    } else {
        const int fd = m_ptyMaster;
        deliver(
            telegram,
            [this, fd](const QByteArray &bytes) {
                if (m_ptyMaster == fd)
                    writePty(bytes);
            },
            true);
    }
    Q_EMIT requestServed(command);
}

void SbusServer::writePty(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (m_ptyMaster >= 0 && done < bytes.size()) {
        const ssize_t n
            = ::write(m_ptyMaster, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            break; // a client that does not read loses the rest
        done += n;
    }
}

} // namespace tlv::pcdsim
