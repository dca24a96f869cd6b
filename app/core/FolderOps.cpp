#include "app/core/FolderOps.h"

#include "common/PathUtil.h"
#include "common/Prompter.h"

#include <QDir>
#include <QFileInfo>

namespace tlv::app {

namespace {

using common::isSeparator;
using Style = common::Prompter::Style;

qsizetype nextSeparator(const QString &path, qsizetype from)
{
    for (qsizetype i = from; i < path.size(); ++i) {
        if (isSeparator(path[i]))
            return i;
    }
    return -1;
}

} // namespace

FolderOps::FolderOps(common::Prompter &prompter)
    : m_prompter(prompter)
    , m_lister(&FolderOps::listRoot)
{ }

bool FolderOps::listRoot(const QString &root, QString *error)
{
    const QDir dir(common::toLocalPath(root));
    // A Windows drive letter means nothing here; it is a relative name that does not exist.
    if (dir.isAbsolute() && dir.exists() && QFileInfo(dir.path()).isReadable())
        return true;
    if (error)
        *error = QStringLiteral("Path not found");
    return false;
}

bool FolderOps::IsNetworkPath(const QString &path)
{
    return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

bool FolderOps::PathRoot(const QString &path, QString &root)
{
    root.clear();
    if (IsNetworkPath(path)) {
        // \\server\share[\...]: the server needs at least one character.
        const qsizetype afterServer = nextSeparator(path, 2);
        if (afterServer < 3 || afterServer + 1 >= path.size())
            return false;
        const qsizetype afterShare = nextSeparator(path, afterServer + 1);
        if (afterShare == afterServer + 1)
            return false;
        root = afterShare < 0 ? path + u'\\' : path.left(afterShare + 1);
        root = root.toLower();
        return true;
    }
    if (path.size() >= 3 && path[1] == u':' && isSeparator(path[2])
        && nextSeparator(path, 0) == 2) {
        root = path.left(3).toLower();
        return true;
    }
    if (path.size() == 1 && !isSeparator(path[0])) {
        root = (path + u":\\").toLower();
        return true;
    }
    if (path.size() >= 2 && path[1] == u':') {
        root = (path.left(2) + u'\\').toLower();
        return true;
    }
    // A POSIX path: the one root; case matters on this side.
    if (!path.isEmpty() && path[0] == u'/') {
        root = QStringLiteral("/");
        return true;
    }
    return false;
}

bool FolderOps::FolderExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    return QFileInfo(common::toLocalPath(path)).isDir();
}

bool FolderOps::CheckDrive(const QString &root, const QString &title)
{
    for (;;) {
        QString error;
        if (m_lister(root, &error))
            return true;
        if (IsNetworkPath(root)) {
            m_prompter.message(error + u"\n\nBad drive name " + root, title, Style::Critical);
            return false;
        }
        const auto answer = m_prompter.message(QStringLiteral("Cannot read drive ") + root, title,
            Style::Information, common::Prompter::Buttons::RetryCancel);
        if (answer != common::Prompter::Answer::Retry)
            return false;
    }
}

bool FolderOps::CreateFolderPath(const QString &path, bool showMessages)
{
    QString root;
    if (!PathRoot(path, root))
        return false;
    if (!CheckDrive(root, QStringLiteral("New directory"))) {
        if (showMessages) {
            m_prompter.message(QStringLiteral("Cannot create the new directory :\n") + path
                    + QStringLiteral("\n\nChange the path."),
                QStringLiteral("Create new directory"), Style::Exclamation);
        }
        return false;
    }
    // Every folder from the root down; one that cannot be made shows in the result.
    qsizetype pos = root.size();
    for (;;) {
        const qsizetype sep = nextSeparator(path, pos);
        const QString part = sep < 0 ? path : path.left(sep);
        if (!part.isEmpty() && !FolderExists(part))
            QDir().mkdir(common::toLocalPath(part));
        if (sep < 0)
            break;
        pos = sep + 1;
    }
    return FolderExists(path);
}

bool FolderOps::EnsureFolder(const QString &path)
{
    QString p = path;
    if (p.size() > 1 && isSeparator(p.back()))
        p.chop(1);
    if (FolderExists(p))
        return true;
    return CreateFolderPath(p, true);
}

} // namespace tlv::app
