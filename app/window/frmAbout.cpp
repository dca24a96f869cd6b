#include "app/window/frmAbout.h"

#include "app/core/InfoTexts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tlv::app {

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(InfoTexts::aboutCaption());
    auto *layout = new QHBoxLayout(this);
    auto *icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    layout->addWidget(icon);

    auto *texts = new QVBoxLayout;
    auto *title = new QLabel(QString::fromUtf16(InfoTexts::AppTitle), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    auto *version = new QLabel(InfoTexts::versionText(), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto *about
        = new QLabel(QStringLiteral("Reads, shows and exports the trace buffers of Saia PCD "
                                    "controllers.\nAn add-on tool for Saia PG5."),
            this);
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addSpacing(8);
    texts->addWidget(about);
    texts->addStretch();
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    texts->addLayout(row);
    layout->addLayout(texts);
}

} // namespace tlv::app
