#pragma once

#include "comm/sbus/SbusResult.h"

#include <QByteArray>
#include <QString>

namespace tlv::comm {

// One request telegram as the client means it; each transport puts it into its own framing.
struct SbusRequest
{
    quint8 station = 0;
    quint8 command = 0;
    QByteArray data; // command data after the command byte
    quint16 sequence = 0; // Ether-S-Bus only; the serial data mode has none
    int answerLength = 0; // data bytes a data answer must carry
    bool resend = false; // a retry of the previous request (same sequence)
};

// One answer: data (attribute 1) or ACK/NAK (attribute 2, code 0 = ACK).
struct SbusAnswer
{
    enum class Kind { Data, AckNak };
    Kind kind = Kind::Data;
    quint16 code = 0;
    QByteArray data;
};

// A link to one PCD. exchange() sends the request once and waits at most timeoutMs for its
// answer; retrying is the client's business. Results: Ok with the answer, NoResponse, BadCrc,
// WrongAnswer (a frame that fits no answer to this request), SendFailed or NotOpen.
class SbusTransport
{
public:
    virtual ~SbusTransport() = default;

    virtual SbusResult open() = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    // "udp:127.0.0.1:5050" or "serial:/dev/ttyS0:9600", for messages.
    [[nodiscard]] virtual QString describe() const = 0;
    virtual SbusResult exchange(const SbusRequest &request, int timeoutMs, SbusAnswer *answer) = 0;
};

} // namespace tlv::comm
