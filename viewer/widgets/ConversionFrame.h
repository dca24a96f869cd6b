#pragma once

#include "viewer/widgets/ConversionText.h"

#include <QWidget>

#include <array>

class QLabel;

namespace tlv::viewer {
class BitPanel;
}

namespace tlv::viewer {

// A small tool window showing one grid value in several bases, or a value text
// with its comment. It remembers where the user left it; Escape closes it.
class ConversionFrame : public QWidget
{
    Q_OBJECT

public:
    explicit ConversionFrame(QWidget *parent = nullptr);

    // formatName: the column's format as it stands, named in the last row's
    // caption (else the conversion letter of format is).
    void SetValue(qint16 bits, qint16 hexDigits, qint16 format, quint64 value, qint64 raw,
        const QString &shown = {}, const QString &formatName = {});
    void SetTextValue(const QString &text, const QString &comment);
    // Opens the window for what a grid cell holds.
    void showRequest(const ConversionText::Request &request);

    [[nodiscard]] const ConversionText &texts() const { return m_texts; }
    [[nodiscard]] QLabel *ConvLabel(int index) const { return m_labels.at(size_t(index)); }
    [[nodiscard]] QLabel *ConvValue(int index) const { return m_values.at(size_t(index)); }
    [[nodiscard]] BitPanel *bitPanel() const { return m_bitPanel; }

    // True once after the window was closed: the grid takes the focus back.
    bool takeClosedFlag();
    // Forgets the remembered position (the next opening is centred).
    static void forgetPosition();

Q_SIGNALS:
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void apply(const ConversionText &texts);
    void place();
    [[nodiscard]] int pixels(int twips) const;

    ConversionText m_texts;
    std::array<QLabel *, 4> m_labels {};
    std::array<QLabel *, 4> m_values {};
    BitPanel *m_bitPanel = nullptr;
    int m_bitBits = 0;
    quint64 m_bitValue = 0;
    bool m_closed = false;
};

} // namespace tlv::viewer
