#pragma once

#include "viewer/core/ColumnTable.h"

#include <QString>

namespace tlv::viewer {

class FileTextSources;

// What a user-buffer load reads from the control's settings.
struct UserBufferRequest
{
    QString UserFile; // the trace project file (".tlvr")
    QString HeaderKey; // from the PCD header
    // Simulation reads no header, so there is no key to compare with.
    bool compareHeaderKey = true;
    bool Simulation = false;
};

// The buffer-wide values of a user buffer.
struct UserBufferInfo
{
    QString Title; // taken over even when a later check fails
    qint16 RecordLenght = 0;
    qint16 Column = 0;
    qint16 RecordInterval = 0; // tenths of a second; read with Simulation only
    qint16 RecordNumber = 0; // records of the simulated ring; with Simulation only
    QString ErrorText; // set when a load fails
};

// Loads a configured buffer from the [USER_BUFFER] section of the trace
// project file into the column table.
class UserBufferLoader
{
public:
    explicit UserBufferLoader(FileTextSources *texts = nullptr);

    // True on success; else false with info.ErrorText set.
    bool load(const UserBufferRequest &request, ColumnTable &table, UserBufferInfo &info);

    // One "ColumnN" line: fills column i and marks it defined. False when the
    // line defines no column; error is set when it is plainly broken.
    static bool parseColumnLine(
        const QString &line, int i, qint16 recordLength, ColumnTable &table, QString *error);

private:
    FileTextSources *m_texts;
};

} // namespace tlv::viewer
