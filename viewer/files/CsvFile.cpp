#include "viewer/files/CsvFile.h"

namespace tlv::viewer {

QString CsvFile::quoted(const QString &field)
{
    const bool needsQuotes = field.contains(u',') || field.contains(u'"') || field.contains(u'\r')
        || field.contains(u'\n');
    if (!needsQuotes)
        return field;
    QString doubled = field;
    doubled.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QString CsvFile::line(const QStringList &fields)
{
    QString text;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            text += u',';
        text += quoted(fields.at(i));
    }
    return text + QStringLiteral("\r\n");
}

bool CsvFile::open(const QString &fileName)
{
    return m_target.open(fileName);
}

bool CsvFile::writeLine(const QStringList &fields)
{
    return m_target.write(line(fields).toUtf8());
}

bool CsvFile::close()
{
    return m_target.commit();
}

void CsvFile::discard()
{
    m_target.discard();
}

} // namespace tlv::viewer
