#pragma once

#include <QString>

namespace tlv::common {

// Every message box and file dialog of Tolvane goes through a Prompter, so the
// window shows real dialogs, tests script the answers and the CLI never waits.
class Prompter
{
public:
    // Plain: OK and no icon at all.
    enum class Style { Critical, Exclamation, Information, Question, Plain };
    enum class Buttons { Ok, YesNo, YesNoCancel, RetryCancel };
    enum class Answer { Ok, Yes, No, Cancel, Retry };

    struct FileRequest
    {
        QString title;
        QString filter; // "Trace project (*.tlvr)|*.tlvr" style or Qt style
        QString defaultExtension; // without the dot
        QString initialPath;
        bool mustExist = false;
    };

    virtual ~Prompter() = default;

    // Shows a message and returns the button pressed.
    virtual Answer message(
        const QString &text, const QString &title, Style style, Buttons buttons = Buttons::Ok)
        = 0;
    // Shows a message without waiting for it: for what is told while reading goes on.
    virtual void notice(const QString &text, const QString &title, Style style)
    {
        message(text, title, style);
    }
    // Returns the chosen path, or an empty text when cancelled.
    virtual QString openFile(const FileRequest &request) = 0;
    virtual QString saveFile(const FileRequest &request) = 0;
};

} // namespace tlv::common
