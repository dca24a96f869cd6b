#include "comm/PCDConnect.h"

#include "comm/CommLog.h"
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

// A code of the maker's driver as a result with the driver's own text.
SbusResult varnokResult(qint32 code, VarnokDLL::Phase phase)
{
    if (code <= 0)
        return SbusResult::success();
    const qint32 shown = phase == VarnokDLL::Phase::Reading ? code + ReadCodeOffset : code;
    return SbusResult::failure(VarnokDLL::kindOf(code, phase), DriverTexts::varnokText(shown));
}

} // namespace

PCDConnect::PCDConnect(VarnokDLL &varnok, ScommApi &scommApi)
    : m_varnok(varnok)
    , m_scomm(scommApi)
{ }

void PCDConnect::setSettings(const DriverSettings &settings)
{
    if (settings.pcdRegistery == 0) {
        m_baseRegister = 0;
        m_inRegisters = false;
    }
    m_settings = settings;
}

bool PCDConnect::fail(Failure *failure, DisconnectKind kind, const SbusResult &result)
{
    Disconnect();
    qCInfo(lcComm).noquote() << "connection failed:" << disconnectMessage(kind, result);
    if (failure)
        *failure = { kind, result };
    return false;
}

bool PCDConnect::Connect(Failure *failure)
{
    // A new connection may reach another controller: nothing found before holds.
    m_baseRegister = 0;
    m_inRegisters = false;
    if (m_settings.dll == 0) {
        const SbusResult opened
            = openVarnok(m_settings.com, m_settings.station, m_settings.baudrate);
        if (!opened)
            return fail(failure, DisconnectKind::MakersDriver, opened);
        m_driverOpen = true;
    } else if (m_settings.dll > 0) {
        const SbusResult opened = m_scomm.ScommOpenChannel();
        if (!opened)
            return fail(failure, DisconnectKind::Pg5Channel, opened);
        m_driverOpen = true;
    }
    if (!CheckStatus(failure))
        return false;
    if (m_settings.pcdRegistery != 0) {
        const SbusResult found = LookupDbx(AccessDbx, AccessKey);
        if (!found)
            return fail(failure, DisconnectKind::InvalidRegistry, found);
        if (!DecodeMediaAddress(0))
            return fail(failure, DisconnectKind::InvalidMediaAddress);
    }
    m_connected = true;
    qCInfo(lcComm) << "connected, driver" << m_settings.dll << "base register" << m_baseRegister;
    return true;
}

SbusResult PCDConnect::openVarnok(qint16 com, qint16 station, qint32 baudrate)
{
    using Phase = VarnokDLL::Phase;
    m_varnok.PCDClose();
    const qint32 set = m_varnok.PCDSetParameter(com, baudrate, 1);
    if (set > 0)
        return varnokResult(set, Phase::Opening);
    m_varnok.PCDNoMsg();
    const qint32 opened = m_varnok.PCDOpen();
    // A port that is already open is ours and good to use.
    if (opened > 0 && opened != VarnokDLL::raw(VarnokDLL::Code::AlreadyOpen))
        return varnokResult(opened, Phase::Opening);
    m_varnok.PCDSetStation(station);
    return SbusResult::success();
}

SbusResult PCDConnect::noDriver() const
{
    return SbusResult::failure(SbusError::Unavailable, QStringLiteral("No driver chosen"));
}

SbusResult PCDConnect::readStatus(qint32 &status)
{
    if (m_settings.dll < 0)
        return noDriver();
    if (m_settings.dll == 0)
        return varnokResult(
            m_varnok.PcdRdStatus(m_settings.cpu, status), VarnokDLL::Phase::Reading);
    return m_scomm.ScommReadStatus(status);
}

bool PCDConnect::CheckStatus(Failure *failure)
{
    if (m_settings.dll < 0)
        return true;
    qint32 status = 0;
    const SbusResult result = readStatus(status);
    if (result)
        return true;
    return fail(failure,
        m_settings.dll == 0 ? DisconnectKind::MakersDriver : DisconnectKind::Pg5Channel, result);
}

qint32 PCDConnect::ReadPcdStatus(SbusResult *result)
{
    qint32 status = 0;
    const SbusResult read = readStatus(status);
    if (result)
        *result = read;
    if (!read)
        return PcdStatusMap::Offline;
    // The driver hands over the controller's status letter; the viewer wants its number.
    if (status < 0 || status > 255)
        return PcdStatusMap::BadStatus;
    return PcdStatusMap::fromPcdByte(quint8(status));
}

SbusResult PCDConnect::LookupDbx(qint32 number, const QString &key)
{
    if (m_settings.dll < 0)
        return noDriver();
    const SbusResult found = m_settings.dll == 0 ? varnokFindDbx(number, key)
                                                 : m_scomm.ScommFindDbxEntry(number, key, m_dbx);
    qCInfo(lcComm).noquote() << "DBX" << number << key
                             << (found ? QStringLiteral("found") : found.errorString);
    return found;
}

SbusResult PCDConnect::varnokFindDbx(qint32 number, const QString &key)
{
    char bytes[DbxEntry::EntrySize + 1] = {};
    SbusResult last = SbusResult::failure(SbusError::NotFound, QString());
    for (qint32 dbx = number;; --dbx) {
        qint32 offset = 0;
        for (int examined = 0;; ++examined) {
            const qint32 read = m_varnok.PcdRdDBX(
                dbx, qint16(offset), DbxEntry::EntrySize, std::span<char>(bytes, sizeof bytes));
            if (read > 0) {
                last = varnokResult(read, VarnokDLL::Phase::Reading);
                break;
            }
            const QByteArray block(bytes, DbxEntry::EntrySize);
            if (DbxEntry::varnokText(block).contains(key)) {
                m_dbx = DbxEntry::fromVarnokBlock(block);
                return SbusResult::success();
            }
            offset += DbxEntry::EntrySize;
            // At most six entries of one DBX are looked at.
            if (examined >= 5)
                break;
        }
        if (dbx <= 0)
            return last;
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
    // so that retries do not pile up open channels. Failures here change nothing.
    const bool wasConnected = m_connected;
    if (wasConnected || m_driverOpen) {
        if (m_settings.dll == 0)
            m_varnok.PCDClose();
        else if (m_settings.dll > 0)
            m_scomm.ScommCloseChannel();
        m_driverOpen = false;
    }
    m_connected = false;
    if (wasConnected)
        qCInfo(lcComm) << "disconnected";
    return wasConnected;
}

SbusResult PCDConnect::badParameter()
{
    if (m_settings.dll == 0)
        return varnokResult(
            VarnokDLL::raw(VarnokDLL::Code::BadParameter), VarnokDLL::Phase::Reading);
    m_scomm.ScommErrorName(raw(ScommCode::BadParm));
    return SbusResult::failure(SbusError::InvalidArgument, m_scomm.errorText());
}

SbusResult PCDConnect::ReadRegisters(
    qint32 first, qint32 count, qint32 index, QList<qint32> &buffer)
{
    if (qint64(first) + count > HighestRegister)
        return SbusResult::failure(
            SbusError::OutOfRange, QStringLiteral("Register address out of range !"));
    if (m_settings.dll < 0)
        return noDriver();
    if (!fitsInt16(first) || !fitsInt16(count) || !fitsInt16(index) || count < 1 || index < 0
        || qint64(index) + count > buffer.size())
        return badParameter();
    if (m_settings.dll == 0) {
        return varnokResult(m_varnok.PCDReadRegister(first, count,
                                std::span<qint32>(buffer.data() + index, size_t(count))),
            VarnokDLL::Phase::Reading);
    }
    return m_scomm.ScommReadRegisters(qint16(first), qint16(count), qint16(index), buffer);
}

SbusResult PCDConnect::ReadDataBlock(
    qint32 block, qint32 first, qint32 count, qint32 index, QList<qint32> &buffer)
{
    if (m_settings.dll < 0)
        return noDriver();
    // Element numbers past 16 bits cannot be asked for; never let them wrap.
    if (!fitsInt16(block) || !fitsInt16(first) || !fitsInt16(count) || !fitsInt16(index)
        || count < 1 || index < 0 || qint64(index) + count > buffer.size())
        return badParameter();
    if (m_settings.dll == 0) {
        qint32 wanted = count;
        return varnokResult(m_varnok.PcdRdDBItem(block, first, wanted,
                                std::span<qint32>(buffer.data() + index, size_t(count))),
            VarnokDLL::Phase::Reading);
    }
    return m_scomm.ScommReadDataBlock(
        qint16(block), qint16(first), qint16(count), qint16(index), buffer);
}

QString PCDConnect::disconnectMessage(DisconnectKind kind, const SbusResult &result)
{
    const QString error = QStringLiteral("   Error: ") + result.errorString;
    switch (kind) {
    case DisconnectKind::ByUser:
        return QStringLiteral("Press 'Connect' button to activate the PCD connection");
    case DisconnectKind::MakersDriver:
        return result.error == SbusError::BadSettings
            ? QStringLiteral("PCD Connection parameters not correct.") + error
            : QStringLiteral("PCD Open Connection aborted.") + error;
    case DisconnectKind::Pg5Channel:
        return result.error == SbusError::Unavailable
            ? QStringLiteral("Communication DLL unavailable.")
            : QStringLiteral("PCD Open Connection aborted.") + error;
    case DisconnectKind::CommunicationFailed:
        return QStringLiteral("PCD communication failed") + error;
    case DisconnectKind::InvalidStartRegister:
        return QStringLiteral("Invalid start register.");
    case DisconnectKind::InvalidRegistry:
        return QStringLiteral("Invalid DBX registery.");
    case DisconnectKind::InvalidMediaAddress:
        return QStringLiteral("Invalid Media Address in DBX registery.");
    case DisconnectKind::Error:
        return QStringLiteral("Error...");
    }
    return QStringLiteral("Disconnected by function ") + QString::number(qint16(kind));
}

} // namespace tlv::comm
