#pragma once

#include <QDialog>

class QRadioButton;

namespace tlv::app {

struct BufferTypeTexts;

// Chooses the buffer type of a new project: 0 standard, 1 configured,
// 2 public events, -1 when cancelled or nothing was chosen.
class frmSelectBuffer : public QDialog
{
    Q_OBJECT
public:
    frmSelectBuffer(const BufferTypeTexts &texts, QWidget *parent = nullptr);

    [[nodiscard]] qint16 bufferType() const { return m_type; }
    [[nodiscard]] QRadioButton *option(int type) const;

private:
    QRadioButton *m_options[3] = {};
    qint16 m_type = -1;
};

} // namespace tlv::app
