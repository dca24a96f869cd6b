#pragma once

#include "common/Prompter.h"

#include <QList>
#include <QString>

namespace tlv::common {

// A message a lower layer leaves in its result; the host or the window shows it.
struct PromptMessage
{
    using Style = Prompter::Style;

    QString text;
    QString title;
    Style style = Style::Exclamation;
    // Told without waiting for the user: the reading goes on behind it.
    bool notice = false;

    friend bool operator==(const PromptMessage &, const PromptMessage &) = default;
};

using PromptMessages = QList<PromptMessage>;

// Shows the messages in their order.
inline void tell(Prompter &prompter, const PromptMessages &messages)
{
    for (const PromptMessage &m : messages) {
        if (m.notice)
            prompter.notice(m.text, m.title, m.style);
        else
            prompter.message(m.text, m.title, m.style);
    }
}

} // namespace tlv::common
