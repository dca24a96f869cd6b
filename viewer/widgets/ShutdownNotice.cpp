#include "viewer/widgets/ShutdownNotice.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tlv::viewer {

ShutdownNotice::ShutdownNotice(QWidget *parent, int delayMs)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_delayMs(std::max(delayMs, 0))
{
    setObjectName(QStringLiteral("shutdownNotice"));
    setWindowTitle(QStringLiteral("Tolvane"));
    setModal(true);

    auto *notice = new QLabel(noticeText(), this);
    notice->setObjectName(QStringLiteral("noticeLabel"));
    QFont big = notice->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    notice->setFont(big);
    notice->setAlignment(Qt::AlignCenter);

    auto *command = new QLabel(commandText(), this);
    command->setObjectName(QStringLiteral("commandLabel"));
    command->setAlignment(Qt::AlignCenter);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 22, 28, 22);
    layout->setSpacing(10);
    layout->addWidget(notice);
    layout->addWidget(command);
    setFixedSize(sizeHint());
}

void ShutdownNotice::showAndWait()
{
    QTimer::singleShot(m_delayMs, this, &QDialog::accept);
    exec();
}

void ShutdownNotice::keyPressEvent(QKeyEvent *event)
{
    // The notice is not to be dismissed early: the shutdown follows anyway.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tlv::viewer
