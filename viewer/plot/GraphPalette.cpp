#include "viewer/plot/GraphPalette.h"

#include "viewer/plot/GraphTraces.h"

#include <QPalette>

#include <cmath>

namespace tlv::viewer {

namespace {

double luminance(const QColor &c)
{
    const auto channel
        = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// a weighted towards b: share 0 is a, 1 is b.
QColor mix(const QColor &a, const QColor &b, double share)
{
    const auto m = [share](float x, float y) { return x + (y - x) * float(share); };
    return QColor::fromRgbF(
        m(a.redF(), b.redF()), m(a.greenF(), b.greenF()), m(a.blueF(), b.blueF()));
}

} // namespace

GraphPalette::GraphPalette(const QPalette &palette)
    : background(palette.color(QPalette::Active, QPalette::Base))
    , text(palette.color(QPalette::Active, QPalette::Text))
{
    // A palette whose text does not stand out from its base would hide every label.
    if (contrast(text, background) < 4.5)
        text = dark() ? Qt::white : Qt::black;
    grid = mix(background, text, 0.15);
    axisLine = mix(background, text, 0.45);
    cursorA = text;
    cursorB = readable(QColor(0xC0, 0x40, 0x00), background, 4.5);
    statusMark = readable(QColor(0x80, 0x80, 0xC0), background);
    separatorMark = readable(QColor(0xC0, 0x00, 0x00), background);
}

bool GraphPalette::dark() const
{
    return luminance(background) < 0.18;
}

QColor GraphPalette::trace(int columnNumber) const
{
    return readable(GraphTraces::colour(columnNumber), background);
}

double GraphPalette::contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor GraphPalette::readable(const QColor &colour, const QColor &background, double ratio)
{
    if (contrast(colour, background) >= ratio)
        return colour;
    // Towards white on a dark background, towards black on a light one, in
    // small steps so the colour changes no more than it must.
    const QColor target = luminance(background) < 0.18 ? QColor(Qt::white) : QColor(Qt::black);
    QColor out = colour;
    for (int step = 1; step <= 20 && contrast(out, background) < ratio; ++step)
        out = mix(colour, target, step / 20.0);
    return out;
}

} // namespace tlv::viewer
