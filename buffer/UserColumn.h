#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::buffer {

class cFormats;

// One column of the user buffer: the PCD variable, where its value sits in
// the record and how the viewer shows it.
struct UserColumn
{
    QString Title;
    QString Variable; // typed address ("R 100", "F 12") or PCD symbol
    qint16 RecPlace = 0; // 32-bit place in the record, from 0
    QString DataType; // "Bit", "Nible", "Byte", "Word" or "Long"
    qint16 DataPos = 0; // bit, nibble, byte or word inside the place
    QString Format; // a format code of the formats table
    qint32 Width = 0;
    qint32 Delta = 0; // change threshold for recording on change

    // The description of Format: "" for no format, "Unknow !" for a code the table lacks.
    [[nodiscard]] QString show(const cFormats &formats) const;

    // What a new buffer and the editor's "add" start from.
    [[nodiscard]] static UserColumn defaultColumn();

    friend bool operator==(const UserColumn &, const UserColumn &) = default;
};

} // namespace tlv::buffer
