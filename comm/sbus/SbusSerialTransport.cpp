#include "comm/sbus/SbusSerialTransport.h"

#include "comm/sbus/SbusEventWait.h"
#include "comm/sbus/SbusFrame.h"
#include "comm/sbus/SbusSerialReply.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSerialPort>

namespace tlv::comm {

namespace {

// Quiet time after which a frame that failed its CRC at the expected length counts as complete.
constexpr int settleMs = 20;

} // namespace

SbusSerialTransport::SbusSerialTransport(const QString &device, qint32 baudRate)
    : m_device(device.trimmed())
    , m_baudRate(baudRate)
{ }

SbusSerialTransport::~SbusSerialTransport() = default;

SbusResult SbusSerialTransport::open()
{
    if (m_port)
        return SbusResult::failure(SbusError::AlreadyOpen, describe() + u" is already open");
    if (m_baudRate <= 0)
        return SbusResult::failure(
            SbusError::InvalidArgument, u"Invalid baud rate " + QString::number(m_baudRate));
    if (m_device.isEmpty() || !QFileInfo::exists(m_device))
        return SbusResult::failure(
            SbusError::PortMissing, u"Serial port \"" + m_device + u"\" does not exist");
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(m_device);
    if (!port->open(QIODevice::ReadWrite)) {
        const SbusError code = port->error() == QSerialPort::DeviceNotFoundError
            ? SbusError::PortMissing
            : SbusError::PortOpenFailed;
        return SbusResult::failure(
            code, u"Cannot open serial port \"" + m_device + u"\": " + port->errorString());
    }
    if (!port->setBaudRate(m_baudRate) || !port->setDataBits(QSerialPort::Data8)
        || !port->setParity(QSerialPort::NoParity) || !port->setStopBits(QSerialPort::OneStop)
        || !port->setFlowControl(QSerialPort::NoFlowControl)) {
        const QString text = port->errorString();
        port->close();
        return SbusResult::failure(
            SbusError::PortOpenFailed, u"Cannot set up serial port \"" + m_device + u"\": " + text);
    }
    port->clear();
    m_port = std::move(port);
    return SbusResult::success();
}

void SbusSerialTransport::close()
{
    if (m_port)
        m_port->close();
    m_port.reset();
}

bool SbusSerialTransport::isOpen() const
{
    return m_port != nullptr;
}

QString SbusSerialTransport::describe() const
{
    return u"serial:" + m_device + u':' + QString::number(m_baudRate);
}

// Answers still owed to earlier requests (timed out, or answered twice over by a retry)
// would be taken for the answer to the next request: the data mode has no sequence numbers.
// Wait for them, at most one timeout, and throw them away.
void SbusSerialTransport::settle(int timeoutMs)
{
    while (m_port->waitForReadyRead(0))
        ;
    m_outstanding -= int(m_port->readAll().count(char(SbusFrame::serialFrameStart)));
    if (m_outstanding > 0) {
        const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
        while (m_port && m_outstanding > 0 && deadline.remainingTime() > 0) {
            waitForSignal(m_port.get(), &QSerialPort::readyRead, int(deadline.remainingTime()));
            if (m_port)
                m_outstanding -= int(m_port->readAll().count(char(SbusFrame::serialFrameStart)));
        }
        // the tail of the last stray frame
        while (m_port && waitForSignal(m_port.get(), &QSerialPort::readyRead, settleMs))
            m_port->readAll();
    }
    m_outstanding = 0;
}

SbusResult SbusSerialTransport::exchange(
    const SbusRequest &request, int timeoutMs, SbusAnswer *answer)
{
    if (!m_port)
        return SbusResult::failure(SbusError::NotOpen, describe() + u" is not open");
    settle(qMax(1, timeoutMs));
    if (!m_port)
        return SbusResult::failure(SbusError::NotOpen, describe() + u" was closed");
    const QByteArray telegram
        = SbusFrame::serialRequest(request.station, request.command, request.data);
    if (m_port->write(telegram) != telegram.size())
        return SbusResult::failure(
            SbusError::SendFailed, u"Cannot send to " + describe() + u": " + m_port->errorString());
    m_port->flush();
    ++m_outstanding;

    SbusSerialReply reply(request, describe());
    const QDeadlineTimer deadline(qMax(1, timeoutMs), Qt::PreciseTimer);
    for (;;) {
        // Byte by byte: a complete answer must not be lost to a frame start right behind it.
        const QByteArray chunk = m_port->readAll();
        for (qsizetype i = 0; i < chunk.size(); ++i) {
            if (quint8(chunk[i]) == SbusFrame::serialFrameStart && m_outstanding > 0)
                --m_outstanding;
            if (reply.feed(chunk[i])) {
                m_outstanding -= int(
                    QByteArrayView(chunk).sliced(i + 1).count(char(SbusFrame::serialFrameStart)));
                const SbusResult result = reply.result();
                if (result.ok())
                    *answer = reply.answer();
                return result;
            }
        }
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            break;
        // A frame that is long enough but fails its CRC is either damaged or longer than this
        // request allows; let the line go quiet before judging.
        const bool pastLength = reply.pastLength();
        const bool more = waitForSignal(m_port.get(), &QSerialPort::readyRead,
            pastLength ? int(qMin<qint64>(remaining, settleMs)) : int(remaining));
        if (!m_port)
            return SbusResult::failure(SbusError::NotOpen, describe() + u" was closed");
        if (pastLength && !more && m_port->bytesAvailable() == 0)
            break;
    }
    return reply.result();
}

} // namespace tlv::comm
