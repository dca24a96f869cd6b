#pragma once

#include "comm/sbus/SbusSerialDecoder.h"
#include "comm/sbus/SbusTransport.h"

namespace tlv::comm {

// One answer to a data-mode request, taken apart as its bytes come. The mode has no length
// field: an answer is complete when a frame as long as its attribute implies passes its CRC.
class SbusSerialReply
{
public:
    // peer names the line in messages.
    SbusSerialReply(const SbusRequest &request, const QString &peer);

    // Takes one byte; true once the answer is decided (result() and answer() hold it).
    bool feed(char byte);
    [[nodiscard]] bool decided() const { return m_decided; }
    // A frame as long as its attribute implies that fails its CRC: damaged, or longer than
    // the request allows. The line should go quiet before it is judged.
    [[nodiscard]] bool pastLength() const;
    // The decided result, or the verdict on what came when no more bytes come.
    [[nodiscard]] SbusResult result() const;
    [[nodiscard]] const SbusAnswer &answer() const { return m_answer; }

private:
    void evaluate();

    const SbusRequest &m_request;
    QString m_peer;
    SbusSerialDecoder m_decoder;
    bool m_decided = false;
    SbusResult m_result;
    SbusAnswer m_answer;
};

} // namespace tlv::comm
