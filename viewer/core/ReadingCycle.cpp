#include "viewer/core/ReadingCycle.h"

#include "viewer/core/BufferCheck.h"
#include "viewer/core/CounterEvaluation.h"
#include "viewer/core/FetchOrder.h"
#include "viewer/core/Simulation.h"
#include "viewer/core/StringColumns.h"
#include "viewer/core/ViewerLog.h"

#include <QStringList>

#include <algorithm>
#include <utility>

namespace tlv::viewer {

namespace {

const QString kStoped = QStringLiteral("Stoped");

QString requestRangeText(const QString &what, qint64 first, qint64 count)
{
    return QStringLiteral("Invalid buffer") + u'\r' + what + u' ' + QString::number(first)
        + QStringLiteral(" (") + QString::number(count)
        + QStringLiteral(" words) cannot be requested: the limit is ")
        + QString::number(RequestPlanner::MaxArgument) + u'.';
}

} // namespace

ReadingCycle::ReadingCycle(QObject *parent)
    : QObject(parent)
{
    m_readTimer.setInterval(1000);
    connect(&m_readTimer, &QTimer::timeout, this, &ReadingCycle::tick);
    m_label = stateText(Disabled);
}

QString ReadingCycle::stateText(qint16 state, qint32 loading)
{
    switch (state) {
    case Disabled:
        return QStringLiteral("Disabled");
    case WaitStartRegister:
        return QStringLiteral("Wait start register");
    case Stopped:
        return kStoped;
    case Refreshing:
        return QStringLiteral("Refresh mode runing");
    case Loading:
        return QStringLiteral("Loading ") + QString::number(loading) + QStringLiteral(" records");
    default:
        return {};
    }
}

void ReadingCycle::setInterval(qint32 ms)
{
    m_readTimer.setInterval(std::max<qint32>(ms, 1));
}

void ReadingCycle::setState(qint16 state)
{
    if (state == m_state)
        return;
    m_state = state;
    qCDebug(lcViewer) << "reading state" << state;
    qint32 loading = m_reader.recordsToFetch;
    if (state == Loading && m_reader.capacity > 0 && m_reader.recordsToFetch == m_reader.capacity)
        loading = m_reader.recordsToFetch - 1; // the slot at the write index is skipped
    setLabel(stateText(state, loading));
    Q_EMIT statusChanged(state);
}

void ReadingCycle::setLabel(const QString &text)
{
    if (text == m_label)
        return;
    m_label = text;
    Q_EMIT statusLabelChanged(text);
}

void ReadingCycle::setActivity(bool visible)
{
    if (visible == m_activity)
        return;
    m_activity = visible;
    Q_EMIT activityChanged(visible);
}

void ReadingCycle::fail(int code, const QString &text)
{
    Q_EMIT modulError(qint16(code), text);
}

void ReadingCycle::start()
{
    if (!m_enabled)
        return;
    setState(WaitStartRegister);
    requestStartRegister();
}

void ReadingCycle::reset()
{
    m_readTimer.stop();
    m_reader.reset();
    m_table.clear();
    m_layout = {};
    m_loaded = false;
    m_plan.clear();
    m_fetched.clear();
    m_resumeFrom.reset();
    m_beforeFetch.reset();
    m_verify.reset();
    m_lastOffset = m_lastCount = 0;
    if (m_state > Disabled)
        setState(Disabled);
    // Back at the beginning a later "run" must not be taken for "no change".
    if (m_runMode != Stop) {
        m_runMode = Stop;
        Q_EMIT runModeChanged(m_runMode);
    }
    setActivity(false);
}

void ReadingCycle::setRunMode(qint16 mode)
{
    if (mode == m_runMode || mode < Stop || mode > SingleRead)
        return;
    m_runMode = mode;
    Q_EMIT runModeChanged(mode);
    applyRunMode();
}

void ReadingCycle::applyRunMode()
{
    if (m_verify)
        m_reader = std::exchange(m_verify, std::nullopt)->before;
    const auto fallBack = [this] {
        m_runMode = Stop;
        Q_EMIT runModeChanged(m_runMode);
    };
    if (m_runMode != Run && m_runMode != SingleRead && m_state == Loading)
        rollBackUnfinishedFetch();
    switch (m_runMode) {
    case Stop:
        m_readTimer.stop();
        setLabel(kStoped);
        if (m_state >= Refreshing)
            setState(Stopped);
        break;
    case Pause:
        if (m_state < Stopped) {
            fallBack();
            break;
        }
        setState(Refreshing);
        m_readTimer.stop();
        setLabel(QStringLiteral("Refresh mode paused"));
        break;
    case Run:
        if (m_state < Stopped) {
            fallBack();
            break;
        }
        if (m_state == Stopped) {
            // The header is read again; when it is unchanged the run goes on from the
            // counters it had, so records already shown are not fetched again nor
            // counted as lost. A header read that fails keeps what it resumes from.
            if (m_loaded && m_reader.previousCounter > 0)
                m_resumeFrom = m_reader;
            m_reader.clearCounters();
            // A run that does not go on from its counters looks at the ring as
            // at its first look: counters cleared without that would take
            // every record written so far for new and report the older ones
            // as lost ("Miss").
            m_reader.firstRead = true;
            requestHeader();
        }
        if (m_state == Refreshing) {
            m_readTimer.start();
            setLabel(QStringLiteral("Refresh mode running"));
            requestCounters();
        }
        if (m_state == Loading)
            requestRecords();
        if (m_state == Refreshing && m_runMode == Run)
            m_readTimer.start();
        break;
    case SingleRead:
        if (m_state == Stopped && !m_loaded) {
            // Without a header there is no record layout to read with.
            m_reader.clearCounters();
            requestHeader();
        } else if (m_state == Stopped) {
            setState(Refreshing);
        }
        if (m_state == Refreshing) {
            m_singleRead = true;
            requestCounters();
            m_singleRead = false;
            if (m_state == Loading)
                requestRecords();
        }
        m_runMode = Pause;
        Q_EMIT runModeChanged(m_runMode);
        break;
    default:
        break;
    }
    if (m_runMode != Run)
        setActivity(false);
}

void ReadingCycle::requestFailed()
{
    // Not verified: the counters are evaluated again at the next tick.
    if (m_verify)
        m_reader = std::exchange(m_verify, std::nullopt)->before;
    if (m_state != Loading)
        return;
    rollBackUnfinishedFetch();
    setState(Refreshing);
}

void ReadingCycle::tick()
{
    if (!m_enabled || m_runMode != Run)
        return;
    if (m_state == Refreshing) {
        requestCounters();
        if (m_state == Loading)
            requestRecords();
    }
    setActivity(!m_activity);
}

// --- requests ---------------------------------------------------------------

void ReadingCycle::emitRegisterRequest(qint32 address, qint32 count)
{
    if (address < 0 || address > RequestPlanner::MaxArgument || count < 0
        || count > RequestPlanner::MaxArgument) {
        fail(10, requestRangeText(QStringLiteral("Register"), address, count));
        return;
    }
    Q_EMIT readPCDReg(qint16(address), qint16(count));
}

void ReadingCycle::emitBlockRequest(qint32 offset, qint32 count)
{
    if (offset < 0 || offset > RequestPlanner::MaxArgument || count < 0
        || count > RequestPlanner::MaxArgument) {
        fail(10, requestRangeText(QStringLiteral("DB offset"), offset, count));
        return;
    }
    Q_EMIT readPCDDB(m_reader.startAddress, qint16(offset), qint16(count));
}

void ReadingCycle::requestStartRegister()
{
    if (m_simulation && m_simulation->active()) {
        setState(Stopped); // no start register to read
        return;
    }
    m_lastOffset = 0;
    m_lastCount = 1;
    Q_EMIT readPCDReg(m_startRegister, 1);
}

void ReadingCycle::requestHeader()
{
    if (m_simulation && m_simulation->active()) {
        simulatedLoad();
        return;
    }
    const qint32 h = m_reader.headerLength;
    m_lastOffset = 0;
    m_lastCount = h;
    if (m_reader.isDataBlock)
        emitBlockRequest(0, h);
    else
        emitRegisterRequest(m_reader.startAddress, h);
}

void ReadingCycle::requestCounters()
{
    const qint32 c = m_reader.counterIndex;
    const qint32 n = m_singleRead ? c : c + 8;
    m_lastOffset = c;
    m_lastCount = n;
    if (m_simulation && m_simulation->active()) {
        onCounters(m_simulation->counterBlock());
        return;
    }
    if (m_reader.isDataBlock)
        emitBlockRequest(c, n);
    else
        emitRegisterRequest(qint32(m_reader.startAddress) + c, n);
}

void ReadingCycle::requestRecords()
{
    const bool simulated = m_simulation && m_simulation->active();
    const qint32 base = m_reader.isDataBlock || simulated ? 0 : m_reader.startAddress;
    m_plan = RequestPlanner::plan(
        base, m_reader.firstRecordOffset, m_reader.recordLength, m_reader.recordsToFetch);
    m_planIndex = 0;
    m_fetched.clear();
    if (m_plan.isEmpty()) {
        decodeFetch();
        return;
    }
    requestPart();
}

void ReadingCycle::requestPart()
{
    const RecordRequest part = m_plan.value(m_planIndex);
    m_lastOffset = part.offset;
    m_lastCount = part.count;
    if (m_simulation && m_simulation->active()) {
        onRecords(m_simulation->words(part.offset, part.count));
        return;
    }
    if (m_reader.isDataBlock)
        emitBlockRequest(part.offset, part.count);
    else
        emitRegisterRequest(qint32(m_reader.startAddress) + part.offset, part.count);
}

// --- answers ----------------------------------------------------------------

void ReadingCycle::answer(const QList<qint32> &words)
{
    if (!m_enabled)
        return;
    if (m_verify && m_state == Refreshing) {
        onVerifiedHeader(words);
        return;
    }
    switch (m_state) {
    case WaitStartRegister:
        onStartRegister(words);
        break;
    case Stopped:
        onHeader(words);
        break;
    case Refreshing:
        onCounters(words);
        break;
    case Loading:
        onRecords(words);
        break;
    default:
        break;
    }
}

void ReadingCycle::onStartRegister(const QList<qint32> &words)
{
    if (words.isEmpty()) {
        fail(10, BufferCheck::arraySizeText(1));
        return;
    }
    const StartRegisterResult result = BufferCheck::checkStartRegister(words.first());
    if (!result.ok) {
        fail(result.code, result.text);
        return;
    }
    result.applyTo(m_reader);
    setState(Stopped);
}

void ReadingCycle::onHeader(const QList<qint32> &words)
{
    const BufferCheck::HeaderResult result = BufferCheck::checkHeader(m_reader, words);
    if (!result.ok) {
        if (result.code == 11)
            m_reader = result.state;
        fail(result.code, result.text);
        return;
    }
    m_reader = result.state;
    m_loaded = false;
    // The rows of the run that goes on stay in the grid.
    m_resuming = m_resumeFrom && sameBuffer(*m_resumeFrom, m_reader);
    const bool loaded = load(words, false);
    m_resuming = false;
    if (!loaded)
        return;
    resumeCounters();
    setState(Refreshing);
}

bool ReadingCycle::sameBuffer(const ReaderState &a, const ReaderState &b)
{
    return a.isDataBlock == b.isDataBlock && a.startAddress == b.startAddress
        && a.headerTypeKey == b.headerTypeKey && a.headerKey == b.headerKey
        && a.headerVersion == b.headerVersion && a.bufferLength == b.bufferLength
        && a.recordLength == b.recordLength && a.counterIndex == b.counterIndex;
}

void ReadingCycle::resumeCounters()
{
    if (!m_resumeFrom)
        return;
    const ReaderState before = *std::exchange(m_resumeFrom, std::nullopt);
    if (!sameBuffer(before, m_reader))
        return;
    m_reader.counter = before.counter;
    m_reader.previousCounter = before.previousCounter;
    m_reader.writeIndex = before.writeIndex;
    m_reader.capacity = before.capacity;
    m_reader.lastSlot = before.lastSlot;
    m_reader.firstRead = before.firstRead;
}

void ReadingCycle::rollBackUnfinishedFetch()
{
    if (!m_beforeFetch)
        return;
    const ReaderState before = *std::exchange(m_beforeFetch, std::nullopt);
    m_reader.counter = before.counter;
    m_reader.previousCounter = before.previousCounter;
    m_reader.writeIndex = before.writeIndex;
    m_reader.capacity = before.capacity;
    m_reader.lastSlot = before.lastSlot;
    m_reader.firstRead = before.firstRead;
    m_reader.recordsToFetch = 0;
    m_plan.clear();
    m_fetched.clear();
}

bool ReadingCycle::load(const QList<qint32> &header, bool simulated)
{
    LoadContext context = m_contextProvider ? m_contextProvider() : LoadContext {};
    context.headerKey = simulated ? QString() : m_reader.headerKey;
    context.simulation = simulated;
    context.headerLength = m_reader.headerLength;
    context.counterIndex = m_reader.counterIndex;
    context.recordLength = m_reader.recordLength;

    ColumnTable table;
    BufferLayout layout;
    layout.counterIndex = m_reader.counterIndex;
    layout.recordLength = m_reader.recordLength;
    QString error;
    const bool user = simulated || context.userFile.size() >= 2;
    bool ok = false;
    if (!m_loader)
        error = QStringLiteral("No loader for buffer descriptions is available.");
    else if (user)
        ok = m_loader->loadUserBuffer(context, !simulated, table, layout, &error);
    else
        ok = m_loader->loadDescription(context, table, layout, &error);
    if (!ok) {
        fail(10, error);
        return false;
    }

    qint16 recordLength = layout.recordLength;
    if (recordLength < 1) {
        // Nothing could be fetched with it; refuse rather than loop on empty reads.
        fail(10, QStringLiteral("Invalid Record Lenght : ") + QString::number(recordLength));
        return false;
    }
    const QList<qint16> lengths = StringColumns::headerLengthBytes(header, layout.stringIndex);
    if (!StringColumns::adjust(table, recordLength, lengths, &error)) {
        fail(10, error);
        return false;
    }

    m_table = table;
    m_layout = layout;
    m_reader.recordLength = recordLength;
    if (!user)
        m_reader.counterIndex = layout.counterIndex;
    m_reader.maxCapacity
        = BufferCheck::capacityLimit(m_reader, m_reader.isDataBlock ? 0 : m_reader.startAddress);
    m_loaded = true;
    Q_EMIT bufferLoaded();
    return true;
}

void ReadingCycle::simulatedLoad()
{
    // The simulated ring has no header: records are addressed behind an 8-word
    // header, the counter block is read with counter index 0.
    m_reader.headerTypeKey.clear();
    m_reader.headerKey.clear();
    m_reader.headerLength = Simulation::HeaderLength;
    m_reader.counterIndex = 0;
    m_reader.firstRecordOffset = Simulation::HeaderLength;
    m_reader.commandWord = m_reader.lastCommand = m_reader.exportIndex = 0;
    m_loaded = false;

    const auto stop = [this](const QString &text) {
        m_runMode = Stop;
        Q_EMIT runModeChanged(m_runMode);
        applyRunMode();
        fail(10, text);
    };

    LoadContext context = m_contextProvider ? m_contextProvider() : LoadContext {};
    ColumnTable table;
    BufferLayout layout;
    QString error;
    if (!m_loader) {
        stop(QStringLiteral("No loader for buffer descriptions is available."));
        return;
    }
    context.simulation = true;
    context.counterIndex = 0;
    context.recordLength = m_reader.recordLength;
    if (!m_loader->loadUserBuffer(context, false, table, layout, &error)) {
        stop(error);
        return;
    }
    qint16 recordLength = layout.recordLength;
    if (recordLength < 1) {
        stop(QStringLiteral("Invalid Record Lenght : ") + QString::number(recordLength));
        return;
    }
    if (!StringColumns::adjust(
            table, recordLength, StringColumns::headerLengthBytes({}, -1), &error)) {
        stop(error);
        return;
    }
    // The ring follows the record length the decoder uses, string columns included.
    // A run started again on the same buffer keeps the ring and goes on from
    // its counters, as a run on a real buffer does.
    const bool sameRing = m_simulation->hasRing(recordLength, layout.recordNumber);
    if (!sameRing && !m_simulation->createRing(recordLength, layout.recordNumber)) {
        stop(Simulation::ringSizeError(recordLength, layout.recordNumber));
        return;
    }
    m_simulation->setRecordInterval(layout.recordInterval);
    m_table = table;
    m_layout = layout;
    m_reader.recordLength = recordLength;
    m_reader.maxCapacity = layout.recordNumber;
    if (sameRing)
        resumeCounters();
    else
        m_resumeFrom.reset();
    m_loaded = true;
    Q_EMIT bufferLoaded();
    setState(Refreshing);
}

void ReadingCycle::onCounters(const QList<qint32> &words)
{
    const qint32 c = m_reader.counterIndex;
    if (words.size() < c) {
        fail(10, BufferCheck::arraySizeText(c));
        return;
    }
    const ReaderState before = m_reader;
    const CounterOutcome outcome = evaluateCounters(m_reader, words);
    if (outcome.invalid) {
        // Once per garbled spell: a box per tick would pile up under the read timer.
        if (outcome.newlyInvalid && outcome.capacityTooLarge)
            fail(10, BufferCheck::capacityText(m_reader, words.value(3)));
        else if (outcome.newlyInvalid)
            fail(10, BufferCheck::invalidBufferText(QStringLiteral("Bad counter values")));
        return;
    }
    if (outcome.command != CounterOutcome::Command::None) {
        Q_EMIT pcdCommand(qint16(outcome.command));
        if (m_state != Refreshing) // the host reset or stopped us meanwhile
            return;
    }
    const bool simulated = m_simulation && m_simulation->active();
    if (outcome.separator != CounterOutcome::Separator::None && !simulated) {
        // Counters that went back or jumped may come from a buffer compiled
        // anew: its header is read before any record is fetched with the old layout.
        m_verify = Verification { before, m_reader, outcome.separator, outcome.lostRecords };
        m_reader = before;
        m_lastOffset = 0;
        m_lastCount = before.headerLength;
        if (before.isDataBlock)
            emitBlockRequest(0, before.headerLength);
        else
            emitRegisterRequest(before.startAddress, before.headerLength);
        return;
    }
    goOnAfterCounters(before, outcome.separator, outcome.lostRecords);
}

void ReadingCycle::goOnAfterCounters(
    const ReaderState &before, CounterOutcome::Separator kind, qint32 lost)
{
    if (kind == CounterOutcome::Separator::Restart)
        Q_EMIT separator(RowKind::Restart, QStringLiteral("Restart"));
    else if (kind == CounterOutcome::Separator::Miss)
        Q_EMIT separator(RowKind::Miss, QStringLiteral("Miss ") + QString::number(lost));
    if (m_reader.recordsToFetch > 0 && m_state == Refreshing) {
        m_beforeFetch = before;
        setState(Loading);
    }
}

void ReadingCycle::onVerifiedHeader(const QList<qint32> &words)
{
    const Verification v = *std::exchange(m_verify, std::nullopt);
    const BufferCheck::HeaderResult result = BufferCheck::checkHeader(v.evaluated, words);
    if (result.ok && sameBuffer(v.evaluated, result.state)) {
        m_reader = v.evaluated;
        goOnAfterCounters(v.before, v.kind, v.lost);
        return;
    }
    // Another buffer now: its records are not read with the old layout.
    QString text = result.text;
    if (result.ok) {
        const ReaderState &was = v.evaluated;
        const ReaderState &now = result.state;
        QStringList changes;
        const auto note = [&changes](const QString &what, const QString &from, const QString &to) {
            if (from != to)
                changes << what + u' ' + from + QStringLiteral(" -> ") + to;
        };
        note(QStringLiteral("key"), was.headerTypeKey + u' ' + was.headerKey,
            now.headerTypeKey + u' ' + now.headerKey);
        note(QStringLiteral("version"), QString::number(was.headerVersion),
            QString::number(now.headerVersion));
        note(QStringLiteral("record length"), QString::number(was.recordLength),
            QString::number(now.recordLength));
        note(QStringLiteral("buffer length"), QString::number(was.bufferLength),
            QString::number(now.bufferLength));
        note(QStringLiteral("counter index"), QString::number(was.counterIndex),
            QString::number(now.counterIndex));
        text = BufferCheck::invalidBufferText(QStringLiteral("The buffer header changed: ")
            + changes.join(QStringLiteral(", ")) + QStringLiteral(". Start again to read it."));
    }
    m_reader = v.before;
    m_resumeFrom.reset();
    m_runMode = Stop;
    Q_EMIT runModeChanged(m_runMode);
    applyRunMode();
    fail(11, text);
}

void ReadingCycle::onRecords(const QList<qint32> &words)
{
    const RecordRequest part = m_plan.value(m_planIndex);
    m_fetched += words.mid(0, part.count);
    if (words.size() < part.count || ++m_planIndex >= m_plan.size()) {
        decodeFetch();
        return;
    }
    requestPart();
}

void ReadingCycle::decodeFetch()
{
    TextSources *sources = m_loader ? m_loader->textSources() : nullptr;
    const qint64 r = m_reader.recordLength;
    qint32 decoded = 0;
    const QList<qint32> fetched = std::exchange(m_fetched, {});
    // Only records that came with the answers are decoded.
    const FetchOrder order = FetchOrder::plan(m_reader.recordsToFetch, m_reader.capacity,
        m_reader.lastSlot, r > 0 ? qint32(fetched.size() / r) : 0);
    m_beforeFetch.reset();
    for (const qint32 j : order.records) {
        const DecodedRecord record = m_decoder.decode(m_table, fetched, j * r, sources);
        if (!record.ok)
            continue;
        ++decoded;
        Q_EMIT recordDecoded(record);
    }
    const CheckResult complete = order.completeness(decoded);
    if (!complete.ok) {
        stopAfterIncompleteFetch(complete.text);
        return;
    }
    if (m_state == Loading)
        setState(Refreshing);
}

void ReadingCycle::stopAfterIncompleteFetch(const QString &text)
{
    m_runMode = Stop;
    Q_EMIT runModeChanged(m_runMode);
    applyRunMode();
    fail(12, text);
}

} // namespace tlv::viewer
