#pragma once

#include <QPalette>

class QWidget;

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

    // What check boxes and radio buttons take of palette: on a dark one a window colour from
    // which the style's frame of their squares and circles stands out of the base it holds
    // (the style draws that frame a shade darker than the window, as dark as the base there);
    // on a light one nothing of their own.
    [[nodiscard]] static QPalette readableIndicators(const QPalette &palette);
    // readableIndicators of root's palette for every check box and radio button below root.
    static void applyToIndicators(QWidget *root);

    static constexpr double TextContrast = 4.5;
};

} // namespace tlv::viewer
