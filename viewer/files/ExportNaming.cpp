#include "viewer/files/ExportNaming.h"

#include "common/PathUtil.h"

namespace tlv::viewer {

namespace {

qsizetype lastSeparator(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (common::isSeparator(path.at(i)))
            return i;
    }
    return -1;
}

} // namespace

QString ExportNaming::completed(const QString &exportFile)
{
    if (exportFile.lastIndexOf(u'.') > lastSeparator(exportFile))
        return exportFile;
    return exportFile + defaultFileName();
}

QString ExportNaming::stamp(const QDateTime &now)
{
    return u'_' + now.toString(QStringLiteral("yyMMddHHmmss"));
}

QString ExportNaming::target(
    const QString &exportFile, qint16 indexFile, const QDateTime &now, qint32 exportIndex)
{
    const qsizetype dot = exportFile.lastIndexOf(u'.');
    if (dot <= lastSeparator(exportFile))
        return exportFile;
    const QString base = exportFile.left(dot);
    const QString ext = exportFile.mid(dot);
    switch (indexFile) {
    case DateStamp:
        return base + stamp(now) + ext;
    case PcdIndex:
        return base + u'_' + QString::number(exportIndex) + ext;
    default:
        return exportFile;
    }
}

QStringList ExportNaming::writableExtensions()
{
    return { QStringLiteral(".xls"), QStringLiteral(".xlsx"), QStringLiteral(".csv") };
}

QString ExportNaming::unwritableReason(const QString &exportFile)
{
    const QString file = completed(exportFile);
    const QStringList extensions = writableExtensions();
    for (const QString &extension : extensions) {
        if (file.endsWith(extension, Qt::CaseInsensitive))
            return {};
    }
    // Written as a worksheet under a name another program reads as something else, the
    // file would be opened wrongly or not at all.
    return QStringLiteral("Unknown export file type : ") + file
        + QStringLiteral("\rAn export file ends in ")
        + extensions.mid(0, 2).join(QStringLiteral(", ")) + QStringLiteral(" or ")
        + extensions.last() + u'.';
}

QString ExportNaming::dialogFilter()
{
    return QStringLiteral("Excel Files (*.xls)|*.xls|Excel Workbook (*.xlsx)|*.xlsx|"
                          "CSV Files (*.csv)|*.csv");
}

bool ExportNaming::isCsv(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}

bool ExportNaming::isXlsx(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive);
}

} // namespace tlv::viewer
