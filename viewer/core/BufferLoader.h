#pragma once

#include <QString>

namespace tlv::viewer {

struct ColumnTable;
class TextSources;

// What a load needs to know about the control's settings.
struct LoadContext
{
    QString resourcePath;
    QString projectPath;
    QString userFile;
    QString symbFile;
    QString headerKey; // from the header just read; empty in simulation
    bool simulation = false;
    qint16 headerLength = 16; // in force, from the header just read
    qint16 counterIndex = 4; // in force before the load
    qint16 recordLength = 0; // in force before the load
};

// What a good load hands back besides the column table.
struct BufferLayout
{
    QString title;
    qint16 counterIndex = 4;
    qint16 recordLength = 0;
    qint32 stringIndex = -1; // header word with the string lengths, -1 = none
    QString infoText;
    QString descriptionPath;
    qint32 recordInterval = 0; // user buffer: simulated interval in tenths of a second
    qint32 recordNumber = 0; // user buffer: records in the simulated ring
};

// Fills the column table from a description file (standard buffer) or from the
// trace project file (user buffer). The file layer implements it; the reading
// cycle calls it once per accepted header.
class BufferLoader
{
public:
    virtual ~BufferLoader() = default;

    // The description file found by context.headerKey. False with *error set.
    virtual bool loadDescription(
        const LoadContext &context, ColumnTable &table, BufferLayout &layout, QString *error)
        = 0;
    // The user buffer of context.userFile. checkHeaderKey is false in simulation,
    // where no header is read and there is no key to compare with.
    virtual bool loadUserBuffer(const LoadContext &context, bool checkHeaderKey, ColumnTable &table,
        BufferLayout &layout, QString *error)
        = 0;
    // Text files and symbols for the decoder; may be null.
    virtual TextSources *textSources() { return nullptr; }
};

} // namespace tlv::viewer
