#include "TextFileSearch.h"

#include "common/PathUtil.h"

#include <QDir>
#include <QFileInfo>

namespace tlv::viewer {

namespace {

// Matches of pattern (which may carry a sub-folder part) inside folder, by name.
bool matches(const QString &folder, const QString &pattern, QStringList *files, QString *error)
{
    const QString full = common::toLocalPath(folder + pattern);
    const QFileInfo info(full);
    const QString directory = info.path();
    const QFileInfo directoryInfo(directory);
    if (!directoryInfo.exists())
        return true;
    if (!directoryInfo.isDir() || !directoryInfo.isReadable()) {
        *error = QStringLiteral("Cannot search the folder %1.").arg(directory);
        return false;
    }
    QDir dir(directory);
    const QStringList names = dir.entryList(QStringList { info.fileName() },
        QDir::Files | QDir::Readable | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names)
        files->append(dir.filePath(name));
    return true;
}

} // namespace

QString TextFileSearch::existingFile(const QString &path)
{
    const QString local = common::toLocalPath(path);
    const QFileInfo info(local);
    if (info.isFile())
        return local;
    const QDir dir(info.path());
    if (!dir.exists())
        return {};
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        if (name.compare(info.fileName(), Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return {};
}

bool TextFileSearch::find(
    const QStringList &folders, const QString &textFile, QStringList *files, QString *error)
{
    const bool wildcard = textFile.contains(u'*');
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        if (!wildcard) {
            const QString path = existingFile(folder + textFile);
            if (!path.isEmpty())
                files->append(path);
        } else if (!matches(folder, textFile, files, error)) {
            return false;
        }
    }
    return true;
}

} // namespace tlv::viewer
