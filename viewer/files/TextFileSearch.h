#pragma once

#include <QString>
#include <QStringList>

namespace tlv::viewer {

// Finds the value-text files named by a description: a plain name is looked
// up in each folder in turn, a name with "*" gives every match in each folder.
// Names compare without regard to case, as on the PG5 side.
class TextFileSearch
{
public:
    // The files in search order. False with a description in error when a
    // folder exists but cannot be searched; the files found so far are kept.
    static bool find(
        const QStringList &folders, const QString &textFile, QStringList *files, QString *error);
    // path itself when it exists, else the file in its folder whose name
    // differs only in case, else an empty text.
    [[nodiscard]] static QString existingFile(const QString &path);
};

} // namespace tlv::viewer
