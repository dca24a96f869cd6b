#pragma once

#include <QString>

namespace tlv::app {

// The folders the program works with. On Windows they were the program's own
// folder and two shell folders; here they come from the environment (see
// common/PathUtil.h) so that tests and installed copies can move them.
struct AppFolders
{
    // Folder of the executable, with a trailing '/'.
    QString programFolder;
    // The system's common application data folder (no "Varnok/Tolvane"), trailing '/'.
    QString commonAppData;
    // The program's own data folder, commonAppData + "Varnok/Tolvane/", trailing '/'.
    QString commonDataFolder;
    // The system's common documents folder, trailing '/'; empty when unknown.
    QString commonDocuments;

    // Folders of this machine; the common data folder is not created here.
    [[nodiscard]] static AppFolders detect(const QString &programFolder);
    // A program file ("Tolvane.ini", "demo.tlvr", the help): beside the
    // program, else in ../share/tolvane of an installed copy; the program
    // folder's path when neither exists.
    [[nodiscard]] QString programFile(const QString &name) const;
    [[nodiscard]] QString settingsFile() const { return commonDataFolder + u"Settings.ini"; }
    // PG5 1.x folders that the registry held on Windows.
    [[nodiscard]] QString registryFile() const { return commonDataFolder + u"Registry.ini"; }
};

} // namespace tlv::app
