#pragma once

#include <QWidget>

namespace tlv::viewer {

// The bits of a value as a table of numbered cells, eight to a line, the most
// significant first; set bits are filled.
class BitPanel : public QWidget
{
    Q_OBJECT

public:
    explicit BitPanel(QWidget *parent = nullptr);

    void setValue(int bits, quint64 value);
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    [[nodiscard]] int lines() const { return (m_bits + 7) / 8; }
    [[nodiscard]] QSize cell() const;

    int m_bits = 0;
    quint64 m_value = 0;
};

} // namespace tlv::viewer
