#pragma once

#include "comm/sbus/SbusSettings.h"

#include <QString>
#include <QtGlobal>

#include <span>

namespace tlv::comm {

// The channel setup block, in the library's own layout; the module passes it on unread.
struct ScommChannelSetup
{
    bool valid = false;
    SbusSettings sbus;
};

// The functions of PG5's communication library that the host calls, with the
// library's argument order and result convention (0 or less = success,
// positive = a SCOMM code). Destinations are spans so that no call can write
// past the caller's buffer.
class ScommApi
{
public:
    virtual ~ScommApi() = default;

    // Empty while the library can be used, else why it cannot be loaded.
    [[nodiscard]] virtual QString loadFailure() const { return {}; }

    virtual qint32 PcdRdChanSetupFromIni(
        const char *fileName, const char *section, ScommChannelSetup &setup)
        = 0;
    virtual qint32 PcdConnectChannel(
        qint32 &handle, const ScommChannelSetup &setup, qint32 a, qint32 b)
        = 0;
    virtual qint32 PcdDisconnectChannel(qint32 handle, qint32 a, qint32 b) = 0;
    virtual qint32 PcdComClose(qint32 handle, qint32 a, qint32 b) = 0;
    virtual qint32 PcdRdStatus(qint32 handle, qint32 a, qint32 &status) = 0;
    virtual qint32 PcdRdRTC(
        qint32 handle, qint32 mediaType, qint32 first, qint32 count, std::span<qint32> destination)
        = 0;
    virtual qint32 PcdRdDBItem(
        qint32 handle, qint32 block, qint32 first, qint32 &count, std::span<qint32> destination)
        = 0;
    virtual qint32 PcdRdBlockSize(
        qint32 handle, qint32 typeCode, qint32 number, qint32 one, qint32 &size)
        = 0;
    virtual qint32 PcdRdDBX(
        qint32 handle, qint32 number, qint32 byteOffset, qint32 length, std::span<char> destination)
        = 0;
};

} // namespace tlv::comm
