#include "viewer/core/ValueTextLookup.h"

#include "viewer/core/ColumnTable.h"

namespace tlv::viewer {

const QString *storedColumnText(const ColumnDescription &column, qint64 value)
{
    const qsizetype inUse
        = qBound(qsizetype(0), qsizetype(column.TextCount), column.ValueTexts.size());
    for (qsizetype i = 0; i < inUse; ++i) {
        if (column.ValueTexts[i].value == value)
            return &column.ValueTexts[i].text;
    }
    return column.DefaultText.isEmpty() ? nullptr : &column.DefaultText;
}

QString columnText(const ColumnDescription &column, qint64 value, bool plain)
{
    if (const QString *stored = storedColumnText(column, value))
        return *stored;
    const QString bare = QString::number(value);
    return plain ? bare : QLatin1Char('<') + bare + QLatin1Char('>');
}

} // namespace tlv::viewer
