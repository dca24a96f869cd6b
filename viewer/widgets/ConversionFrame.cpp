#include "viewer/widgets/ConversionFrame.h"

#include "viewer/widgets/BitPanel.h"
#include "viewer/widgets/Twips.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

#include <optional>

namespace tlv::viewer {

namespace {

// Where the window was left, kept while the library is loaded.
std::optional<QPoint> g_position;

} // namespace

ConversionFrame::ConversionFrame(QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("ConversionFrame"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(std::max(mono.pointSizeF(), font().pointSizeF() + 1));
    mono.setBold(true);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setHorizontalSpacing(14);
    layout->setVerticalSpacing(8);
    for (int i = 0; i < 4; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("ConvLabel%1").arg(i));
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        auto *value = new QLabel(this);
        value->setObjectName(QStringLiteral("ConvValue%1").arg(i));
        value->setFont(mono);
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        layout->addWidget(label, i, 0);
        layout->addWidget(value, i, 1);
        m_labels[size_t(i)] = label;
        m_values[size_t(i)] = value;
    }
    // The height a wide value is given holds its bits as a table.
    m_bitPanel = new BitPanel(this);
    layout->addWidget(m_bitPanel, 4, 1, Qt::AlignLeft | Qt::AlignTop);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(5, 1);
}

int ConversionFrame::pixels(int twips) const
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return twipsToPixels(twips, s ? s->logicalDotsPerInchY() : 96.0);
}

void ConversionFrame::apply(const ConversionText &texts)
{
    m_texts = texts;
    setWindowTitle(texts.caption);
    for (size_t i = 0; i < texts.rows.size(); ++i) {
        const ConversionText::Row &row = texts.rows[i];
        m_labels[i]->setText(row.caption);
        m_values[i]->setText(row.value);
        m_labels[i]->setVisible(row.visible);
        m_values[i]->setVisible(row.visible);
    }
    // Text values may be long: they wrap, numbers never do.
    const bool numeric = texts.heightTwips > 0;
    for (QLabel *value : m_values)
        value->setWordWrap(!numeric);
    m_bitPanel->setVisible(numeric && m_bitBits > 1);
    m_bitPanel->setValue(m_bitBits, m_bitValue);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    layout()->activate();
    const int width = std::max(pixels(4200), layout()->sizeHint().width());
    const int needed = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width)
                                                     : layout()->minimumSize().height();
    // A numeric value gets the height its bit count asks for; a text fits its rows.
    const int height = texts.heightTwips > 0 ? std::max(pixels(texts.heightTwips), needed) : needed;
    setFixedSize(width, height);
}

void ConversionFrame::SetValue(qint16 bits, qint16 hexDigits, qint16 format, quint64 value,
    qint64 raw, const QString &shown, const QString &formatName)
{
    m_bitBits = bits;
    m_bitValue = value;
    ConversionText t = ConversionText::numeric(bits, hexDigits, value, raw, shown);
    const QString caption = ConversionText::formatCaption(format, formatName);
    if (!caption.isEmpty() && t.rows[3].visible)
        t.rows[3].caption = caption;
    apply(t);
}

void ConversionFrame::SetTextValue(const QString &text, const QString &comment)
{
    m_bitBits = 0;
    apply(ConversionText::text(text, comment));
}

void ConversionFrame::showRequest(const ConversionText::Request &request)
{
    if (request.numeric)
        SetValue(request.bits, request.hexDigits, request.format, request.value, request.raw,
            request.shown, request.formatName);
    else
        SetTextValue(request.shown, request.comment);
    m_closed = false;
    show();
    raise();
    activateWindow();
}

bool ConversionFrame::takeClosedFlag()
{
    const bool closed = m_closed;
    m_closed = false;
    return closed;
}

void ConversionFrame::forgetPosition()
{
    g_position.reset();
}

void ConversionFrame::place()
{
    if (g_position) {
        move(*g_position);
        return;
    }
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (s) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
}

void ConversionFrame::showEvent(QShowEvent *event)
{
    place();
    QWidget::showEvent(event);
}

void ConversionFrame::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ConversionFrame::closeEvent(QCloseEvent *event)
{
    g_position = pos();
    m_closed = true;
    QWidget::closeEvent(event);
    Q_EMIT closed();
}

} // namespace tlv::viewer
