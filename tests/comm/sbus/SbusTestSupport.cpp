#include "SbusTestSupport.h"

#include "comm/sbus/SbusCommand.h"

#include <QCoreApplication>
#include <QNetworkDatagram>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace sbustest {

namespace {

// The event loops of the client and the in-process simulator need an application object.
class QtEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (!QCoreApplication::instance())
            m_app = std::make_unique<QCoreApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "tst_comm_sbus";
    char *m_argv[2] = { m_name, nullptr };
    std::unique_ptr<QCoreApplication> m_app;
};

[[maybe_unused]] ::testing::Environment *const environment
    = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

ScriptedUdpPeer::ScriptedUdpPeer(Script script)
    : m_script(std::move(script))
{
    m_socket.bind(QHostAddress::LocalHost, 0);
    QObject::connect(&m_socket, &QUdpSocket::readyRead, [this] {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram request = m_socket.receiveDatagram();
            ++m_requests;
            m_lastClient = request.senderAddress();
            m_lastPort = quint16(request.senderPort());
            QUdpSocket *out = replySocket ? replySocket : &m_socket;
            for (const QByteArray &answer : m_script(request.data()))
                out->writeDatagram(answer, request.senderAddress(), quint16(request.senderPort()));
        }
    });
}

void ScriptedUdpPeer::sendToLastClient(const QByteArray &datagram)
{
    m_socket.writeDatagram(datagram, m_lastClient, m_lastPort);
}

ScriptedSerialPeer::ScriptedSerialPeer(Script script)
    : m_script(std::move(script))
{
    char name[128] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    termios tio {};
    tcgetattr(m_slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_slave, TCSANOW, &tio);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readMaster(); });
}

ScriptedSerialPeer::~ScriptedSerialPeer()
{
    m_notifier.reset();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

void ScriptedSerialPeer::readMaster()
{
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n; ++i) {
            m_decoder.feed(QByteArrayView(buffer + i, 1));
            const QByteArray &frame = m_decoder.frame();
            if (!m_decoder.inFrame() || frame.size() < 3)
                continue;
            const int length = tlv::comm::SbusCommand::requestDataLength(
                quint8(frame[2]), QByteArrayView(frame).sliced(3));
            if (length < 0 || frame.size() < 3 + length + 2)
                continue;
            const QByteArray request = frame;
            m_decoder.reset();
            ++m_requests;
            for (const QByteArray &answer : m_script(request)) {
                if (::write(m_master, answer.constData(), size_t(answer.size())) < 0)
                    ADD_FAILURE() << "write to pty master failed";
            }
        }
    }
}

quint16 sequenceOf(const QByteArray &request)
{
    return quint16((quint8(request[6]) << 8) | quint8(request[7]));
}

QByteArray etherRaw(
    quint32 length, quint8 version, quint16 sequence, quint8 attribute, const QByteArray &body)
{
    QByteArray frame;
    for (int shift = 24; shift >= 0; shift -= 8)
        frame.append(char((length >> shift) & 0xFF));
    frame.append(char(version)).append(char(0));
    frame.append(char(sequence >> 8)).append(char(sequence & 0xFF));
    frame.append(char(attribute)).append(body);
    const quint16 crc = tlv::comm::SbusFrame::crc16(frame);
    frame.append(char(crc >> 8)).append(char(crc & 0xFF));
    return frame;
}

} // namespace sbustest
