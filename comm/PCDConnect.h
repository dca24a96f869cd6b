#pragma once

#include "buffer/ConnectionSettings.h"
#include "comm/DbxEntry.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace tlv::comm {

class ConnectionView;
class HostedControl;
class Scomm5;
class VarnokDLL;

// The host's connection to the controller: chooses the driver (the maker's
// serial driver for DLL 0, PG5's channel for DLL > 0, none below 0), opens and
// checks the connection, locates the trace buffer through the DBX registry,
// serves register and data-block reads and shows the state on the window.
class PCDConnect : public QObject
{
    Q_OBJECT
public:
    static constexpr qint32 HighestRegister = 16383;
    static constexpr qint32 RegisterRangeError = 1001;
    static constexpr int ConnectRetryMs = 2000;

    PCDConnect(buffer::ConnectionSettings &settings, VarnokDLL &varnok, Scomm5 &scomm,
        ConnectionView &view, HostedControl &control, QObject *parent = nullptr);

    [[nodiscard]] buffer::ConnectionSettings &settings() { return m_settings; }
    [[nodiscard]] bool simulation() const { return m_simulation; }
    void setSimulation(bool on) { m_simulation = on; }
    [[nodiscard]] qint32 lastErrorCode() const { return m_lastErrorCode; }
    [[nodiscard]] qint32 varnokResult() const { return m_varnokResult; }
    [[nodiscard]] const DbxEntry &dbxEntry() const { return m_dbx; }
    [[nodiscard]] QTimer &connectTimer() { return m_connectTimer; }
    // What a successful connection at activation does: prepare the control,
    // Start and run mode 2, as the Start button does. Without it: Start and run mode 2.
    void setStartControl(std::function<void()> start) { m_startControl = std::move(start); }

    bool Connect();
    bool CheckStatus();
    qint32 ReadPcdStatus();
    bool LookupDbx(qint32 number, const QString &key);
    bool DecodeMediaAddress(int slot);
    void Disconnect();
    // first + count past 16383 is refused with 1001 before any driver call.
    qint32 ReadRegisters(qint32 first, qint32 count, qint32 index, QList<qint32> &buffer);
    qint32 ReadDataBlock(
        qint32 block, qint32 first, qint32 count, qint32 index, QList<qint32> &buffer);
    void DisconnectWithMessage(qint16 kind, qint32 code = 0);
    // The message DisconnectWithMessage shows for kind and code.
    [[nodiscard]] static QString disconnectMessage(
        qint16 kind, qint32 code, const QString &errorText);

    // The main form became active: connect when AutoConnect asks for it, else
    // retry every 2000 ms.
    void formActivated();

private:
    void connectTimerTick();
    qint32 openVarnok(qint16 com, qint16 station, qint32 baudrate);
    bool varnokFindDbx(qint32 number, const QString &key);
    qint32 readStatus(qint32 &status);
    void setVarnokText(qint32 code);
    qint32 badParameter();

    buffer::ConnectionSettings &m_settings;
    VarnokDLL &m_varnok;
    Scomm5 &m_scomm;
    ConnectionView &m_view;
    HostedControl &m_control;
    std::function<void()> m_startControl;
    QTimer m_connectTimer;
    DbxEntry m_dbx;
    qint32 m_lastErrorCode = 0;
    qint32 m_varnokResult = 0;
    bool m_simulation = false;
    bool m_driverOpen = false;
};

} // namespace tlv::comm
