#include "common/SaveTarget.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>

namespace tlv::common {

namespace {

// The target's name and six random letters or digits, in the target's folder so that
// the rename at commit() stays on one file system and replaces the target at once.
QString stagingName(const QString &target)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = target + u'.';
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return name;
}

} // namespace

SaveTarget::SaveTarget() = default;

SaveTarget::~SaveTarget()
{
    discard();
}

bool SaveTarget::isOpen() const
{
    return m_file && m_file->isOpen();
}

bool SaveTarget::notOpen()
{
    // An earlier failure says more than that the file is closed.
    if (m_error.isEmpty())
        m_error = QStringLiteral("File not open");
    return false;
}

bool SaveTarget::open(const QString &fileName)
{
    discard();
    m_error.clear();
    m_writeFailed = false;
    QFileInfo target(fileName);
    if (target.exists() && !target.isWritable()) {
        m_error = QStringLiteral("Existing file %1 is not writable").arg(fileName);
        return false;
    }
    if (target.isDir()) {
        m_error = QStringLiteral("Filename refers to a directory");
        return false;
    }
    // A link stays a link: the file it leads to takes the content.
    int depth = 128;
    while (--depth && target.isSymLink())
        target.setFile(target.symLinkTarget());
    m_target = depth > 0 ? target.filePath() : fileName;

    // A new file gets what any new file gets (0666 less the umask); a replaced one keeps its
    // permissions, and nobody else may read the content before it has them.
    const bool replaces = target.exists();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto file = std::make_unique<QFile>(stagingName(m_target));
        const QIODevice::OpenMode mode
            = QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered;
        const bool opened = replaces
            ? file->open(mode, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
            : file->open(mode);
        if (opened) {
            if (replaces)
                file->setPermissions(target.permissions());
            m_file = std::move(file);
            return true;
        }
        // Another file took that name: try another one.
        if (!file->exists()) {
            m_error = file->errorString();
            return false;
        }
    }
    m_error = QStringLiteral("No free name beside %1").arg(fileName);
    return false;
}

bool SaveTarget::write(const char *data, qsizetype size)
{
    if (!isOpen())
        return notOpen();
    if (m_file->write(data, size) != size) {
        m_error = m_file->errorString();
        m_writeFailed = true;
        return false;
    }
    return true;
}

bool SaveTarget::commit()
{
    if (!isOpen())
        return notOpen();
    if (m_writeFailed) {
        discard(); // the error of the write stays
        return false;
    }
    m_file->close();
    if (m_file->error() != QFileDevice::NoError) {
        m_error = m_file->errorString();
        discard();
        return false;
    }
    // No sync to the disk: waiting for it took longer than writing the whole file. A crash
    // still never leaves a half-written target; the journal is what outlives a power loss.
    if (std::rename(QFile::encodeName(m_file->fileName()).constData(),
            QFile::encodeName(m_target).constData())
        != 0) {
        m_error = qt_error_string(errno);
        discard();
        return false;
    }
    m_file.reset();
    return true;
}

void SaveTarget::discard()
{
    if (m_file) {
        m_file->remove();
        m_file.reset();
    }
}

} // namespace tlv::common
