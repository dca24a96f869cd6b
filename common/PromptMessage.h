#pragma once

#include "common/Prompter.h"

#include <QList>
#include <QString>

namespace tlv::common {

// A message a lower layer leaves in its result; the host or the window shows it.
struct PromptMessage
{
    QString text;
    QString title;
    Prompter::Style style = Prompter::Style::Exclamation;

    friend bool operator==(const PromptMessage &, const PromptMessage &) = default;
};

using PromptMessages = QList<PromptMessage>;

// Shows the messages in their order.
inline void tell(Prompter &prompter, const PromptMessages &messages)
{
    for (const PromptMessage &m : messages)
        prompter.message(m.text, m.title, m.style);
}

} // namespace tlv::common
