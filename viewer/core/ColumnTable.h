#pragma once

#include <QList>
#include <QString>

#include <array>

namespace tlv::viewer {

// One value text of a column: a whole-number value and its text.
struct ValueText
{
    qint64 value = 0;
    QString text;
};

// How one column of a record is found and shown. Filled by the description
// loader or the user-buffer loader, read by the decoder, grid, export and graph.
struct ColumnDescription
{
    enum Type : qint16 { Bit = 1, Nibble = 2, Byte = 3, Word = 4, Long = 5, String = 6 };
    static constexpr int MaxValueTexts = 2048;

    bool Defined = false;
    qint32 Width = 0; // grid width in twips
    QString Title; // header text, and the text group of the "f"/"F" formats
    qint16 RegisterIndex = 0; // 32-bit place inside the record, 0 = first
    qint16 ExtraRegisters = 0; // further places a string column occupies
    qint16 DataType = 0; // one of Type
    QString Format; // display format without its leading '%'
    qint16 StringLength = 0; // characters of a string column
    qint16 Position = 0; // bit, nibble, byte or word inside the place
    QString DefaultText;
    QList<ValueText> ValueTexts; // at most MaxValueTexts, in the order defined
    qint32 TextCount = 0; // entries of ValueTexts in use
};

// The control's 128 column descriptions and the highest column number in use.
struct ColumnTable
{
    static constexpr int Size = 128;

    std::array<ColumnDescription, Size> columns;
    int MaxColumn = -1; // highest column number defined by the last load, -1 when none

    void clear()
    {
        columns = {};
        MaxColumn = -1;
    }
    ColumnDescription &operator[](int i) { return columns[static_cast<size_t>(i)]; }
    const ColumnDescription &operator[](int i) const { return columns[static_cast<size_t>(i)]; }
};

} // namespace tlv::viewer
