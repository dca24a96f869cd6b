// Reading all 16383 registers from the simulated PCD over UDP loopback: the S-Bus client
// (telegrams of 32, full checking) beside a bare socket loop that sends the same prebuilt
// telegrams and only waits for a datagram. Reports telegrams per second for both.
#include "comm/sbus/SbusClient.h"
#include "comm/sbus/SbusFrame.h"
#include "pcdsim/SbusServer.h"
#include "pcdsim/SimulatedPcd.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSemaphore>
#include <QThread>
#include <QUdpSocket>

#include <benchmark/benchmark.h>

using namespace tlv::comm;
using namespace tlv::pcdsim;

namespace {

constexpr int registers = 16383;
constexpr int perTelegram = 32;
constexpr int telegrams = (registers + perTelegram - 1) / perTelegram;

// The simulator lives on its own thread so that the bare loop may block on its socket.
class SimulatorThread
{
public:
    SimulatorThread()
    {
        QSemaphore ready;
        m_thread.reset(QThread::create([this, &ready] {
            SimulatedPcd pcd;
            for (int r = 0; r < SimulatedPcd::registerCount; ++r)
                pcd.setRegister(r, r);
            SbusServer server(&pcd);
            server.listenUdp(QHostAddress::LocalHost, 0);
            m_port = server.udpPort();
            QEventLoop loop;
            m_loop = &loop;
            ready.release();
            loop.exec();
        }));
        m_thread->start();
        ready.acquire();
    }
    ~SimulatorThread()
    {
        QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
        m_thread->wait();
    }
    [[nodiscard]] quint16 port() const { return m_port; }

private:
    std::unique_ptr<QThread> m_thread;
    quint16 m_port = 0;
    QEventLoop *m_loop = nullptr;
};

SimulatorThread &simulator()
{
    static SimulatorThread thread;
    return thread;
}

void BM_ClientReadAllRegisters(benchmark::State &state)
{
    SbusClient client;
    SbusSettings settings;
    settings.port = simulator().port();
    settings.timeoutMs = 1000;
    if (!client.open(settings).ok()) {
        state.SkipWithError("cannot open the client");
        return;
    }
    QList<qint32> values;
    for (auto _ : state) {
        for (int first = 0; first < registers; first += perTelegram) {
            const int count = qMin(perTelegram, registers - first);
            if (!client.readRegisters(first, count, &values).ok()) {
                state.SkipWithError(qPrintable(client.errorString()));
                return;
            }
        }
        benchmark::DoNotOptimize(values);
    }
    state.counters["telegrams/s"]
        = benchmark::Counter(double(state.iterations()) * telegrams, benchmark::Counter::kIsRate);
}

void BM_BareRequestAnswerLoop(benchmark::State &state)
{
    QList<QByteArray> frames;
    for (int first = 0, seq = 0; first < registers; first += perTelegram, ++seq) {
        const int count = qMin(perTelegram, registers - first);
        QByteArray data;
        data.append(char(count - 1)).append(char(first >> 8)).append(char(first & 0xFF));
        frames.append(SbusFrame::etherRequest(quint16(seq), 0, 0x06, data));
    }
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    const QHostAddress peer(QHostAddress::LocalHost);
    const quint16 port = simulator().port();
    QByteArray answer(2048, '\0');
    for (auto _ : state) {
        for (const QByteArray &frame : frames) {
            socket.writeDatagram(frame, peer, port);
            if (!socket.waitForReadyRead(1000)) {
                state.SkipWithError("no answer");
                return;
            }
            benchmark::DoNotOptimize(socket.readDatagram(answer.data(), answer.size()));
        }
    }
    state.counters["telegrams/s"]
        = benchmark::Counter(double(state.iterations()) * telegrams, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ClientReadAllRegisters)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareRequestAnswerLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
