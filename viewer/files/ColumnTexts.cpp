#include "ColumnTexts.h"

namespace tlv::viewer {

bool ColumnTexts::add(ColumnDescription &column, qint64 value, const QString &text)
{
    if (column.TextCount >= ColumnDescription::MaxValueTexts)
        return false;
    // TextCount and the list move together; an earlier load may have left
    // stale entries behind the count.
    column.ValueTexts.resize(column.TextCount);
    column.ValueTexts.append(ValueText { value, text });
    ++column.TextCount;
    return column.TextCount < ColumnDescription::MaxValueTexts;
}

QString ColumnTexts::lookup(const ColumnDescription &column, qint64 value, bool plain)
{
    const qsizetype count = qMin<qsizetype>(column.TextCount, column.ValueTexts.size());
    for (qsizetype i = 0; i < count; ++i) {
        if (column.ValueTexts.at(i).value == value)
            return column.ValueTexts.at(i).text;
    }
    if (!column.DefaultText.isEmpty())
        return column.DefaultText;
    return plain ? QString::number(value) : u'<' + QString::number(value) + u'>';
}

} // namespace tlv::viewer
