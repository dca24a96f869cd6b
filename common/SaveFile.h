#pragma once

#include <QSaveFile>

namespace tlv::common {

// Commits a save file only when all of it reached the disk. Qt 6.4's commit() puts the file in
// place even when writing out its last buffered bytes failed (a full disk), replacing a good
// file with a cut one; the old file stays instead.
inline bool commitWhole(QSaveFile &file)
{
    if (!file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace tlv::common
