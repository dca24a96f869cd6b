#pragma once

#include "buffer/BufferStore.h"

#include <QString>

namespace tlv::common {
class Prompter;
}

namespace tlv::buffer {

class TraceProject;
class cFormats;
struct EditorFields;

// The "save" and "compile" commands of the file toolbar and the source file
// chores around them, without a window.
class BufferCommands
{
public:
    BufferCommands(TraceProject &project, const cFormats &formats, common::Prompter &prompter);

    // Stores settings and buffer without the strict checks; a standard buffer
    // also empties the source file. Silent on success. withSettings false
    // leaves the project's settings sections alone.
    bool save(EditorFields &fields, bool withSettings = true);
    // Validates, stores and generates the source ("Compilation successful !").
    // withSettings false leaves the project's settings sections alone.
    bool compile(EditorFields &fields, bool withSettings = true);
    // Truncates the source file for a standard buffer; nothing otherwise.
    bool emptySource();
    // An empty source file so a PG5 project that includes it builds before the first compile.
    bool createSourceIfMissing();

    // How the last store ended (field or cell to select).
    [[nodiscard]] const BufferStore::Result &lastStore() const { return m_lastStore; }
    // The file error of the last failed command, "" when none.
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    bool writeSettings();
    bool truncateSource();

    TraceProject &m_project;
    const cFormats &m_formats;
    common::Prompter &m_prompter;
    BufferStore::Result m_lastStore;
    QString m_error;
};

} // namespace tlv::buffer
