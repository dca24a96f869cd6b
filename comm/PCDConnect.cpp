#include "comm/PCDConnect.h"

#include "comm/DriverTexts.h"
#include "comm/PcdStatusMap.h"
#include "comm/Scomm5.h"
#include "comm/ScommCodes.h"
#include "comm/VarnokDLL.h"

#include <limits>

namespace tlv::comm {

namespace {

// The maker's status and read codes are shown with 100 added.
constexpr qint32 ReadCodeOffset = 100;
const QString AccessKey = QStringLiteral("TLVR__ACCESS_KEY");
constexpr qint32 AccessDbx = 5;

bool fitsInt16(qint64 value)
{
    return value >= std::numeric_limits<qint16>::min()
        && value <= std::numeric_limits<qint16>::max();
}

} // namespace

PCDConnect::PCDConnect(VarnokDLL &varnok, ScommApi &scommApi, common::Prompter &prompter)
    : m_varnok(varnok)
    , m_scomm(scommApi, prompter, m_errorText)
{ }

void PCDConnect::setSettings(const ConnectionSettings &settings)
{
    if (settings.pcdRegistery == 0) {
        m_baseRegister = 0;
        m_inRegisters = false;
    }
    m_settings = settings;
}

bool PCDConnect::fail(Failure *failure, qint16 kind, qint32 code)
{
    Disconnect();
    if (failure)
        *failure = { kind, code };
    return false;
}

void PCDConnect::setVarnokText(qint32 code)
{
    m_errorText = DriverTexts::varnokText(code);
}

bool PCDConnect::Connect(Failure *failure)
{
    // A new connection may reach another controller: nothing found before holds.
    m_baseRegister = 0;
    m_inRegisters = false;
    if (m_settings.dll == 0) {
        m_lastErrorCode = openVarnok(m_settings.com, m_settings.station, m_settings.baudrate);
        if (m_lastErrorCode > 0)
            return fail(failure, 1, m_lastErrorCode);
        m_driverOpen = true;
    } else if (m_settings.dll > 0) {
        m_lastErrorCode = m_scomm.ScommOpenChannel();
        if (m_lastErrorCode > 0)
            return fail(failure, 2, m_lastErrorCode);
        m_driverOpen = true;
    }
    if (!CheckStatus(failure))
        return false;
    if (m_settings.pcdRegistery != 0) {
        if (!LookupDbx(AccessDbx, AccessKey))
            return fail(failure, 6);
        if (!DecodeMediaAddress(0))
            return fail(failure, 7);
    }
    m_connected = true;
    return true;
}

qint32 PCDConnect::openVarnok(qint16 com, qint16 station, qint32 baudrate)
{
    m_varnokResult = m_varnok.PCDClose();
    m_varnokResult = m_varnok.PCDSetParameter(com, baudrate, 1);
    if (m_varnokResult > 0) {
        setVarnokText(m_varnokResult);
        return m_varnokResult;
    }
    m_varnok.PCDNoMsg();
    m_varnokResult = m_varnok.PCDOpen();
    // A port that is already open is ours and good to use.
    if (m_varnokResult == 0 || m_varnokResult == VarnokDLL::AlreadyOpen) {
        m_varnok.PCDSetStation(station);
        return 0;
    }
    setVarnokText(m_varnokResult);
    return m_varnokResult;
}

qint32 PCDConnect::readStatus(qint32 &status)
{
    if (m_settings.dll == 0) {
        qint32 result = m_varnok.PcdRdStatus(m_settings.cpu, status);
        m_varnokResult = result;
        if (result > 0) {
            result += ReadCodeOffset;
            setVarnokText(result);
        }
        return result;
    }
    return m_scomm.ScommReadStatus(status);
}

bool PCDConnect::CheckStatus(Failure *failure)
{
    if (m_settings.dll < 0)
        return true;
    qint32 status = 0;
    const qint32 result = readStatus(status);
    if (result <= 0)
        return true;
    fail(failure, m_settings.dll == 0 ? 1 : 2, result);
    if (failure) {
        failure->quiet = m_settings.dll == 0 ? result == VarnokDLL::NoResponse + ReadCodeOffset
                                             : result == ScommCode::NoResp;
    }
    return false;
}

qint32 PCDConnect::ReadPcdStatus()
{
    if (m_settings.dll < 0)
        return PcdStatusMap::Offline; // nothing was read
    qint32 status = 0;
    m_lastErrorCode = readStatus(status);
    if (m_lastErrorCode > 0)
        return PcdStatusMap::Offline;
    // The driver hands over the controller's status letter; the viewer wants its number.
    if (status < 0 || status > 255)
        return PcdStatusMap::BadStatus;
    return PcdStatusMap::fromPcdByte(quint8(status));
}

bool PCDConnect::LookupDbx(qint32 number, const QString &key)
{
    bool found = false;
    if (m_settings.dll == 0)
        found = varnokFindDbx(number, key);
    else if (m_settings.dll > 0)
        found = m_scomm.ScommFindDbxEntry(number, key, m_dbx);
    m_lastErrorCode = found ? -1 : 0;
    return m_lastErrorCode != 0;
}

bool PCDConnect::varnokFindDbx(qint32 number, const QString &key)
{
    char bytes[DbxEntry::EntrySize + 1] = {};
    for (qint32 dbx = number;; --dbx) {
        qint32 offset = 0;
        for (int examined = 0;; ++examined) {
            m_varnokResult = m_varnok.PcdRdDBX(
                dbx, qint16(offset), DbxEntry::EntrySize, std::span<char>(bytes, sizeof bytes));
            if (m_varnokResult > 0)
                break;
            const QByteArray block(bytes, DbxEntry::EntrySize);
            if (DbxEntry::varnokText(block).contains(key)) {
                m_dbx = DbxEntry::fromVarnokBlock(block);
                return true;
            }
            offset += DbxEntry::EntrySize;
            // At most six entries of one DBX are looked at.
            if (examined >= 5)
                break;
        }
        if (dbx <= 0)
            return false;
    }
}

bool PCDConnect::DecodeMediaAddress(int slot)
{
    if (slot < 0 || slot >= DbxEntry::SlotCount)
        return false;
    const qint64 value = m_dbx.values[size_t(slot)];
    if (value / 32768 == 0) {
        if (value / 8192 == 0) {
            m_inRegisters = true;
            m_baseRegister = qint32(value);
        }
        return true;
    }
    if (value / 32768 == 1) {
        m_baseRegister = qint32((value % 16384) / 4);
        m_inRegisters = false;
        return true;
    }
    return false;
}

bool PCDConnect::Disconnect()
{
    // A connection attempt that failed after opening the driver closes it too,
    // so that retries do not pile up open channels.
    const bool wasConnected = m_connected;
    if (wasConnected || m_driverOpen) {
        if (m_settings.dll == 0) {
            m_varnokResult = m_varnok.PCDClose();
            if (m_varnokResult > 0)
                setVarnokText(m_varnokResult);
        } else if (m_settings.dll > 0) {
            m_scomm.ScommCloseChannel();
        }
        m_driverOpen = false;
    }
    m_connected = false;
    return wasConnected;
}

qint32 PCDConnect::badParameter()
{
    if (m_settings.dll == 0) {
        m_lastErrorCode = VarnokDLL::BadParameter + ReadCodeOffset;
        setVarnokText(m_lastErrorCode);
    } else if (m_settings.dll > 0) {
        m_lastErrorCode = ScommCode::BadParm;
        m_scomm.ScommErrorName(m_lastErrorCode);
    }
    return m_lastErrorCode;
}

qint32 PCDConnect::ReadRegisters(qint32 first, qint32 count, qint32 index, QList<qint32> &buffer)
{
    if (qint64(first) + count > HighestRegister) {
        m_errorText = QStringLiteral("Register address out of range !");
        m_lastErrorCode = RegisterRangeError;
        return m_lastErrorCode;
    }
    if (m_settings.dll < 0)
        return m_lastErrorCode;
    if (!fitsInt16(first) || !fitsInt16(count) || !fitsInt16(index) || count < 1 || index < 0
        || qint64(index) + count > buffer.size())
        return badParameter();
    if (m_settings.dll == 0) {
        qint32 result = m_varnok.PCDReadRegister(
            first, count, std::span<qint32>(buffer.data() + index, size_t(count)));
        m_varnokResult = result;
        if (result > 0) {
            result += ReadCodeOffset;
            setVarnokText(result);
        }
        m_lastErrorCode = result;
    } else {
        m_lastErrorCode
            = m_scomm.ScommReadRegisters(qint16(first), qint16(count), qint16(index), buffer);
    }
    return m_lastErrorCode;
}

qint32 PCDConnect::ReadDataBlock(
    qint32 block, qint32 first, qint32 count, qint32 index, QList<qint32> &buffer)
{
    if (m_settings.dll < 0)
        return m_lastErrorCode;
    // Element numbers past 16 bits cannot be asked for; never let them wrap.
    if (!fitsInt16(block) || !fitsInt16(first) || !fitsInt16(count) || !fitsInt16(index)
        || count < 1 || index < 0 || qint64(index) + count > buffer.size())
        return badParameter();
    if (m_settings.dll == 0) {
        qint32 wanted = count;
        qint32 result = m_varnok.PcdRdDBItem(
            block, first, wanted, std::span<qint32>(buffer.data() + index, size_t(count)));
        m_varnokResult = result;
        if (result > 0) {
            result += ReadCodeOffset;
            setVarnokText(result);
        }
        m_lastErrorCode = result;
    } else {
        m_lastErrorCode = m_scomm.ScommReadDataBlock(
            qint16(block), qint16(first), qint16(count), qint16(index), buffer);
    }
    return m_lastErrorCode;
}

QString PCDConnect::disconnectMessage(qint16 kind, qint32 code, const QString &errorText)
{
    const QString error = QStringLiteral("   Error: ") + errorText;
    switch (kind) {
    case 0:
        return QStringLiteral("Press 'Connect' button to activate the PCD connection");
    case 1:
        return code < 9 ? QStringLiteral("PCD Connection parameters not correct.") + error
                        : QStringLiteral("PCD Open Connection aborted.") + error;
    case 2:
        return code == ScommCode::Unavailable
            ? QStringLiteral("Communication DLL unavailable.")
            : QStringLiteral("PCD Open Connection aborted.") + error;
    case 3:
        return QStringLiteral("PCD communication failed") + error;
    case 4:
        return QStringLiteral("Invalid start register.");
    case 6:
        return QStringLiteral("Invalid DBX registery.");
    case 7:
        return QStringLiteral("Invalid Media Address in DBX registery.");
    case 10:
        return QStringLiteral("Error...");
    default:
        return QStringLiteral("Disconnected by function ") + QString::number(kind);
    }
}

} // namespace tlv::comm
