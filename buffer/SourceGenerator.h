#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace tlv::buffer {

class UserColumns;

// Writes the PCD source that makes a user buffer live in the controller: a
// preamble, the configuration call, symbol declarations, the optional
// on-change block and the record block. CP1252, CRLF. It does not validate;
// run the layout validation first, which also sets the record length.
class SourceGenerator
{
public:
    // "plant.tlvr" -> "plant.tlvs"; any case of the extension, and never the
    // project path itself.
    [[nodiscard]] static QString sourcePathFor(const QString &projectPath);
    // 3.1.260 -> "31260", 3.1.7 -> "31007".
    [[nodiscard]] static QString programVersionNumber(int major, int minor, int revision);
    // This program's own version number.
    [[nodiscard]] static QString programVersionNumber();
    // "1000" -> "R 1000"; anything already holding a blank stays (trimmed).
    [[nodiscard]] static QString startAddress(const QString &startReg);
    // "Bit" -> "Q", "Long" with "%t" -> "Lt", "Word" with "%m" -> "Wm".
    [[nodiscard]] static QString typeLetter(const QString &dataType, const QString &format);
    // Not empty and its second character is not a blank.
    [[nodiscard]] static bool isSymbol(const QString &variable);

    // The whole file as bytes.
    [[nodiscard]] static QByteArray text(
        const UserColumns &buffer, const QDateTime &now, const QString &versionNumber);
    // Rewrites the file; false with errorString() when it could not be written to the end.
    bool write(const UserColumns &buffer, const QString &path,
        const QDateTime &now = QDateTime::currentDateTime());
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    QString m_error;
};

} // namespace tlv::buffer
