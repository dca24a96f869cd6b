#pragma once

#include "DescriptionLoader.h"
#include "FileTextSources.h"
#include "UserBufferLoader.h"
#include "viewer/core/BufferLoader.h"

namespace tlv::viewer {

// The reading cycle's loader: description files, the trace project's user
// buffer, and the text files and symbols the decoder asks for.
class FileBufferLoader final : public BufferLoader
{
public:
    // libraryFolder is searched for text files after the project folder; prompts tells the
    // read problems of text and symbol files and asks for a missing description.
    FileBufferLoader(common::PromptSeam prompts, const QString &libraryFolder);

    bool loadDescription(const LoadContext &context, ColumnTable &table, BufferLayout &layout,
        QString *error) override;
    bool loadUserBuffer(const LoadContext &context, bool checkHeaderKey, ColumnTable &table,
        BufferLayout &layout, QString *error) override;
    TextSources *textSources() override { return &m_texts; }

    [[nodiscard]] const BufferDescription &lastDescription() const { return m_description; }
    [[nodiscard]] FileTextSources &texts() { return m_texts; }

private:
    FileTextSources m_texts;
    common::PromptSeam m_prompts;
    QString m_libraryFolder;
    BufferDescription m_description;
};

} // namespace tlv::viewer
