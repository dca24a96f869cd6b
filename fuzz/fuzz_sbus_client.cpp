// The S-Bus client's answer handling over its real transports: UDP on the
// loopback (built as fuzz_sbus_udp) or a pseudo terminal (fuzz_sbus_serial,
// with FUZZ_SERIAL). An in-process PCD peer answers each telegram from a
// simulated PCD's memory, and the input decides what becomes of each answer:
// sent intact, dropped, one byte flipped, replaced by raw bytes, resealed
// around other data, a NAK, or preceded by a stray frame.
//
// With FUZZ_MEMORY (fuzz_sbus_udp_memory, fuzz_sbus_serial_memory) there is no
// line: each request goes to the peer at once and its answers are judged as
// the transport judges what arrives, thousands of times faster.
//
// Property: a read that succeeds while every answer was intact or damaged
// under its CRC gives exactly the values the PCD holds.

#include "FuzzSupport.h"

#include "comm/sbus/SbusClient.h"
#include "comm/sbus/SbusCommand.h"
#include "comm/sbus/SbusFrame.h"
#include "comm/sbus/SbusSerialDecoder.h"
#include "pcdsim/SimulatedPcd.h"

#ifdef FUZZ_MEMORY
#include "comm/sbus/SbusSerialReply.h"
#include "comm/sbus/SbusUdpTransport.h"
#elif defined(FUZZ_SERIAL)
#include "comm/sbus/SbusSerialTransport.h"
#include <QSocketNotifier>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#else
#include "comm/sbus/SbusUdpTransport.h"
#include <QNetworkDatagram>
#include <QUdpSocket>
#endif

#include <memory>

using namespace tlv;
using comm::SbusAnswer;
using comm::SbusFrame;

namespace {

enum class Fate { Intact, Drop, Flip, Raw, Reseal, Nak, StrayFirst, Twice, Count };

// The PCD side: decides each answer's fate from the input.
class Peer
{
public:
    explicit Peer(pcdsim::SimulatedPcd &pcd)
        : m_pcd(pcd)
    { }

    void setInput(tlv::fuzz::Input *input) { m_input = input; }
    // Some answer of the current operation could carry values the PCD does not hold.
    bool tainted = false;
    // The serial data mode has no sequence numbers: once an answer may have come
    // late, it can be taken for the answer to a later request of the same length.
    bool stale = false;

    // The framed answers (zero or more) to one request.
    QList<QByteArray> answer(quint16 sequence, quint8 command, const QByteArray &data)
    {
        const SbusAnswer plain = m_pcd.execute(command, data);
        const auto fate = m_input && !m_input->atEnd() ? Fate(m_input->byte() % quint8(Fate::Count))
                                                       : Fate::Intact;
        const QByteArray intact = frame(sequence, plain);
        switch (fate) {
        case Fate::Intact:
            return { intact };
        case Fate::Drop:
            return {};
        case Fate::Flip: {
            QByteArray damaged = intact;
            const int at = m_input->u16() % damaged.size();
            const auto mask = char(m_input->byte() | 1);
            damaged[at] = char(damaged[at] ^ mask);
#ifdef FUZZ_SERIAL
            // A flip into a frame start or escape reframes the line: no longer one damage.
            if (quint8(damaged[at]) == SbusFrame::serialFrameStart
                || quint8(damaged[at]) == SbusFrame::serialDle)
                tainted = true;
#endif
            return { damaged };
        }
        case Fate::Raw:
            tainted = true;
            return { m_input->bytes(m_input->byte()) };
        case Fate::Reseal: {
            tainted = true;
            SbusAnswer other;
            other.kind = m_input->byte() & 1 ? SbusAnswer::Kind::AckNak : SbusAnswer::Kind::Data;
            other.code = m_input->u16();
            other.data = m_input->bytes(m_input->byte());
            return { frame(sequence, other) };
        }
        case Fate::Nak: {
            SbusAnswer nak;
            nak.kind = SbusAnswer::Kind::AckNak;
            nak.code = m_input->u16();
            return { frame(sequence, nak) };
        }
        case Fate::StrayFirst: {
            tainted = true; // the serial mode cannot tell a stray answer from the right one
            SbusAnswer stray;
            stray.data = m_input->bytes(m_input->byte());
            return { frame(quint16(sequence + 1 + m_input->byte()), stray), intact };
        }
        case Fate::Twice:
        case Fate::Count:
            break;
        }
        return { intact, intact };
    }

private:
    static QByteArray frame(quint16 sequence, const SbusAnswer &answer)
    {
#ifdef FUZZ_SERIAL
        Q_UNUSED(sequence);
        return answer.kind == SbusAnswer::Kind::AckNak ? SbusFrame::serialAckNak(answer.code)
                                                       : SbusFrame::serialResponse(answer.data);
#else
        return answer.kind == SbusAnswer::Kind::AckNak
            ? SbusFrame::etherAckNak(sequence, answer.code)
            : SbusFrame::etherResponse(sequence, answer.data);
#endif
    }

    pcdsim::SimulatedPcd &m_pcd;
    tlv::fuzz::Input *m_input = nullptr;
};

#ifdef FUZZ_MEMORY
// The client's transport without a line: answers come at once, and what the peer
// sends after the answer is decided is thrown away as the real transports do.
class MemoryTransport : public comm::SbusTransport
{
public:
    explicit MemoryTransport(Peer &peer)
        : m_peer(peer)
    { }

    comm::SbusResult open() override
    {
        m_open = true;
        return comm::SbusResult::success();
    }
    void close() override { m_open = false; }
    [[nodiscard]] bool isOpen() const override { return m_open; }
    [[nodiscard]] QString describe() const override { return QStringLiteral("memory"); }

    comm::SbusResult exchange(
        const comm::SbusRequest &request, int, comm::SbusAnswer *answer) override
    {
        const QList<QByteArray> answers
            = m_peer.answer(request.sequence, request.command, request.data);
#ifdef FUZZ_SERIAL
        comm::SbusSerialReply reply(request, describe());
        for (const QByteArray &bytes : answers) {
            for (const char c : bytes) {
                if (reply.feed(c))
                    break;
            }
        }
        const comm::SbusResult result = reply.result();
        if (result.ok())
            *answer = reply.answer();
        return result;
#else
        for (const QByteArray &datagram : answers) {
            bool decided = false;
            const comm::SbusResult result = m_udp.judge(datagram, request, answer, &decided);
            if (decided)
                return result;
        }
        return comm::SbusResult::failure(comm::SbusError::NoResponse, QStringLiteral("none"));
#endif
    }

private:
    Peer &m_peer;
    bool m_open = false;
#ifndef FUZZ_SERIAL
    comm::SbusUdpTransport m_udp { QStringLiteral("127.0.0.1"), 5050 };
#endif
};
#elif defined(FUZZ_SERIAL)
// A pseudo terminal whose master side collects request frames and writes the answers.
class Line
{
public:
    explicit Line(Peer &peer)
        : m_peer(peer)
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        char name[128] = {};
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0
            || ptsname_r(m_master, name, sizeof name) != 0)
            std::abort();
        m_slave = ::open(name, O_RDWR | O_NOCTTY);
        termios tio {};
        if (m_slave < 0 || tcgetattr(m_slave, &tio) != 0)
            std::abort();
        cfmakeraw(&tio);
        tcsetattr(m_slave, TCSANOW, &tio);
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_path = QString::fromLocal8Bit(name);
        m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { read(); });
    }
    [[nodiscard]] QString path() const { return m_path; }

private:
    void read()
    {
        char buffer[512];
        for (;;) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                return;
            m_decoder.feed(QByteArrayView(buffer, n));
            serve();
        }
    }
    void serve()
    {
        const QByteArray &frame = m_decoder.frame();
        if (!m_decoder.inFrame() || frame.size() < 3)
            return;
        const QByteArray data = frame.mid(3);
        const int need = comm::SbusCommand::requestDataLength(quint8(frame[2]), data);
        if (need == -2 || (need >= 0 && data.size() < need + 2))
            return;
        const quint8 command = quint8(frame[2]);
        const QByteArray request = need >= 0 ? data.left(need) : QByteArray();
        m_decoder.reset();
        for (const QByteArray &answer : m_peer.answer(0, command, request)) {
            if (!answer.isEmpty()
                && ::write(m_master, answer.constData(), size_t(answer.size())) < 0)
                return;
        }
    }

    Peer &m_peer;
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    std::unique_ptr<QSocketNotifier> m_notifier;
    comm::SbusSerialDecoder m_decoder;
};
#else
// A UDP socket on the loopback that answers from where the client expects the PCD.
class Line
{
public:
    explicit Line(Peer &peer)
        : m_peer(peer)
    {
        if (!m_socket.bind(QHostAddress::LocalHost, 0))
            std::abort();
        QObject::connect(&m_socket, &QUdpSocket::readyRead, [this] { read(); });
    }
    [[nodiscard]] quint16 port() const { return m_socket.localPort(); }

private:
    void read()
    {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            SbusFrame::Ether frame;
            if (SbusFrame::parseEther(datagram.data(), &frame) != SbusFrame::Check::Ok
                || frame.body.size() < 2)
                continue;
            for (const QByteArray &answer :
                m_peer.answer(frame.sequence, quint8(frame.body[1]), frame.body.mid(2)))
                m_socket.writeDatagram(answer, datagram.senderAddress(), datagram.senderPort());
        }
    }

    Peer &m_peer;
    QUdpSocket m_socket;
};
#endif

struct Rig
{
    pcdsim::SimulatedPcd pcd;
    Peer peer { pcd };
#ifndef FUZZ_MEMORY
    Line line { peer };
#endif
    comm::SbusClient client;

    Rig()
    {
        for (int r = 0; r < pcdsim::SimulatedPcd::registerCount; ++r)
            pcd.setRegister(r, qint32(quint32(r) * 2654435761u));
        for (int f = 0; f < pcdsim::SimulatedPcd::binaryCount; f += 3)
            pcd.setFlag(f, true);
        pcd.defineDataBlock(7, 300);
        for (int e = 0; e < 300; ++e)
            pcd.setDataBlockElement(7, e, -e * 1000);
        QByteArray dbx;
        for (int b = 0; b < 404; ++b)
            dbx.append(char(b * 31));
        pcd.setDbxBytes(6, 0, dbx);
        comm::SbusSettings settings;
        // Long enough that a busy machine rarely makes an answer late.
        settings.timeoutMs = 100;
        settings.retries = 1;
#ifdef FUZZ_MEMORY
        auto transport = std::make_unique<MemoryTransport>(peer);
#elif defined(FUZZ_SERIAL)
        settings.channel = comm::SbusSettings::Channel::Serial;
        settings.device = line.path();
        auto transport = std::make_unique<comm::SbusSerialTransport>(line.path(), 38400);
#else
        settings.port = line.port();
        auto transport = std::make_unique<comm::SbusUdpTransport>(settings.host, settings.port);
#endif
        if (!client.open(std::move(transport), settings).ok())
            std::abort();
    }
};

Rig &rig()
{
    static Rig instance;
    return instance;
}

// Telegrams the current operation needs, and the client's attempts before it.
int telegrams = 1;
quint64 attemptsBefore = 0;

// Whether the values of the current operation may differ from the PCD's.
bool suspect()
{
    Rig &r = rig();
#ifdef FUZZ_SERIAL
    // A retry means an answer may still be under way.
    if (r.client.attemptsSent() - attemptsBefore > quint64(telegrams))
        return true;
#endif
    return r.peer.tainted;
}

void expectWords(const comm::SbusResult &result, const QList<qint32> &got,
    const std::function<qint32(int)> &truth, int count)
{
    if (!result.ok() || suspect())
        return;
    if (got.size() != count)
        tlv::fuzz::propertyFailed("a read gave another number of values than asked for");
    for (int i = 0; i < count; ++i) {
        if (got[i] != truth(i))
            tlv::fuzz::propertyFailed("a read gave a value the PCD does not hold");
    }
}

void operation(tlv::fuzz::Input &input)
{
    Rig &r = rig();
    r.peer.tainted = r.peer.stale;
    attemptsBefore = r.client.attemptsSent();
    telegrams = 1;
    const quint8 what = input.byte();
    const int first = input.u16() % 16400;
    const int count = input.byte() % 34;
    QList<qint32> words;
    QList<bool> bits;
    switch (what % 10) {
    case 0: {
        const auto result = r.client.readRegisters(first, count, &words);
        expectWords(
            result, words, [&](int i) { return r.pcd.registerValue(first + i); }, count);
        break;
    }
    case 1: {
        const auto result = r.client.readFlags(first, count * 4, &bits);
        if (result.ok() && !suspect()) {
            for (int i = 0; i < bits.size(); ++i) {
                if (bits[i] != r.pcd.flag(first + i))
                    tlv::fuzz::propertyFailed("a flag read differs from the PCD");
            }
        }
        break;
    }
    case 2: {
        const auto result = r.client.readDataBlock(7, first % 320, count, &words);
        expectWords(
            result, words, [&](int i) { return r.pcd.dataBlock(7).value(first % 320 + i); }, count);
        break;
    }
    case 3: {
        QByteArray bytes;
        const int offset = first % 420;
        const int length = input.byte() % 200;
        telegrams = length > 0 ? ((offset + length - 1) / 4 - offset / 4) / 32 + 1 : 0;
        const auto result = r.client.readDbxBytes(6, offset, length, &bytes);
        if (result.ok() && !suspect() && bytes != r.pcd.dbx(6).mid(offset, length))
            tlv::fuzz::propertyFailed("DBX bytes differ from the PCD");
        break;
    }
    case 4: {
        qint32 size = 0;
        const auto result = r.client.readDbxSize(what & 0x10 ? 6 : 5, &size);
        if (result.ok() && !suspect() && size != r.pcd.dbx(6).size() && (what & 0x10))
            tlv::fuzz::propertyFailed("DBX size differs from the PCD");
        break;
    }
    case 5: {
        telegrams = 3;
        quint8 status = 0;
        (void)r.client.readStatus(&status);
        (void)r.client.readCpuStatus(count % 8, &status);
        (void)r.client.readStationNumber(&status);
        break;
    }
    case 6:
        telegrams = 2;
        (void)r.client.readTimers(first, count, &words);
        (void)r.client.readCounters(first, count, &words);
        break;
    case 7:
        telegrams = 2;
        (void)r.client.readInputs(first, count, &bits);
        (void)r.client.readOutputs(first, count, &bits);
        break;
    case 8: {
        // Writes leave the pattern in place: the values are those already held.
        QList<qint32> values;
        for (int i = 0; i < count; ++i)
            values.append(r.pcd.registerValue(first + i));
        (void)r.client.writeRegisters(first, values);
        break;
    }
    case 9: {
        QList<bool> values;
        for (int i = 0; i < count; ++i)
            values.append(r.pcd.flag(first + i));
        (void)r.client.writeFlags(first, values);
        break;
    }
    }
#ifdef FUZZ_SERIAL
    if (r.client.attemptsSent() - attemptsBefore > quint64(telegrams)
        || !r.client.lastResult().ok())
        r.peer.stale = true;
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
    rig().peer.setInput(&input);
    rig().peer.stale = false;
    for (int n = 0; n < 8 && !input.atEnd(); ++n)
        operation(input);
    rig().peer.setInput(nullptr);
    if (!rig().client.isOpen())
        std::abort(); // a client that closed itself on bad answers is a finding too
    return 0;
}
