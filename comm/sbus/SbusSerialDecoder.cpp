#include "comm/sbus/SbusSerialDecoder.h"

#include "comm/sbus/SbusFrame.h"

namespace tlv::comm {

void SbusSerialDecoder::feed(QByteArrayView bytes)
{
    for (const char c : bytes) {
        const quint8 byte = quint8(c);
        if (byte == SbusFrame::serialFrameStart) {
            if (m_inFrame && (!m_frame.isEmpty() || m_escape))
                ++m_abandoned;
            m_frame.clear();
            m_inFrame = true;
            m_escape = false;
            m_broken = false;
            continue;
        }
        if (!m_inFrame) {
            ++m_noise;
            continue;
        }
        if (m_escape) {
            m_escape = false;
            if (byte == 0x00)
                m_frame.append(char(SbusFrame::serialFrameStart));
            else if (byte == 0x01)
                m_frame.append(char(SbusFrame::serialDle));
            else
                m_broken = true;
            continue;
        }
        if (byte == SbusFrame::serialDle)
            m_escape = true;
        else
            m_frame.append(c);
    }
}

void SbusSerialDecoder::reset()
{
    m_frame.clear();
    m_inFrame = false;
    m_escape = false;
    m_broken = false;
    m_abandoned = 0;
    m_noise = 0;
}

} // namespace tlv::comm
