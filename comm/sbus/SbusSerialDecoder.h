#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace tlv::comm {

// Collects one serial data-mode frame from a byte stream: hunts for the frame start (a raw FS
// never occurs inside a frame), drops noise before it and undoes the DLE escapes. A new FS
// abandons an unfinished frame. The frame end is for the caller to judge (no length field).
class SbusSerialDecoder
{
public:
    void feed(QByteArrayView bytes);
    void reset();

    [[nodiscard]] bool inFrame() const { return m_inFrame; }
    // Unescaped bytes after FS so far (attribute, ..., CRC).
    [[nodiscard]] const QByteArray &frame() const { return m_frame; }
    // A DLE followed by something other than 00/01 was seen in this frame.
    [[nodiscard]] bool broken() const { return m_broken; }
    // Frames abandoned by a new FS and bytes of noise outside frames since reset().
    [[nodiscard]] int abandonedFrames() const { return m_abandoned; }
    [[nodiscard]] int noiseBytes() const { return m_noise; }
    // Drops the first n unescaped bytes of the frame (the frame stays open).
    void consume(int n) { m_frame.remove(0, n); }

private:
    QByteArray m_frame;
    bool m_inFrame = false;
    bool m_escape = false;
    bool m_broken = false;
    int m_abandoned = 0;
    int m_noise = 0;
};

} // namespace tlv::comm
