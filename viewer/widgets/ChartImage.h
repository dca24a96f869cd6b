#pragma once

#include <QSize>
#include <QString>

namespace tlv::viewer {

class ControlCore;

// The graph of a control written to a picture file without a window: the
// newest MaxGraph rows of the selected columns, or of every data column when
// none is selected. PNG, or SVG for a name ending in ".svg". Needs a
// QApplication (the offscreen platform will do).
class ChartImage
{
public:
    static constexpr QSize DefaultSize { 1200, 700 };

    static bool write(
        ControlCore &core, const QString &path, QString *error, QSize size = DefaultSize);
};

} // namespace tlv::viewer
