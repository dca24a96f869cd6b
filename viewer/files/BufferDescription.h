#pragma once

#include <QString>

namespace tlv::viewer {

// The buffer parameters a description load works on. The caller fills the
// values in force; a load replaces them with those of the file, as far as it got.
struct BufferDescription
{
    qint32 HeaderLenght = 0; // in force (from the PCD header); only quoted in messages
    qint16 CounterIndex = 0;
    qint16 RecordLenght = 0;
    QString StringIndex; // header word holding the string lengths; empty = none
    QString Title;
    QString InfoText; // [INFO] lines joined with CR
    QString TextFile; // value-text files to read (may hold '*')
    QString FilePath; // the description file read, for the info display
    QString Version;
    QString App;
    QString Key;
    QString ErrorText; // set when a load fails
};

} // namespace tlv::viewer
