#pragma once

#include <QPalette>

namespace tlv::viewer {

// A palette whose rows and labels stay readable whatever the desktop gives: a dark palette
// that names no colour for alternate rows would leave Qt's light default there, under light
// text.
class GridPalette
{
public:
    // palette with its alternate row colour near the base, on the text's far side, wherever
    // the one it has does not stand out the text well enough.
    [[nodiscard]] static QPalette readableRows(const QPalette &palette);
    // A warning red that reads on the window colour of palette.
    [[nodiscard]] static QColor warningText(const QPalette &palette);
    // A text colour in its hue that reads on the window colour of palette.
    [[nodiscard]] static QColor windowText(const QColor &colour, const QPalette &palette);

    static constexpr double TextContrast = 4.5;
};

} // namespace tlv::viewer
