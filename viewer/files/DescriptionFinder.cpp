#include "DescriptionFinder.h"

#include "common/PathUtil.h"

#include <QDir>
#include <QFileInfo>

namespace tlv::viewer {

namespace {

// The key is matched as text, never as a pattern: it comes from the PCD.
QString firstMatch(const QDir &dir, const QString &headerKey, QLatin1String extension)
{
    const QStringList names
        = dir.entryList(QDir::Files | QDir::Readable | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names) {
        if (name.startsWith(headerKey, Qt::CaseInsensitive)
            && name.endsWith(extension, Qt::CaseInsensitive))
            return dir.filePath(name);
    }
    return {};
}

} // namespace

QString DescriptionFinder::search(const QString &headerKey, const QString &resourcePath)
{
    // The key is a prefix: an empty one would take any description file.
    if (headerKey.isEmpty())
        return {};
    const QStringList folders = common::splitFolderList(resourcePath);
    for (const QString &folder : folders) {
        const QDir dir(common::toLocalPath(folder));
        if (!dir.exists())
            continue;
        QString path = firstMatch(dir, headerKey, QLatin1String(".tlvd"));
        if (path.isEmpty())
            path = firstMatch(dir, headerKey, QLatin1String(".tlv"));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

QString DescriptionFinder::find(
    const QString &headerKey, const QString &resourcePath, const common::PromptSeam &prompts)
{
    const QString found = search(headerKey, resourcePath);
    if (!found.isEmpty() || !prompts.canAsk() || headerKey.isEmpty())
        return found;
    const common::PromptMessage question { QStringLiteral("The file ") + headerKey
            + QStringLiteral(".tlvd was not found.\n\nDo you want to search it  ?"),
        QStringLiteral("Tolvane"), common::PromptMessage::Style::Exclamation };
    common::PromptSeam::FileRequest request;
    request.filter = QStringLiteral("Tolvane Files (*.tlv,*.tlvd)|*.tlv,*.tlvd");
    request.defaultExtension = QStringLiteral("tlvd");
    request.mustExist = true;
    const QString chosen = prompts.askForFile(question, request);
    // The dialog promises an existing file; a scripted or remote one may not keep it.
    if (chosen.isEmpty() || !QFileInfo::exists(common::toLocalPath(chosen)))
        return {};
    return chosen;
}

} // namespace tlv::viewer
