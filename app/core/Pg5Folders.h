#pragma once

#include <QMap>
#include <QString>
#include <QtGlobal>

#include <array>

namespace tlv::common {
class Prompter;
}

namespace tlv::app {

// The folders of every PG5 version the program knows (codes 14..21 stand
// for PG5 1.4 .. 2.1). PG5 1.x kept them in the registry, which here is the
// file Registry.ini (one section per registry key path); PG5 2.x in
// PG5Global.ini below the common documents folder.
class Pg5Folders
{
public:
    static constexpr qint32 FirstCode = 14;
    static constexpr qint32 LastCode = 21;
    // From this full version on PG5 lives under "SBC" instead of "SAIA-Burgess".
    static constexpr qint32 SbcNamingFrom = 21266;

    struct Row
    {
        QString AppsDir;
        QString AppLibDir;
        QString UsrLibDir;
        QString StdLibDir;
        QString LocalDir;
        friend bool operator==(const Row &, const Row &) = default;
    };

    [[nodiscard]] static bool inRange(qint32 code) { return code >= FirstCode && code <= LastCode; }
    // The row of a code; an empty row outside 14..21.
    [[nodiscard]] Row row(qint32 code) const;
    void setRow(qint32 code, const Row &row);
    // AppsDir of each code that has one (what the PG5 channel needs).
    [[nodiscard]] QMap<qint32, QString> appsDirs() const;
    // "AppLibDir,StdLibDir,UsrLibDir" of a code: where the viewer looks for descriptions.
    [[nodiscard]] QString resourcePath(qint32 code) const;

    // The registry key of PG5 1.x for a code below 20.
    [[nodiscard]] static QString registryKey(qint32 code);
    // Fills every row. pg5GlobalShown receives what the settings page shows
    // in its PG5Global.ini box.
    void fill(const QString &registryIni, const QString &settingsIni, qint32 fullVersion,
        const QString &commonDocuments, const QString &commonAppData, common::Prompter &prompter,
        QString *pg5GlobalShown);
    // Refills the row of code from one PG5Global.ini file.
    void fillFromPg5Global(qint32 code, const QString &pg5GlobalIni);

    // PG5Global.ini of a PG5 2.x version; empty when not found.
    [[nodiscard]] static QString findPg5GlobalIni(qint32 code, qint32 fullVersion,
        const QString &commonDocuments, const QString &commonAppData, common::Prompter &prompter);

private:
    std::array<Row, LastCode - FirstCode + 1> m_rows;
};

} // namespace tlv::app
