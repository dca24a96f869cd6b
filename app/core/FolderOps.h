#pragma once

#include <QString>

#include <functional>

namespace tlv::common {
class Prompter;
}

namespace tlv::app {

// Folder creation with all parents after checking the drive, as the program
// does for its data folder. Paths may be in Windows form ("d:\a\b",
// "\\server\share\x") as they appear in files from Windows peers, or POSIX.
class FolderOps
{
public:
    // Lists a root folder; false with a description when it cannot be read.
    using RootLister = std::function<bool(const QString &root, QString *error)>;

    explicit FolderOps(common::Prompter &prompter);

    // The lister used by CheckDrive (tests stand in for drives and shares).
    void setRootLister(RootLister lister) { m_lister = std::move(lister); }

    // True when the folder exists or could be created (messages shown).
    bool EnsureFolder(const QString &path);
    // Creates the path with every missing parent; true when it exists afterwards.
    bool CreateFolderPath(const QString &path, bool showMessages);
    [[nodiscard]] static bool FolderExists(const QString &path);
    // Lower-case root of a Windows-form path ("d:\", "\\server\share\"); "/" for
    // an absolute POSIX path. False when the path has no root.
    [[nodiscard]] static bool PathRoot(const QString &path, QString &root);
    // Retries a local drive on request; a network root fails at once.
    bool CheckDrive(const QString &root, const QString &title);
    [[nodiscard]] static bool IsNetworkPath(const QString &path);

    // The default lister: the root read as a folder of this machine.
    static bool listRoot(const QString &root, QString *error);

private:
    common::Prompter &m_prompter;
    RootLister m_lister;
};

} // namespace tlv::app
