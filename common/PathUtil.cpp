#include "common/PathUtil.h"

#include <QDir>
#include <QStandardPaths>

namespace tlv::common {

namespace {

qsizetype lastSeparator(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path[i]))
            return i;
    }
    return -1;
}

// Index of the last '.' of the last path element, or -1.
qsizetype lastDot(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > lastSeparator(path) ? dot : -1;
}

QString folderFromEnvironment(const char *variable, QStandardPaths::StandardLocation fallback)
{
    QString folder = qEnvironmentVariable(variable);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(fallback);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace

bool isSeparator(QChar c)
{
    return c == u'/' || c == u'\\';
}

QStringList splitFolderList(const QString &list)
{
    QStringList folders;
    const QStringList items = list.split(u',');
    for (QString item : items) {
        // Only the right end is trimmed; a leading blank may be part of a folder name.
        while (!item.isEmpty() && item.back().isSpace())
            item.chop(1);
        if (item.isEmpty())
            continue;
        if (!isSeparator(item.back()))
            item += u'\\';
        folders.append(item);
    }
    return folders;
}

QString withTrailingSeparator(const QString &folder)
{
    // An empty folder means "no folder part"; a lone separator would mean the root.
    if (folder.isEmpty() || isSeparator(folder.back()))
        return folder;
    const bool slashes = folder.contains(u'/') && !folder.contains(u'\\');
    return folder + (slashes ? u'/' : u'\\');
}

QString lastPathElement(const QString &path)
{
    return path.mid(lastSeparator(path) + 1);
}

QString folderOf(const QString &path)
{
    return path.left(lastSeparator(path) + 1);
}

QString lastExtension(const QString &path)
{
    const qsizetype dot = lastDot(path);
    return dot < 0 ? QString() : path.mid(dot + 1);
}

QString replaceLastExtension(const QString &path, const QString &extension)
{
    const qsizetype dot = lastDot(path);
    if (dot < 0)
        return {};
    const QString bare = extension.startsWith(u'.') ? extension.mid(1) : extension;
    return path.left(dot + 1) + bare;
}

QString toLocalPath(const QString &path)
{
    QString local = path;
    local.replace(u'\\', u'/');
    return local;
}

QString commonDataFolder()
{
    QString folder = qEnvironmentVariable("TOLVANE_COMMON_DIR");
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/Varnok/Tolvane");
    }
    if (!folder.endsWith(u'/'))
        folder += u'/';
    QDir().mkpath(folder);
    return folder;
}

QString commonDocumentsFolder()
{
    return folderFromEnvironment("TOLVANE_DOCUMENTS_DIR", QStandardPaths::DocumentsLocation);
}

} // namespace tlv::common
