#pragma once

#include <QtGlobal>

#include <cmath>

namespace tlv::viewer {

// Sizes in the control's descriptions are twips: 1440 per logical inch.
constexpr int TwipsPerInch = 1440;

[[nodiscard]] inline int twipsToPixels(qint64 twips, qreal logicalDpi)
{
    if (twips <= 0 || logicalDpi <= 0)
        return 0;
    return int(std::lround(double(twips) * logicalDpi / TwipsPerInch));
}

} // namespace tlv::viewer
