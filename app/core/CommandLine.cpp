#include "app/core/CommandLine.h"

#include "buffer/NumberText.h"
#include "common/IniProfile.h"
#include "common/PathUtil.h"
#include "common/Prompter.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace tlv::app {

namespace {

// The number the leading digits of text give, 0 when there are none.
qint32 numberOf(const QString &text)
{
    return qint32(buffer::toInt32(buffer::leadingNumber(text)).value_or(0));
}

// Where "-cpt" stands as an argument of its own after a file name, -1 when it does not.
// Inside a quoted path or a word ("/plant-cpt2/x.tlvr") it is part of a name.
qsizetype cptOption(const QString &line)
{
    const QLatin1String option("-cpt");
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'"') {
            quoted = !quoted;
            continue;
        }
        if (quoted || i == 0 || !line[i - 1].isSpace()
            || !QStringView(line).mid(i).startsWith(option, Qt::CaseInsensitive))
            continue;
        const qsizetype end = i + option.size();
        if ((end == line.size() || line[end].isSpace()) && !line.left(i).trimmed().isEmpty())
            return i;
    }
    return -1;
}

} // namespace

CommandLine CommandLine::parse(const QString &commandLine)
{
    CommandLine c;
    c.text = commandLine;
    if (commandLine.trimmed().isEmpty())
        return c;

    const qsizetype cpt = cptOption(commandLine);
    if (cpt >= 0) {
        c.kind = Kind::Crypt;
        c.cryptFile = commandLine.left(cpt).trimmed();
        // A quoted file name (one with blanks) is the name without its quotes.
        if (c.cryptFile.size() >= 2 && c.cryptFile.startsWith(u'"') && c.cryptFile.endsWith(u'"'))
            c.cryptFile = c.cryptFile.mid(1, c.cryptFile.size() - 2);
        return c;
    }

    const qsizetype tlvr = commandLine.indexOf(QLatin1String(".tlvr"), 0, Qt::CaseInsensitive);
    if (tlvr < 0) {
        c.kind = Kind::NoStartFile;
        return c;
    }
    // The character after ".tlvr" comes along, so a closing quote goes with it.
    QString file = commandLine.left(tlvr + 6);
    file.remove(u'"');
    c.takeStartFile(file.trimmed());

    const qsizetype pg5 = commandLine.indexOf(QLatin1String("PG5="), 0, Qt::CaseInsensitive);
    if (pg5 < 0) {
        c.kind = Kind::NoVersion;
        return c;
    }
    const QString digits = commandLine.mid(pg5 + 4);
    c.versionCode = numberOf(digits.left(2));
    c.fullVersion = numberOf(digits.left(5));
    c.kind = Kind::Project;
    return c;
}

void CommandLine::takeStartFile(const QString &file)
{
    startFile = file;
    projectFolder.clear();
    symbolFile.clear();
    const QString folder = common::folderOf(startFile);
    if (!folder.isEmpty() && folder != startFile) {
        projectFolder = folder;
        symbolFile = folder + QStringLiteral("_Global.sy5");
    }
    const qsizetype ext = startFile.lastIndexOf(QLatin1String(".tlvr"), -1, Qt::CaseInsensitive);
    sourceFile = startFile.left(ext) + QStringLiteral(".tlvs") + startFile.mid(ext + 5);
}

void CommandLine::anchorIn(const QString &currentFolder)
{
    if (startFile.isEmpty() || currentFolder.isEmpty())
        return;
    // Drive and network paths of Windows-made command lines stay as they are.
    const bool windowsRooted = (startFile.size() >= 2 && startFile[1] == u':')
        || (startFile.size() >= 2 && common::isSeparator(startFile[0])
            && common::isSeparator(startFile[1]));
    if (windowsRooted || !QDir::isRelativePath(common::toLocalPath(startFile)))
        return;
    QString folder = currentFolder;
    if (!common::isSeparator(folder.back()))
        folder += u'/';
    takeStartFile(folder + startFile);
}

QString CommandLine::join(const QStringList &arguments)
{
    // An argument with blanks is quoted as Windows would pass it, so that what
    // it holds stays one argument ("-cpt" in a folder name is no option).
    QStringList quoted;
    for (const QString &argument : arguments) {
        const bool blank
            = std::any_of(argument.begin(), argument.end(), [](QChar c) { return c.isSpace(); });
        quoted << (blank && !argument.contains(u'"') ? u'"' + argument + u'"' : argument);
    }
    return quoted.join(u' ');
}

QString CommandLine::applyOverride(const QString &commandLine, const QString &overrideFile,
    const QString &programFolder, common::Prompter &prompter)
{
    if (!QFileInfo::exists(overrideFile))
        return commandLine;
    QString command = common::IniProfile::read(
        overrideFile, QStringLiteral("Tolvane"), QStringLiteral("Command"));
    if (command.isEmpty())
        return commandLine;
    if (command.startsWith(u'\\'))
        command = programFolder + common::toLocalPath(command.mid(1));
    prompter.message(QStringLiteral("Command Line from text file = ") + command,
        QStringLiteral("Tolvane"), common::Prompter::Style::Information);
    return command;
}

} // namespace tlv::app
