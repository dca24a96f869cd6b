#pragma once

#include "common/Prompter.h"

#include <QTextStream>

namespace tlv::common {

// The command line's prompter: prints every message to the error stream and
// answers at once (Ok or Yes; Cancel for Retry/Cancel, so nothing loops).
// File dialogs print a note and return an empty path.
class ConsolePrompter : public Prompter
{
public:
    ConsolePrompter(); // writes to stderr
    explicit ConsolePrompter(QTextStream *err);

    Answer message(const QString &text, const QString &title, Style style,
        Buttons buttons = Buttons::Ok) override;
    QString openFile(const FileRequest &request) override;
    QString saveFile(const FileRequest &request) override;

    // The answer given without asking.
    [[nodiscard]] static Answer defaultAnswer(Buttons buttons);

private:
    QTextStream m_stderr;
    QTextStream *m_err;
};

} // namespace tlv::common
