#include "TextFileReader.h"

#include "ProfileNumber.h"
#include "common/Cp1252.h"

#include <QFile>
#include <QList>

namespace tlv::viewer {

namespace {

// "name = text ; comment" -> name, text, comment (all trimmed).
void splitEntry(const QString &line, QString *name, QString *text, QString *comment)
{
    const qsizetype equals = line.indexOf(u'=');
    *name = line.left(equals).trimmed();
    QString rest = line.mid(equals + 1);
    const qsizetype semicolon = rest.indexOf(u';');
    *comment = semicolon >= 0 ? rest.mid(semicolon + 1).trimmed() : QString();
    if (semicolon >= 0)
        rest.truncate(semicolon);
    *text = rest.trimmed();
}

} // namespace

bool TextFileReader::read(
    const QString &path, const QString &headerKey, cValues &values, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    bool keyMatched = false;
    QString section;
    QList<qint32> applications;
    while (!file.atEnd()) {
        const QByteArray raw = file.readLine();
        if (raw.isEmpty() && file.error() != QFileDevice::NoError) {
            *error = file.errorString();
            return false;
        }
        const QString line = common::fromCp1252(raw).replace(u'\t', u' ').trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            section = close < 0 ? line.mid(1) : line.mid(1, close - 1);
            continue;
        }
        if (!keyMatched) {
            if (section.compare(QLatin1String("Tolvane"), Qt::CaseInsensitive) == 0
                && line.startsWith(QLatin1String("Key"), Qt::CaseInsensitive)
                && line.contains(u'=')) {
                QString name, text, comment;
                splitEntry(line, &name, &text, &comment);
                keyMatched = text == headerKey;
            }
            continue;
        }
        if (!line.contains(u'='))
            continue;

        QString name, text, comment;
        splitEntry(line, &name, &text, &comment);
        qint32 number = 0;
        // A name that is no number (Version=1 beside the key) adds nothing;
        // the texts of the rest of the file still count.
        if (!ProfileNumber::strict(name, &number))
            continue;
        if (section.compare(QLatin1String("Application"), Qt::CaseInsensitive) == 0) {
            values.Add(number, QStringLiteral("Application"), 0, text, comment);
            if (!applications.contains(number))
                applications.append(number);
        } else {
            for (const qint32 application : std::as_const(applications))
                values.Add(application, section, number, text, comment);
        }
    }
    return true;
}

} // namespace tlv::viewer
