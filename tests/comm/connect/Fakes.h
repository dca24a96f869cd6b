#pragma once

#include "tests/TestSupport.h"

#include "comm/ScommApi.h"
#include "comm/VarnokDLL.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QMap>
#include <QStringList>

namespace tlv::comm::test {

using tlv::test::ensureApplication;

// Register i of the fake controllers holds RegisterValue(i), element e of data block b DbValue(b,
// e).
inline qint32 RegisterValue(qint32 i)
{
    return i * 7 + 3;
}
inline qint32 DbValue(qint32 block, qint32 element)
{
    return block * 100000 + element;
}

// A DBX read as both drivers do it: the bytes asked for, or a failure when there are fewer.
inline qint32 readDbxBytes(const QByteArray &dbx, qint32 offset, qint32 length, std::span<char> out)
{
    const QByteArray bytes = dbx.mid(offset, length);
    if (bytes.size() != length)
        return 1;
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return 0;
}

// PG5's library as a scripted, in-memory stand-in.
class FakeScommApi : public ScommApi
{
public:
    QStringList calls;
    QString failure;
    qint32 setupResult = 0, connectResult = 0, disconnectResult = 0, statusResult = 0;
    qint32 statusByte = 'R';
    int reads = 0; // register and data block reads
    QMap<qint32, QByteArray> dbx; // DBX number -> contents; missing: size query refused

    QString loadFailure() const override { return failure; }
    qint32 PcdRdChanSetupFromIni(
        const char *file, const char *section, ScommChannelSetup &setup) override
    {
        calls << QStringLiteral("setup %1 %2")
                     .arg(QLatin1String(file ? "file" : "null"), QLatin1String(section));
        setup.valid = setupResult <= 0;
        return setupResult;
    }
    qint32 PcdConnectChannel(qint32 &handle, const ScommChannelSetup &, qint32, qint32) override
    {
        calls << QStringLiteral("connect");
        if (connectResult <= 0)
            handle = 7;
        return connectResult;
    }
    qint32 PcdDisconnectChannel(qint32 handle, qint32, qint32) override
    {
        calls << QStringLiteral("disconnect %1").arg(handle);
        return disconnectResult;
    }
    qint32 PcdComClose(qint32 handle, qint32, qint32) override
    {
        calls << QStringLiteral("close %1").arg(handle);
        return 0;
    }
    qint32 PcdRdStatus(qint32, qint32, qint32 &status) override
    {
        calls << QStringLiteral("status");
        if (statusResult <= 0)
            status = statusByte;
        return statusResult;
    }
    qint32 PcdRdRTC(
        qint32, qint32 type, qint32 first, qint32 count, std::span<qint32> destination) override
    {
        calls << QStringLiteral("rtc %1 %2 %3").arg(type).arg(first).arg(count);
        ++reads;
        for (qint32 i = 0; i < count; ++i)
            destination[size_t(i)] = RegisterValue(first + i);
        return 0;
    }
    qint32 PcdRdDBItem(
        qint32, qint32 block, qint32 first, qint32 &count, std::span<qint32> destination) override
    {
        calls << QStringLiteral("db %1 %2 %3").arg(block).arg(first).arg(count);
        ++reads;
        for (qint32 i = 0; i < count; ++i)
            destination[size_t(i)] = DbValue(block, first + i);
        return 0;
    }
    qint32 PcdRdBlockSize(qint32, qint32 type, qint32 number, qint32 one, qint32 &size) override
    {
        calls << QStringLiteral("size %1 %2 %3").arg(type).arg(number).arg(one);
        if (!dbx.contains(number))
            return 1;
        size = qint32(dbx[number].size());
        return 0;
    }
    qint32 PcdRdDBX(
        qint32, qint32 number, qint32 offset, qint32 length, std::span<char> destination) override
    {
        calls << QStringLiteral("dbx %1 %2 %3").arg(number).arg(offset).arg(length);
        return readDbxBytes(dbx.value(number), offset, length, destination);
    }
};

// The maker's driver as a scripted, in-memory stand-in.
class FakeVarnok : public VarnokDLL
{
public:
    QStringList calls;
    qint32 parameterResult = 0, openResult = 0, statusResult = 0, readResult = 0;
    qint32 statusByte = 'S';
    int reads = 0, failOnRead = 0;
    QMap<qint32, QByteArray> dbx; // in the driver's delivery order

    qint32 PCDClose() override
    {
        calls << QStringLiteral("PCDClose");
        return 0;
    }
    qint32 PCDSetParameter(qint32 com, qint32 baud, qint32 protocol) override
    {
        calls << QStringLiteral("PCDSetParameter %1 %2 %3").arg(com).arg(baud).arg(protocol);
        return parameterResult;
    }
    qint32 PCDNoMsg() override
    {
        calls << QStringLiteral("PCDNoMsg");
        return 0;
    }
    qint32 PCDOpen() override
    {
        calls << QStringLiteral("PCDOpen");
        return openResult;
    }
    qint32 PCDSetStation(qint32 station) override
    {
        calls << QStringLiteral("PCDSetStation %1").arg(station);
        return 0;
    }
    qint32 PcdRdStatus(qint32 cpu, qint32 &status) override
    {
        calls << QStringLiteral("PcdRdStatus %1").arg(cpu);
        if (statusResult <= 0)
            status = statusByte;
        return statusResult;
    }
    qint32 PCDReadRegister(qint32 first, qint32 count, std::span<qint32> destination) override
    {
        calls << QStringLiteral("PCDReadRegister %1 %2").arg(first).arg(count);
        if (++reads == failOnRead)
            return readResult;
        for (qint32 i = 0; i < count; ++i)
            destination[size_t(i)] = RegisterValue(first + i);
        return 0;
    }
    qint32 PcdRdDBItem(
        qint32 block, qint32 first, qint32 &count, std::span<qint32> destination) override
    {
        calls << QStringLiteral("PcdRdDBItem %1 %2 %3").arg(block).arg(first).arg(count);
        if (++reads == failOnRead)
            return readResult;
        for (qint32 i = 0; i < count; ++i)
            destination[size_t(i)] = DbValue(block, first + i);
        return 0;
    }
    qint32 PcdRdDBX(
        qint32 number, qint16 offset, qint32 length, std::span<char> destination) override
    {
        calls << QStringLiteral("PcdRdDBX %1 %2 %3").arg(number).arg(offset).arg(length);
        return readDbxBytes(dbx.value(number), offset, length, destination);
    }
};

// A 128-byte registry entry as the controller holds it (big-endian values).
inline QByteArray dbxEntryBytes(const QByteArray &text, quint32 value, const QList<quint32> &slots)
{
    QByteArray entry = text.left(60);
    entry.append(60 - entry.size(), ' ');
    auto put = [&entry](quint32 v) {
        entry.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
    };
    put(value);
    for (int i = 0; i < 16; ++i)
        put(i < slots.size() ? slots[i] : 0);
    return entry;
}

// The same bytes as the maker's driver delivers them: every 32-bit group low byte first.
inline QByteArray swapGroups(const QByteArray &bytes)
{
    QByteArray out = bytes;
    for (int at = 0; at + 3 < out.size(); at += 4)
        std::reverse(out.begin() + at, out.begin() + at + 4);
    return out;
}

} // namespace tlv::comm::test
