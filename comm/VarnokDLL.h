#pragma once

#include "comm/sbus/SbusResult.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <span>

namespace tlv::comm {

class SbusClient;

// Our stand-in for the maker's S-Bus driver library: serial S-Bus data mode on
// a COM port, with the library's functions, argument orders and codes
// (0 or less = success). Status and read codes are the raw ones; the
// connection adds 100 before it looks up their texts. The functions are
// virtual so that a test can stand in for the line.
class VarnokDLL
{
public:
    // Codes of the driver. Its numbers clash: 1 and 3 name a bad parameter while the line is
    // set up and a NAK or a bad checksum on a read; kindOf() tells them apart by phase.
    enum class Code : qint32 {
        Ok = 0,
        Nak = 1,
        BadComPort = 1,
        BadBaudrate = 2,
        BadProtocol = 3,
        BadCrc = 3,
        WrongAnswer = 4,
        NoResponse = 6,
        AlreadyOpen = 9,
        BadParameter = 10,
        PortMissing = 32,
        PortClosed = 35, // also: port cannot be opened
    };
    static constexpr qint32 raw(Code code) { return qint32(code); }
    enum class Phase { Opening, Reading };

    VarnokDLL();
    virtual ~VarnokDLL();
    VarnokDLL(const VarnokDLL &) = delete;
    VarnokDLL &operator=(const VarnokDLL &) = delete;

    virtual qint32 PCDClose();
    virtual qint32 PCDSetParameter(qint32 com, qint32 baudrate, qint32 protocol);
    virtual qint32 PCDNoMsg();
    virtual qint32 PCDOpen();
    virtual qint32 PCDSetStation(qint32 station);
    virtual qint32 PcdRdStatus(qint32 cpu, qint32 &status);
    virtual qint32 PCDReadRegister(qint32 first, qint32 count, std::span<qint32> destination);
    virtual qint32 PcdRdDBItem(
        qint32 block, qint32 first, qint32 &count, std::span<qint32> destination);
    // 128 bytes of a DBX, each 32-bit element little-endian; destination holds a closing NUL.
    virtual qint32 PcdRdDBX(
        qint32 number, qint16 byteOffset, qint32 length, std::span<char> destination);

    // Line timing of every request (answer wait and retries).
    void setTiming(int timeoutMs, int retries);
    // The device PCDOpen will use (after PCDSetParameter).
    [[nodiscard]] QString device() const { return m_device; }
    [[nodiscard]] bool isOpen() const;

    // The driver code of an S-Bus outcome, and the kind a returned code stands for.
    [[nodiscard]] static qint32 codeFor(const SbusResult &result);
    [[nodiscard]] static SbusError kindOf(qint32 code, Phase phase);

private:
    std::unique_ptr<SbusClient> m_client;
    QString m_device;
    qint32 m_baudrate = 9600;
    quint8 m_station = 0;
    int m_timeoutMs = 300;
    int m_retries = 2;
    bool m_messages = true;
};

} // namespace tlv::comm
