#pragma once

#include "viewer/files/ExportSource.h"

namespace tlv::viewer {

class ControlCore;

// The records grid as the export reads it: the core's row store and the
// column table of the loaded buffer.
class GridExportSource : public ExportSource
{
public:
    explicit GridExportSource(ControlCore &core);

    [[nodiscard]] int gridColumnCount() const override;
    [[nodiscard]] int rowCount() const override;
    [[nodiscard]] QString headerText(int gridColumn) const override;
    [[nodiscard]] qint32 columnWidth(int gridColumn) const override;
    [[nodiscard]] bool isSelected(int gridColumn) const override;
    [[nodiscard]] const ColumnDescription *description(int gridColumn) const override;
    [[nodiscard]] QString cellText(int row, int gridColumn) const override;
    [[nodiscard]] RowKind rowKind(int row) const override;

private:
    ControlCore &m_core;
};

} // namespace tlv::viewer
