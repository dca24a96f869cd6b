#pragma once

#include <QString>

namespace tlv::buffer {

// One display format and the data types it may be combined with.
struct ColFormat
{
    QString Key;
    QString description;
    bool BitUsed = false;
    bool NibleUsed = false;
    bool ByteUsed = false;
    bool WordUsed = false;
    bool LongUsed = false;

    // The flag for a data type name ("Bit" ... "Long", exact case); false for any other name.
    [[nodiscard]] bool allows(const QString &dataType) const;
};

} // namespace tlv::buffer
