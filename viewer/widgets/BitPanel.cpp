#include "viewer/widgets/BitPanel.h"

#include <QPainter>

#include <algorithm>

namespace tlv::viewer {

BitPanel::BitPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("bitPanel"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void BitPanel::setValue(int bits, quint64 value)
{
    m_bits = std::clamp(bits, 0, 64);
    m_value = value;
    updateGeometry();
    update();
}

QSize BitPanel::cell() const
{
    const QFontMetrics fm(font());
    return { fm.horizontalAdvance(QStringLiteral("00")) + 12, fm.height() * 2 + 8 };
}

QSize BitPanel::sizeHint() const
{
    const QSize c = cell();
    const int perLine = std::min(m_bits, 8);
    return { perLine * c.width() + (perLine > 4 ? 6 : 0) + 1, lines() * c.height() };
}

void BitPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QSize c = cell();
    const QFontMetrics fm(font());
    QFont small = font();
    small.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.8));
    const QColor on = palette().color(QPalette::Highlight);
    const QColor onText = palette().color(QPalette::HighlightedText);
    const QColor frame = palette().color(QPalette::Mid);
    for (int i = 0; i < m_bits; ++i) {
        const int bit = m_bits - 1 - i; // most significant first
        const int line = i / 8;
        const int column = i % 8;
        // A small gap between the two nibbles of a byte.
        const int x = column * c.width() + (column >= 4 ? 6 : 0);
        const int y = line * c.height();
        const QRect number(x, y, c.width(), fm.height());
        const QRect box(x + 2, y + fm.height() + 1, c.width() - 4, fm.height() + 4);
        const bool set = (m_value >> bit) & 1u;

        p.setFont(small);
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(number, Qt::AlignCenter, QString::number(bit));
        p.setFont(font());
        p.setPen(frame);
        p.setBrush(set ? on : palette().color(QPalette::Base));
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.setPen(set ? onText : palette().color(QPalette::Text));
        p.drawText(box, Qt::AlignCenter, set ? QStringLiteral("1") : QStringLiteral("0"));
    }
}

} // namespace tlv::viewer
