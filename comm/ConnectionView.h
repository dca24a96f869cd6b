#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::comm {

// What the connection and the read serving show on the main window. The window
// implements it; the CLI and the tests record it.
class ConnectionView
{
public:
    static constexpr quint32 Blue = 0x0000FF; // red, green, blue
    static constexpr quint32 Red = 0xFF0000;

    virtual ~ConnectionView() = default;

    // Panel 1 holds the connection state, panel 2 messages.
    virtual void setStatusPanel(int panel, const QString &text) = 0;
    // True: a connection can be made ("Connect"); false: "Disconnect".
    virtual void ButtonConnect(bool connect) = 0;
    // Non-empty texts become captions of Start, Run and Stop; setFocus 1-3 picks one, 0 none.
    virtual void ButtonsStart(const QString &staTxt, bool staEn, const QString &runTxt, bool runEn,
        const QString &stoTxt, bool stoEn, qint16 setFocus = 0)
        = 0;
    // Caption of the Run/Pause button alone.
    virtual void setRunCaption(const QString &caption) = 0;
    virtual void setConnectionFrame(const QString &caption, quint32 rgb) = 0;
    virtual void setProgressRange(int minimum, int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    virtual void setAbortEnabled(bool enabled) = 0;
    virtual void beep() = 0;
};

} // namespace tlv::comm
