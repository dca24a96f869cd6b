#include "buffer/ExportPath.h"

#include "common/PathUtil.h"

namespace tlv::buffer {

namespace {

bool hasSeparator(const QString &text)
{
    return text.contains(u'\\') || text.contains(u'/');
}

QString withSeparatorsLike(QString text, const QString &model)
{
    if (model.contains(u'/') && !model.contains(u'\\'))
        text.replace(u'\\', u'/');
    else
        text.replace(u'/', u'\\');
    return text;
}

// Prefix compare that ignores case and treats both separators alike.
bool startsWithFolder(const QString &path, const QString &folder)
{
    if (folder.isEmpty() || path.size() < folder.size())
        return false;
    for (qsizetype i = 0; i < folder.size(); ++i) {
        const QChar a = path[i];
        const QChar b = folder[i];
        if (common::isSeparator(a) && common::isSeparator(b))
            continue;
        if (a.toCaseFolded() != b.toCaseFolded())
            return false;
    }
    return true;
}

} // namespace

QString exportPathToStored(const QString &path, const QString &projectFile)
{
    const QString folder = common::folderOf(projectFile);
    if (!startsWithFolder(path, folder))
        return path;
    const QString rest = path.mid(folder.size());
    if (!hasSeparator(rest))
        return rest;
    return QStringLiteral("..\\") + withSeparatorsLike(rest, QStringLiteral("\\"));
}

QString exportPathToAbsolute(const QString &stored, const QString &projectFile)
{
    if (stored.isEmpty())
        return stored;
    const QString folder = common::folderOf(projectFile);
    if (stored.startsWith(u"..\\") || stored.startsWith(u"../"))
        return folder + withSeparatorsLike(stored.mid(3), folder);
    if (!hasSeparator(stored))
        return folder + stored;
    return stored;
}

} // namespace tlv::buffer
