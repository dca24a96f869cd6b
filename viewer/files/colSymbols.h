#pragma once

#include <QString>

namespace tlv::viewer {

// One symbol of the PG5 symbol file.
struct colSymbols
{
    QString Name; // with its group prefix, "Heat.Pump"
    QString Comment;
    qint16 Addr = 0;
    QString Type; // media letter or word as written ("R", "F", "DB", "X")
};

} // namespace tlv::viewer
