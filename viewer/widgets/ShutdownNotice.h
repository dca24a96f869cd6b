#pragma once

#include <QDialog>

namespace tlv::viewer {

// The small modal window shown when the PCD program asks the application to
// shut down; it closes itself after a delay.
class ShutdownNotice : public QDialog
{
    Q_OBJECT

public:
    static constexpr int DefaultDelayMs = 3000;

    explicit ShutdownNotice(QWidget *parent = nullptr, int delayMs = DefaultDelayMs);

    // Shows the window modally and returns once it closed itself.
    void showAndWait();

    [[nodiscard]] static QString noticeText()
    {
        return QStringLiteral("Tolvane Application will shut down...");
    }
    [[nodiscard]] static QString commandText() { return QStringLiteral("Shutdown Command"); }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_delayMs;
};

} // namespace tlv::viewer
