#pragma once

#include "comm/ConnectionSettings.h"
#include "comm/DbxEntry.h"
#include "comm/Scomm5.h"

#include <QList>
#include <QString>

namespace tlv::common {
class Prompter;
}

namespace tlv::comm {

class ScommApi;
class VarnokDLL;

// The connection to the controller: chooses the driver (the maker's serial
// driver for DLL 0, PG5's channel for DLL > 0, none below 0), opens and checks
// the connection, locates the trace buffer through the DBX registry and reads
// status, registers and data-block elements with one error convention
// (0 or less = success, 1001 = register range, else the driver's code).
class PCDConnect
{
public:
    static constexpr qint32 HighestRegister = 16383;
    static constexpr qint32 RegisterRangeError = 1001;

    // Why a connection attempt failed: the kind and code of the message that says so.
    struct Failure
    {
        qint16 kind = 0;
        qint32 code = 0;
        bool quiet = false; // the port opened, the PCD gave no answer
    };

    PCDConnect(VarnokDLL &varnok, ScommApi &scommApi, common::Prompter &prompter);

    // Taken as they are now; switching the registry off forgets the base register.
    void setSettings(const ConnectionSettings &settings);
    [[nodiscard]] const ConnectionSettings &settings() const { return m_settings; }
    [[nodiscard]] Scomm5 &scomm() { return m_scomm; }

    [[nodiscard]] bool connected() const { return m_connected; }
    [[nodiscard]] qint32 lastErrorCode() const { return m_lastErrorCode; }
    [[nodiscard]] const QString &errorText() const { return m_errorText; }
    void setErrorText(const QString &text) { m_errorText = text; }
    [[nodiscard]] qint32 varnokResult() const { return m_varnokResult; }
    [[nodiscard]] const DbxEntry &dbxEntry() const { return m_dbx; }
    // Found by the DBX lookup; added to every register read.
    [[nodiscard]] qint32 baseRegister() const { return m_baseRegister; }
    [[nodiscard]] bool inRegisters() const { return m_inRegisters; }

    // Opens the driver, checks the status and, with PCDRegistery, locates the
    // buffer. A failed attempt leaves the driver closed and says why.
    bool Connect(Failure *failure = nullptr);
    bool CheckStatus(Failure *failure = nullptr);
    // The controller's status as the viewer numbers it; 0 when it could not be read.
    qint32 ReadPcdStatus();
    bool LookupDbx(qint32 number, const QString &key);
    bool DecodeMediaAddress(int slot);
    // Closes the driver; true when a connection was open.
    bool Disconnect();
    // first + count past 16383 is refused with 1001 before any driver call.
    qint32 ReadRegisters(qint32 first, qint32 count, qint32 index, QList<qint32> &buffer);
    qint32 ReadDataBlock(
        qint32 block, qint32 first, qint32 count, qint32 index, QList<qint32> &buffer);
    // The message shown when a connection ends for kind and code.
    [[nodiscard]] static QString disconnectMessage(
        qint16 kind, qint32 code, const QString &errorText);

private:
    qint32 openVarnok(qint16 com, qint16 station, qint32 baudrate);
    bool varnokFindDbx(qint32 number, const QString &key);
    qint32 readStatus(qint32 &status);
    void setVarnokText(qint32 code);
    qint32 badParameter();
    bool fail(Failure *failure, qint16 kind, qint32 code = 0);

    VarnokDLL &m_varnok;
    QString m_errorText; // before m_scomm, which writes into it
    Scomm5 m_scomm;
    ConnectionSettings m_settings;
    DbxEntry m_dbx;
    qint32 m_lastErrorCode = 0;
    qint32 m_varnokResult = 0;
    qint32 m_baseRegister = 0;
    bool m_inRegisters = false;
    bool m_connected = false;
    bool m_driverOpen = false;
};

} // namespace tlv::comm
