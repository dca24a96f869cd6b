#pragma once

#include "comm/ScommApi.h"

#include <map>
#include <memory>
#include <optional>

namespace tlv::comm {

class SbusClient;

// Our own stand-in for PG5's communication library: the same functions and
// codes, spoken as Ether-S-Bus over UDP or serial S-Bus data mode.
//
// The channel setup comes from a "GoOnline" section: the trace project file's
// when it has one, else GoOnline.ini in the current folder (PG5's program
// folder once the channel is opened). Keys: Channel (UDP or Serial), Address,
// Port, Device, Baudrate, Station, Timeout (ms), Retries. Without any setup the
// channel goes to the local simulated PCD, UDP 127.0.0.1:5050, station 0.
class ScommLibrary : public ScommApi
{
public:
    ScommLibrary();
    ~ScommLibrary() override;

    void setProjectFile(const QString &path) { m_projectFile = path; }
    // A setup that replaces every file (the command line's connection).
    void setFixedSetup(const SbusSettings &settings) { m_fixed = settings; }

    // Reads a "GoOnline" section; false with the reason when a value is unusable.
    static bool parseSetup(const QString &file, const QString &section, SbusSettings &settings,
        QString *why = nullptr);

    qint32 PcdRdChanSetupFromIni(
        const char *fileName, const char *section, ScommChannelSetup &setup) override;
    qint32 PcdConnectChannel(
        qint32 &handle, const ScommChannelSetup &setup, qint32 a, qint32 b) override;
    qint32 PcdDisconnectChannel(qint32 handle, qint32 a, qint32 b) override;
    qint32 PcdComClose(qint32 handle, qint32 a, qint32 b) override;
    qint32 PcdRdStatus(qint32 handle, qint32 a, qint32 &status) override;
    qint32 PcdRdRTC(qint32 handle, qint32 mediaType, qint32 first, qint32 count,
        std::span<qint32> destination) override;
    qint32 PcdRdDBItem(qint32 handle, qint32 block, qint32 first, qint32 &count,
        std::span<qint32> destination) override;
    qint32 PcdRdBlockSize(
        qint32 handle, qint32 typeCode, qint32 number, qint32 one, qint32 &size) override;
    qint32 PcdRdDBX(qint32 handle, qint32 number, qint32 byteOffset, qint32 length,
        std::span<char> destination) override;

    // The client behind a handle, or null (tests look at its statistics).
    [[nodiscard]] SbusClient *client(qint32 handle) const;

private:
    QString m_projectFile;
    std::optional<SbusSettings> m_fixed;
    std::map<qint32, std::unique_ptr<SbusClient>> m_channels;
    qint32 m_nextHandle = 1;
};

} // namespace tlv::comm
