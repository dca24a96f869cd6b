#include "comm/VarnokDLL.h"

#include "comm/ComPorts.h"
#include "comm/sbus/SbusClient.h"

#include <QFileInfo>

#include <algorithm>

namespace tlv::comm {

namespace {

constexpr qint32 Baudrates[] = { 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200 };
constexpr int HighestCom = 256;

} // namespace

VarnokDLL::VarnokDLL()
    : m_client(std::make_unique<SbusClient>())
{ }

VarnokDLL::~VarnokDLL() = default;

qint32 VarnokDLL::codeFor(const SbusResult &result)
{
    switch (result.error) {
    case SbusError::Ok:
        return raw(Code::Ok);
    case SbusError::NoResponse:
        return raw(Code::NoResponse);
    case SbusError::Nak:
        return raw(Code::Nak);
    case SbusError::BadCrc:
        return raw(Code::BadCrc);
    case SbusError::WrongAnswer:
    case SbusError::DriverError:
        return raw(Code::WrongAnswer);
    case SbusError::PortMissing:
        return raw(Code::PortMissing);
    case SbusError::PortOpenFailed:
    case SbusError::NotOpen:
    case SbusError::SendFailed:
    case SbusError::Unavailable:
        return raw(Code::PortClosed);
    case SbusError::AlreadyOpen:
        return raw(Code::AlreadyOpen);
    case SbusError::InvalidArgument:
    case SbusError::BadSettings:
    case SbusError::OutOfRange:
    case SbusError::NotFound:
        return raw(Code::BadParameter);
    }
    return raw(Code::WrongAnswer);
}

SbusError VarnokDLL::kindOf(qint32 code, Phase phase)
{
    if (code <= 0)
        return SbusError::Ok;
    // While the line is set up every code below 9 is a parameter the driver refused.
    if (phase == Phase::Opening && code < raw(Code::AlreadyOpen))
        return SbusError::BadSettings;
    switch (code) {
    case raw(Code::Nak):
        return SbusError::Nak;
    case raw(Code::BadCrc):
        return SbusError::BadCrc;
    case raw(Code::WrongAnswer):
        return SbusError::WrongAnswer;
    case raw(Code::NoResponse):
        return SbusError::NoResponse;
    case raw(Code::AlreadyOpen):
        return SbusError::AlreadyOpen;
    case raw(Code::BadParameter):
        return SbusError::InvalidArgument;
    case raw(Code::PortMissing):
        return SbusError::PortMissing;
    case raw(Code::PortClosed):
        return phase == Phase::Opening ? SbusError::PortOpenFailed : SbusError::NotOpen;
    default:
        return SbusError::DriverError;
    }
}

bool VarnokDLL::isOpen() const
{
    return m_client->isOpen();
}

void VarnokDLL::setTiming(int timeoutMs, int retries)
{
    m_timeoutMs = qMax(1, timeoutMs);
    m_retries = qMax(0, retries);
    m_client->setTimeout(m_timeoutMs);
    m_client->setRetries(m_retries);
}

qint32 VarnokDLL::PCDClose()
{
    m_client->close();
    return raw(Code::Ok);
}

qint32 VarnokDLL::PCDSetParameter(qint32 com, qint32 baudrate, qint32 protocol)
{
    if (com < 1 || com > HighestCom)
        return raw(Code::BadComPort);
    if (std::find(std::begin(Baudrates), std::end(Baudrates), baudrate) == std::end(Baudrates))
        return raw(Code::BadBaudrate);
    if (protocol != 1)
        return raw(Code::BadProtocol);
    m_device = comPortDevice(com);
    m_baudrate = baudrate;
    return raw(Code::Ok);
}

qint32 VarnokDLL::PCDNoMsg()
{
    // This driver never shows messages of its own; the call is kept for its callers.
    m_messages = false;
    return raw(Code::Ok);
}

qint32 VarnokDLL::PCDOpen()
{
    if (m_client->isOpen())
        return raw(Code::AlreadyOpen);
    if (m_device.isEmpty())
        return raw(Code::BadComPort);
    if (!QFileInfo::exists(m_device))
        return raw(Code::PortMissing);
    SbusSettings settings;
    settings.channel = SbusSettings::Channel::Serial;
    settings.device = m_device;
    settings.baudRate = m_baudrate;
    settings.station = m_station;
    settings.timeoutMs = m_timeoutMs;
    settings.retries = m_retries;
    return codeFor(m_client->open(settings));
}

qint32 VarnokDLL::PCDSetStation(qint32 station)
{
    if (station < 0 || station > 255)
        return raw(Code::BadParameter);
    m_station = quint8(station);
    m_client->setStation(m_station);
    return raw(Code::Ok);
}

qint32 VarnokDLL::PcdRdStatus(qint32 cpu, qint32 &status)
{
    if (!m_client->isOpen())
        return raw(Code::PortClosed);
    if (cpu < 0 || cpu > 6)
        return raw(Code::BadParameter);
    quint8 byte = 0;
    const SbusResult result = m_client->readCpuStatus(cpu, &byte);
    if (!result.ok())
        return codeFor(result);
    status = byte;
    return raw(Code::Ok);
}

qint32 VarnokDLL::PCDReadRegister(qint32 first, qint32 count, std::span<qint32> destination)
{
    if (!m_client->isOpen())
        return raw(Code::PortClosed);
    if (count < 1 || size_t(count) > destination.size())
        return raw(Code::BadParameter);
    return codeFor(m_client->readRegisterSpan(first, destination.first(size_t(count))));
}

qint32 VarnokDLL::PcdRdDBItem(
    qint32 block, qint32 first, qint32 &count, std::span<qint32> destination)
{
    if (!m_client->isOpen())
        return raw(Code::PortClosed);
    if (count < 1 || size_t(count) > destination.size())
        return raw(Code::BadParameter);
    return codeFor(m_client->readDataBlockSpan(block, first, destination.first(size_t(count))));
}

qint32 VarnokDLL::PcdRdDBX(
    qint32 number, qint16 byteOffset, qint32 length, std::span<char> destination)
{
    if (!m_client->isOpen())
        return raw(Code::PortClosed);
    if (length < 4 || length % 4 != 0 || size_t(length) >= destination.size() || byteOffset < 0)
        return raw(Code::BadParameter);
    QByteArray bytes;
    const SbusResult result = m_client->readDbxBytes(number, byteOffset, length, &bytes);
    if (!result.ok())
        return codeFor(result);
    if (bytes.size() != length)
        return raw(Code::WrongAnswer);
    // The driver hands 32-bit elements over as the PC stores them: low byte first.
    for (qint32 at = 0; at < length; at += 4) {
        for (int i = 0; i < 4; ++i)
            destination[size_t(at + i)] = bytes[at + 3 - i];
    }
    destination[size_t(length)] = '\0';
    return raw(Code::Ok);
}

} // namespace tlv::comm
