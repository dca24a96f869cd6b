#include "SymbolFileReader.h"

#include "ProfileNumber.h"
#include "common/Cp1252.h"

#include <QFile>
#include <QStringList>

namespace tlv::viewer {

namespace {

bool isMediaType(const QString &token)
{
    static const QStringList types { QStringLiteral("F"), QStringLiteral("I"), QStringLiteral("O"),
        QStringLiteral("R"), QStringLiteral("T"), QStringLiteral("C"), QStringLiteral("DB") };
    return types.contains(token, Qt::CaseInsensitive);
}

} // namespace

bool SymbolFileReader::read(const QString &path, cSymbol &symbols, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    QStringList groups;
    int lineNumber = 0;
    while (!file.atEnd()) {
        QByteArray raw = file.readLine();
        if (raw.isEmpty() && file.error() != QFileDevice::NoError) {
            *error = file.errorString();
            return false;
        }
        ++lineNumber;
        while (raw.endsWith('\n') || raw.endsWith('\r'))
            raw.chop(1);
        QString lineError;
        if (!readLine(common::fromCp1252(raw), groups, symbols, &lineError)) {
            *error = QStringLiteral("Line %1: %2").arg(lineNumber).arg(lineError);
            return false;
        }
    }
    return true;
}

bool SymbolFileReader::readLine(QString line, QStringList &groups, cSymbol &symbols, QString *error)
{
    if (line.startsWith(u';') || line.size() < 3)
        return true;
    line.replace(u'\t', u' ');

    if (line.startsWith(QLatin1String("$ENDGROUP"), Qt::CaseInsensitive)) {
        if (!groups.isEmpty())
            groups.removeLast();
        return true;
    }
    if (line.startsWith(QLatin1String("$GROUP"), Qt::CaseInsensitive)) {
        const QString rest = line.mid(6).trimmed();
        groups.append(rest.section(u' ', 0, 0));
        return true;
    }

    QString comment;
    const qsizetype semicolon = line.indexOf(u';');
    if (semicolon >= 0) {
        comment = line.mid(semicolon + 1).trimmed();
        line.truncate(semicolon);
    }
    // Split at every single blank: two blanks in a row give an empty token.
    const QStringList tokens = line.split(u' ');
    if (tokens.size() < 3 || tokens.at(1).compare(QLatin1String("EQU"), Qt::CaseInsensitive) != 0)
        return true;

    QString type;
    qsizetype i = 2;
    for (; i < tokens.size(); ++i) {
        const QString &token = tokens.at(i);
        if (token.compare(QLatin1String("VOL"), Qt::CaseInsensitive) == 0
            || token.compare(QLatin1String("RAM"), Qt::CaseInsensitive) == 0)
            continue;
        if (isMediaType(token))
            type = token.trimmed();
        else if (token.compare(QLatin1String("TEXT"), Qt::CaseInsensitive) == 0
            || token.compare(QLatin1String("X"), Qt::CaseInsensitive) == 0)
            type = QStringLiteral("X");
        else
            return true;
        ++i;
        break;
    }
    if (type.isEmpty())
        return true;
    while (i < tokens.size() && tokens.at(i).contains(u'['))
        ++i;
    if (i >= tokens.size() || tokens.at(i).isEmpty())
        return true;

    qint16 address = 0;
    if (!ProfileNumber::leading(tokens.at(i), &address)) {
        *error = QStringLiteral("address %1 of symbol %2 is out of range (-32768 to 32767).")
                     .arg(tokens.at(i), tokens.at(0));
        return false;
    }
    QString prefix;
    for (const QString &group : std::as_const(groups))
        prefix += group + u'.';
    symbols.Add(type, prefix + tokens.at(0), comment, address);
    return true;
}

} // namespace tlv::viewer
