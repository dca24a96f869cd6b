#pragma once

#include <QString>

#include <limits>

namespace tlv::viewer {

// What the reader keeps about the PCD trace buffer between two refreshes.
// Counters, indexes and offsets are held in 32 bits: the ring comes from the
// PCD and may be larger than 16-bit request arguments can reach; the request
// planner splits the reads instead of letting an offset wrap.
struct ReaderState
{
    static constexpr qint16 DefaultCounterIndex = 4;

    bool isDataBlock = false; // storage kind from the start register value
    qint16 startAddress = 0; // register number of word 0, or data-block number
    qint16 headerLength = 16; // H: 8 for "TLV1", 16 for "TLV2"
    qint16 counterIndex = DefaultCounterIndex; // c
    qint16 recordLength = 0; // R in words, string columns included
    QString headerTypeKey; // word 0 as text
    QString headerKey; // word 1 as text
    qint32 headerVersion = 0; // |word 2|
    qint32 bufferLength = 0; // word 3

    qint32 counter = 0; // N
    qint32 previousCounter = 0; // P
    qint32 writeIndex = 0; // W
    qint32 capacity = 0; // C
    qint32 lastSlot = 0; // L
    qint32 firstRecordOffset = 0; // word offset of the first record to fetch next
    qint32 recordsToFetch = 0;
    bool firstRead = true;
    bool counterBlockInvalid = false; // the last counter block described no ring
    // Most record slots the loaded buffer can hold (buffer length, record length,
    // what requests can address); set at each load. A counter block claiming
    // more is refused: fetching by it would ask for memory that is not there.
    qint32 maxCapacity = std::numeric_limits<qint32>::max();

    qint32 commandWord = 0; // PCD command word as last read
    qint32 lastCommand = 0; // PCD command word as last acted on
    qint32 exportIndex = 0; // export index word as last read

    [[nodiscard]] bool isTlv2() const { return headerTypeKey == QLatin1String("TLV2"); }

    // Back to the state of a fresh control; the header length stays until the
    // next start register check.
    void reset()
    {
        const qint16 keepHeaderLength = headerLength;
        *this = ReaderState {};
        headerLength = keepHeaderLength;
    }
    // A restart of the PCD buffer or a refused header forgets only the counters.
    void clearCounters()
    {
        counter = previousCounter = writeIndex = capacity = lastSlot = recordsToFetch = 0;
        counterBlockInvalid = false;
    }
};

} // namespace tlv::viewer
