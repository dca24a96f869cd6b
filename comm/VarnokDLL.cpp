#include "comm/VarnokDLL.h"

#include "comm/ComPorts.h"
#include "comm/sbus/SbusClient.h"

#include <QFileInfo>

#include <algorithm>

namespace tlv::comm {

namespace {

constexpr int PerTelegram = SbusClient::maxElementsPerTelegram();
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
        return Ok;
    case SbusError::NoResponse:
        return NoResponse;
    case SbusError::Nak:
        return Nak;
    case SbusError::BadCrc:
        return BadCrc;
    case SbusError::WrongAnswer:
        return WrongAnswer;
    case SbusError::PortMissing:
        return PortMissing;
    case SbusError::PortOpenFailed:
    case SbusError::NotOpen:
    case SbusError::SendFailed:
        return PortClosed;
    case SbusError::AlreadyOpen:
        return AlreadyOpen;
    case SbusError::InvalidArgument:
        return BadParameter;
    }
    return WrongAnswer;
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
    return Ok;
}

qint32 VarnokDLL::PCDSetParameter(qint32 com, qint32 baudrate, qint32 protocol)
{
    if (com < 1 || com > HighestCom)
        return BadComPort;
    if (std::find(std::begin(Baudrates), std::end(Baudrates), baudrate) == std::end(Baudrates))
        return BadBaudrate;
    if (protocol != 1)
        return BadProtocol;
    m_device = comPortDevice(com);
    m_baudrate = baudrate;
    return Ok;
}

qint32 VarnokDLL::PCDNoMsg()
{
    // This driver never shows messages of its own; the call is kept for its callers.
    m_messages = false;
    return Ok;
}

qint32 VarnokDLL::PCDOpen()
{
    if (m_client->isOpen())
        return AlreadyOpen;
    if (m_device.isEmpty())
        return BadComPort;
    if (!QFileInfo::exists(m_device))
        return PortMissing;
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
        return BadParameter;
    m_station = quint8(station);
    m_client->setStation(m_station);
    return Ok;
}

qint32 VarnokDLL::PcdRdStatus(qint32 cpu, qint32 &status)
{
    if (!m_client->isOpen())
        return PortClosed;
    if (cpu < 0 || cpu > 6)
        return BadParameter;
    quint8 byte = 0;
    const SbusResult result = m_client->readCpuStatus(cpu, &byte);
    if (!result.ok())
        return codeFor(result);
    status = byte;
    return Ok;
}

qint32 VarnokDLL::PCDReadRegister(qint32 first, qint32 count, std::span<qint32> destination)
{
    if (!m_client->isOpen())
        return PortClosed;
    if (count < 1 || size_t(count) > destination.size())
        return BadParameter;
    QList<qint32> values;
    for (qint32 done = 0; done < count; done += PerTelegram) {
        QList<qint32> part;
        const SbusResult result
            = m_client->readRegisters(first + done, qMin(PerTelegram, count - done), &part);
        if (!result.ok())
            return codeFor(result);
        values += part;
    }
    std::copy(values.cbegin(), values.cend(), destination.begin());
    return Ok;
}

qint32 VarnokDLL::PcdRdDBItem(
    qint32 block, qint32 first, qint32 &count, std::span<qint32> destination)
{
    if (!m_client->isOpen())
        return PortClosed;
    if (count < 1 || size_t(count) > destination.size())
        return BadParameter;
    QList<qint32> values;
    for (qint32 done = 0; done < count; done += PerTelegram) {
        QList<qint32> part;
        const SbusResult result
            = m_client->readDataBlock(block, first + done, qMin(PerTelegram, count - done), &part);
        if (!result.ok())
            return codeFor(result);
        values += part;
    }
    std::copy(values.cbegin(), values.cend(), destination.begin());
    count = qint32(values.size());
    return Ok;
}

qint32 VarnokDLL::PcdRdDBX(
    qint32 number, qint16 byteOffset, qint32 length, std::span<char> destination)
{
    if (!m_client->isOpen())
        return PortClosed;
    if (length < 4 || length % 4 != 0 || size_t(length) >= destination.size() || byteOffset < 0)
        return BadParameter;
    QByteArray bytes;
    const SbusResult result = m_client->readDbxBytes(number, byteOffset, length, &bytes);
    if (!result.ok())
        return codeFor(result);
    if (bytes.size() != length)
        return WrongAnswer;
    // The driver hands 32-bit elements over as the PC stores them: low byte first.
    for (qint32 at = 0; at < length; at += 4) {
        for (int i = 0; i < 4; ++i)
            destination[size_t(at + i)] = bytes[at + 3 - i];
    }
    destination[size_t(length)] = '\0';
    return Ok;
}

} // namespace tlv::comm
