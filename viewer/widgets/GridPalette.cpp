#include "viewer/widgets/GridPalette.h"

#include "viewer/plot/GraphPalette.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QRadioButton>

namespace tlv::viewer {

namespace {

// share of the way from a to b.
QColor mix(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * share),
        float(a.greenF() + (b.greenF() - a.greenF()) * share),
        float(a.blueF() + (b.blueF() - a.blueF()) * share));
}

} // namespace

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
        out.setColor(group, QPalette::AlternateBase, mix(base, text, share));
    }
    return out;
}

QPalette GridPalette::readableIndicators(const QPalette &palette)
{
    QPalette out;
    for (const QPalette::ColorGroup group :
        { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        const QColor base = palette.color(group, QPalette::Base);
        const QColor text = palette.color(group, QPalette::Text);
        if (GraphPalette::contrast(base, Qt::black) >= GraphPalette::contrast(text, Qt::black))
            continue;
        // Most of the way to the text: the frame a shade below it reads on the dark base
        // as any control's edge should (3:1).
        out.setColor(
            group, QPalette::Window, mix(palette.color(group, QPalette::Window), text, 0.6));
    }
    return out;
}

void GridPalette::applyToIndicators(QWidget *root)
{
    const QPalette indicators = readableIndicators(root->palette());
    const QList<QAbstractButton *> buttons = root->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        if (qobject_cast<QCheckBox *>(button) || qobject_cast<QRadioButton *>(button))
            button->setPalette(indicators);
    }
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
