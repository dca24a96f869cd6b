#pragma once

#include <QtGlobal>

namespace tlv::pcdsim {

class SimulatedPcd;

// Something the simulated CPU runs once per cycle while its status is Run, such as a program
// that records a trace buffer into registers or a data block. Called on the PCD's thread,
// between S-Bus requests, so it sees and changes memory atomically with respect to them.
class PcdProgram
{
public:
    virtual ~PcdProgram() = default;
    // elapsedMs: time since the previous cycle (0 on the first).
    virtual void cycle(SimulatedPcd &pcd, qint64 elapsedMs) = 0;
};

} // namespace tlv::pcdsim
