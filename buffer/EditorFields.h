#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::buffer {

class UserColumns;

// The buffer property fields of the editor as the user typed them. The window
// fills one from its text boxes; storing the buffer reads it and writes back
// the normalised addresses and the record length.
struct EditorFields
{
    enum class Field {
        None,
        Title,
        RecordInterval,
        Memory,
        NumberOfRecords,
        RecordLength,
        StartReg,
        RecordEnable,
        RecordCommand,
        ClearCommand,
        SerialNumber,
        ViewerCommand,
    };

    QString title; // "Buffer Name:"
    QString recordInterval; // "Record Interval [s]:", in seconds
    qint16 memory = 0; // list position: 0 "RAM DBs", 1 "Registers"
    QString numberOfRecords; // "Number of Records :"
    QString recordLength; // "Record Length :", filled by the program
    QString startReg; // "Start Register:"
    QString recordEnable; // "Record Enable:"
    QString recordCommand; // "Record Command:"
    QString clearCommand; // "Clear Command:"
    QString serialNumber; // "Serial Number:"
    QString viewerCommand; // "Tolvane Command:"

    // The fields as the editor shows a buffer (interval in seconds).
    [[nodiscard]] static EditorFields fromModel(const UserColumns &buffer);

    friend bool operator==(const EditorFields &, const EditorFields &) = default;
};

} // namespace tlv::buffer
