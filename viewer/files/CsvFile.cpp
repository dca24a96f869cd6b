#include "viewer/files/CsvFile.h"

namespace tlv::viewer {

namespace {

// Lines are handed to the file in pieces of about this size.
constexpr qsizetype FlushSize = 256 * 1024;

} // namespace

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

bool CsvFile::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool CsvFile::open(const QString &fileName)
{
    discard();
    m_error.clear();
    return m_target.open(fileName) || fail(m_target.errorString());
}

bool CsvFile::flush()
{
    if (m_pending.isEmpty())
        return true;
    const bool ok = m_target.write(m_pending);
    m_pending.clear();
    if (ok)
        return true;
    fail(m_target.errorString());
    discard();
    return false;
}

bool CsvFile::startRow(int row)
{
    if (!m_target.isOpen())
        return fail(m_error.isEmpty() ? QStringLiteral("File not open") : m_error);
    if (row == m_row)
        return true;
    if (row < m_row)
        return fail(QStringLiteral("Rows out of order"));
    if (m_row > 0) {
        m_pending += line(m_fields).toUtf8();
        for (QString &field : m_fields)
            field.clear();
    }
    m_row = row;
    return m_pending.size() < FlushSize || flush();
}

bool CsvFile::addColumn(int column, int, QStringView header)
{
    if (column < 1)
        return fail(QStringLiteral("Overflow"));
    if (column > m_fields.size())
        m_fields.resize(column);
    return writeText(1, column, header);
}

bool CsvFile::writeText(int row, int column, QStringView text)
{
    if (!startRow(row))
        return false;
    if (column < 1 || column > m_fields.size())
        return fail(QStringLiteral("Overflow"));
    m_fields[column - 1] = text.toString();
    return true;
}

bool CsvFile::writeNumber(int row, int column, double, QStringView shown)
{
    return writeText(row, column, shown);
}

bool CsvFile::writeDate(int row, int column, double, int, QStringView shown)
{
    return writeText(row, column, shown);
}

bool CsvFile::close()
{
    if (!startRow(m_row + 1) || !flush())
        return false;
    const bool committed = m_target.commit() || fail(m_target.errorString());
    discard();
    return committed;
}

void CsvFile::discard()
{
    m_target.discard();
    m_fields.clear();
    m_pending.clear();
    m_row = 0;
}

} // namespace tlv::viewer
