#include "comm/ScommLibrary.h"

#include "comm/ComPorts.h"
#include "comm/ScommCodes.h"
#include "comm/sbus/SbusClient.h"
#include "common/IniProfile.h"

#include <QDir>
#include <QFileInfo>

namespace tlv::comm {

namespace {

constexpr qint32 Registers = 82; // 'R'
constexpr qint32 DbxBlockType = 65;

// GoOnline.ini in the current folder, matched without regard to case as PG5's
// Windows file system would.
QString goOnlineFile()
{
    const QDir here = QDir::current();
    const QString exact = here.filePath(QStringLiteral("GoOnline.ini"));
    if (QFileInfo::exists(exact))
        return exact;
    for (const QString &name : here.entryList(QDir::Files)) {
        if (name.compare(QLatin1String("GoOnline.ini"), Qt::CaseInsensitive) == 0)
            return here.filePath(name);
    }
    return {};
}

bool readInt(const QString &file, const QString &section, const char *key, qint64 low, qint64 high,
    qint64 &value, QString *why)
{
    const QString text
        = common::IniProfile::read(file, section, QString::fromLatin1(key)).trimmed();
    if (text.isEmpty())
        return true;
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number < low || number > high) {
        if (why)
            *why = QString::fromLatin1(key) + QStringLiteral(" out of range: ") + text;
        return false;
    }
    value = number;
    return true;
}

} // namespace

ScommLibrary::ScommLibrary() = default;
ScommLibrary::~ScommLibrary() = default;

bool ScommLibrary::parseSetup(
    const QString &file, const QString &section, SbusSettings &settings, QString *why)
{
    using common::IniProfile;
    const QString channel = IniProfile::read(file, section, QStringLiteral("Channel")).trimmed();
    if (channel.isEmpty() || channel.compare(QLatin1String("UDP"), Qt::CaseInsensitive) == 0) {
        settings.channel = SbusSettings::Channel::Udp;
    } else if (channel.compare(QLatin1String("Serial"), Qt::CaseInsensitive) == 0) {
        settings.channel = SbusSettings::Channel::Serial;
    } else {
        if (why)
            *why = QStringLiteral("Channel must be UDP or Serial: ") + channel;
        return false;
    }
    const QString address = IniProfile::read(file, section, QStringLiteral("Address")).trimmed();
    if (!address.isEmpty())
        settings.host = address;
    const QString device = IniProfile::read(file, section, QStringLiteral("Device")).trimmed();
    if (!device.isEmpty())
        settings.device = resolveComName(device);

    qint64 port = settings.port, baud = settings.baudRate, station = settings.station;
    qint64 timeout = settings.timeoutMs, retries = settings.retries;
    if (!readInt(file, section, "Port", 1, 65535, port, why)
        || !readInt(file, section, "Baudrate", 1, 4000000, baud, why)
        || !readInt(file, section, "Station", 0, 255, station, why)
        || !readInt(file, section, "Timeout", 1, 600000, timeout, why)
        || !readInt(file, section, "Retries", 0, 100, retries, why))
        return false;
    settings.port = quint16(port);
    settings.baudRate = qint32(baud);
    settings.station = quint8(station);
    settings.timeoutMs = int(timeout);
    settings.retries = int(retries);
    if (settings.channel == SbusSettings::Channel::Serial && settings.device.isEmpty()) {
        if (why)
            *why = QStringLiteral("Device missing for a serial channel");
        return false;
    }
    return true;
}

qint32 ScommLibrary::PcdRdChanSetupFromIni(
    const char *fileName, const char *section, ScommChannelSetup &setup)
{
    setup = {};
    if (m_fixed) {
        setup.sbus = *m_fixed;
        setup.valid = true;
        return raw(ScommCode::Ok);
    }
    const QString sectionName = QString::fromLatin1(section ? section : "GoOnline");
    QString file;
    if (fileName) {
        file = QString::fromLocal8Bit(fileName);
    } else if (!m_projectFile.isEmpty()
        && !common::IniProfile::readSection(m_projectFile, sectionName).isEmpty()) {
        file = m_projectFile;
    } else {
        file = goOnlineFile();
    }
    if (file.isEmpty() || common::IniProfile::readSection(file, sectionName).isEmpty()) {
        setup.valid = true; // the local simulated PCD
        return raw(ScommCode::Ok);
    }
    setup.valid = parseSetup(file, sectionName, setup.sbus);
    return setup.valid ? raw(ScommCode::Ok) : raw(ScommCode::BadParm);
}

qint32 ScommLibrary::PcdConnectChannel(
    qint32 &handle, const ScommChannelSetup &setup, qint32, qint32)
{
    if (!setup.valid)
        return raw(ScommCode::BadParm);
    auto client = std::make_unique<SbusClient>();
    const SbusResult opened = client->open(setup.sbus);
    if (!opened.ok())
        return scommCodeFor(opened);
    handle = m_nextHandle++;
    m_channels[handle] = std::move(client);
    return raw(ScommCode::Ok);
}

SbusClient *ScommLibrary::client(qint32 handle) const
{
    const auto it = m_channels.find(handle);
    return it == m_channels.end() ? nullptr : it->second.get();
}

qint32 ScommLibrary::PcdDisconnectChannel(qint32 handle, qint32, qint32)
{
    SbusClient *channel = client(handle);
    if (!channel)
        return raw(ScommCode::NotOpen);
    channel->close();
    return raw(ScommCode::Ok);
}

qint32 ScommLibrary::PcdComClose(qint32 handle, qint32, qint32)
{
    return m_channels.erase(handle) ? raw(ScommCode::Ok) : raw(ScommCode::NotOpen);
}

qint32 ScommLibrary::PcdRdStatus(qint32 handle, qint32, qint32 &status)
{
    SbusClient *channel = client(handle);
    if (!channel || !channel->isOpen())
        return raw(ScommCode::NotOpen);
    quint8 byte = 0;
    const SbusResult result = channel->readStatus(&byte);
    if (!result.ok())
        return scommCodeFor(result);
    status = byte;
    return raw(ScommCode::Ok);
}

qint32 ScommLibrary::PcdRdRTC(
    qint32 handle, qint32 mediaType, qint32 first, qint32 count, std::span<qint32> destination)
{
    SbusClient *channel = client(handle);
    if (!channel || !channel->isOpen())
        return raw(ScommCode::NotOpen);
    if (mediaType != Registers || count < 1 || size_t(count) > destination.size())
        return raw(ScommCode::BadParm);
    return scommCodeFor(channel->readRegisterSpan(first, destination.first(size_t(count))));
}

qint32 ScommLibrary::PcdRdDBItem(
    qint32 handle, qint32 block, qint32 first, qint32 &count, std::span<qint32> destination)
{
    SbusClient *channel = client(handle);
    if (!channel || !channel->isOpen())
        return raw(ScommCode::NotOpen);
    if (count < 1 || size_t(count) > destination.size())
        return raw(ScommCode::BadParm);
    return scommCodeFor(channel->readDataBlockSpan(block, first, destination.first(size_t(count))));
}

qint32 ScommLibrary::PcdRdBlockSize(
    qint32 handle, qint32 typeCode, qint32 number, qint32, qint32 &size)
{
    SbusClient *channel = client(handle);
    if (!channel || !channel->isOpen())
        return raw(ScommCode::NotOpen);
    if (typeCode != DbxBlockType)
        return raw(ScommCode::BadParm);
    const SbusResult result = channel->readDbxSize(number, &size);
    return result.ok() ? raw(ScommCode::Ok) : scommCodeFor(result);
}

qint32 ScommLibrary::PcdRdDBX(
    qint32 handle, qint32 number, qint32 byteOffset, qint32 length, std::span<char> destination)
{
    SbusClient *channel = client(handle);
    if (!channel || !channel->isOpen())
        return raw(ScommCode::NotOpen);
    // The destination holds the bytes and a closing NUL.
    if (length < 1 || size_t(length) >= destination.size() || byteOffset < 0)
        return raw(ScommCode::BadParm);
    QByteArray bytes;
    const SbusResult result = channel->readDbxBytes(number, byteOffset, length, &bytes);
    if (!result.ok())
        return scommCodeFor(result);
    if (bytes.size() != length)
        return raw(ScommCode::Invalid);
    std::copy(bytes.cbegin(), bytes.cend(), destination.begin());
    destination[size_t(length)] = '\0';
    return raw(ScommCode::Ok);
}

} // namespace tlv::comm
