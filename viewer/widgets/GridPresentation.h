#pragma once

#include <QColor>
#include <QIdentityProxyModel>

namespace tlv::viewer {

class RowStore;
struct ColumnTable;

// How the rows of the store look in the grid: the record number as the fixed
// row header, selected graph columns in the highlight colour, separator and
// status rows set apart, numbers aligned to the right.
class GridPresentation : public QIdentityProxyModel
{
    Q_OBJECT

public:
    GridPresentation(RowStore &rows, const ColumnTable &columns, QObject *parent = nullptr);

    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QVariant headerData(
        int section, Qt::Orientation orientation, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;

    // A status row: numbered, but no data of its own.
    [[nodiscard]] bool isStatusRow(int row) const;

    void setHighlight(const QColor &background, const QColor &text);

    static QColor separatorBackground() { return QColor(0xFF, 0xEB, 0xC8); }
    static QColor separatorText() { return QColor(0xA0, 0x30, 0x00); }
    static QColor statusBackground() { return QColor(0xDC, 0xE8, 0xF5); }
    static QColor statusText() { return QColor(0x1E, 0x3C, 0x6E); }

    // Control characters as their visible pictures (U+2400 on), so a string
    // of them shows what it holds instead of empty boxes.
    [[nodiscard]] static QString visibleText(const QString &text);

private:
    RowStore &m_rows;
    const ColumnTable &m_columns;
    QColor m_highlight;
    QColor m_highlightText;
};

} // namespace tlv::viewer
