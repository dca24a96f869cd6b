#pragma once

#include "BufferDescription.h"
#include "common/PromptSeam.h"
#include "viewer/core/ColumnTable.h"

#include <QString>

namespace tlv::common {
class IniText;
}

namespace tlv::viewer {

class FileTextSources;

// What a description load reads from the control's settings.
struct DescriptionRequest
{
    QString HeaderKey;
    QString ResourcePath; // comma-separated folders
    QString ProjectPath; // folder of the trace project, searched first for text files
    QString SymbFile;
    QString libraryFolder; // the control library's own folder
};

// Loads the description file of a standard buffer: finds it by header key,
// deciphers it in memory, and reads the buffer parameters, the info text and the columns of every
// REGISTER_n section, then the value-text files it names.
class DescriptionLoader
{
public:
    // prompts asks for a description no folder holds.
    DescriptionLoader(common::PromptSeam prompts, FileTextSources *texts);

    // True on success; else false with description.ErrorText set.
    bool load(
        const DescriptionRequest &request, ColumnTable &table, BufferDescription &description);
    [[nodiscard]] static QString noFileMessage()
    {
        return QStringLiteral("No description file from driver found (*.tlv)");
    }

    // The buffer parameters, info text and columns from a deciphered description.
    bool readSections(
        const common::IniText &plain, ColumnTable &table, BufferDescription &description);

private:
    common::PromptSeam m_prompts;
    FileTextSources *m_texts;
};

} // namespace tlv::viewer
