#pragma once

#include "cValues.h"

#include <QString>

namespace tlv::viewer {

// Reads one value-text file into cValues. The file contributes only after a
// [Tolvane] "Key" line names the buffer's header key; from then on
// [Application] lines list applications and every other section gives the
// texts of its values for each application listed so far. Lines whose name
// is not a whole number are skipped.
class TextFileReader
{
public:
    // False with a description in error when the file cannot be read to its
    // end; texts taken until then stay.
    static bool read(
        const QString &path, const QString &headerKey, cValues &values, QString *error);
};

} // namespace tlv::viewer
