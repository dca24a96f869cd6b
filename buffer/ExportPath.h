#pragma once

#include <QString>

namespace tlv::buffer {

// The export file is stored relative to the project folder so a project can
// move with its exports. Both '\' and '/' are accepted as separators; what is
// written uses '\', as the Windows peers expect.

// Absolute path -> the form stored in the project file.
[[nodiscard]] QString exportPathToStored(const QString &path, const QString &projectFile);
// Stored form -> absolute path, in the separator style of the project path.
[[nodiscard]] QString exportPathToAbsolute(const QString &stored, const QString &projectFile);

} // namespace tlv::buffer
