#include "comm/Scomm5.h"

#include "comm/DriverTexts.h"
#include "comm/ScommCodes.h"
#include "common/PathUtil.h"
#include "common/Prompter.h"

#include <QDir>

namespace tlv::comm {

namespace {

const QString Title = QStringLiteral("Tolvane");
constexpr qint32 FirstVersion = 14;
constexpr qint32 LastVersion = 21;
constexpr qint32 Registers = 82; // 'R'
constexpr qint32 DbxBlockType = 65;
constexpr qint32 DbxFirstEntry = 2;

} // namespace

Scomm5::Scomm5(ScommApi &api, common::Prompter &prompter, QString &errorText)
    : m_api(api)
    , m_prompter(prompter)
    , m_errorText(errorText)
{ }

QString Scomm5::libraryName() const
{
    return m_versionCode < 20 ? QStringLiteral("ScommDll.dll") : QStringLiteral("ScommDll52.dll");
}

qint32 Scomm5::store(qint32 result)
{
    m_lastResult = result;
    if (result > 0)
        ScommErrorName(result);
    return result;
}

qint32 Scomm5::ScommOpenChannel()
{
    // The library finds its own files relative to PG5's program folder.
    if (!SetPG5Directory()) {
        m_prompter.message(QStringLiteral("Error setting current PG5 directory."), Title,
            common::Prompter::Style::Exclamation);
        return ScommCode::Unavailable;
    }
    const QString failure = m_api.loadFailure();
    if (!failure.isEmpty()) {
        m_prompter.message(QStringLiteral("Error reading channel settings."), Title,
            common::Prompter::Style::Exclamation);
        return ScommCode::Unavailable;
    }
    // No file name: the library looks for its "GoOnline" section itself.
    static const char section[] = "GoOnline\0";
    m_lastResult = m_api.PcdRdChanSetupFromIni(nullptr, section, m_setup);
    // The setup result is not looked at: the connect result alone decides.
    m_lastResult = m_api.PcdConnectChannel(m_handle, m_setup, 0, 0);
    if (m_lastResult > 0)
        ScommErrorName(m_lastResult);
    return m_lastResult;
}

bool Scomm5::ScommCloseChannel()
{
    m_lastResult = m_api.PcdDisconnectChannel(m_handle, 0, 0);
    if (m_lastResult <= 0) {
        m_lastResult = m_api.PcdComClose(m_handle, 0, 0);
        return true;
    }
    ScommErrorName(m_lastResult);
    return false;
}

qint32 Scomm5::ScommReadStatus(qint32 &status)
{
    if (!m_api.loadFailure().isEmpty())
        return m_lastResult;
    return store(m_api.PcdRdStatus(m_handle, 0, status));
}

bool Scomm5::fits(qint16 count, qint16 index, const QList<qint32> &buffer)
{
    return count >= 1 && index >= 0 && qsizetype(index) + count <= buffer.size();
}

qint32 Scomm5::ScommReadRegisters(qint16 first, qint16 count, qint16 index, QList<qint32> &buffer)
{
    if (!m_api.loadFailure().isEmpty())
        return m_lastResult;
    if (!fits(count, index, buffer))
        return store(ScommCode::BadParm);
    const std::span<qint32> destination(buffer.data() + index, size_t(count));
    return store(m_api.PcdRdRTC(m_handle, Registers, first, count, destination));
}

qint32 Scomm5::ScommReadDataBlock(
    qint16 block, qint16 first, qint16 count, qint16 index, QList<qint32> &buffer)
{
    if (!m_api.loadFailure().isEmpty())
        return m_lastResult;
    if (!fits(count, index, buffer))
        return store(ScommCode::BadParm);
    qint32 wanted = count;
    const std::span<qint32> destination(buffer.data() + index, size_t(count));
    return store(m_api.PcdRdDBItem(m_handle, block, first, wanted, destination));
}

bool Scomm5::ScommFindDbxEntry(qint32 number, const QString &key, DbxEntry &entry)
{
    if (!m_api.loadFailure().isEmpty())
        return false;
    char bytes[DbxEntry::EntrySize + 1] = {};
    qint32 dbx = number;
    for (;;) {
        qint32 offset = DbxFirstEntry;
        int examined = 0;
        qint32 size = 0;
        m_lastResult = m_api.PcdRdBlockSize(m_handle, DbxBlockType, dbx, 1, size);
        if (m_lastResult != 0)
            return false;
        while (size >= DbxEntry::EntrySize) {
            m_lastResult = m_api.PcdRdDBX(
                m_handle, dbx, offset, DbxEntry::EntrySize, std::span<char>(bytes, sizeof bytes));
            if (m_lastResult != 0)
                break;
            const QByteArray block(bytes, DbxEntry::EntrySize);
            if (DbxEntry::scommText(block).contains(key)) {
                entry = DbxEntry::fromScommBlock(block);
                return true;
            }
            offset += DbxEntry::EntrySize;
            size -= DbxEntry::EntrySize;
            // At most six entries of one DBX are looked at.
            if (examined > 4)
                break;
            ++examined;
        }
        if (dbx <= 0)
            return false;
        --dbx;
    }
}

bool Scomm5::SetPG5Directory()
{
    // Without PG5 (a start from the desktop) there is no PG5 folder to look for: the
    // built-in library needs none. Told once, not at every attempt of AutoConnect.
    if (m_versionCode == 0)
        return true;
    const bool tell = m_toldVersionCode != m_versionCode;
    if (m_versionCode < FirstVersion || m_versionCode > LastVersion) {
        if (tell)
            m_prompter.message(
                QStringLiteral("PG5 version not supported! ") + QString::number(m_versionCode),
                Title, common::Prompter::Style::Critical);
        m_toldVersionCode = m_versionCode;
        return true;
    }
    const QString appsDir = m_appsDirs.value(m_versionCode);
    if (appsDir.isEmpty()) {
        if (tell)
            m_prompter.message(
                QStringLiteral("Missing PG5 folder!"), Title, common::Prompter::Style::Critical);
        m_toldVersionCode = m_versionCode;
        return true;
    }
    const QString folder = QDir::cleanPath(common::toLocalPath(appsDir));
    if (appsDir.size() <= 1 || QDir::cleanPath(QDir::currentPath()) == folder)
        return true;
    return QDir::setCurrent(folder);
}

void Scomm5::ScommErrorName(qint32 code)
{
    if (const auto name = DriverTexts::scommName(code))
        m_errorText = *name;
}

} // namespace tlv::comm
