#pragma once

#include <QModelIndexList>
#include <QString>

#include <functional>

class QAbstractItemModel;

namespace tlv::viewer {

// The clipboard text of a grid selection: the rectangle of the selected rows
// and visible columns, cells separated by tabs and rows by line feeds; a cell
// inside the rectangle that is not selected stays empty.
class GridCopy
{
public:
    using ColumnFilter = std::function<bool(int column)>;

    [[nodiscard]] static QString text(const QAbstractItemModel &model,
        const QModelIndexList &selected, const ColumnFilter &visible = {});
};

} // namespace tlv::viewer
