#include "app/window/frmSelectBuffer.h"

#include "app/core/BufferTypeSetup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace tlv::app {

frmSelectBuffer::frmSelectBuffer(const BufferTypeTexts &texts, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelectBuffer"));
    setWindowTitle(QStringLiteral("Choise the Buffer Type "));
    auto *layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->setVerticalSpacing(12);
    const QString names[] = { QStringLiteral("Standard Buffer"),
        QStringLiteral("Configured Buffer"), QStringLiteral("Public Events Buffer") };
    const QString descriptions[] = { texts.standard, texts.configured, texts.publicEvents };
    const QString objectNames[] = { QStringLiteral("optStandard"), QStringLiteral("optConfigured"),
        QStringLiteral("optPublicEvents") };
    auto *group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_options[i] = new QRadioButton(names[i], this);
        m_options[i]->setObjectName(objectNames[i]);
        group->addButton(m_options[i], i);
        auto *label = new QLabel(descriptions[i], this);
        label->setObjectName(QStringLiteral("lblType%1").arg(i));
        label->setWordWrap(true);
        label->setMinimumWidth(340);
        layout->addWidget(m_options[i], i, 0, Qt::AlignTop);
        layout->addWidget(label, i, 1);
    }
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 3, 0, 1, 2);
    connect(ok, &QPushButton::clicked, this, [this, group] {
        m_type = BufferTypeTexts::result(true, group->checkedId());
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_type = BufferTypeTexts::result(false, -1);
        reject();
    });
}

QRadioButton *frmSelectBuffer::option(int type) const
{
    return type >= 0 && type < 3 ? m_options[type] : nullptr;
}

} // namespace tlv::app
