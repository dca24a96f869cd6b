#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::common {
class Prompter;
}

namespace tlv::app {

// The command line PG5 starts the program with: a trace project file path
// ending in ".tlvr" and "PG5=" with PG5's version digits; or a file name
// followed by "-cpt", as an argument of its own, to encipher a description
// file. All searches ignore case.
struct CommandLine
{
    enum class Kind {
        Empty, // nothing given
        Crypt, // "-cpt": cryptFile is for the control's Crypt
        NoStartFile, // no ".tlvr"
        NoVersion, // ".tlvr" but no "PG5="
        Project, // a start from PG5
    };

    Kind kind = Kind::Empty;
    QString text; // the command line parsed
    QString cryptFile;
    QString startFile; // the trace project file, unquoted and trimmed
    QString projectFolder; // with trailing separator, empty when startFile has no folder
    QString symbolFile; // projectFolder + "_Global.sy5", empty without a folder
    QString sourceFile; // startFile with ".tlvs"
    qint32 versionCode = 0; // 14..21 for PG5 1.4 .. 2.1
    qint32 fullVersion = 0; // e.g. 21300

    [[nodiscard]] static CommandLine parse(const QString &commandLine);

    // A relative start file taken from currentFolder, with its folder, symbol
    // and source files. The PG5 channel changes the working directory, after
    // which a relative path would name a file elsewhere.
    void anchorIn(const QString &currentFolder);

    // The arguments after the program name as one line, as Windows passed it:
    // those holding blanks in double quotes.
    [[nodiscard]] static QString join(const QStringList &arguments);

    // The "Command" key of section "Tolvane" in overrideFile replaces the real
    // command line when it is not empty; a value starting with "\" is taken
    // relative to programFolder. The line used is shown through the prompter.
    [[nodiscard]] static QString applyOverride(const QString &commandLine,
        const QString &overrideFile, const QString &programFolder, common::Prompter &prompter);

private:
    void takeStartFile(const QString &file);
};

} // namespace tlv::app
