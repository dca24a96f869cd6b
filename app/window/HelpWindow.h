#pragma once

#include <QWidget>

class QTextBrowser;

namespace tlv::app {

// The HTML help in the program's own window, for a desktop that has no
// program to open it with. Links to other pages of the help follow inside;
// addresses outside it go to the desktop.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Shows the page (a local HTML file) and brings the window to the front.
    void showPage(const QString &file);
    [[nodiscard]] QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser = nullptr;
};

} // namespace tlv::app
