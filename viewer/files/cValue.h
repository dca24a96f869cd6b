#pragma once

#include <QString>

namespace tlv::viewer {

// One text of a value-text file.
struct cValue
{
    qint32 Value = 0;
    QString Text;
    QString Comment;
};

} // namespace tlv::viewer
