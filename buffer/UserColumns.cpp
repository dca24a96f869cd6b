#include "buffer/UserColumns.h"

#include "buffer/cFormats.h"

#include <limits>

namespace tlv::buffer {

QString UserColumn::show(const cFormats &formats) const
{
    if (Format.isEmpty())
        return {};
    if (const ColFormat *f = formats.item(Format))
        return f->description;
    return QStringLiteral("Unknow !");
}

UserColumn UserColumn::defaultColumn()
{
    UserColumn c;
    c.DataType = QStringLiteral("Long");
    c.Format = QStringLiteral("%d");
    c.Width = 1000;
    return c;
}

UserColumn &UserColumns::add(const QString &Title, const QString &Variable, qint16 RecPlace,
    const QString &DataType, qint16 DataPos, const QString &Format, qint32 Width, qint32 Delta,
    qint16 posi)
{
    return add(
        UserColumn { Title, Variable, RecPlace, DataType, DataPos, Format, Width, Delta }, posi);
}

UserColumn &UserColumns::add(const UserColumn &column, qint16 posi)
{
    if (posi >= 1 && posi < m_columns.size()) {
        m_columns.insert(posi, column);
        return m_columns[posi];
    }
    m_columns.append(column);
    return m_columns.last();
}

UserColumn *UserColumns::item(int position)
{
    if (position < 1 || position > m_columns.size())
        return nullptr;
    return &m_columns[position - 1];
}

const UserColumn *UserColumns::item(int position) const
{
    if (position < 1 || position > m_columns.size())
        return nullptr;
    return &m_columns.at(position - 1);
}

bool UserColumns::remove(int position)
{
    if (position < 1 || position > m_columns.size())
        return false;
    m_columns.removeAt(position - 1);
    return true;
}

void UserColumns::clear()
{
    const QString headerKey = m_headerKey;
    const qint16 memory = m_memory;
    *this = UserColumns();
    m_headerKey = headerKey;
    m_memory = memory;
}

void UserColumns::applyNewBufferDefaults()
{
    m_title = QStringLiteral("User buffer");
    m_headerKey = QStringLiteral("DEFA");
    m_headerType = 1;
    m_startReg.clear();
    m_recordInt = 600;
    m_recordChange = 0;
    m_recordEnable.clear();
    m_recordCommand.clear();
    m_clearBuf.clear();
    m_closeTlv.clear();
    m_serialNr.clear();
    m_memory = 0;
    m_recordLen = 1;
    m_bufferLen = 100;
    m_column = 1;
}

bool UserColumns::setRecordInt(qint32 v)
{
    if (v < std::numeric_limits<qint16>::min() || v > std::numeric_limits<qint16>::max())
        return false;
    m_recordInt = qint16(v);
    return true;
}

} // namespace tlv::buffer
