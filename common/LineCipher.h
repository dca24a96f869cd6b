#pragma once

#include <QByteArray>
#include <QString>

namespace tlv::common {

class Prompter;

// The line cipher of buffer description files: section headers and the [INFO]
// section stay readable, every other line is shifted by a fixed key.
class LineCipher
{
public:
    // Texts the system shows.
    static inline const QString BadExtension = QStringLiteral("Bad source file extension !");
    static inline const QString IncorrectFile = QStringLiteral("Incorrect file !");
    static inline const QString CryptSuccessful = QStringLiteral("Cryptage successful !");
    static inline const QString CryptAborted = QStringLiteral("Cryptage aborted !");

    // Work on the raw bytes of a file (lines split on CR LF or LF); each result
    // line ends in CR LF. Both return false and set error on input they cannot
    // turn into a file that reads back the same way.
    static bool encipher(const QByteArray &plain, QByteArray *enciphered, QString *error);
    [[nodiscard]] static bool decipher(
        const QByteArray &enciphered, QByteArray *plain, QString *error);

    // The conversion step the description loader runs before reading a
    // description: checks the extension (".tlv" or ".tlvd"), deciphers source
    // into target. False with the system's message in error.
    static bool decipherFile(const QString &source, const QString &target, QString *error);
    // Enciphers source into the same path with its last extension replaced by
    // ".tlvd"; returns the target path, or an empty text on any failure.
    // Refuses a source that already ends in ".tlvd" (it would be overwritten)
    // and a line that would read back as a section header.
    static QString encipherFile(const QString &source, QString *error = nullptr);
    // The control's `Crypt`: enciphers fileName and tells the outcome in an
    // information box titled "Cryptage Tolvane". True on success.
    static bool crypt(const QString &fileName, common::Prompter &prompter);
};

} // namespace tlv::common
