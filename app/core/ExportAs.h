#pragma once

#include <QString>

namespace tlv::common {
class Prompter;
}

namespace tlv::app {

// File -> "Export as...": asks where a copy of the grid goes, offering the endings an
// export writes. The export file in force (else "Tolvane.xls" in the project folder)
// is proposed. Empty when cancelled or refused (told through the prompter).
[[nodiscard]] QString chooseExportAsFile(
    common::Prompter &prompter, const QString &exportFile, const QString &projectFolder);

} // namespace tlv::app
