#include "FileTextSources.h"

#include "SymbolFileReader.h"
#include "TextFileReader.h"
#include "TextFileSearch.h"
#include "viewer/core/ColumnTable.h"

namespace tlv::viewer {

namespace {

const QString Title = QStringLiteral("Tolvane");
using Style = common::PromptMessage::Style;

} // namespace

FileTextSources::FileTextSources(common::PromptSeam prompts)
    : m_prompts(std::move(prompts))
{ }

void FileTextSources::startDescriptionLoad()
{
    m_values = cValues();
    m_symbolsLoaded = false;
    m_mediaFailureTold = false;
}

void FileTextSources::startUserBufferLoad()
{
    m_values = cValues();
    m_mediaFailureTold = false;
}

void FileTextSources::loadSymbols()
{
    m_symbols = cSymbol();
    m_symbolsLoaded = true;
    if (m_symbolFile.isEmpty())
        return;
    const QString path = TextFileSearch::existingFile(m_symbolFile);
    if (path.isEmpty())
        return;
    QString error;
    if (!SymbolFileReader::read(path, m_symbols, &error)) {
        m_prompts.tell({ error + u'\r' + u'\r' + QStringLiteral("Read PG5 Symbol file aborted."),
            Title, Style::Critical });
    }
}

void FileTextSources::loadTextFiles(
    const QStringList &folders, const QString &textFile, const QString &headerKey)
{
    if (textFile.isEmpty())
        return;
    QStringList files;
    QString error;
    if (!TextFileSearch::find(folders, textFile, &files, &error))
        m_prompts.tell(
            { QStringLiteral("SearchTextFile Function Error : ") + error, Title, Style::Plain });
    for (const QString &file : std::as_const(files)) {
        if (!TextFileReader::read(file, headerKey, m_values, &error))
            m_prompts.tell(
                { QStringLiteral("ReadText File ") + file + QStringLiteral(" Error : ") + error,
                    Title, Style::Plain });
    }
}

QString FileTextSources::textFileText(
    const ColumnDescription &column, qint64 value, bool plain, QString *comment)
{
    QString key;
    if (column.Title.compare(QLatin1String("Application"), Qt::CaseInsensitive) == 0) {
        m_application = value;
        key = cValues::keyOf(m_application, QStringLiteral("Application"), 0);
    } else {
        key = cValues::keyOf(m_application, column.Title, value);
    }
    QString result;
    if (const cValue *entry = m_values.Item(key)) {
        result = entry->Text;
        m_lastComment = entry->Comment;
    } else {
        result = plain ? QString::number(value) : u'<' + QString::number(value) + u'>';
        m_lastComment.clear();
    }
    if (comment)
        *comment = m_lastComment;
    return result;
}

std::optional<QString> FileTextSources::symbolName(const QString &mediaText) const
{
    if (const colSymbols *symbol = m_symbols.Item(mediaText))
        return symbol->Name;
    return std::nullopt;
}

std::optional<QString> FileTextSources::symbolComment(const QString &mediaText) const
{
    if (const colSymbols *symbol = m_symbols.Item(mediaText))
        return symbol->Comment;
    return std::nullopt;
}

void FileTextSources::ensureSymbolsLoaded()
{
    if (!m_symbolsLoaded)
        loadSymbols();
}

void FileTextSources::mediaTextFailed(const QString &message)
{
    if (m_mediaFailureTold)
        return;
    m_mediaFailureTold = true;
    m_prompts.tell({ message, Title, Style::Exclamation, true });
}

} // namespace tlv::viewer
