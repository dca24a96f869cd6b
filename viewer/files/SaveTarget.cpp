#include "viewer/files/SaveTarget.h"

#include <QSaveFile>

namespace tlv::viewer {

SaveTarget::SaveTarget() = default;
SaveTarget::~SaveTarget() = default;

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
    m_error.clear();
    m_file = std::make_unique<QSaveFile>(fileName);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_error = m_file->errorString();
        m_file.reset();
        return false;
    }
    return true;
}

bool SaveTarget::write(const QByteArray &bytes)
{
    if (!isOpen())
        return notOpen();
    if (m_file->write(bytes) != bytes.size()) {
        m_error = m_file->errorString();
        return false;
    }
    return true;
}

bool SaveTarget::commit()
{
    if (!isOpen())
        return notOpen();
    const bool ok = m_file->commit();
    if (!ok)
        m_error = m_file->errorString();
    m_file.reset();
    return ok;
}

void SaveTarget::discard()
{
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
}

} // namespace tlv::viewer
