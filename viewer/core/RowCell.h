#pragma once

#include <QStringView>

#include <optional>

namespace tlv::viewer {

// A cell of a grid row as a reader of whole rows takes it: the text shown and the values
// behind it.
struct RowCell
{
    QStringView text;
    std::optional<double> number; // the decoder's number
    std::optional<qint64> raw; // the raw value (a PCD time for the time formats)
};

} // namespace tlv::viewer
