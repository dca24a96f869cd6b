#pragma once

#include <QString>
#include <QStringList>

namespace tlv::common {

// Paths written by Windows peers use '\'; ours use '/'. These helpers accept both.
[[nodiscard]] bool isSeparator(QChar c);
// "C:\a,D:\b\" -> {"C:\a\", "D:\b\"}: each folder gets a trailing backslash
// unless it already ends in '/' or '\'. Empty items are dropped.
[[nodiscard]] QStringList splitFolderList(const QString &list);
// The folder with a trailing separator unless it ends in one ('\' unless the
// text already uses '/').
[[nodiscard]] QString withTrailingSeparator(const QString &folder);
// The last path element: "C:\a\b.tlv" -> "b.tlv".
[[nodiscard]] QString lastPathElement(const QString &path);
// The folder part with its trailing separator: "C:\a\b.tlv" -> "C:\a\".
[[nodiscard]] QString folderOf(const QString &path);
// The last extension without the dot ("tlvd"), empty when the last element has none.
[[nodiscard]] QString lastExtension(const QString &path);
// The path with its last extension replaced ("x.tlv" + "tlvd" -> "x.tlvd");
// empty when the last element has no '.'.
[[nodiscard]] QString replaceLastExtension(const QString &path, const QString &extension);
// A path read from a file, turned into one this machine can open ('\' -> '/').
[[nodiscard]] QString toLocalPath(const QString &path);
// $TOLVANE_COMMON_DIR, else the XDG data home, then "Varnok/Tolvane"; with a
// trailing '/'. Created when missing.
[[nodiscard]] QString commonDataFolder();
// $TOLVANE_DOCUMENTS_DIR, else the XDG documents folder; trailing '/'.
[[nodiscard]] QString commonDocumentsFolder();

} // namespace tlv::common
