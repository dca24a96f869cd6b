#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace tlv::common {

// Private-profile access to INI files as PG5 and its Windows peers use them:
// case-insensitive section and key names, first match wins, values trimmed,
// CP1252 on disk, CRLF for lines we write. Every call reads the file afresh,
// so other writers see each other's changes.
class IniProfile
{
public:
    static constexpr int ValueLimit = 255;
    static constexpr int SectionLimit = 32764;

    // The value of key in section, cut to maxChars, or defaultValue when the
    // file, section or key is missing.
    [[nodiscard]] static QString read(const QString &file, const QString &section,
        const QString &key, const QString &defaultValue = {}, int maxChars = ValueLimit);
    // The lines of a whole section in order as "key=value" with both sides
    // trimmed (a line without "=" as its trimmed text), comments and blank
    // lines left out; empty when missing. Not cut: callers that keep the
    // SectionLimit measure the lines (each + 1 for its separator) themselves.
    [[nodiscard]] static QStringList readSection(const QString &file, const QString &section);
    // Section names in file order.
    [[nodiscard]] static QStringList sections(const QString &file);

    // Replaces the first matching key in place, else appends it to its section,
    // else appends the section; creates the file; keeps every other byte.
    // False when the file cannot be read or written, or when a name or value
    // would not read back as written (line breaks, "]" in a section, "=" in a
    // key); the old file then stays intact.
    static bool write(
        const QString &file, const QString &section, const QString &key, const QString &value);
    // Replaces a whole section's lines (creating it at the end when missing) and drops any
    // later copy of it, in one write; blank lines after the section stay. False for a line
    // that starts with "[".
    static bool writeSection(const QString &file, const QString &section, const QStringList &lines);
    // Removes a section with all its keys; true when nothing is left of it.
    static bool eraseSection(const QString &file, const QString &section);
    // Removes one key; true when it is gone.
    static bool eraseKey(const QString &file, const QString &section, const QString &key);
};

// One INI text parsed once and read as IniProfile reads a file: for readers
// that take many keys from one file, or take bytes that never were a file.
class IniText
{
public:
    IniText() = default;
    explicit IniText(const QByteArray &data);
    // Empty when the file is missing or cannot be read.
    [[nodiscard]] static IniText fromFile(const QString &path);

    // As IniProfile::read and IniProfile::readSection.
    [[nodiscard]] QString read(const QString &section, const QString &key,
        const QString &defaultValue = {}, int maxChars = IniProfile::ValueLimit) const;
    [[nodiscard]] QStringList readSection(const QString &section) const;
    [[nodiscard]] QStringList sections() const;

private:
    struct Section
    {
        QString name;
        QList<QStringList> entries; // key, value; a line without "=" is its key alone
    };
    QList<Section> m_sections;
};

} // namespace tlv::common
