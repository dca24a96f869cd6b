#pragma once

#include "comm/DbxEntry.h"
#include "comm/DriverSettings.h"
#include "comm/Scomm5.h"
#include "comm/sbus/SbusResult.h"

#include <QList>
#include <QString>

namespace tlv::comm {

class ScommApi;
class VarnokDLL;

// Why a connection ended; each kind has its message (disconnectMessage).
enum class DisconnectKind : qint16 {
    ByUser = 0, // "Press 'Connect' button ..."
    MakersDriver = 1,
    Pg5Channel = 2,
    CommunicationFailed = 3,
    InvalidStartRegister = 4,
    InvalidRegistry = 6,
    InvalidMediaAddress = 7,
    Error = 10,
};

// The connection to the controller: chooses the driver (the maker's serial
// driver for DLL 0, PG5's channel for DLL > 0, none below 0), opens and checks
// the connection, locates the trace buffer through the DBX registry and reads
// status, registers and data-block elements. Every operation reports an
// SbusResult whose text is the driver's own; the drivers' codes stay in their
// adapters here and in Scomm5.
class PCDConnect
{
public:
    static constexpr qint32 HighestRegister = 16383;

    // Why a connection attempt failed: the kind of message and the driver's result.
    struct Failure
    {
        DisconnectKind kind = DisconnectKind::ByUser;
        SbusResult result;
        // The port opened, the PCD gave no answer.
        [[nodiscard]] bool quiet() const { return result.error == SbusError::NoResponse; }
    };

    PCDConnect(VarnokDLL &varnok, ScommApi &scommApi);

    // Taken as they are now; switching the registry off forgets the base register.
    void setSettings(const DriverSettings &settings);
    [[nodiscard]] const DriverSettings &settings() const { return m_settings; }
    [[nodiscard]] Scomm5 &scomm() { return m_scomm; }

    [[nodiscard]] bool connected() const { return m_connected; }
    [[nodiscard]] const DbxEntry &dbxEntry() const { return m_dbx; }
    // Found by the DBX lookup; added to every register read.
    [[nodiscard]] qint32 baseRegister() const { return m_baseRegister; }
    [[nodiscard]] bool inRegisters() const { return m_inRegisters; }

    // Opens the driver, checks the status and, with PCDRegistery, locates the
    // buffer. A failed attempt leaves the driver closed and says why.
    bool Connect(Failure *failure = nullptr);
    bool CheckStatus(Failure *failure = nullptr);
    // The controller's status as the viewer numbers it; 0 when it could not be read.
    qint32 ReadPcdStatus(SbusResult *result = nullptr);
    // NotFound (or the failed read) when no entry of the DBXs from number down holds the key.
    SbusResult LookupDbx(qint32 number, const QString &key);
    bool DecodeMediaAddress(int slot);
    // Closes the driver; true when a connection was open.
    bool Disconnect();
    // first + count past 16383 is refused with OutOfRange before any driver call.
    SbusResult ReadRegisters(qint32 first, qint32 count, qint32 index, QList<qint32> &buffer);
    SbusResult ReadDataBlock(
        qint32 block, qint32 first, qint32 count, qint32 index, QList<qint32> &buffer);
    // The message shown when a connection ends for kind and the driver's result.
    [[nodiscard]] static QString disconnectMessage(DisconnectKind kind, const SbusResult &result);

private:
    SbusResult openVarnok(qint16 com, qint16 station, qint32 baudrate);
    SbusResult varnokFindDbx(qint32 number, const QString &key);
    SbusResult readStatus(qint32 &status);
    SbusResult badParameter();
    SbusResult noDriver() const;
    bool fail(Failure *failure, DisconnectKind kind, const SbusResult &result = {});

    VarnokDLL &m_varnok;
    Scomm5 m_scomm;
    DriverSettings m_settings;
    DbxEntry m_dbx;
    qint32 m_baseRegister = 0;
    bool m_inRegisters = false;
    bool m_connected = false;
    bool m_driverOpen = false;
};

} // namespace tlv::comm
