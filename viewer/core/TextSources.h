#pragma once

#include <QString>

#include <optional>

namespace tlv::viewer {

struct ColumnDescription;

// What the decoder needs from the text files and the PCD symbol file. The file
// layer fills it; without one the decoder shows "<" value ">" or the bare value.
class TextSources
{
public:
    virtual ~TextSources() = default;

    // Text of value in the text group named by the column's Title ("f": plain
    // false, "F": plain true). Sets comment to the entry's comment, or empties it.
    virtual QString textFileText(
        const ColumnDescription &column, qint64 value, bool plain, QString *comment)
        = 0;
    // Symbol name and comment for a media text such as "R 100"; nullopt when
    // no symbol has that address.
    [[nodiscard]] virtual std::optional<QString> symbolName(const QString &mediaText) const = 0;
    [[nodiscard]] virtual std::optional<QString> symbolComment(const QString &mediaText) const = 0;
    // The symbol file is loaded lazily, at the first symbol format of a description.
    virtual void ensureSymbolsLoaded() { }
    // A value that cannot be rendered as a media text (address above 32767).
    virtual void mediaTextFailed(const QString &message) { Q_UNUSED(message); }
};

} // namespace tlv::viewer
