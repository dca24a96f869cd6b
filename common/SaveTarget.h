#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QFile;

namespace tlv::common {

// A file written in full or not at all, the one way every file here is replaced: the
// target takes the new content only at commit(), so a failed or abandoned write never
// replaces a good file. The content goes to a file of its own beside the target, renamed
// over it at commit(). Unlike QSaveFile it does not wait for the disk at commit(): that
// wait cost an export more than writing it.
class SaveTarget
{
public:
    SaveTarget();
    ~SaveTarget();
    SaveTarget(const SaveTarget &) = delete;
    SaveTarget &operator=(const SaveTarget &) = delete;

    bool open(const QString &fileName);
    bool write(const char *data, qsizetype size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // Closes either way; false when the target could not take the content.
    bool commit();
    // Drops everything written; the target stays as it was.
    void discard();

    [[nodiscard]] bool isOpen() const;
    // Why the last failing operation failed ("File not open" when never opened).
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    bool notOpen();

    std::unique_ptr<QFile> m_file; // the new content, under a name of its own
    QString m_target; // the file it replaces, symbolic links followed
    QString m_error;
    bool m_writeFailed = false; // a write fell short: the content is no whole file
};

} // namespace tlv::common
