#include "app/window/HelpWindow.h"

#include <QAction>
#include <QDesktopServices>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace tlv::app {

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Tolvane help"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txbHelp"));
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(760, 620);
    // Closed as other windows are: Escape, and Ctrl+W (the desktop's Close key).
    auto *closing = new QAction(this);
    closing->setObjectName(QStringLiteral("closeHelp"));
    QList<QKeySequence> keys { QKeySequence(Qt::Key_Escape) };
    keys += QKeySequence::keyBindings(QKeySequence::Close);
    if (!keys.contains(QKeySequence(Qt::CTRL | Qt::Key_W)))
        keys.append(QKeySequence(Qt::CTRL | Qt::Key_W));
    closing->setShortcuts(keys);
    closing->setShortcutContext(Qt::WindowShortcut);
    connect(closing, &QAction::triggered, this, &QWidget::close);
    addAction(closing);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Tolvane help") : title);
    });
}

void HelpWindow::showPage(const QString &file)
{
    m_browser->setSource(QUrl::fromLocalFile(file));
    show();
    raise();
    activateWindow();
}

} // namespace tlv::app
