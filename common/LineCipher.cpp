#include "common/LineCipher.h"

#include "common/PathUtil.h"
#include "common/Prompter.h"
#include "common/SaveTarget.h"

#include <QFile>
#include <QList>

namespace tlv::common {

namespace {

constexpr char Key[] = "Wd5Krxn_Blqet-8";
constexpr int LastKey = 14;
static_assert(sizeof(Key) - 1 == LastKey + 1);

const QByteArray Crlf = QByteArrayLiteral("\r\n");

enum class Direction { Encipher, Decipher };

int nextKey(int k)
{
    return k == LastKey ? 0 : k + 1;
}

// Lines end in LF with an optional CR before it; a last line without LF
// counts, and a CR that ends the data ends that line.
QList<QByteArray> splitLines(const QByteArray &data)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        const qsizetype lf = data.indexOf('\n', start);
        qsizetype end = lf < 0 ? data.size() : lf;
        if (end > start && data[end - 1] == '\r')
            --end;
        lines.append(data.mid(start, end - start));
        start = lf < 0 ? data.size() : lf + 1;
    }
    return lines;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

bool transform(const QByteArray &source, Direction direction, QByteArray *result, QString *error)
{
    QByteArray out;
    out.reserve(source.size() + source.size() / 16 + 2);
    int p = 0;
    bool info = false;
    int lineNumber = 0;
    for (const QByteArray &line : splitLines(source)) {
        ++lineNumber;
        if (line.startsWith('[')) {
            info = line.toUpper().contains("INFO");
            p = 0;
        }
        if (line.isEmpty() || line.startsWith('[') || info) {
            out += line + Crlf;
            continue;
        }
        QByteArray shifted(line.size(), Qt::Uninitialized);
        int k = p;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const int c = static_cast<unsigned char>(line[i]);
            const int key = static_cast<unsigned char>(Key[k]);
            int code;
            if (direction == Direction::Encipher) {
                // Deciphering refuses a CR inside a line (it never comes out of a
                // file enciphered here), so one must not go in.
                if (c == '\r') {
                    setError(error,
                        QStringLiteral("Line %1 cannot be enciphered: it holds a carriage "
                                       "return inside the line.")
                            .arg(lineNumber));
                    return false;
                }
                code = (c < 128 ? c : 127) + key;
            } else {
                code = c - key;
                // No key is below 45, so a line break can never come out of
                // enciphering: a file that deciphers to one was never enciphered.
                if (c < key || code == '\r' || code == '\n') {
                    setError(error, LineCipher::IncorrectFile);
                    return false;
                }
            }
            shifted[i] = static_cast<char>(code);
            k = nextKey(k);
        }
        // '.' under '-', '&' under '5' and '#' under '8' encipher to '['; such a
        // line would be taken for a section header and never decipher again.
        // Deciphered, a '[' in front means the file was damaged: a plain line
        // starting with '[' is a section header and is never shifted.
        if (shifted.startsWith('[') && direction == Direction::Decipher) {
            setError(error, LineCipher::IncorrectFile);
            return false;
        }
        if (shifted.startsWith('[')) {
            setError(error,
                QStringLiteral("Line %1 cannot be enciphered: it would read back as a "
                               "section header.")
                    .arg(lineNumber));
            return false;
        }
        out += shifted + Crlf;
        p = nextKey(p);
    }
    *result = out;
    return true;
}

bool readAll(const QString &path, QByteArray *data, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error,
            QStringLiteral("Cannot read ") + path + QStringLiteral(" : ") + file.errorString());
        return false;
    }
    *data = file.readAll();
    return true;
}

// Whole or nothing: a failed write never leaves half a file behind.
bool writeAll(const QString &path, const QByteArray &data, QString *error)
{
    SaveTarget file;
    if (!file.open(path) || !file.write(data) || !file.commit()) {
        setError(error,
            QStringLiteral("Cannot write ") + path + QStringLiteral(" : ") + file.errorString());
        return false;
    }
    return true;
}

} // namespace

bool LineCipher::encipher(const QByteArray &plain, QByteArray *enciphered, QString *error)
{
    return transform(plain, Direction::Encipher, enciphered, error);
}

bool LineCipher::decipher(const QByteArray &enciphered, QByteArray *plain, QString *error)
{
    return transform(enciphered, Direction::Decipher, plain, error);
}

bool LineCipher::decipherFile(const QString &source, const QString &target, QString *error)
{
    const QString extension = common::lastExtension(source).toLower();
    if (extension != QLatin1String("tlvd") && extension != QLatin1String("tlv")) {
        setError(error, BadExtension);
        return false;
    }
    QByteArray data;
    QByteArray plain;
    return readAll(source, &data, error) && decipher(data, &plain, error)
        && writeAll(target, plain, error);
}

QString LineCipher::encipherFile(const QString &source, QString *error)
{
    const QString target = common::replaceLastExtension(source, QStringLiteral("tlvd"));
    if (target.isEmpty()) {
        setError(error, QStringLiteral("No extension in the file name ") + source);
        return {};
    }
    if (target == source) {
        setError(error, QStringLiteral("The enciphered file would replace its source ") + source);
        return {};
    }
    QByteArray plain;
    QByteArray enciphered;
    if (!readAll(source, &plain, error) || !encipher(plain, &enciphered, error)
        || !writeAll(target, enciphered, error)) {
        return {};
    }
    return target;
}

bool LineCipher::crypt(const QString &fileName, Prompter &prompter)
{
    const bool done = !encipherFile(fileName).isEmpty();
    prompter.message(QStringLiteral("File ") + fileName + QStringLiteral("\r\r")
            + (done ? CryptSuccessful : CryptAborted),
        QStringLiteral("Cryptage Tolvane"), common::Prompter::Style::Information);
    return done;
}

} // namespace tlv::common
