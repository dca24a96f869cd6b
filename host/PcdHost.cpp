#include "host/PcdHost.h"

#include "buffer/AddressField.h"
#include "buffer/BufferType.h"
#include "buffer/PublicEvents.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "comm/PcdStatusMap.h"
#include "common/Prompter.h"
#include "host/HeadlessSeams.h"
#include "host/HostLog.h"
#include "viewer/core/ControlCore.h"

#include <QScopeGuard>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace tlv::host {

namespace {

using Style = common::Prompter::Style;
const QString Title = QStringLiteral("Tolvane");
constexpr int ProgressMinimum = 0;

} // namespace

PcdHost::PcdHost(viewer::ControlCore &control, buffer::TraceProject &project,
    common::Prompter &prompter, QObject *parent)
    : QObject(parent)
    , m_control(control)
    , m_project(project)
    , m_prompter(prompter)
    , m_connect(m_varnok, m_library)
{
    m_connectTimer.setObjectName(QStringLiteral("ConnectTimer"));
    m_connectTimer.setInterval(ConnectRetryMs);
    connect(&m_connectTimer, &QTimer::timeout, this, &PcdHost::connectTimerTick);
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &PcdHost::retryStart);

    // Requests are answered inside the event: direct connections only.
    connect(&m_control, &viewer::ControlCore::ReadPCDReg, this, &PcdHost::ReadPCDReg,
        Qt::DirectConnection);
    connect(&m_control, &viewer::ControlCore::ReadPCDDB, this, &PcdHost::ReadPCDDB,
        Qt::DirectConnection);
    connect(&m_control, &viewer::ControlCore::Status, this, &PcdHost::statusChanged,
        Qt::DirectConnection);
    connect(&m_control, &viewer::ControlCore::ModulError, this, &PcdHost::onModulError,
        Qt::DirectConnection);
    connect(
        &m_control, &viewer::ControlCore::PCDCmd, this,
        [this](qint16) { Q_EMIT quitRequested(false); }, Qt::DirectConnection);
}

PcdHost::~PcdHost()
{
    m_connectTimer.stop();
    m_retryTimer.stop();
    if (m_seams)
        m_control.setSeams(nullptr);
    m_connect.Disconnect();
}

void PcdHost::setFixedConnection(const comm::SbusSettings &settings)
{
    m_library.setFixedSetup(settings);
    m_varnok.setTiming(settings.timeoutMs, settings.retries);
}

void PcdHost::useHeadlessSeams()
{
    m_seams = std::make_unique<HeadlessSeams>(m_control, &m_prompter);
    m_seams->setExported([this](const QString &path) { Q_EMIT exported(path); });
    m_seams->setNotice(
        [this](const QString &text) { m_prompter.notice(text, Title, Style::Information); });
    m_control.setSeams(m_seams.get());
}

void PcdHost::setSimulation(bool on)
{
    if (on == m_simulation)
        return;
    m_simulation = on;
    Q_EMIT simulationChanged(on);
}

void PcdHost::setPanel(int panel, const QString &text)
{
    QString &current = panel == 1 ? m_panel1 : m_panel2;
    if (current == text)
        return;
    current = text;
    if (panel == 1)
        Q_EMIT connectionTextChanged(text);
    else
        Q_EMIT messageTextChanged(text);
}

void PcdHost::setConnectedState(bool connected)
{
    if (connected == m_wasConnected)
        return;
    m_wasConnected = connected;
    Q_EMIT connectedChanged(connected);
}

void PcdHost::applySettings()
{
    // Taken fresh every time, so what the settings page changed holds at once.
    const buffer::ConnectionSettings &s = m_project.settings().connection;
    comm::DriverSettings c;
    c.dll = s.dll;
    c.pcdRegistery = s.pcdRegistery;
    c.station = s.station;
    c.cpu = s.cpu;
    c.com = s.com;
    c.baudrate = s.baudrate;
    m_connect.setSettings(c);
    m_library.setProjectFile(m_project.path());
    if (m_pg5) {
        const Pg5Channel pg5 = m_pg5();
        m_connect.scomm().setPg5VersionCode(pg5.versionCode);
        m_connect.scomm().setAppsDirs(pg5.appsDirs);
    }
}

// --- connection ---------------------------------------------------------------

bool PcdHost::Connect()
{
    setPanel(2, QStringLiteral("Open PCD connection..."));
    const QString demo = QStringLiteral("Demo mode, no PCD connection !");
    if (m_simulation) {
        setPanel(1, demo);
        m_simConnected = true;
    } else {
        applySettings();
        qCInfo(lcHost) << "connecting, driver" << m_connect.settings().dll;
        comm::PCDConnect::Failure failure;
        const bool ok = m_connect.Connect(&failure);
        tellFolderProblem();
        if (!ok) {
            setError(failure.result);
            m_lastFailureQuiet = failure.quiet();
            // Why PG5's channel cannot be used at all is worth a box; the status bar only
            // says that it cannot.
            if (failure.kind == comm::DisconnectKind::Pg5Channel
                && failure.result.error == comm::SbusError::Unavailable
                && !failure.result.errorString.isEmpty())
                m_prompter.message(failure.result.errorString, Title, Style::Exclamation);
            DisconnectWithMessage(failure.kind, failure.result);
            return false;
        }
        // A start without PG5 reaches the PG5 channel's PCD through the built-in driver.
        setPanel(1,
            m_connect.settings().dll == 0                 ? QStringLiteral("Connected")
                : m_connect.scomm().pg5VersionCode() == 0 ? BuiltInDriverText
                                                          : QStringLiteral("Connected by PG5"));
    }
    setConnectedState(true);
    Q_EMIT ButtonConnect(false);
    Q_EMIT ButtonsStart(QStringLiteral("Start"), true, QStringLiteral("Run"), false,
        QStringLiteral("Stop"), false, 1);
    // In simulation nothing is connected: the frame says what the status bar says.
    Q_EMIT connectionFrameChanged(m_simulation ? demo : QStringLiteral("PCD Connected"), Blue);
    setPanel(2, QString());
    return true;
}

void PcdHost::setError(const comm::SbusResult &result)
{
    m_error = result;
    qCInfo(lcHost).noquote() << "failed:" << comm::sbusErrorName(result.error)
                             << result.errorString;
    Q_EMIT errorOccurred(result);
}

void PcdHost::tellFolderProblem()
{
    // Told once per version, not at every attempt of AutoConnect.
    const comm::SbusResult &problem = m_connect.scomm().folderProblem();
    const qint32 version = m_connect.scomm().pg5VersionCode();
    if (problem.ok() || version == m_toldVersionCode)
        return;
    m_toldVersionCode = version;
    m_prompter.message(problem.errorString, Title, Style::Critical);
}

void PcdHost::DisconnectWithMessage(comm::DisconnectKind kind, const comm::SbusResult &result)
{
    const QString message = comm::PCDConnect::disconnectMessage(kind, result);
    qCInfo(lcHost).noquote() << "disconnected:" << message;
    m_wantRun = false;
    m_retryTimer.stop();
    m_control.setRunMode(0);
    m_simConnected = false;
    if (!m_simulation && m_connect.Disconnect())
        Q_EMIT beep();
    setConnectedState(false);
    Q_EMIT ButtonConnect(true);
    Q_EMIT ButtonsStart(QStringLiteral("Start"), false, QStringLiteral("Run"), false,
        QStringLiteral("Stop"), false, 0);
    setPanel(1, QStringLiteral("PCD disconnected"));
    setPanel(2, message);
    Q_EMIT connectionFrameChanged(QStringLiteral("PCD disconnected"), Red);
}

void PcdHost::formActivated()
{
    if (m_project.settings().connection.autoConnect == 0 || connected())
        return;
    if (Connect())
        startControl();
    else
        connectLater();
}

void PcdHost::connectLater()
{
    // A PCD that is only quiet is asked as often as the control would read it, so reading
    // resumes before its ring overflows; a port or login that fails at once keeps the
    // slow pace.
    const int quiet = std::clamp(m_project.settings().connection.readInterval, 1, m_connectRetryMs);
    const int interval = m_lastFailureQuiet ? quiet : m_connectRetryMs;
    if (!m_connectTimer.isActive() || m_connectTimer.interval() != interval)
        m_connectTimer.start(interval);
}

void PcdHost::connectTimerTick()
{
    if (connected() || m_project.settings().connection.autoConnect == 0) {
        m_connectTimer.stop();
        return;
    }
    // Prepared exactly as the first attempt: the start register, the project, the folders.
    if (Connect()) {
        m_connectTimer.stop();
        startControl();
    } else {
        connectLater();
    }
}

bool PcdHost::prepareControl()
{
    const buffer::ProjectSettings &s = m_project.settings();
    const StartPaths paths = m_startPaths ? m_startPaths() : StartPaths {};
    m_control.setRunMode(0);
    m_control.setInterval(s.connection.readInterval);
    m_control.setExportFile(s.exportFile);
    m_control.setAutoExport(s.autoExport != 0);
    m_control.setIndexFile(s.indexFile);
    m_control.setSymbFile(paths.symbolFile);
    m_control.setUserFile(QString());
    switch (m_project.bufferType()) {
    case buffer::BufferType::Configured: {
        const QString text = m_project.buffer().startReg();
        const auto reg = buffer::startRegisterNumber(text);
        // A start register that is no number would point the viewer at register 0.
        if (!reg) {
            // An empty field is named, so the message never ends at its colon.
            m_prompter.message(
                QStringLiteral("Invalid start register in the buffer configuration : ")
                    + (text.trimmed().isEmpty() ? QStringLiteral("(empty)") : text),
                Title, Style::Exclamation);
            setPanel(2, QStringLiteral("Invalid start register."));
            return false;
        }
        m_control.setStartRegister(*reg);
        m_control.setUserFile(m_project.path());
        return true;
    }
    case buffer::BufferType::PublicEvents: {
        const buffer::PublicEvents::Result r
            = buffer::PublicEvents::findStartRegister(paths.projectFolder);
        if (!r.message.isEmpty())
            m_prompter.message(r.message, Title, Style::Critical);
        if (!r.statusText.isEmpty())
            setPanel(2, r.statusText);
        m_control.setStartRegister(r.startRegister);
        return m_control.startRegister() >= 0;
    }
    default:
        m_control.setStartRegister(s.connection.startReg);
        return true;
    }
}

bool PcdHost::startControl()
{
    m_retryTimer.stop();
    if (!prepareControl()) {
        m_wantRun = false;
        m_control.setRunMode(0);
        return false;
    }
    m_wantRun = true;
    m_control.Start();
    m_control.setRunMode(2);
    return true;
}

void PcdHost::stop()
{
    m_connectTimer.stop();
    m_retryTimer.stop();
    m_wantRun = false;
    m_control.setRunMode(0);
    m_simConnected = false;
    m_connect.Disconnect();
    setConnectedState(false);
}

// --- buttons ------------------------------------------------------------------

void PcdHost::startClicked()
{
    if (!m_readingInBlocks)
        startControl();
}

void PcdHost::runClicked()
{
    if (m_readingInBlocks) {
        m_runPending = true;
        return;
    }
    switch (m_control.runMode()) {
    case 1:
        m_wantRun = true;
        m_control.setRunMode(2);
        Q_EMIT runCaptionChanged(QStringLiteral("Pause"));
        break;
    case 2:
        m_wantRun = false;
        m_control.setRunMode(1);
        Q_EMIT runCaptionChanged(QStringLiteral("Run"));
        ShowReadOutcome(ReadOutcome::Stopped);
        break;
    default:
        break;
    }
}

void PcdHost::stopClicked()
{
    if (m_readingInBlocks) {
        m_stopPending = true;
        return;
    }
    m_wantRun = false;
    m_retryTimer.stop();
    m_control.setRunMode(0);
    ShowReadOutcome(ReadOutcome::Stopped);
}

void PcdHost::clearClicked()
{
    if (!m_readingInBlocks)
        m_control.Clear();
}

void PcdHost::connectClicked()
{
    if (m_readingInBlocks)
        return;
    if (connected()) {
        m_connectTimer.stop();
        DisconnectWithMessage(comm::DisconnectKind::ByUser);
        return;
    }
    // A simulated control answers its own reads, so the status read that
    // reports 99 never happens: say "Demo" right away.
    if (Connect())
        m_control.setPcdStatus(m_simulation ? comm::PcdStatusMap::Demo : 0);
}

void PcdHost::abortClicked()
{
    m_abort = true;
    m_readingInBlocks = false;
    Q_EMIT progressChanged(ProgressMinimum);
}

void PcdHost::statusChanged(qint16 readStatus)
{
    if (!connected())
        return;
    if (readStatus == 0 || readStatus == 1) {
        Q_EMIT ButtonsStart(QStringLiteral("Start"), false, QStringLiteral("Pause"), false,
            QStringLiteral("Stop"), false, 0);
    } else if (readStatus == 2) {
        Q_EMIT ButtonsStart(QStringLiteral("Start"), true, QStringLiteral("Pause"), false,
            QStringLiteral("Stop"), false, 1);
    } else {
        Q_EMIT ButtonsStart(QStringLiteral("Restart"), true, QStringLiteral("Pause"), true,
            QStringLiteral("Stop"), true, 0);
    }
    if (readStatus != 3)
        return;
    if (m_runPending) {
        m_runPending = false;
        runClicked();
    }
    if (m_stopPending) {
        m_stopPending = false;
        stopClicked();
    }
}

void PcdHost::onModulError(qint16 errType, const QString &errMessage)
{
    if (errType >= 1001) {
        m_prompter.message(QStringLiteral("This application will stop !") + errMessage + u'\r',
            Title, Style::Critical);
        stop();
        Q_EMIT quitRequested(true);
        return;
    }
    // Raised inside the reading chain: a box that waited would hold the reading.
    m_prompter.notice(
        QStringLiteral("Error ") + QString::number(errType) + QStringLiteral(": ") + errMessage,
        Title, Style::Exclamation);
}

// --- serving the control's requests ---------------------------------------------

void PcdHost::ReadPCDReg(qint16 registerNumber, qint16 numberToRead)
{
    serve(Kind::Registers, 0, registerNumber, numberToRead);
}

void PcdHost::ReadPCDDB(qint16 dbNumber, qint16 dbOffset, qint16 numberToRead)
{
    serve(Kind::DataBlock, dbNumber, dbOffset, numberToRead);
}

comm::SbusResult PcdHost::readBlock(
    Kind kind, qint32 number, qint32 first, qint32 index, qint32 count)
{
    if (kind == Kind::Registers) {
        // Computed in 32 bits: a sum past 16383 is refused, never wrapped.
        return m_connect.ReadRegisters(
            first + m_connect.baseRegister() + index, count, index, m_buffer);
    }
    return m_connect.ReadDataBlock(number, first + index, count, index, m_buffer);
}

PcdHost::ReadOutcome PcdHost::failureOutcome(Kind kind, const comm::SbusResult &result) const
{
    if (kind == Kind::Registers)
        return result.error == comm::SbusError::OutOfRange ? ReadOutcome::Aborted
                                                           : ReadOutcome::Problems;
    // PG5's channel refusing a data block means the buffer is not where the start register
    // says; the maker's driver's refusal is told as any other problem.
    return result.error == comm::SbusError::Nak && m_connect.settings().dll > 0
        ? ReadOutcome::InvalidStart
        : ReadOutcome::Problems;
}

void PcdHost::endBlockReading()
{
    Q_EMIT progressChanged(ProgressMinimum);
    Q_EMIT abortEnabledChanged(false);
    m_readingInBlocks = false;
}

void PcdHost::serve(Kind kind, qint32 number, qint32 first, qint32 numberToRead)
{
    // Pending input is processed between blocks; a request that arrives then
    // would overwrite the buffer being filled, so it gets no answer.
    if (m_serving)
        return;
    m_serving = true;
    auto done = qScopeGuard([this] { m_serving = false; });

    // The registry switched off: its base register no longer applies.
    if (m_project.settings().connection.pcdRegistery == 0 && m_connect.baseRegister() != 0)
        applySettings();
    m_control.setPcdStatus(m_simulation ? comm::PcdStatusMap::Demo : m_connect.ReadPcdStatus());
    if (numberToRead < 1)
        return;
    m_buffer = QList<qint32>(numberToRead, 0);
    m_abort = false;

    const qint32 blocks = numberToRead / BlockSize;
    qint32 blockCounter = 0;
    if (blocks > 1) {
        m_readingInBlocks = true;
        Q_EMIT abortEnabledChanged(true);
        Q_EMIT progressRangeChanged(ProgressMinimum, blocks);
    } else {
        m_readingInBlocks = false;
    }

    // Blocks of 32 with the user interface served in between; the last block's result,
    // or the first that failed, decides.
    comm::SbusResult result;
    qint32 index = 0;
    while (index < numberToRead) {
        const qint32 count = qMin(BlockSize, numberToRead - index);
        const bool last = index + count >= numberToRead;
        if (m_readingInBlocks && !last)
            Q_EMIT progressChanged(++blockCounter);
        result = readBlock(kind, number, first, index, count);
        if (!result || last)
            break;
        index += count;
        if (m_processEvents)
            m_processEvents();
        if (m_abort) {
            done.dismiss();
            m_serving = false;
            AbortRead(blockCounter * BlockSize);
            return;
        }
    }
    // Reset the block state at once so that the buttons work again.
    endBlockReading();
    qCDebug(lcHost).noquote() << (kind == Kind::Registers ? u"R"_s
                                                          : u"DB "_s + QString::number(number))
                              << first << "+" << numberToRead << ":"
                              << (result ? u"OK"_s : result.errorString);

    // The control may ask for the next part from inside the answer.
    done.dismiss();
    m_serving = false;
    if (result) {
        const QList<qint32> values = m_buffer;
        ShowReadOutcome(ReadOutcome::Ok);
        Q_EMIT served(values);
        m_control.setDataBlock(values);
    } else {
        readFailed(kind, result);
    }
}

void PcdHost::readFailed(Kind kind, const comm::SbusResult &result)
{
    setError(result);
    const ReadOutcome outcome = failureOutcome(kind, result);
    ShowReadOutcome(outcome, result.errorString);
    // The records of a fetch that got no answer are read at the next tick.
    m_control.cycle().requestFailed();
    // Only a link that failed is tried again; a refused request is not.
    if (outcome != ReadOutcome::Problems || m_simulation || !m_connect.connected())
        return;
    if (m_project.settings().connection.autoConnect != 0) {
        if (m_linkLossPending)
            return;
        // Not from inside the control's call chain: it goes on once the handler returns.
        m_linkLossPending = true;
        QMetaObject::invokeMethod(
            this, [this, result] { linkLost(result); }, Qt::QueuedConnection);
        return;
    }
    // The read timer retries a refresh; a start that failed is started again.
    if (m_wantRun && m_control.cycle().state() <= 2) {
        m_retryTimer.setInterval(qMax(m_control.interval(), 1));
        m_retryTimer.start();
    }
}

void PcdHost::linkLost(const comm::SbusResult &result)
{
    m_linkLossPending = false;
    if (!m_connect.connected())
        return;
    ++m_lostLinks;
    qCInfo(lcHost) << "link lost, reconnecting";
    DisconnectWithMessage(comm::DisconnectKind::CommunicationFailed, result);
    m_lastFailureQuiet = true; // it answered until now
    connectLater();
}

void PcdHost::retryStart()
{
    if (m_wantRun && m_connect.connected() && m_control.cycle().state() <= 2)
        startControl();
}

void PcdHost::AbortRead(qint32 count)
{
    if (count != 0) {
        m_buffer.resize(qMin<qsizetype>(count, m_buffer.size()));
        const QList<qint32> values = m_buffer;
        Q_EMIT served(values);
        m_control.setDataBlock(values);
    }
    Q_EMIT progressChanged(ProgressMinimum);
    Q_EMIT abortEnabledChanged(false);
    m_abort = false;
    m_readingInBlocks = false;
}

void PcdHost::ShowReadOutcome(ReadOutcome outcome, const QString &errorText)
{
    switch (outcome) {
    case ReadOutcome::Ok:
        setPanel(2, QStringLiteral("PCD communication OK."));
        break;
    case ReadOutcome::Problems:
        setPanel(2, QStringLiteral("PCD communication problems.    Error: ") + errorText);
        break;
    case ReadOutcome::Stopped:
        setPanel(2, QStringLiteral("PCD communication stoped."));
        break;
    case ReadOutcome::Aborted:
        setPanel(2, QStringLiteral("PCD reading aborted.    Error: ") + errorText);
        break;
    case ReadOutcome::InvalidStart:
        AbortRead(0);
        m_wantRun = false;
        m_control.setRunMode(0);
        setPanel(2,
            QStringLiteral("PCD reading aborted.   Invalid Start Register or "
                           "reading overflow !   Error: ")
                + errorText);
        m_prompter.notice(QStringLiteral("PCD reading aborted.\r\rInvalid Start Register or "
                                         "reading overflow !\rError: ")
                + errorText,
            Title, Style::Critical);
        break;
    }
}

} // namespace tlv::host
