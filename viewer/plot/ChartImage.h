#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QPainter;

namespace tlv::viewer {

class ControlCore;

// The graph of a control written to a picture file without a window: the
// newest MaxGraph rows of the selected columns, or of every data column when
// none is selected. PNG, or SVG for a name ending in ".svg". Needs a
// QGuiApplication for its fonts (the offscreen platform will do).
class ChartImage
{
public:
    static constexpr QSize DefaultSize { 1200, 700 };

    // What the window's graph offers beyond the columns: lanes and hidden traces.
    struct Look
    {
        QSize size = DefaultSize;
        bool lanes = false;
        QStringList hidden; // column titles or numbers
    };

    static bool write(ControlCore &core, const QString &path, QString *error, const Look &look);

    // True for a name ending in ".svg", whatever its case.
    [[nodiscard]] static bool isSvg(const QString &path);
    // Writes what paint draws on a picture of size as an SVG file.
    static bool writeSvg(
        const QString &path, QSize size, const std::function<void(QPainter &)> &paint);
};

} // namespace tlv::viewer
