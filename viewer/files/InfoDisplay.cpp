#include "InfoDisplay.h"

#include "common/Prompter.h"

namespace tlv::viewer {

bool InfoDisplay::show(common::Prompter &prompter, bool simulation, const QString &headerKey,
    const QString &filePath, const QString &infoText)
{
    using Style = common::Prompter::Style;
    const QString title = QStringLiteral("Tolvane");
    if (simulation) {
        prompter.message(QStringLiteral("No info in demo mode."), title, Style::Information);
        return false;
    }
    if (headerKey.isEmpty()) {
        prompter.message(QStringLiteral("No info avalaible."), title, Style::Information);
        return false;
    }
    if (infoText.isEmpty())
        return false;
    prompter.message(QStringLiteral("Info section :\r\r") + infoText, filePath, Style::Information);
    return true;
}

} // namespace tlv::viewer
