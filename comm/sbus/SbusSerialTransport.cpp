#include "comm/sbus/SbusSerialTransport.h"

#include "comm/sbus/SbusEventWait.h"
#include "comm/sbus/SbusFrame.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSerialPort>

namespace tlv::comm {

namespace {

// Quiet time after which a frame that failed its CRC at the expected length counts as complete.
constexpr int settleMs = 20;

quint16 readU16(const QByteArray &bytes, qsizetype at)
{
    return quint16((quint8(bytes[at]) << 8) | quint8(bytes[at + 1]));
}

bool crcFits(const QByteArray &frame, qsizetype length)
{
    return length >= 3
        && SbusFrame::serialCrc(QByteArrayView(frame).first(length - 2))
        == readU16(frame, length - 2);
}

// Unescaped bytes after FS that a complete answer with this attribute occupies; -1: none.
int expectedLength(quint8 attribute, const SbusRequest &request)
{
    if (attribute == quint8(SbusFrame::Attribute::Response))
        return 1 + request.answerLength + 2;
    if (attribute == quint8(SbusFrame::Attribute::AckNak))
        return 1 + 2 + 2;
    return -1;
}

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

SbusSerialTransport::Progress SbusSerialTransport::evaluate(
    const SbusRequest &request, SbusAnswer *answer, SbusResult *result)
{
    if (!m_decoder.inFrame() || m_decoder.frame().isEmpty())
        return Progress::Waiting;
    const QByteArray &frame = m_decoder.frame();
    if (m_decoder.broken()) {
        *result = SbusResult::failure(SbusError::BadCrc, u"Garbled answer from " + describe());
        return Progress::Done;
    }
    const quint8 attribute = quint8(frame[0]);
    const int need = expectedLength(attribute, request);
    if (need < 0) {
        *result = SbusResult::failure(SbusError::WrongAnswer,
            u"Answer with attribute " + QString::number(attribute) + u" from " + describe());
        return Progress::Done;
    }
    if (frame.size() < need || !crcFits(frame, need))
        return Progress::Waiting;
    if (attribute == quint8(SbusFrame::Attribute::AckNak)) {
        answer->kind = SbusAnswer::Kind::AckNak;
        answer->code = readU16(frame, 1);
        answer->data.clear();
    } else {
        answer->kind = SbusAnswer::Kind::Data;
        answer->code = 0;
        answer->data = frame.mid(1, request.answerLength);
    }
    *result = SbusResult::success();
    return Progress::Done;
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
    m_decoder.reset();

    const QByteArray telegram
        = SbusFrame::serialRequest(request.station, request.command, request.data);
    if (m_port->write(telegram) != telegram.size())
        return SbusResult::failure(
            SbusError::SendFailed, u"Cannot send to " + describe() + u": " + m_port->errorString());
    m_port->flush();
    ++m_outstanding;

    const QDeadlineTimer deadline(qMax(1, timeoutMs), Qt::PreciseTimer);
    SbusResult result;
    for (;;) {
        // Byte by byte: a complete answer must not be lost to a frame start right behind it.
        const QByteArray chunk = m_port->readAll();
        for (qsizetype i = 0; i < chunk.size(); ++i) {
            if (quint8(chunk[i]) == SbusFrame::serialFrameStart && m_outstanding > 0)
                --m_outstanding;
            m_decoder.feed(QByteArrayView(chunk).sliced(i, 1));
            if (evaluate(request, answer, &result) == Progress::Done) {
                m_outstanding -= int(
                    QByteArrayView(chunk).sliced(i + 1).count(char(SbusFrame::serialFrameStart)));
                return result;
            }
        }
        if (chunk.isEmpty() && evaluate(request, answer, &result) == Progress::Done)
            return result;
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            break;
        // A frame that is long enough but fails its CRC is either damaged or longer than this
        // request allows; let the line go quiet before judging.
        const bool pastLength = m_decoder.inFrame() && !m_decoder.frame().isEmpty()
            && m_decoder.frame().size() >= expectedLength(quint8(m_decoder.frame()[0]), request);
        const bool more = waitForSignal(m_port.get(), &QSerialPort::readyRead,
            pastLength ? int(qMin<qint64>(remaining, settleMs)) : int(remaining));
        if (!m_port)
            return SbusResult::failure(SbusError::NotOpen, describe() + u" was closed");
        if (pastLength && !more && m_port->bytesAvailable() == 0)
            break;
    }

    const QByteArray &frame = m_decoder.frame();
    if (!m_decoder.inFrame()) {
        if (m_decoder.noiseBytes() > 0)
            return SbusResult::failure(
                SbusError::WrongAnswer, u"Garbage instead of an answer from " + describe());
        return SbusResult::failure(SbusError::NoResponse, u"No response from " + describe());
    }
    if (frame.isEmpty())
        return SbusResult::failure(SbusError::WrongAnswer, u"Incomplete answer from " + describe());
    const int need = expectedLength(quint8(frame[0]), request);
    if (crcFits(frame, frame.size()))
        return SbusResult::failure(SbusError::WrongAnswer,
            u"Answer of " + QString::number(frame.size() - 3) + u" data bytes from " + describe()
                + u", expected " + QString::number(need - 3));
    if (frame.size() < need)
        return SbusResult::failure(SbusError::WrongAnswer, u"Incomplete answer from " + describe());
    return SbusResult::failure(SbusError::BadCrc, u"Bad CRC in the answer from " + describe());
}

} // namespace tlv::comm
