#pragma once

#include "viewer/core/BufferLoader.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/CounterEvaluation.h"
#include "viewer/core/ReaderState.h"
#include "viewer/core/RecordDecoder.h"
#include "viewer/core/RequestPlanner.h"
#include "viewer/core/RowKind.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

namespace tlv::viewer {

class Simulation;

// Reads the PCD trace buffer step by step through the host: a reading state
// says which answer comes next, the run mode and the read timer decide when
// the next request goes out. Requests are signals the host answers at once
// through answer(); the cycle goes on in the same call chain.
class ReadingCycle : public QObject
{
    Q_OBJECT

public:
    enum State : qint16 {
        Disabled = 0,
        WaitStartRegister = 1,
        Stopped = 2,
        Refreshing = 3,
        Loading = 4
    };
    enum RunMode : qint16 { Stop = 0, Pause = 1, Run = 2, SingleRead = 3 };

    explicit ReadingCycle(QObject *parent = nullptr);

    void setLoader(BufferLoader *loader) { m_loader = loader; }
    // The control's settings at the moment of a load.
    void setContextProvider(std::function<LoadContext()> provider)
    {
        m_contextProvider = std::move(provider);
    }
    void setSimulation(Simulation *simulation) { m_simulation = simulation; }
    void setDecoder(const RecordDecoder &decoder) { m_decoder = decoder; }
    void setStartRegister(qint16 reg) { m_startRegister = reg; }
    // The read timer's period; values below 1 ms are taken as 1.
    void setInterval(qint32 ms);
    // While disabled, answers and ticks are ignored.
    void setEnabled(bool enabled) { m_enabled = enabled; }

    [[nodiscard]] qint16 state() const { return m_state; }
    [[nodiscard]] qint16 runMode() const { return m_runMode; }
    [[nodiscard]] QString statusLabel() const { return m_label; }
    [[nodiscard]] bool activityVisible() const { return m_activity; }
    [[nodiscard]] bool readTimerActive() const { return m_readTimer.isActive(); }
    [[nodiscard]] int readTimerInterval() const { return m_readTimer.interval(); }
    [[nodiscard]] const ReaderState &reader() const { return m_reader; }
    [[nodiscard]] const ColumnTable &columns() const { return m_table; }
    // Columns of rows shown without reading (a journal); the next load replaces them.
    void showColumns(const ColumnTable &table) { m_table = table; }
    [[nodiscard]] const BufferLayout &layout() const { return m_layout; }
    [[nodiscard]] bool hasBuffer() const { return m_loaded; }
    // True while a load goes on with the run it had (bufferLoaded keeps the rows).
    [[nodiscard]] bool resumingRun() const { return m_resuming; }
    // Word offset and count of the last request (records, counter block or header).
    [[nodiscard]] qint32 lastRequestOffset() const { return m_lastOffset; }
    [[nodiscard]] qint32 lastRequestCount() const { return m_lastCount; }
    [[nodiscard]] static QString stateText(qint16 state, qint32 loading = 0);

    // State 1 and the start register request.
    void start();
    // Header, description and counters forgotten; state 0.
    void reset();
    // Sets the run mode when it differs and applies it.
    void setRunMode(qint16 mode);
    // Applies the current run mode again (Enabled set True).
    void applyRunMode();
    // The host's answer to the last request (DataBlock).
    void answer(const QList<qint32> &words);
    // The host could not answer the last request: a fetch that got no records
    // is undone, so the next tick counts and reads them again.
    void requestFailed();
    // One tick of the read timer.
    void tick();
    void stopReadTimer() { m_readTimer.stop(); }
    // A label text that belongs to no state (Enabled switched with run mode 0).
    void showLabel(const QString &text) { setLabel(text); }

Q_SIGNALS:
    void readPCDReg(qint16 registerNumber, qint16 numberToRead);
    void readPCDDB(qint16 dbNumber, qint16 dbOffset, qint16 numberToRead);
    void modulError(qint16 errType, const QString &errMessage);
    void statusChanged(qint16 state);
    void statusLabelChanged(const QString &text);
    void activityChanged(bool visible);
    void runModeChanged(qint16 mode);
    // A buffer description or user buffer was loaded: rebuild the grid.
    void bufferLoaded();
    void recordDecoded(const tlv::viewer::DecodedRecord &record);
    // "Miss n" or "Restart", with its kind.
    void separator(tlv::viewer::RowKind kind, const QString &text);
    // PCD command word changes: 1 clear, 8 export, 9 shutdown.
    void pcdCommand(qint16 command);

private:
    void setState(qint16 state);
    void setLabel(const QString &text);
    void setActivity(bool visible);
    void fail(int code, const QString &text);

    void requestStartRegister();
    void requestHeader();
    void requestCounters();
    void requestRecords();
    void requestPart();
    void emitRegisterRequest(qint32 address, qint32 count);
    void emitBlockRequest(qint32 offset, qint32 count);

    void onStartRegister(const QList<qint32> &words);
    void onHeader(const QList<qint32> &words);
    void onCounters(const QList<qint32> &words);
    void onRecords(const QList<qint32> &words);
    void goOnAfterCounters(const ReaderState &before, CounterOutcome::Separator kind, qint32 lost);
    void onVerifiedHeader(const QList<qint32> &words);
    void decodeFetch();
    [[nodiscard]] bool load(const QList<qint32> &header, bool simulated);
    void simulatedLoad();
    void stopAfterIncompleteFetch(const QString &text);
    // A run that resumes on an unchanged header goes on from the counters it had.
    void resumeCounters();
    [[nodiscard]] static bool sameBuffer(const ReaderState &a, const ReaderState &b);
    // A fetch that never completed leaves its records to the next evaluation.
    void rollBackUnfinishedFetch();

    BufferLoader *m_loader = nullptr;
    Simulation *m_simulation = nullptr;
    std::function<LoadContext()> m_contextProvider;
    RecordDecoder m_decoder;
    ReaderState m_reader;
    ColumnTable m_table;
    BufferLayout m_layout;
    QTimer m_readTimer;
    QString m_label;

    QList<RecordRequest> m_plan;
    int m_planIndex = 0;
    QList<qint32> m_fetched;
    std::optional<ReaderState> m_resumeFrom; // counters of the run before the last stop
    std::optional<ReaderState> m_beforeFetch; // counters before the evaluation being fetched
    // A restart or a jump of the counters waits for the header to be read again.
    struct Verification
    {
        ReaderState before;
        ReaderState evaluated;
        CounterOutcome::Separator kind = CounterOutcome::Separator::None;
        qint32 lost = 0;
    };
    std::optional<Verification> m_verify;

    qint32 m_lastOffset = 0;
    qint32 m_lastCount = 0;
    qint16 m_startRegister = 0;
    qint16 m_state = Disabled;
    qint16 m_runMode = Stop;
    bool m_singleRead = false;
    bool m_enabled = true;
    bool m_activity = false;
    bool m_loaded = false;
    bool m_resuming = false;
};

} // namespace tlv::viewer
