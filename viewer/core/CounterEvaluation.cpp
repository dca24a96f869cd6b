#include "viewer/core/CounterEvaluation.h"

#include <limits>

namespace tlv::viewer {

namespace {

constexpr qint64 CounterModulus = qint64(1) << 31;

// Element i of a possibly short answer, or the value kept from before.
qint32 element(const QList<qint32> &answer, int i, qint32 kept)
{
    return i < answer.size() ? answer[i] : kept;
}

// H + R * slot without wrapping; the planner refuses what requests cannot reach.
qint32 slotOffset(const ReaderState &state, qint64 slot)
{
    const qint64 offset = state.headerLength + qint64(state.recordLength) * slot;
    return static_cast<qint32>(qMin<qint64>(offset, std::numeric_limits<qint32>::max()));
}

// The export index and a changed command word of a version 2 header.
void readCommand(ReaderState &state, const QList<qint32> &answer, CounterOutcome &outcome)
{
    state.exportIndex = element(answer, 6, state.exportIndex);
    state.commandWord = element(answer, 4, state.commandWord);
    if (state.commandWord != state.lastCommand) {
        state.lastCommand = state.commandWord;
        switch (state.commandWord) {
        case 1:
            outcome.command = CounterOutcome::Command::Clear;
            break;
        case 8:
            outcome.command = CounterOutcome::Command::Export;
            break;
        case 9:
            outcome.command = CounterOutcome::Command::Shutdown;
            break;
        default:
            break;
        }
    }
}

// Which records are new since the previous counter, and where the first of them lies.
void locateNewRecords(ReaderState &state, CounterOutcome &outcome)
{
    const qint32 c = state.capacity;
    const qint32 w = state.writeIndex;
    state.lastSlot = (w != 0 ? w : c) - 1;
    const qint32 l = state.lastSlot;

    if (state.counter == state.previousCounter) {
        state.recordsToFetch = 0;
    } else if (state.previousCounter == 0 && state.firstRead) {
        state.firstRead = false;
        state.recordsToFetch = state.counter <= w ? state.counter : c;
        state.firstRecordOffset = state.headerLength;
    } else {
        const qint32 d = state.counter - state.previousCounter;
        if (d <= l + 1) {
            state.recordsToFetch = d;
            state.firstRecordOffset = slotOffset(state, qint64(l) + 1 - d);
        } else if (d <= c - 1) {
            // Only the part at the end of the ring now; the newer records at its
            // start are found by the next evaluation.
            const qint32 atEnd = qMin(d - (l + 1), c - w);
            state.recordsToFetch = atEnd;
            state.firstRecordOffset = slotOffset(state, qint64(c) - atEnd);
            state.counter = state.previousCounter + atEnd;
        } else {
            outcome.separator = CounterOutcome::Separator::Miss;
            outcome.lostRecords = d - c + 1;
            state.recordsToFetch = c;
            state.firstRecordOffset = state.headerLength;
        }
    }
}

} // namespace

CounterOutcome evaluateCounters(ReaderState &state, const QList<qint32> &answer)
{
    CounterOutcome outcome;

    qint64 n = element(answer, 0, state.counter);
    if (n < 0)
        n += CounterModulus;
    const auto counter = static_cast<qint32>(n);

    if (state.previousCounter > counter) {
        // The buffer was cleared or the PCD restarted.
        state.clearCounters();
        outcome.separator = CounterOutcome::Separator::Restart;
        return outcome;
    }

    const qint32 writeIndex = element(answer, 1, state.writeIndex);
    const qint32 capacity = element(answer, 3, state.capacity);
    // A write index equal to the capacity is sound: the writer has just filled
    // the last slot and wraps to 1 with its next record (the simulation does so).
    const bool tooLarge = capacity > state.maxCapacity;
    if (capacity < 1 || writeIndex < 0 || writeIndex > capacity || tooLarge) {
        state.recordsToFetch = 0;
        // A ring that never held a record (a simulation before its first one)
        // has nothing to locate yet.
        if (counter == 0 && !tooLarge)
            return outcome;
        outcome.capacityTooLarge = tooLarge;
        // Garbled: nothing can be located in this ring.
        outcome.invalid = true;
        outcome.newlyInvalid = !state.counterBlockInvalid;
        state.counterBlockInvalid = true;
        return outcome;
    }
    state.counterBlockInvalid = false;
    state.counter = counter;
    state.writeIndex = writeIndex;
    state.capacity = capacity;

    if (state.isTlv2())
        readCommand(state, answer, outcome);
    locateNewRecords(state, outcome);
    state.previousCounter = state.counter;

    outcome.recordsToFetch = state.recordsToFetch;
    outcome.firstRecordOffset = state.firstRecordOffset;
    outcome.wholeRing = state.recordsToFetch > 0 && state.recordsToFetch == state.capacity;
    return outcome;
}

} // namespace tlv::viewer
