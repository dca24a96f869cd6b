#pragma once

#include "comm/ConnectionView.h"

namespace tlv::comm {

// A connection view without a window: it keeps the outcome text of status
// panel 2 and lets every button, caption and progress change pass. The CLI,
// the headless recorder and tests use it.
class StatusTextView : public ConnectionView
{
public:
    QString panel2;

    void setStatusPanel(int panel, const QString &text) override
    {
        if (panel == 2)
            panel2 = text;
    }
    void ButtonConnect(bool) override { }
    void ButtonsStart(
        const QString &, bool, const QString &, bool, const QString &, bool, qint16) override
    { }
    void setRunCaption(const QString &) override { }
    void setConnectionFrame(const QString &, quint32) override { }
    void setProgressRange(int, int) override { }
    void setProgressValue(int) override { }
    void setAbortEnabled(bool) override { }
    void beep() override { }
};

} // namespace tlv::comm
