// Reading a whole trace ring from the simulated PCD over UDP loopback, three ways:
//   ReadPath/C   the program's own path: the headless recorder (connection, read serving in
//                blocks of 32, control, decoder, grid) fetching a full ring of C records of 32
//                words on one read tick;
//   BareLoop/C   the same telegrams, prebuilt, sent from a plain UDP socket that only waits for
//                each answer;
//   Client       the S-Bus client alone reading 16383 registers in telegrams of 32.
// The PCD answers from a thread of its own, so that the bare loop may block on its socket.
// Every wait is bounded, and a watchdog ends a run that still hangs.
#include "BenchSupport.h"

#include "app/record/HeadlessRecorder.h"
#include "buffer/LayoutValidation.h"
#include "buffer/SourceGenerator.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "comm/sbus/SbusClient.h"
#include "comm/sbus/SbusCommand.h"
#include "comm/sbus/SbusFrame.h"
#include "pcdsim/SbusServer.h"
#include "pcdsim/SimulatedPcd.h"
#include "pcdsim/trace/TraceSetup.h"
#include "tests/support/ScriptedPrompter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>

using namespace tlv;
using namespace tlv::comm;
using namespace tlv::pcdsim;

namespace {

constexpr int RecordWords = 32;
constexpr int HeaderWords = 16;
constexpr int StartRegister = 0; // the buffer follows it from register 1
constexpr int ClientRegisters = 16383;
constexpr int WaitMs = 2000; // longest wait for any one answer

// A simulated PCD whose trace ring of `records` records is full, served from its own thread.
class RingPcd
{
public:
    explicit RingPcd(int records)
        : m_records(records)
    {
        m_ok = writeProject() && fill();
        if (!m_ok)
            return;
        QSemaphore ready;
        m_pcd->moveToThread(nullptr); // taken up by the thread below
        m_thread.reset(QThread::create([this, &ready] {
            m_pcd->moveToThread(QThread::currentThread());
            SbusServer server(m_pcd.get());
            m_ok = server.listenUdp(QHostAddress::LocalHost, 0);
            m_port = server.udpPort();
            QEventLoop loop;
            m_server = &server;
            m_loop = &loop;
            ready.release();
            if (m_ok)
                loop.exec();
            m_server = nullptr;
            m_pcd.reset(); // deleted on the thread that owns it
        }));
        m_thread->start();
        m_ok = ready.tryAcquire(1, 10000) && m_ok;
    }

    ~RingPcd()
    {
        if (!m_thread)
            return;
        if (m_loop)
            QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
        if (!m_thread->wait(QDeadlineTimer(5000))) {
            std::fprintf(stderr, "sbus_read_bench: the PCD thread did not stop\n");
            std::_Exit(3);
        }
    }

    [[nodiscard]] bool ok() const { return m_ok; }
    [[nodiscard]] quint16 port() const { return m_port; }
    [[nodiscard]] int records() const { return m_records; }
    [[nodiscard]] QString projectPath() const
    {
        return m_dir.filePath(QStringLiteral("bench.tlvr"));
    }

    // The PCD program writes records for records more cycles: the reader has been overtaken,
    // so its next look fetches the whole ring.
    void goRound()
    {
        SimulatedPcd *pcd = m_pcd.get();
        const int cycles = m_records + 1;
        QMetaObject::invokeMethod(
            pcd,
            [pcd, cycles] {
                for (int i = 0; i < cycles; ++i)
                    pcd->runCycle(100);
            },
            Qt::BlockingQueuedConnection);
    }

    // Requests the PCD has served so far.
    [[nodiscard]] quint64 requests() const
    {
        quint64 n = 0;
        QMetaObject::invokeMethod(
            m_server, [&] { n = m_server->statistics().requests; }, Qt::BlockingQueuedConnection);
        return n;
    }

private:
    // 32 places in eight formats; the variables lie above the ring.
    bool writeProject()
    {
        static const char *const kinds[8][3] = {
            { "Long", "0", "%d" },
            { "Word", "0", "%sd" },
            { "Long", "0", "%h" },
            { "Byte", "1", "%b" },
            { "Word", "1", "%2d" },
            { "Long", "0", "%t" },
            { "Word", "0", "%a" },
            { "Long", "0", "%2sd" },
        };
        QByteArray columns = "Column=" + QByteArray::number(RecordWords) + "\r\n";
        for (int k = 0; k < RecordWords; ++k) {
            const auto &kind = kinds[k % 8];
            columns += "Column" + QByteArray::number(k + 1) + '=' + QByteArray::number(k) + ','
                + kind[0] + ',' + kind[1] + ",R " + QByteArray::number(16370 + k % 14) + ",1000,C"
                + QByteArray::number(k + 1) + ',' + kind[2] + ",0\r\n";
        }
        QFile file(projectPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        file.write("[Tolvane]\r\nVersion=2\r\nUserBuffer=1\r\n[CONNECTION]\r\nDLL=1\r\n"
                   "ReadInterval=60000\r\nMaxRows=5000\r\nExportFile=out.xls\r\nStartReg=0\r\n"
                   "AutoConnect=0\r\n[USER_BUFFER]\r\nTitle=Bench\r\nHeaderKey=BNCH\r\n"
                   "HeaderType=1\r\nStartReg=R "
            + QByteArray::number(StartRegister)
            + "\r\nRecordInterval=1\r\nRecordChange=0\r\nRecordMemory=1\r\nRecordNumber="
            + QByteArray::number(m_records) + "\r\nRecordLenght=" + QByteArray::number(RecordWords)
            + "\r\n" + columns);
        file.close();

        buffer::UserColumns userColumns;
        buffer::TraceProject project(userColumns);
        project.setPath(projectPath());
        if (!project.readProject()) {
            std::fprintf(stderr, "project: %s\n", qPrintable(project.errorString()));
            return false;
        }
        if (!buffer::LayoutValidation::validate(userColumns, buffer::cFormats::standard()).ok) {
            std::fprintf(stderr, "project: the layout is refused\n");
            return false;
        }
        buffer::SourceGenerator generator;
        return generator.write(userColumns, project.sourcePath());
    }

    // Runs the buffer's program until the ring has gone round once.
    bool fill()
    {
        QStringList lines { QStringLiteral("trace bench.tlvs") };
        for (int r = 16370; r < 16384; ++r)
            lines << QStringLiteral("wave R %1 ramp %2 %3 %4")
                         .arg(r)
                         .arg(-70000 + r)
                         .arg(1224235959 + r)
                         .arg(700 + 10 * (r % 7));
        QStringList memory;
        QString error;
        if (!m_setup->applyLines(lines, *m_pcd, m_dir.path(), &memory, &error)) {
            std::fprintf(stderr, "pcd: %s\n", qPrintable(error));
            return false;
        }
        m_setup->install(*m_pcd, m_setup);
        for (int i = 0; i < m_records + 3; ++i)
            m_pcd->runCycle(100);
        return true;
    }

    QTemporaryDir m_dir;
    int m_records;
    std::unique_ptr<SimulatedPcd> m_pcd = std::make_unique<SimulatedPcd>();
    std::shared_ptr<TraceSetup> m_setup = std::make_shared<TraceSetup>();
    std::unique_ptr<QThread> m_thread;
    SbusServer *m_server = nullptr;
    QEventLoop *m_loop = nullptr;
    quint16 m_port = 0;
    bool m_ok = false;
};

std::map<int, std::unique_ptr<RingPcd>> &pcds()
{
    static std::map<int, std::unique_ptr<RingPcd>> all;
    return all;
}

RingPcd *ringPcd(int records)
{
    auto &pcd = pcds()[records];
    if (!pcd)
        pcd = std::make_unique<RingPcd>(records);
    return pcd->ok() ? pcd.get() : nullptr;
}

SbusSettings udp(quint16 port)
{
    SbusSettings s;
    s.channel = SbusSettings::Channel::Udp;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port;
    s.timeoutMs = WaitMs;
    s.retries = 1;
    return s;
}

QList<QByteArray> tickTelegrams(int records);

// The recorder reading the PCD's buffer, its first look done.
struct Recording
{
    explicit Recording(RingPcd &pcd)
        : recorder(prompter)
    {
        prompter.setDefaultAnswer(common::Prompter::Answer::No);
        app::HeadlessRecorder::Options options;
        options.project = pcd.projectPath();
        options.connect = udp(pcd.port());
        options.dateColumn = options.timeColumn = options.statusColumn = false;
        if (!recorder.open(options, &error) || !recorder.start()) {
            if (error.isEmpty())
                error = QStringLiteral("the recorder did not start");
            return;
        }
        viewer::ReadingCycle &cycle = recorder.control().cycle();
        const QDeadlineTimer ready(10000);
        while (cycle.state() != viewer::ReadingCycle::Refreshing && !ready.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (cycle.state() != viewer::ReadingCycle::Refreshing)
            error = QStringLiteral("the header was not read");
        cycle.tick();
    }
    ~Recording() { recorder.stop(); }

    common::ScriptedPrompter prompter;
    app::HeadlessRecorder recorder;
    QString error;
};

void BM_ReadPath(benchmark::State &state)
{
    RingPcd *pcd = ringPcd(int(state.range(0)));
    if (!pcd) {
        state.SkipWithError("no simulated PCD");
        return;
    }
    Recording recording(*pcd);
    if (!recording.error.isEmpty()) {
        state.SkipWithError(qPrintable(recording.error));
        return;
    }
    viewer::ReadingCycle &cycle = recording.recorder.control().cycle();
    quint64 telegrams = 0;
    for (auto _ : state) {
        pcd->goRound();
        const qint64 rows = recording.recorder.recordRows();
        const quint64 before = pcd->requests();
        const auto start = std::chrono::steady_clock::now();
        cycle.tick();
        const auto end = std::chrono::steady_clock::now();
        telegrams = pcd->requests() - before;
        // The whole ring: every slot but, maybe, the one the writer fills next.
        const qint64 added = recording.recorder.recordRows() - rows;
        if (added < pcd->records() - 1
            || telegrams != quint64(tickTelegrams(pcd->records()).size())) {
            state.SkipWithError(
                qPrintable(QStringLiteral("%1 records in %2 telegrams, not a whole ring")
                               .arg(added)
                               .arg(telegrams)));
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["telegrams"] = double(telegrams);
}

// The telegrams of one read tick: status and counter block, status and header, status and the
// ring in blocks of 32.
QList<QByteArray> tickTelegrams(int records)
{
    QList<QByteArray> frames;
    quint16 sequence = 0;
    const auto status = [&] {
        frames.append(SbusFrame::etherRequest(sequence++, 0, SbusCommand::ReadStatusOwn, {}));
    };
    const auto registers = [&](int first, int count) {
        QByteArray data;
        data.append(char(count - 1)).append(char(first >> 8)).append(char(first & 0xFF));
        frames.append(SbusFrame::etherRequest(sequence++, 0, 0x06, data));
    };
    const int buffer = StartRegister + 1;
    status();
    registers(buffer + 4, 12); // counter index 4, eight words from it
    // Each round overruns the ring, and after a "Miss" the header is read again
    // before any record, so a recompiled buffer is seen.
    status();
    registers(buffer, HeaderWords);
    status();
    const int first = buffer + HeaderWords;
    const int words = records * RecordWords;
    int index = 0;
    for (; words - index > 32; index += 32)
        registers(first + index, 32);
    registers(first + index, words - index);
    return frames;
}

void BM_BareLoop(benchmark::State &state)
{
    RingPcd *pcd = ringPcd(int(state.range(0)));
    if (!pcd) {
        state.SkipWithError("no simulated PCD");
        return;
    }
    const QList<QByteArray> frames = tickTelegrams(pcd->records());
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    const QHostAddress peer(QHostAddress::LocalHost);
    QByteArray answer(2048, '\0');
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (const QByteArray &frame : frames) {
            socket.writeDatagram(frame, peer, pcd->port());
            if (!socket.waitForReadyRead(WaitMs)) {
                state.SkipWithError("no answer");
                return;
            }
            benchmark::DoNotOptimize(socket.readDatagram(answer.data(), answer.size()));
        }
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["telegrams"] = double(frames.size());
}

void BM_Client(benchmark::State &state)
{
    RingPcd *pcd = ringPcd(int(state.range(0)));
    if (!pcd) {
        state.SkipWithError("no simulated PCD");
        return;
    }
    SbusClient client;
    if (!client.open(udp(pcd->port())).ok()) {
        state.SkipWithError("cannot open the client");
        return;
    }
    QList<qint32> values;
    for (auto _ : state) {
        for (int first = 0; first < ClientRegisters; first += 32) {
            if (!client.readRegisters(first, qMin(32, ClientRegisters - first), &values).ok()) {
                state.SkipWithError(qPrintable(client.errorString()));
                return;
            }
        }
        benchmark::DoNotOptimize(values);
    }
}

// About 1k, 4k and 16k registers of ring.
BENCHMARK(BM_ReadPath)->Arg(32)->Arg(128)->Arg(511)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareLoop)->Arg(32)->Arg(128)->Arg(511)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Client)->Arg(511)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    bench::startWatchdog(600, "sbus_read_bench");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The PCD threads stop while the application still exists.
    pcds().clear();
    return 0;
}
