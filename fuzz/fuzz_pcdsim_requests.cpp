// The simulated PCD's request handling: SimulatedPcd::execute directly, and
// SbusServer behind UDP and its pseudo terminal.
//
// Input: a sequence of telegrams. Each starts with a byte whose low bits say
// how it goes: straight to execute, as a raw datagram, as a well-formed
// Ether-S-Bus request around fuzzed command data, or as bytes on the serial line.
// Property: every answer a request gets is a data answer or an ACK/NAK, and a
// data answer never exceeds what one telegram may carry.
//
// With FUZZ_MEMORY (fuzz_pcdsim_requests_memory) the server takes the datagrams
// and serial bytes without its sockets, and every answer telegram it sends must
// be a well-formed one.

#include "FuzzSupport.h"

#include "comm/sbus/SbusFrame.h"
#include "comm/sbus/SbusSerialDecoder.h"
#include "pcdsim/PcdSetup.h"
#include "pcdsim/SbusServer.h"
#include "pcdsim/SimulatedPcd.h"

#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <fcntl.h>
#include <unistd.h>

using namespace tlv;
using comm::SbusFrame;

namespace {

#ifdef FUZZ_MEMORY
void checkTelegram(const QByteArray &telegram, bool serial)
{
    if (serial) {
        comm::SbusSerialDecoder decoder;
        decoder.feed(telegram);
        if (!decoder.inFrame() || decoder.broken() || decoder.frame().size() < 3
            || SbusFrame::serialCrc(QByteArrayView(decoder.frame()).chopped(2))
                != quint16((quint8(decoder.frame().at(decoder.frame().size() - 2)) << 8)
                    | quint8(decoder.frame().back())))
            tlv::fuzz::propertyFailed("a serial answer that is no frame");
        return;
    }
    SbusFrame::Ether frame;
    if (SbusFrame::parseEther(telegram, &frame) != SbusFrame::Check::Ok)
        tlv::fuzz::propertyFailed("an Ether-S-Bus answer that does not parse");
}
#endif

struct Rig
{
    pcdsim::SimulatedPcd pcd;
    pcdsim::SbusServer server { &pcd };
#ifndef FUZZ_MEMORY
    QUdpSocket master;
    int serial = -1;
#endif

    Rig()
    {
        QString error;
        const QStringList setup { QStringLiteral("station 3"),
            QStringLiteral("R 100 = 1 -2 0x7FFF"), QStringLiteral("DB 7 size 100"),
            QStringLiteral("DB 7 10 = 5 6 7"), QStringLiteral("DBX 6 size 404"),
            QStringLiteral("DBX 6 text 0 = PG5Version=2.1\\n"),
            QStringLiteral("DBX 5 entry 2 TLVR__ACCESS_KEY 1000 1 2 3") };
        if (!pcdsim::PcdSetup::applyLines(setup, &pcd, &error))
            std::abort();
#ifndef FUZZ_MEMORY
        if (!server.listenUdp(QHostAddress::LocalHost, 0, &error)
            || !server.openPseudoTerminal(&error) || !master.bind(QHostAddress::LocalHost, 0))
            std::abort();
        serial
            = ::open(server.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (serial < 0)
            std::abort();
#endif
    }

    [[nodiscard]] quint64 seen() const
    {
        const auto s = server.statistics();
        return s.requests + s.ignored;
    }

    // Lets the server take what was sent; a telegram it ignores leaves no trace but time.
    void settle([[maybe_unused]] quint64 before, [[maybe_unused]] int ms)
    {
#ifndef FUZZ_MEMORY
        const QDeadlineTimer deadline(ms);
        while (seen() == before && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        while (master.hasPendingDatagrams())
            master.receiveDatagram();
        char sink[512];
        while (::read(serial, sink, sizeof sink) > 0) { }
#endif
    }
};

Rig &rig()
{
    static Rig instance;
    return instance;
}

void checkAnswer(const comm::SbusAnswer &answer)
{
    if (answer.kind == comm::SbusAnswer::Kind::Data && answer.data.size() > 128 + 4)
        tlv::fuzz::propertyFailed("a data answer longer than one telegram carries");
    if (answer.kind == comm::SbusAnswer::Kind::AckNak && !answer.data.isEmpty())
        tlv::fuzz::propertyFailed("an ACK/NAK with data");
}

// One datagram to the server.
void send(Rig &r, const QByteArray &datagram)
{
#ifdef FUZZ_MEMORY
    r.server.takeDatagram(datagram, [](const QByteArray &answer) { checkTelegram(answer, false); });
#else
    r.master.writeDatagram(datagram, QHostAddress::LocalHost, r.server.udpPort());
#endif
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tlv::fuzz::ensureApplication();
    (void)rig();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tlv::fuzz::Input input(data, size);
#ifdef FUZZ_MEMORY
    // A fresh PCD and server each time: without sockets they are cheap, and the
    // serial side's half-read frame does not carry over to the next input.
    Rig fresh;
    Rig &r = fresh;
#else
    Rig &r = rig();
#endif
    for (int n = 0; n < 16 && !input.atEnd(); ++n) {
        const quint8 how = input.byte();
        const quint8 command = input.byte();
        const QByteArray body = input.bytes(input.byte() % 160);
        const quint64 before = r.seen();
        switch (how % 4) {
        case 0:
            checkAnswer(r.pcd.execute(command, body));
            break;
        case 1:
            send(r, body);
            r.settle(before, 20);
            break;
        case 2: {
            const quint8 station = how & 0x10 ? quint8(how >> 5) : 3;
            const QByteArray telegram
                = SbusFrame::etherRequest(quint16(n), station, command, body, how & 0x08 ? 1 : 0);
            send(r, telegram);
            r.settle(before, 20);
            break;
        }
        case 3: {
            // Raw bytes, or a request frame with its CRC; the server waits for the rest.
            const QByteArray bytes = how & 0x04 ? SbusFrame::serialFrame(QByteArray(
                                         QByteArray(1, '\0') + char(3) + char(command) + body))
                                                : body;
#ifdef FUZZ_MEMORY
            r.server.takeSerialBytes(
                bytes, [](const QByteArray &answer) { checkTelegram(answer, true); });
#else
            if (::write(r.serial, bytes.constData(), size_t(bytes.size())) < 0)
                break;
            r.settle(before, 5);
#endif
            break;
        }
        }
    }
    return 0;
}
