#include "viewer/core/BufferCheck.h"

#include "viewer/core/FourCharText.h"
#include "viewer/core/RequestPlanner.h"

#include <cstdlib>
#include <limits>

using namespace Qt::StringLiterals;

namespace tlv::viewer {

namespace {
constexpr qint32 StartRegisterLimit = 16777216; // 2^24
constexpr qint32 DataBlockKind = 68; // 'D'
constexpr int ArraySizeCode = 10;
constexpr int StartRegisterCode = 10;
constexpr int HeaderCode = 11;
} // namespace

void StartRegisterResult::applyTo(ReaderState &state) const
{
    if (!ok)
        return;
    state.isDataBlock = isDataBlock;
    state.startAddress = startAddress;
    state.headerLength = 16;
    state.counterIndex = ReaderState::DefaultCounterIndex;
}

QString BufferCheck::invalidBufferText(const QString &reason)
{
    return u"Invalid buffer"_s + QLatin1Char('\r') + reason;
}

QString BufferCheck::arraySizeText(int words)
{
    return u"The DataBlock Property wait an array of "_s + QString::number(words)
        + u" registers (long value)."_s;
}

StartRegisterResult BufferCheck::checkStartRegister(qint32 value)
{
    StartRegisterResult result;
    const qint32 address = value % 65536;
    if (value < 0 || value >= StartRegisterLimit || address > MaxStartAddress) {
        result.ok = false;
        result.code = StartRegisterCode;
        result.text = invalidBufferText(u"Check the start register value"_s);
        return result;
    }
    result.isDataBlock = value / 65536 == DataBlockKind;
    result.startAddress = static_cast<qint16>(address);
    return result;
}

qint32 BufferCheck::capacityLimit(const ReaderState &state, qint32 requestBase)
{
    constexpr qint64 Addressable = qint64(RequestPlanner::MaxArgument) + 1;
    const qint64 room = Addressable - qMax(0, requestBase) - state.headerLength;
    if (state.recordLength < 1 || room < state.recordLength)
        return 0;
    return qint32(qMin<qint64>(state.bufferLength, room / state.recordLength));
}

QString BufferCheck::capacityText(const ReaderState &state, qint32 capacity)
{
    return invalidBufferText(u"Bad capacity value : "_s + QString::number(capacity)
        + u" records, the buffer holds at most "_s + QString::number(state.maxCapacity)
        + u" (buffer length "_s + QString::number(state.bufferLength) + u", record length "_s
        + QString::number(state.recordLength) + u')');
}

BufferCheck::HeaderResult BufferCheck::checkHeader(
    const ReaderState &state, const QList<qint32> &words)
{
    HeaderResult result;
    result.state = state;
    if (words.size() < state.headerLength) {
        result.ok = false;
        result.code = ArraySizeCode;
        result.text = arraySizeText(state.headerLength);
        return result;
    }

    const auto refuse = [&](const QString &reason) {
        HeaderResult refused;
        refused.ok = false;
        refused.code = HeaderCode;
        refused.text = invalidBufferText(reason);
        refused.state = state;
        refused.state.clearCounters();
        return refused;
    };

    ReaderState next = state;
    const QString typeKey = fourCharText(words[0]);
    if (typeKey == QLatin1String("TLV1")) {
        next.headerLength = 8;
        next.firstRecordOffset = 8;
        next.commandWord = next.lastCommand = next.exportIndex = 0;
    } else if (typeKey == QLatin1String("TLV2")) {
        // A later header read asks for the H of the last good header, which is
        // 8 when the buffer was TLV1; words 8 and 10 are then missing.
        if (words.size() < 16) {
            result.ok = false;
            result.code = ArraySizeCode;
            result.text = arraySizeText(16);
            result.state.headerLength = 16; // so the next header read asks for all of it
            return result;
        }
        next.headerLength = 16;
        next.firstRecordOffset = 16;
        next.commandWord = next.lastCommand = words[8];
        next.exportIndex = words[10];
    } else {
        return refuse(u"Check the start register value"_s);
    }
    next.headerTypeKey = typeKey;

    const QString key = fourCharText(words[1]);
    if (key.size() < 4)
        return refuse(u"Bad key value"_s);
    next.headerKey = key;

    // |INT_MIN| cannot be held; the nearest value is kept instead of wrapping.
    next.headerVersion = words[2] == std::numeric_limits<qint32>::min()
        ? std::numeric_limits<qint32>::max()
        : std::abs(words[2]);
    next.bufferLength = words[3];
    const qint32 maxLength = next.isDataBlock ? MaxDataBlockBufferLength : MaxRegisterBufferLength;
    if (next.bufferLength < 1 || next.bufferLength > maxLength)
        return refuse(u"Bad size value"_s);

    result.state = next;
    return result;
}

} // namespace tlv::viewer
