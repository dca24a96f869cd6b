#include "viewer/files/CsvFile.h"

#include <QSaveFile>

namespace tlv::viewer {

CsvFile::CsvFile() = default;
CsvFile::~CsvFile() = default;

bool CsvFile::isOpen() const
{
    return m_file && m_file->isOpen();
}

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
    m_error.clear();
    m_file = std::make_unique<QSaveFile>(fileName);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_error = m_file->errorString();
        m_file.reset();
        return false;
    }
    return true;
}

bool CsvFile::writeLine(const QStringList &fields)
{
    if (!isOpen()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("File not open");
        return false;
    }
    const QByteArray bytes = line(fields).toUtf8();
    if (m_file->write(bytes) != bytes.size()) {
        m_error = m_file->errorString();
        return false;
    }
    return true;
}

bool CsvFile::close()
{
    if (!isOpen()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("File not open");
        return false;
    }
    const bool ok = m_file->commit();
    if (!ok)
        m_error = m_file->errorString();
    m_file.reset();
    return ok;
}

void CsvFile::discard()
{
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
}

} // namespace tlv::viewer
