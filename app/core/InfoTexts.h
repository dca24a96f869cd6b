#pragma once

#include <QString>

namespace tlv::app {

// Texts of the start information and about windows.
namespace InfoTexts {

inline constexpr char16_t AppTitle[] = u"Tolvane";

// Caption of the start information window.
[[nodiscard]] QString infoCaption();
// What the start information window shows, lines joined by CR LF.
[[nodiscard]] QString startInfo();
[[nodiscard]] QString aboutCaption();
// "Version 1.0.000": the revision always has three digits.
[[nodiscard]] QString versionText(int major, int minor, int revision);
// This program's version.
[[nodiscard]] QString versionText();

} // namespace InfoTexts
} // namespace tlv::app
