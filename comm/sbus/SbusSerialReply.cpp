#include "comm/sbus/SbusSerialReply.h"

#include "comm/sbus/SbusFrame.h"

namespace tlv::comm {

namespace {

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

SbusSerialReply::SbusSerialReply(const SbusRequest &request, const QString &peer)
    : m_request(request)
    , m_peer(peer)
{ }

bool SbusSerialReply::feed(char byte)
{
    if (!m_decided) {
        m_decoder.feed(QByteArrayView(&byte, 1));
        evaluate();
    }
    return m_decided;
}

void SbusSerialReply::evaluate()
{
    if (!m_decoder.inFrame() || m_decoder.frame().isEmpty())
        return;
    const QByteArray &frame = m_decoder.frame();
    if (m_decoder.broken()) {
        m_result = SbusResult::failure(SbusError::BadCrc, u"Garbled answer from " + m_peer);
        m_decided = true;
        return;
    }
    const quint8 attribute = quint8(frame[0]);
    const int need = expectedLength(attribute, m_request);
    if (need < 0) {
        m_result = SbusResult::failure(SbusError::WrongAnswer,
            u"Answer with attribute " + QString::number(attribute) + u" from " + m_peer);
        m_decided = true;
        return;
    }
    if (frame.size() < need || !crcFits(frame, need))
        return;
    if (attribute == quint8(SbusFrame::Attribute::AckNak)) {
        m_answer.kind = SbusAnswer::Kind::AckNak;
        m_answer.code = readU16(frame, 1);
        m_answer.data.clear();
    } else {
        m_answer.kind = SbusAnswer::Kind::Data;
        m_answer.code = 0;
        m_answer.data = frame.mid(1, m_request.answerLength);
    }
    m_result = SbusResult::success();
    m_decided = true;
}

bool SbusSerialReply::pastLength() const
{
    return m_decoder.inFrame() && !m_decoder.frame().isEmpty()
        && m_decoder.frame().size() >= expectedLength(quint8(m_decoder.frame()[0]), m_request);
}

SbusResult SbusSerialReply::result() const
{
    if (m_decided)
        return m_result;
    const QByteArray &frame = m_decoder.frame();
    if (!m_decoder.inFrame()) {
        if (m_decoder.noiseBytes() > 0)
            return SbusResult::failure(
                SbusError::WrongAnswer, u"Garbage instead of an answer from " + m_peer);
        return SbusResult::failure(SbusError::NoResponse, u"No response from " + m_peer);
    }
    if (frame.isEmpty())
        return SbusResult::failure(SbusError::WrongAnswer, u"Incomplete answer from " + m_peer);
    const int need = expectedLength(quint8(frame[0]), m_request);
    if (crcFits(frame, frame.size()))
        return SbusResult::failure(SbusError::WrongAnswer,
            u"Answer of " + QString::number(frame.size() - 3) + u" data bytes from " + m_peer
                + u", expected " + QString::number(need - 3));
    if (frame.size() < need)
        return SbusResult::failure(SbusError::WrongAnswer, u"Incomplete answer from " + m_peer);
    return SbusResult::failure(SbusError::BadCrc, u"Bad CRC in the answer from " + m_peer);
}

} // namespace tlv::comm
