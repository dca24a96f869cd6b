#include "app/core/Pg5Folders.h"

#include "common/IniProfile.h"
#include "common/PathUtil.h"
#include "common/Prompter.h"

#include <QFileInfo>

namespace tlv::app {

namespace {

using common::IniProfile;
using Style = common::Prompter::Style;

QString withoutTrailingSeparator(QString folder)
{
    if (!folder.isEmpty() && common::isSeparator(folder.back()))
        folder.chop(1);
    return folder;
}

bool fileExists(const QString &path)
{
    return QFileInfo(common::toLocalPath(path)).isFile();
}

} // namespace

Pg5Folders::Row Pg5Folders::row(qint32 code) const
{
    return inRange(code) ? m_rows[size_t(code - FirstCode)] : Row();
}

void Pg5Folders::setRow(qint32 code, const Row &row)
{
    if (inRange(code))
        m_rows[size_t(code - FirstCode)] = row;
}

QMap<qint32, QString> Pg5Folders::appsDirs() const
{
    QMap<qint32, QString> dirs;
    for (qint32 code = FirstCode; code <= LastCode; ++code) {
        const QString apps = row(code).AppsDir;
        if (!apps.isEmpty())
            dirs.insert(code, apps);
    }
    return dirs;
}

QString Pg5Folders::resourcePath(qint32 code) const
{
    const Row r = row(code);
    return r.AppLibDir + u',' + r.StdLibDir + u',' + r.UsrLibDir;
}

QString Pg5Folders::registryKey(qint32 code)
{
    return QStringLiteral("Software\\SAIA-Burgess\\PG5\\1.") + QString::number(code % 10)
        + QStringLiteral("\\Global");
}

void Pg5Folders::fillFromPg5Global(qint32 code, const QString &pg5GlobalIni)
{
    const QString file = common::toLocalPath(pg5GlobalIni);
    const QString section = QStringLiteral("Global");
    Row r;
    r.LocalDir = IniProfile::read(file, section, QStringLiteral("LocalDir"));
    r.AppsDir = IniProfile::read(file, section, QStringLiteral("AppsDir"));
    QString libs = IniProfile::read(file, section, QStringLiteral("LibsDir"));
    if (!libs.endsWith(u'\\') && !libs.endsWith(u'/'))
        libs += u'\\';
    r.AppLibDir = libs + QStringLiteral("App");
    r.StdLibDir = libs + QStringLiteral("Std");
    r.UsrLibDir = libs + QStringLiteral("Usr");
    setRow(code, r);
}

void Pg5Folders::fill(const QString &registryIni, const QString &settingsIni, qint32 fullVersion,
    const QString &commonDocuments, const QString &commonAppData, common::Prompter &prompter,
    QString *pg5GlobalShown)
{
    for (qint32 code = FirstCode; code <= LastCode; ++code) {
        if (code < 20) {
            const QString key = registryKey(code);
            const auto value = [&](const char16_t *name) {
                return withoutTrailingSeparator(
                    IniProfile::read(registryIni, key, QString::fromUtf16(name)));
            };
            Row r;
            r.AppsDir = value(u"AppsDir");
            r.AppLibDir = value(u"AppLibDir");
            r.StdLibDir = value(u"StdLibDir");
            r.UsrLibDir = value(u"UsrLibDir");
            setRow(code, r);
            continue;
        }
        const QString found
            = findPg5GlobalIni(code, fullVersion, commonDocuments, commonAppData, prompter);
        if (!found.isEmpty()) {
            if (pg5GlobalShown)
                *pg5GlobalShown = found;
            fillFromPg5Global(code, found);
        } else {
            setRow(code, Row());
            if (pg5GlobalShown) {
                *pg5GlobalShown = IniProfile::read(
                    settingsIni, QStringLiteral("Application"), QStringLiteral("PG5GlobalIni"));
            }
        }
    }
}

QString Pg5Folders::findPg5GlobalIni(qint32 code, qint32 fullVersion,
    const QString &commonDocuments, const QString &commonAppData, common::Prompter &prompter)
{
    QString documents = withoutTrailingSeparator(commonDocuments);
    qsizetype cut = -1;
    for (qsizetype i = documents.size() - 1; i >= 0; --i) {
        if (common::isSeparator(documents[i])) {
            cut = i;
            break;
        }
    }
    if (documents.isEmpty() || cut < 0) {
        prompter.message(
            QStringLiteral(
                "GetSpecialFolderPath COMMON_DOCUMENTS Error : The folder don't exists !"),
            QStringLiteral("Tolvane"), Style::Critical);
        return {};
    }
    QString folder = documents.left(cut + 1)
        + (fullVersion < SbcNamingFrom ? QStringLiteral("SAIA-Burgess/PG5_")
                                       : QStringLiteral("SBC/PG5_"))
        + QString::number(code) + QStringLiteral("/LocalDir");
    folder = withoutTrailingSeparator(folder);
    if (fileExists(folder + QStringLiteral("/PG5Global.ini")))
        return folder + QStringLiteral("/PG5Global.ini");

    // PG5 2.0 kept its file among the common application data.
    if (commonAppData.isEmpty()) {
        prompter.message(QStringLiteral("Copy Old Pg5Global.ini File Aborted !\n"
                                        "GetSpecialFolderPath Error : The folder don't exists !"),
            QStringLiteral("Tolvane"), Style::Critical);
        return {};
    }
    const QString old = withoutTrailingSeparator(commonAppData)
        + QStringLiteral("/SAIA-Burgess/PG5_20/PG5Global.ini");
    return fileExists(old) ? old : QString();
}

} // namespace tlv::app
