#pragma once

#include "viewer/core/ReaderState.h"

#include <QList>
#include <QString>

namespace tlv::viewer {

// Outcome of a check on an answer of the PCD. A failure carries the code and
// the text the control reports through ModulError.
struct CheckResult
{
    bool ok = true;
    int code = 0; // 10 start register / array size, 11 header, 12 incomplete fetch
    QString text;

    static CheckResult failure(int code, const QString &text) { return { false, code, text }; }
};

struct StartRegisterResult : CheckResult
{
    bool isDataBlock = false;
    qint16 startAddress = 0;

    // On success: storage kind and address taken over, H := 16, c := 4.
    void applyTo(ReaderState &state) const;
};

// The checks on the start register value and on the buffer header.
class BufferCheck
{
public:
    static constexpr qint32 MaxStartAddress = 8000;
    static constexpr qint32 MaxRegisterBufferLength = 4096;
    static constexpr qint32 MaxDataBlockBufferLength = 16383;

    // "Invalid buffer" CR "Check the start register value" etc.
    [[nodiscard]] static QString invalidBufferText(const QString &reason);
    // "The DataBlock Property wait an array of <words> registers (long value)."
    [[nodiscard]] static QString arraySizeText(int words);

    [[nodiscard]] static StartRegisterResult checkStartRegister(qint32 value);

    // Most record slots a loaded buffer can hold: no more than the header's
    // buffer length, and the whole ring (H + R x C words from requestBase, the
    // start register of a register buffer or 0 for a data block) within the
    // 16-bit addresses of requests.
    [[nodiscard]] static qint32 capacityLimit(const ReaderState &state, qint32 requestBase);
    // "Invalid buffer" CR why a counter block's capacity cannot be this buffer's.
    [[nodiscard]] static QString capacityText(const ReaderState &state, qint32 capacity);

    // Checks the answer to the header read (H words from word 0, H being the
    // state's header length). On success the result's state holds the new
    // header; a refused header (code 11) leaves only the counters cleared; a
    // too short answer (code 10) leaves the state as it was.
    struct HeaderResult : CheckResult
    {
        ReaderState state;
    };
    [[nodiscard]] static HeaderResult checkHeader(
        const ReaderState &state, const QList<qint32> &words);
};

} // namespace tlv::viewer
