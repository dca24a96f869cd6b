#pragma once

#include "viewer/core/ReaderState.h"

#include <QList>

namespace tlv::viewer {

// What one look at the counter block asks the reading cycle to do.
struct CounterOutcome
{
    enum class Separator { None, Miss, Restart };
    enum class Command { None, Clear = 1, Export = 8, Shutdown = 9 };

    qint32 recordsToFetch = 0;
    qint32 firstRecordOffset = 0; // words from word 0 of the buffer
    bool wholeRing = false; // records-to-fetch is the capacity, fetched from slot 0
    Separator separator = Separator::None;
    qint32 lostRecords = 0; // with Separator::Miss
    Command command = Command::None; // a changed PCD command word to act on
    // A counter block that cannot describe a ring (capacity below 1, write
    // index outside it) while records were written: nothing is fetched and
    // the counters are kept.
    bool invalid = false;
    // Invalid after a good block (or a fresh start): worth one report, not one per tick.
    bool newlyInvalid = false;
    // Invalid because the capacity is larger than the buffer can hold.
    bool capacityTooLarge = false;
};

// Works out which records are new from the answer to the counter-block read
// (element i is word c+i) and updates the reader state. Elements missing from
// a short answer keep their previous values.
[[nodiscard]] CounterOutcome evaluateCounters(ReaderState &state, const QList<qint32> &answer);

} // namespace tlv::viewer
