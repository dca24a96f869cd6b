#pragma once

#include "common/PromptMessage.h"

#include <functional>

namespace tlv::common {

// What a lower layer tells or asks in the middle of an operation it cannot split (a load the
// reading cycle drives), without holding a prompter: it composes the texts, whoever hosts it
// shows them, usually through() its own prompter. An empty seam tells and asks nothing.
class PromptSeam
{
public:
    using FileRequest = Prompter::FileRequest;
    using Teller = std::function<void(const PromptMessage &message)>;
    using FileAsker = std::function<QString(const PromptMessage &question, const FileRequest &)>;

    PromptSeam() = default;
    PromptSeam(Teller teller, FileAsker fileAsker)
        : m_teller(std::move(teller))
        , m_fileAsker(std::move(fileAsker))
    { }
    // Both through prompter; an empty seam for none.
    static PromptSeam through(Prompter *prompter)
    {
        if (!prompter)
            return {};
        return { [prompter](const PromptMessage &message) { common::tell(*prompter, { message }); },
            [prompter](const PromptMessage &question, const FileRequest &request) {
                if (prompter->message(
                        question.text, question.title, question.style, Prompter::Buttons::YesNo)
                    != Prompter::Answer::Yes)
                    return QString();
                return prompter->openFile(request);
            } };
    }

    // Shows message as it comes; the operation goes on.
    void tell(const PromptMessage &message) const
    {
        if (m_teller)
            m_teller(message);
    }
    // Asks question (Yes/No), then on Yes for a file: its path, empty when declined or
    // cancelled or when nobody can be asked.
    [[nodiscard]] QString askForFile(
        const PromptMessage &question, const FileRequest &request) const
    {
        return m_fileAsker ? m_fileAsker(question, request) : QString();
    }
    [[nodiscard]] bool canAsk() const { return bool(m_fileAsker); }

private:
    Teller m_teller;
    FileAsker m_fileAsker;
};

} // namespace tlv::common
