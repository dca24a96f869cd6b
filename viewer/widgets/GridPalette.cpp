#include "viewer/widgets/GridPalette.h"

#include "viewer/plot/GraphPalette.h"

namespace tlv::viewer {

QPalette GridPalette::readableRows(const QPalette &palette)
{
    QPalette out = palette;
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive }) {
        const QColor base = palette.color(group, QPalette::Base);
        const QColor text = palette.color(group, QPalette::Text);
        const QColor alternate = palette.color(group, QPalette::AlternateBase);
        if (GraphPalette::contrast(alternate, text) >= TextContrast)
            continue;
        // A shade away from the base towards the text: rows told apart, text as readable.
        const double share = 0.07;
        out.setColor(group, QPalette::AlternateBase,
            QColor::fromRgbF(float(base.redF() + (text.redF() - base.redF()) * share),
                float(base.greenF() + (text.greenF() - base.greenF()) * share),
                float(base.blueF() + (text.blueF() - base.blueF()) * share)));
    }
    return out;
}

QColor GridPalette::warningText(const QPalette &palette)
{
    return windowText(QColor(0xC0, 0x00, 0x00), palette);
}

QColor GridPalette::windowText(const QColor &colour, const QPalette &palette)
{
    return GraphPalette::readable(colour, palette.color(QPalette::Window), TextContrast);
}

} // namespace tlv::viewer
