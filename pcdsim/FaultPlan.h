#pragma once

#include <QtGlobal>

namespace tlv::pcdsim {

// Shares (0..1) of answers the server spoils on purpose, drawn from a generator seeded with
// `seed` so a run can be repeated. Drop wins over the others; a kept answer may then be
// corrupted (one byte changed), delayed by delayMs, and sent twice.
struct FaultPlan
{
    quint32 seed = 1;
    double drop = 0.0;
    double duplicate = 0.0;
    double corrupt = 0.0;
    double delay = 0.0;
    int delayMs = 500;

    [[nodiscard]] bool any() const { return drop > 0 || duplicate > 0 || corrupt > 0 || delay > 0; }
};

} // namespace tlv::pcdsim
