#pragma once

#include <QList>
#include <QString>

namespace tlv::viewer {

struct ColumnTable;

// Settles string columns once per header: a String column is described as one
// word but occupies ceil(length / 4) words, so it and the record length grow
// and every defined column after it moves. Must run on a freshly loaded table.
class StringColumns
{
public:
    // Lengths of the four string kinds from the header word named by the
    // description's StringIndex (byte 0 the least significant); zeros when
    // the index is negative (none) or outside the header read.
    [[nodiscard]] static QList<qint16> headerLengthBytes(
        const QList<qint32> &header, int stringIndex);

    // Returns false with a text, leaving table and record length untouched,
    // when a length, a register index or the record length would pass 16 bits.
    [[nodiscard]] static bool adjust(ColumnTable &table, qint16 &recordLength,
        const QList<qint16> &headerLengths, QString *error);
};

} // namespace tlv::viewer
