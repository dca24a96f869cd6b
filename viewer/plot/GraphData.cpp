#include "viewer/plot/GraphData.h"

#include "common/Prompter.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/FormatText.h"
#include "viewer/core/RowStore.h"

#include <algorithm>
#include <cmath>

namespace tlv::viewer {

int GraphData::labelStep(qint32 maxGraph)
{
    if (maxGraph <= 20)
        return 1;
    if (maxGraph <= 100)
        return 5;
    if (maxGraph <= 500)
        return 10;
    return 20;
}

GraphData::Kind GraphData::kindOf(const ColumnDescription *column)
{
    if (!column)
        return Kind::Analog;
    if (column->DataType == ColumnDescription::Bit)
        return Kind::Lane;
    const QString &f = column->Format;
    const QChar letter = FormatText::conversion(f);
    const bool text = letter == u's' || letter == u'S' || letter == u'f' || letter == u'F';
    const bool longText = column->DataType == ColumnDescription::Long
        && (f.startsWith(u't') || (f.size() == 2 && f.startsWith(u'g')));
    const bool threeField = letter == u'e' && column->DataType == ColumnDescription::Word;
    return text || longText || threeField ? Kind::Steps : Kind::Analog;
}

bool GraphData::labelled(const RowStore &rows, int row, int step)
{
    if (step <= 0 || rows.isSeparator(row))
        return false;
    bool ok = false;
    const qint64 number = rows.cell(row, 0).toLongLong(&ok);
    return ok && number % step == 0;
}

QString GraphData::noColumnsText()
{
    return QStringLiteral("No data columns selected for the graph !\r\r"
                          "Double-click on the data column header to select it.");
}

bool GraphData::prepareToShow(RowStore &rows, common::Prompter *prompter)
{
    if (rows.selectedGridColumns().isEmpty()) {
        QSet<int> all;
        for (const RowStore::DataColumn &c : rows.dataColumns())
            all.insert(c.number);
        rows.setGraphSelection(all);
    }
    if (!rows.selectedGridColumns().isEmpty())
        return true;
    if (prompter)
        prompter->message(
            noColumnsText(), QStringLiteral("Show graph"), common::Prompter::Style::Information);
    return false;
}

GraphData GraphData::build(
    const RowStore &rows, qint32 maxGraph, const ColumnTable *table, int firstRow)
{
    GraphData g;
    g.rowCount = std::max<qint32>(maxGraph, 0);
    const int n = rows.dataRowCount();
    g.first = firstRow < 0 ? std::max(0, n - g.rowCount) : std::min(firstRow, std::max(0, n - 1));
    g.records = std::clamp(n - g.first, 0, g.rowCount);

    // Records count from 1 as the grid's rows do; chart row i shows record first + i.
    const int step = labelStep(maxGraph);
    g.labels.reserve(g.rowCount);
    for (int i = 1; i <= g.rowCount; ++i) {
        const int record = g.first + i;
        g.labels.append(i <= g.records && labelled(rows, record - 1, step)
                ? rows.cell(record - 1, 0)
                : QString());
    }
    g.kinds.reserve(g.records);
    g.msecs.reserve(g.records);
    for (int i = 0; i < g.records; ++i) {
        g.kinds.append(rows.rowKind(g.first + i));
        g.msecs.append(rows.rowMsecs(g.first + i));
    }

    const QList<int> columns = rows.selectedGridColumns();
    for (int column : columns) {
        Series s;
        s.gridColumn = column;
        s.columnNumber = rows.columnNumberAt(column);
        s.title = rows.headerData(column, Qt::Horizontal).toString();
        if (table && s.columnNumber >= 0 && s.columnNumber < ColumnTable::Size)
            s.kind = kindOf(&(*table)[s.columnNumber]);
        s.values.resize(g.rowCount);
        for (int i = 0; i < g.records; ++i)
            s.values[i] = rows.cellValue(g.first + i, column);
        g.series.append(std::move(s));
    }
    return g;
}

QList<std::pair<double, QString>> GraphData::recordTicks(
    const RowStore &rows, double low, double high, int step) const
{
    QList<std::pair<double, QString>> ticks;
    const int from = std::max(1, int(std::ceil(low)));
    const int to = std::min(records, int(std::floor(high)));
    for (int i = from; i <= to; ++i) {
        if (labelled(rows, first + i - 1, step))
            ticks.append({ double(i), rows.cell(first + i - 1, 0) });
    }
    return ticks;
}

int GraphData::gridRow(int chartRow) const
{
    return chartRow >= 1 && chartRow <= records ? first + chartRow - 1 : -1;
}

QString GraphData::pointerText(const RowStore &rows, int chartRow) const
{
    if (chartRow < 1 || chartRow > records)
        return {};
    const int row = first + chartRow - 1;
    QString text = QStringLiteral("Record ") + rows.cell(row, 0) + u':';
    // A status or separator row has no values: it says what it is.
    if (rows.rowKind(row) != RowStore::RowKind::Record)
        return text + QStringLiteral("   ") + rows.cell(row, 3);
    for (const Series &s : series)
        text += QStringLiteral("   ") + s.title + QStringLiteral(" = ")
            + rows.cell(row, s.gridColumn);
    return text;
}

} // namespace tlv::viewer
