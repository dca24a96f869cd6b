#include "viewer/core/StringColumns.h"

#include "viewer/core/ColumnTable.h"
#include "viewer/core/FormatText.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace tlv::viewer {

QList<qint16> StringColumns::headerLengthBytes(const QList<qint32> &header, int stringIndex)
{
    QList<qint16> lengths(4, 0);
    if (stringIndex < 0 || stringIndex >= header.size())
        return lengths;
    const auto word = static_cast<quint32>(header[stringIndex]);
    for (int i = 0; i < 4; ++i)
        lengths[i] = static_cast<qint16>((word >> (8 * i)) & 0xFFu);
    return lengths;
}

bool StringColumns::adjust(
    ColumnTable &table, qint16 &recordLength, const QList<qint16> &headerLengths, QString *error)
{
    constexpr qint64 Max16 = std::numeric_limits<qint16>::max();
    ColumnTable adjusted = table;
    qint64 shift = 0;
    qint64 length = recordLength;
    const auto fail = [&](int k, const QString &why) {
        if (error)
            *error = u"Column "_s + QString::number(k) + u": "_s + why;
        return false;
    };

    for (int k = 0; k < ColumnTable::Size; ++k) {
        ColumnDescription &column = adjusted[k];
        if (!column.Defined)
            continue;
        const qint64 index = column.RegisterIndex + shift;
        if (index > Max16)
            return fail(k, u"register index out of range"_s);
        column.RegisterIndex = static_cast<qint16>(index);
        if (column.DataType != ColumnDescription::String)
            continue;

        const qint64 n = FormatText::leadingNumber(column.Format);
        qint64 bytes = 0;
        if (n >= 4)
            bytes = n;
        else if (n >= 0 && n < headerLengths.size())
            bytes = headerLengths[static_cast<int>(n)];
        if (bytes > Max16)
            return fail(k, u"string length out of range"_s);
        column.StringLength = static_cast<qint16>(bytes);
        const qint64 words = (bytes + 3) / 4;
        const qint64 extra = words > 0 ? words - 1 : 0;
        if (index + extra > Max16 || length + extra > Max16)
            return fail(k, u"record length out of range"_s);
        column.ExtraRegisters = static_cast<qint16>(extra);
        shift += extra;
        length += extra;
    }
    table = adjusted;
    recordLength = static_cast<qint16>(length);
    return true;
}

} // namespace tlv::viewer
