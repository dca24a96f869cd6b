#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tlv::viewer {

// Names of export files. Paths may use '\' (from Windows peers) or '/'.
class ExportNaming
{
public:
    enum IndexMode : qint16 { SameFile = 0, DateStamp = 1, PcdIndex = 2 };

    [[nodiscard]] static QString defaultFileName() { return QStringLiteral("Tolvane.xls"); }
    // "Tolvane.xls" appended when the last path element has no extension
    // ("C:\Log\" -> "C:\Log\Tolvane.xls", "C:\Log\run" -> "C:\Log\runTolvane.xls").
    [[nodiscard]] static QString completed(const QString &exportFile);
    // "_" + YYMMDD + hhmmss (24-hour): "_261205191843".
    [[nodiscard]] static QString stamp(const QDateTime &now);
    // The file an export writes for a completed export file name. Modes other
    // than 1 and 2 write the export file itself.
    [[nodiscard]] static QString target(
        const QString &exportFile, qint16 indexFile, const QDateTime &now, qint32 exportIndex);
    // The endings an export writes, in the order file dialogs offer them:
    // ".xls", ".xlsx", ".csv".
    [[nodiscard]] static QStringList writableExtensions();
    // Why an export cannot write exportFile (as completed), naming the endings
    // it can; empty when it can. Every way to export asks this first.
    [[nodiscard]] static QString unwritableReason(const QString &exportFile);
    // The file dialog filter for the writable endings, ".xls" first.
    [[nodiscard]] static QString dialogFilter();
    // True when the name asks for comma-separated values instead of a worksheet.
    [[nodiscard]] static bool isCsv(const QString &fileName);
    // True when the name asks for an Office Open XML worksheet.
    [[nodiscard]] static bool isXlsx(const QString &fileName);
};

} // namespace tlv::viewer
