#include "DescriptionLoader.h"

#include "FileTextSources.h"
#include "ProfileNumber.h"
#include "RegisterSection.h"
#include "common/IniProfile.h"
#include "common/LineCipher.h"
#include "common/PathUtil.h"

#include "DescriptionFinder.h"

#include <QFile>

namespace tlv::viewer {

namespace {

// The plain text of a description file, or false with the conversion's message.
bool decipher(const QString &source, QByteArray *plain, QString *error)
{
    const QString extension = common::lastExtension(source);
    if (extension.compare(QLatin1String("tlvd"), Qt::CaseInsensitive) != 0
        && extension.compare(QLatin1String("tlv"), Qt::CaseInsensitive) != 0) {
        *error = common::LineCipher::BadExtension;
        return false;
    }
    QFile file(common::toLocalPath(source));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray enciphered = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    return common::LineCipher::decipher(enciphered, plain, error);
}

} // namespace

DescriptionLoader::DescriptionLoader(common::PromptSeam prompts, FileTextSources *texts)
    : m_prompts(std::move(prompts))
    , m_texts(texts)
{ }

bool DescriptionLoader::load(
    const DescriptionRequest &request, ColumnTable &table, BufferDescription &description)
{
    description.ErrorText.clear();
    if (m_texts) {
        m_texts->startDescriptionLoad();
        m_texts->setSymbolFile(request.SymbFile);
    }

    const QString path
        = DescriptionFinder::find(request.HeaderKey, request.ResourcePath, m_prompts);
    if (path.isEmpty()) {
        description.ErrorText = noFileMessage();
        return false;
    }
    description.FilePath = path;

    QByteArray plain;
    QString conversionError;
    if (!decipher(path, &plain, &conversionError)) {
        description.ErrorText = QStringLiteral("Error in description file :\n") + path
            + QStringLiteral("\r\r") + conversionError;
        return false;
    }

    if (!readSections(common::IniText(plain), table, description))
        return false;

    if (!description.TextFile.isEmpty() && m_texts) {
        QStringList folders;
        if (!request.ProjectPath.isEmpty())
            folders.append(common::withTrailingSeparator(request.ProjectPath));
        if (!request.libraryFolder.isEmpty())
            folders.append(common::withTrailingSeparator(request.libraryFolder));
        folders.append(common::splitFolderList(request.ResourcePath));
        m_texts->loadTextFiles(folders, description.TextFile, request.HeaderKey);
    }

    if (table.MaxColumn < 1) {
        description.ErrorText = QStringLiteral("No valid section founded.");
        return false;
    }
    return true;
}

bool DescriptionLoader::readSections(
    const common::IniText &plain, ColumnTable &table, BufferDescription &description)
{
    const auto value = [&](const char *section, const char *key) {
        return plain.read(QLatin1String(section), QLatin1String(key));
    };

    qint32 headerLength = 0;
    if (!ProfileNumber::leading(value("TOLVANE", "HeaderLenght"), &headerLength)
        || headerLength <= 0) {
        description.ErrorText = QStringLiteral("Invalid Header Lenght : ")
            + QString::number(description.HeaderLenght);
        return false;
    }

    qint16 counterIndex = 0;
    if (!ProfileNumber::leading(value("TOLVANE", "CounterIndex"), &counterIndex)
        || counterIndex <= 0) {
        description.ErrorText = QStringLiteral("Invalid Counter Index : ")
            + QString::number(description.CounterIndex);
        return false;
    }
    description.CounterIndex = counterIndex;

    qint16 recordLength = 0;
    if (!ProfileNumber::leading(value("TOLVANE", "RecordLenght"), &recordLength)
        || recordLength <= 0) {
        description.ErrorText = QStringLiteral("Invalid Record Lenght : ")
            + QString::number(description.RecordLenght);
        return false;
    }
    description.RecordLenght = recordLength;

    description.StringIndex = value("TOLVANE", "StringIndex");
    description.Version = value("TOLVANE", "Version");
    description.App = value("TOLVANE", "App");
    description.Key = value("TOLVANE", "Key");
    description.Title = value("DRIVER", "Title");

    const QStringList info = plain.readSection(QStringLiteral("INFO"));
    description.InfoText = info.join(u'\r');
    if (description.InfoText.size() >= RegisterSection::SizeLimit)
        description.InfoText.clear();

    // A width outside 16 bits is as unusable as a missing one.
    qint16 columnWidth = 0;
    if (!ProfileNumber::leading(value("DRIVER", "ColumnWidth"), &columnWidth) || columnWidth < 10)
        columnWidth = 1000;

    table.clear();
    for (qint16 r = 0; r < recordLength; ++r) {
        const QStringList lines
            = plain.readSection(QStringLiteral("REGISTER_") + QString::number(r));
        if (!RegisterSection::parse(lines, r, columnWidth, table, m_texts, &description.ErrorText))
            return false;
    }

    description.TextFile = value("DRIVER", "TextFile");
    return true;
}

} // namespace tlv::viewer
