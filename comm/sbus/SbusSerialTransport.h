#pragma once

#include "comm/sbus/SbusTransport.h"

#include <memory>

class QSerialPort;

namespace tlv::comm {

// S-Bus data mode on a serial line (8N1, raw). The mode has no sequence numbers and no length
// field: an answer is recognised by its attribute and the length the request implies, and
// bytes left over from earlier exchanges are thrown away before each request. After an answer
// went missing, the next exchange first waits up to one timeout for it (so a late answer is
// never taken for the next one): that call may then take one timeout longer.
class SbusSerialTransport : public SbusTransport
{
public:
    SbusSerialTransport(const QString &device, qint32 baudRate);
    ~SbusSerialTransport() override;

    SbusResult open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    [[nodiscard]] QString describe() const override;
    SbusResult exchange(const SbusRequest &request, int timeoutMs, SbusAnswer *answer) override;

private:
    void settle(int timeoutMs);

    QString m_device;
    qint32 m_baudRate;
    std::unique_ptr<QSerialPort> m_port;
    int m_outstanding = 0; // requests sent whose answer has not been seen
};

} // namespace tlv::comm
