#include "viewer/widgets/GraphData.h"

#include "common/Prompter.h"
#include "viewer/core/RowStore.h"

#include <algorithm>

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

GraphData GraphData::build(const RowStore &rows, qint32 maxGraph)
{
    GraphData g;
    g.rowCount = std::max<qint32>(maxGraph, 0);
    const int n = rows.dataRowCount();
    g.first = std::max(0, n - g.rowCount);
    g.records = n - g.first;

    // Records count from 1 as the grid's rows do; chart row i shows record first + i.
    const int step = labelStep(maxGraph);
    g.labels.reserve(g.rowCount);
    for (int i = 1; i <= g.rowCount; ++i) {
        const int record = g.first + i;
        g.labels.append(record <= n && record % step == 0 ? rows.cell(record - 1, 0) : QString());
    }

    const QList<int> columns = rows.selectedGridColumns();
    for (int column : columns) {
        Series s;
        s.gridColumn = column;
        s.title = rows.headerData(column, Qt::Horizontal).toString();
        s.values.resize(g.rowCount);
        for (int i = 0; i < g.records; ++i)
            s.values[i] = rows.cellValue(g.first + i, column);
        g.series.append(std::move(s));
    }
    return g;
}

QString GraphData::pointerText(const RowStore &rows, int chartRow) const
{
    if (chartRow < 1 || chartRow > records)
        return {};
    const int row = first + chartRow - 1;
    QString text = QStringLiteral("Record ") + rows.cell(row, 0) + u':';
    for (const Series &s : series)
        text += QStringLiteral("   ") + s.title + QStringLiteral(" = ")
            + rows.cell(row, s.gridColumn);
    return text;
}

} // namespace tlv::viewer
