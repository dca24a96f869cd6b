#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QSaveFile;

namespace tlv::viewer {

// A file written in full or not at all: the target takes the new content only
// at commit(), so a failed or abandoned write never replaces a good file.
class SaveTarget
{
public:
    SaveTarget();
    ~SaveTarget();
    SaveTarget(const SaveTarget &) = delete;
    SaveTarget &operator=(const SaveTarget &) = delete;

    bool open(const QString &fileName);
    bool write(const QByteArray &bytes);
    // Closes either way; false when the target could not take the content.
    bool commit();
    // Drops everything written; the target stays as it was.
    void discard();

    [[nodiscard]] bool isOpen() const;
    // Why the last failing operation failed ("File not open" when never opened).
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    bool notOpen();

    std::unique_ptr<QSaveFile> m_file;
    QString m_error;
};

} // namespace tlv::viewer
