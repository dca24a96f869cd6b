#include "app/core/AppFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tlv::app {

namespace {

QString withSlash(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString parentOf(const QString &folder)
{
    QString f = folder;
    while (f.size() > 1 && f.endsWith(u'/'))
        f.chop(1);
    const qsizetype slash = f.lastIndexOf(u'/');
    return slash < 0 ? QString() : f.left(slash + 1);
}

} // namespace

AppFolders AppFolders::detect(const QString &programFolder)
{
    AppFolders f;
    f.programFolder = withSlash(programFolder);
    const QString own = qEnvironmentVariable("TOLVANE_COMMON_DIR");
    if (own.isEmpty()) {
        f.commonAppData
            = withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        f.commonDataFolder = f.commonAppData + u"Varnok/Tolvane/";
    } else {
        // The variable names the program's own folder; the shared one is two levels up
        // when it keeps the usual names, else its parent.
        f.commonDataFolder = withSlash(own);
        const QString tail = QStringLiteral("Varnok/Tolvane/");
        f.commonAppData = f.commonDataFolder.endsWith(tail, Qt::CaseInsensitive)
            ? f.commonDataFolder.left(f.commonDataFolder.size() - tail.size())
            : parentOf(f.commonDataFolder);
    }
    QString docs = qEnvironmentVariable("TOLVANE_DOCUMENTS_DIR");
    if (docs.isEmpty())
        docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    f.commonDocuments = withSlash(docs);
    return f;
}

QString AppFolders::programFile(const QString &name) const
{
    const QString beside = programFolder + name;
    if (QFileInfo::exists(beside))
        return beside;
    const QString shared = QDir::cleanPath(programFolder + u"../share/tolvane/" + name);
    if (QFileInfo::exists(shared))
        return shared;
    return beside;
}

} // namespace tlv::app
