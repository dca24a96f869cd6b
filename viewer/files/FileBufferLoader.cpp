#include "FileBufferLoader.h"

#include "ProfileNumber.h"

namespace tlv::viewer {

FileBufferLoader::FileBufferLoader(common::PromptSeam prompts, const QString &libraryFolder)
    : m_texts(prompts)
    , m_prompts(std::move(prompts))
    , m_libraryFolder(libraryFolder)
{ }

bool FileBufferLoader::loadDescription(
    const LoadContext &context, ColumnTable &table, BufferLayout &layout, QString *error)
{
    DescriptionRequest request;
    request.HeaderKey = context.headerKey;
    request.ResourcePath = context.resourcePath;
    request.ProjectPath = context.projectPath;
    request.SymbFile = context.symbFile;
    request.libraryFolder = m_libraryFolder;

    m_description = BufferDescription();
    m_description.HeaderLenght = context.headerLength;
    m_description.CounterIndex = context.counterIndex;
    m_description.RecordLenght = context.recordLength;

    DescriptionLoader loader(m_prompts, &m_texts);
    const bool ok = loader.load(request, table, m_description);
    // Values the file did set stay in force, as far as the load got.
    layout.title = m_description.Title;
    layout.counterIndex = m_description.CounterIndex;
    layout.recordLength = m_description.RecordLenght;
    layout.infoText = m_description.InfoText;
    layout.descriptionPath = m_description.FilePath;
    qint32 stringIndex = -1;
    if (m_description.StringIndex.trimmed().isEmpty()
        || !ProfileNumber::leading(m_description.StringIndex, &stringIndex))
        stringIndex = -1;
    layout.stringIndex = stringIndex;
    if (!ok && error)
        *error = m_description.ErrorText;
    return ok;
}

bool FileBufferLoader::loadUserBuffer(const LoadContext &context, bool checkHeaderKey,
    ColumnTable &table, BufferLayout &layout, QString *error)
{
    UserBufferRequest request;
    request.UserFile = context.userFile;
    request.HeaderKey = context.headerKey;
    request.compareHeaderKey = checkHeaderKey;
    request.Simulation = context.simulation;

    UserBufferInfo info;
    info.Title = layout.title;
    UserBufferLoader loader(&m_texts);
    const bool ok = loader.load(request, table, info);
    layout.title = info.Title;
    if (ok) {
        layout.recordLength = info.RecordLenght;
        layout.recordInterval = info.RecordInterval;
        layout.recordNumber = info.RecordNumber;
        layout.stringIndex = -1;
        layout.infoText.clear();
        layout.descriptionPath.clear();
    } else if (error) {
        *error = info.ErrorText;
    }
    return ok;
}

} // namespace tlv::viewer
