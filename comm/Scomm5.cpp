#include "comm/Scomm5.h"

#include "comm/CommLog.h"
#include "comm/DriverTexts.h"
#include "comm/ScommCodes.h"
#include "common/PathUtil.h"

#include <QDir>

namespace tlv::comm {

namespace {

constexpr qint32 FirstVersion = 14;
constexpr qint32 LastVersion = 21;
constexpr qint32 Registers = 82; // 'R'
constexpr qint32 DbxBlockType = 65;
constexpr qint32 DbxFirstEntry = 2;

} // namespace

Scomm5::Scomm5(ScommApi &api)
    : m_api(api)
{ }

QString Scomm5::libraryName() const
{
    return m_versionCode < 20 ? QStringLiteral("ScommDll.dll") : QStringLiteral("ScommDll52.dll");
}

SbusResult Scomm5::result(qint32 code)
{
    if (code <= 0)
        return SbusResult::success();
    ScommErrorName(code);
    return SbusResult::failure(scommKindOf(code), m_errorText);
}

SbusResult Scomm5::unavailable() const
{
    return SbusResult::failure(SbusError::Unavailable, m_api.loadFailure());
}

SbusResult Scomm5::ScommOpenChannel()
{
    // The library finds its own files relative to PG5's program folder. An unknown
    // version or a missing folder is told, yet the channel opens all the same.
    const SbusResult folder = SetPG5Directory();
    m_folderProblem = folder.error == SbusError::BadSettings ? folder : SbusResult::success();
    if (folder.error == SbusError::Unavailable)
        return folder;
    if (!m_api.loadFailure().isEmpty()) {
        qCInfo(lcComm) << libraryName() << "unavailable:" << m_api.loadFailure();
        return SbusResult::failure(
            SbusError::Unavailable, QStringLiteral("Error reading channel settings."));
    }
    // No file name: the library looks for its "GoOnline" section itself.
    static const char section[] = "GoOnline\0";
    m_api.PcdRdChanSetupFromIni(nullptr, section, m_setup);
    // The setup result is not looked at: the connect result alone decides.
    const SbusResult opened = result(m_api.PcdConnectChannel(m_handle, m_setup, 0, 0));
    qCInfo(lcComm).noquote() << "PG5 channel"
                             << (opened.ok() ? QStringLiteral("opened") : opened.errorString);
    return opened;
}

bool Scomm5::ScommCloseChannel()
{
    const qint32 code = m_api.PcdDisconnectChannel(m_handle, 0, 0);
    if (code <= 0) {
        m_api.PcdComClose(m_handle, 0, 0);
        return true;
    }
    ScommErrorName(code);
    qCInfo(lcComm) << "PG5 channel stays open:" << m_errorText;
    return false;
}

SbusResult Scomm5::ScommReadStatus(qint32 &status)
{
    if (!m_api.loadFailure().isEmpty())
        return unavailable();
    return result(m_api.PcdRdStatus(m_handle, 0, status));
}

bool Scomm5::fits(qint16 count, qint16 index, const QList<qint32> &buffer)
{
    return count >= 1 && index >= 0 && qsizetype(index) + count <= buffer.size();
}

SbusResult Scomm5::ScommReadRegisters(
    qint16 first, qint16 count, qint16 index, QList<qint32> &buffer)
{
    if (!m_api.loadFailure().isEmpty())
        return unavailable();
    if (!fits(count, index, buffer))
        return result(raw(ScommCode::BadParm));
    const std::span<qint32> destination(buffer.data() + index, size_t(count));
    return result(m_api.PcdRdRTC(m_handle, Registers, first, count, destination));
}

SbusResult Scomm5::ScommReadDataBlock(
    qint16 block, qint16 first, qint16 count, qint16 index, QList<qint32> &buffer)
{
    if (!m_api.loadFailure().isEmpty())
        return unavailable();
    if (!fits(count, index, buffer))
        return result(raw(ScommCode::BadParm));
    qint32 wanted = count;
    const std::span<qint32> destination(buffer.data() + index, size_t(count));
    return result(m_api.PcdRdDBItem(m_handle, block, first, wanted, destination));
}

SbusResult Scomm5::ScommFindDbxEntry(qint32 number, const QString &key, DbxEntry &entry)
{
    if (!m_api.loadFailure().isEmpty())
        return unavailable();
    char bytes[DbxEntry::EntrySize + 1] = {};
    SbusResult last = SbusResult::failure(SbusError::NotFound, QString());
    for (qint32 dbx = number;; --dbx) {
        qint32 offset = DbxFirstEntry;
        int examined = 0;
        qint32 size = 0;
        const qint32 sized = m_api.PcdRdBlockSize(m_handle, DbxBlockType, dbx, 1, size);
        // Only exactly 0 is a size to go by; a DBX that cannot be sized ends the search.
        if (sized != 0)
            return sized > 0 ? result(sized) : last;
        while (size >= DbxEntry::EntrySize) {
            const qint32 read = m_api.PcdRdDBX(
                m_handle, dbx, offset, DbxEntry::EntrySize, std::span<char>(bytes, sizeof bytes));
            if (read != 0) {
                if (read > 0)
                    last = result(read);
                break;
            }
            const QByteArray block(bytes, DbxEntry::EntrySize);
            if (DbxEntry::scommText(block).contains(key)) {
                entry = DbxEntry::fromScommBlock(block);
                return SbusResult::success();
            }
            offset += DbxEntry::EntrySize;
            size -= DbxEntry::EntrySize;
            // At most six entries of one DBX are looked at.
            if (examined > 4)
                break;
            ++examined;
        }
        if (dbx <= 0)
            return last;
    }
}

SbusResult Scomm5::SetPG5Directory()
{
    // Without PG5 (a start from the desktop) there is no PG5 folder to look for: the
    // built-in library needs none.
    if (m_versionCode == 0)
        return SbusResult::success();
    if (m_versionCode < FirstVersion || m_versionCode > LastVersion) {
        return SbusResult::failure(SbusError::BadSettings,
            QStringLiteral("PG5 version not supported! ") + QString::number(m_versionCode));
    }
    const QString appsDir = m_appsDirs.value(m_versionCode);
    if (appsDir.isEmpty())
        return SbusResult::failure(SbusError::BadSettings, QStringLiteral("Missing PG5 folder!"));
    const QString folder = QDir::cleanPath(common::toLocalPath(appsDir));
    if (appsDir.size() <= 1 || QDir::cleanPath(QDir::currentPath()) == folder)
        return SbusResult::success();
    if (!QDir::setCurrent(folder)) {
        qCInfo(lcComm) << "cannot enter PG5's folder" << folder;
        return SbusResult::failure(
            SbusError::Unavailable, QStringLiteral("Error setting current PG5 directory."));
    }
    return SbusResult::success();
}

void Scomm5::ScommErrorName(qint32 code)
{
    if (const auto name = DriverTexts::scommName(code))
        m_errorText = *name;
}

} // namespace tlv::comm
