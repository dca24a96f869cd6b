#pragma once

#include <QString>

namespace tlv::common {
class Prompter;
}

namespace tlv::viewer {

// What the control's Info button shows about the loaded description.
class InfoDisplay
{
public:
    // True when a box with the info text was shown (the grid then takes the focus back).
    static bool show(common::Prompter &prompter, bool simulation, const QString &headerKey,
        const QString &filePath, const QString &infoText);
};

} // namespace tlv::viewer
