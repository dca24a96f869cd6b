#include "app/window/frmInfo.h"

#include "app/core/InfoTexts.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tlv::app {

frmInfo::frmInfo(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(InfoTexts::infoCaption());
    auto *layout = new QVBoxLayout(this);
    auto *info = new QPlainTextEdit(this);
    info->setObjectName(QStringLiteral("txbInfo"));
    info->setReadOnly(true);
    QString text = InfoTexts::startInfo();
    info->setPlainText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    info->setMinimumSize(480, 170);
    layout->addWidget(info);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    layout->addLayout(row);
}

} // namespace tlv::app
