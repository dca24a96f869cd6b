#include "viewer/widgets/GridCopy.h"

#include <QAbstractItemModel>
#include <QSet>

#include <algorithm>
#include <map>

namespace tlv::viewer {

QString GridCopy::text(
    const QAbstractItemModel &model, const QModelIndexList &selected, const ColumnFilter &visible)
{
    std::map<int, QSet<int>> rows; // row -> selected columns
    QSet<int> columnSet;
    for (const QModelIndex &index : selected) {
        if (!index.isValid() || index.model() != &model)
            continue;
        if (visible && !visible(index.column()))
            continue;
        rows[index.row()].insert(index.column());
        columnSet.insert(index.column());
    }
    QList<int> columns(columnSet.cbegin(), columnSet.cend());
    std::sort(columns.begin(), columns.end());

    QStringList lines;
    for (const auto &[row, picked] : rows) {
        QStringList cells;
        for (int column : columns)
            cells << (picked.contains(column)
                    ? model.data(model.index(row, column), Qt::DisplayRole).toString()
                    : QString());
        lines << cells.join(u'\t');
    }
    return lines.join(u'\n');
}

} // namespace tlv::viewer
