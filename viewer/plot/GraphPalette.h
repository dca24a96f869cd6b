#pragma once

#include <QColor>

class QPalette;

namespace tlv::viewer {

// The graph's colours taken from the desktop palette, so a dark desktop gets
// a dark chart: background and text from the palette, grid and marks mixed
// from them, and every column's fixed colour made readable on the background
// while keeping its hue.
class GraphPalette
{
public:
    GraphPalette() = default;
    explicit GraphPalette(const QPalette &palette);

    QColor background = Qt::white;
    QColor text = Qt::black;
    QColor grid; // faint lines behind the traces
    QColor axisLine;
    QColor cursorA;
    QColor cursorB;
    QColor statusMark; // a PCD status row
    QColor separatorMark; // a Miss or Restart row

    [[nodiscard]] bool dark() const;
    // The colour of a column on this background.
    [[nodiscard]] QColor trace(int columnNumber) const;

    // WCAG contrast ratio of two colours (1 ... 21).
    [[nodiscard]] static double contrast(const QColor &a, const QColor &b);
    // colour with its hue kept, lighter or darker until it reaches ratio against background.
    [[nodiscard]] static QColor readable(
        const QColor &colour, const QColor &background, double ratio = MinContrast);

    static constexpr double MinContrast = 3.0;
};

} // namespace tlv::viewer
