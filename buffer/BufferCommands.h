#pragma once

#include "buffer/BufferStore.h"
#include "common/PromptMessage.h"

#include <QString>

namespace tlv::buffer {

class TraceProject;
class cFormats;
struct EditorFields;

// The "save" and "compile" commands of the file toolbar and the source file
// chores around them, without a window. The commands say what the user is to
// be told in their outcome; the window shows it.
class BufferCommands
{
public:
    struct Outcome
    {
        bool ok = false;
        common::PromptMessages messages; // in the order to show them

        explicit operator bool() const { return ok; }
    };

    BufferCommands(TraceProject &project, const cFormats &formats);

    // Stores settings and buffer without the strict checks; a standard buffer
    // also empties the source file. Silent on success. withSettings false
    // leaves the project's settings sections alone.
    Outcome save(EditorFields &fields, bool withSettings = true);
    // Validates, stores and generates the source ("Compilation successful !").
    // withSettings false leaves the project's settings sections alone.
    Outcome compile(EditorFields &fields, bool withSettings = true);
    // Truncates the source file for a standard buffer; nothing otherwise.
    bool emptySource();
    // An empty source file so a PG5 project that includes it builds before the first compile.
    bool createSourceIfMissing();

    // How the last store ended (field or cell to select).
    [[nodiscard]] const BufferStore::Result &lastStore() const { return m_lastStore; }
    // The file error of the last failed command, "" when none.
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    bool writeSettings(common::PromptMessages &messages);
    bool truncateSource();

    TraceProject &m_project;
    const cFormats &m_formats;
    BufferStore::Result m_lastStore;
    QString m_error;
};

} // namespace tlv::buffer
