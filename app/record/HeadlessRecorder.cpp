#include "app/record/HeadlessRecorder.h"

#include "app/record/ControlAdapter.h"

#include "buffer/AddressField.h"
#include "buffer/BufferType.h"
#include "buffer/PublicEvents.h"
#include "common/Prompter.h"

#include <QDir>
#include <QFileInfo>

namespace tlv::app {

namespace {
const QString Title = QStringLiteral("Tolvane");
}

HeadlessRecorder::HeadlessRecorder(common::Prompter &prompter, QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
    , m_project(m_buffer)
    , m_control(&prompter)
    , m_seams(m_control, &prompter)
    , m_hosted(std::make_unique<ControlAdapter>(m_control))
    , m_scomm(m_library, prompter, m_project.settings().connection)
    , m_connect(m_project.settings().connection, m_varnok, m_scomm, *this, *m_hosted)
    , m_reader(m_connect, *m_hosted, *this, prompter)
{
    m_control.setSeams(&m_seams);
    m_seams.setExported([this](const QString &path) { Q_EMIT exported(path); });
    m_seams.setNotice([this](const QString &text) { Q_EMIT message(text); });
    m_connect.setStartControl([this] {
        if (prepareControl()) {
            m_control.Start();
            m_control.setRunMode(2);
        }
    });

    // Requests are answered inside the event, as the window does.
    connect(
        &m_control, &viewer::ControlCore::ReadPCDReg, this,
        [this](qint16 reg, qint16 count) {
            m_reader.ReadPCDReg(reg, count);
            afterRead();
        },
        Qt::DirectConnection);
    connect(
        &m_control, &viewer::ControlCore::ReadPCDDB, this,
        [this](qint16 db, qint16 offset, qint16 count) {
            m_reader.ReadPCDDB(db, offset, count);
            afterRead();
        },
        Qt::DirectConnection);
    connect(
        &m_control, &viewer::ControlCore::Status, this,
        [this](qint16 status) { m_reader.statusChanged(status); }, Qt::DirectConnection);
    connect(&m_control, &viewer::ControlCore::ModulError, this, &HeadlessRecorder::onModulError,
        Qt::DirectConnection);
    connect(&m_control, &viewer::ControlCore::PCDCmd, this, [this](qint16) {
        stop();
        Q_EMIT finished(false);
    });
    connect(
        &m_control, &viewer::ControlCore::OutputLine, this,
        [this](const QString &line) { Q_EMIT outputLine(line); }, Qt::DirectConnection);
    // Connected after the control's own handler, so the row is out when this runs.
    connect(
        &m_control.cycle(), &viewer::ReadingCycle::recordDecoded, this,
        [this] { Q_EMIT recordRow(++m_recordRows); }, Qt::DirectConnection);
}

HeadlessRecorder::~HeadlessRecorder()
{
    m_connect.connectTimer().stop();
    if (connected())
        m_connect.Disconnect();
}

bool HeadlessRecorder::open(const Options &options, QString *error)
{
    const QFileInfo info(options.project);
    if (!info.isFile()) {
        *error = QStringLiteral("The Tolvane File does not exist : ") + options.project;
        return false;
    }
    m_project.setPath(info.absoluteFilePath());
    if (!m_project.readProject()) {
        *error = m_project.errorString();
        return false;
    }
    m_projectFolder = QDir::toNativeSeparators(info.absolutePath()) + QDir::separator();

    buffer::ProjectSettings &s = m_project.settings();
    if (options.connect) {
        s.connection.dll = 1;
        m_library.setFixedSetup(*options.connect);
        m_varnok.setTiming(options.connect->timeoutMs, options.connect->retries);
    } else {
        m_library.setProjectFile(m_project.path());
    }
    // No PG5 here: its program folder is the current one.
    m_scomm.setPg5VersionCode(21);
    m_scomm.setAppsDirs({ { 21, QDir::currentPath() } });
    if (options.indexFile)
        s.indexFile = *options.indexFile;
    if (options.dateColumn)
        s.dateColumn = *options.dateColumn ? 1 : 0;
    if (options.timeColumn)
        s.timeColumn = *options.timeColumn ? 1 : 0;
    if (options.statusColumn)
        s.statusColumn = *options.statusColumn ? 1 : 0;

    m_loader = std::make_unique<viewer::FileBufferLoader>(&m_prompter, options.programFolder);
    m_control.setLoader(m_loader.get());
    QStringList folders = options.resources;
    folders << m_projectFolder;
    if (!options.programFolder.isEmpty())
        folders << options.programFolder;
    m_control.setResourcePath(folders.join(u','));
    m_control.setProjectPath(m_projectFolder);
    m_control.setInterval(s.connection.readInterval);
    m_control.setMaxRows(s.maxRows);
    m_control.setMaxGraph(s.maxGraph);
    m_control.setDateStampCol(s.dateColumn != 0);
    m_control.setTimeStampCol(s.timeColumn != 0);
    m_control.setPcdStatusCol(s.statusColumn != 0);
    m_control.setSimulation(false);
    return prepareControl();
}

bool HeadlessRecorder::prepareControl()
{
    const buffer::ProjectSettings &s = m_project.settings();
    m_control.setRunMode(0);
    m_control.setExportFile(s.exportFile);
    m_control.setAutoExport(s.autoExport != 0);
    m_control.setIndexFile(s.indexFile);
    const QString symbols = m_projectFolder + QStringLiteral("_Global.sy5");
    m_control.setSymbFile(QFileInfo::exists(symbols) ? symbols : QString());
    m_control.setUserFile(QString());
    switch (m_project.bufferType()) {
    case buffer::BufferType::Configured: {
        const auto reg = buffer::startRegisterNumber(m_buffer.startReg());
        if (!reg) {
            Q_EMIT message(QStringLiteral("Invalid start register."));
            return false;
        }
        m_control.setStartRegister(*reg);
        m_control.setUserFile(m_project.path());
        return true;
    }
    case buffer::BufferType::PublicEvents: {
        const buffer::PublicEvents::Result r
            = buffer::PublicEvents::findStartRegister(m_projectFolder, m_prompter);
        if (!r.statusText.isEmpty())
            Q_EMIT message(r.statusText);
        m_control.setStartRegister(r.startRegister);
        return m_control.startRegister() >= 0;
    }
    default:
        m_control.setStartRegister(s.connection.startReg);
        return true;
    }
}

bool HeadlessRecorder::start()
{
    if (m_connect.Connect()) {
        m_control.setPcdStatus(0);
        if (!prepareControl())
            return false;
        m_control.Start();
        m_control.setRunMode(2);
        return true;
    }
    if (m_project.settings().connection.autoConnect == 0)
        return false;
    m_connect.connectTimer().start();
    return true;
}

void HeadlessRecorder::stop()
{
    m_connect.connectTimer().stop();
    m_control.setRunMode(0);
    if (connected())
        m_connect.Disconnect();
}

QString HeadlessRecorder::exportNow(const QString &file)
{
    if (!file.isEmpty())
        m_control.setExportFile(QFileInfo(file).absoluteFilePath());
    QString written;
    const auto told = connect(this, &HeadlessRecorder::exported, this,
        [&written](const QString &path) { written = path; });
    m_control.exportByUser();
    disconnect(told);
    return written;
}

void HeadlessRecorder::afterRead()
{
    const qint32 code = m_connect.lastErrorCode();
    if (code <= 0 || code == comm::PCDConnect::RegisterRangeError || m_linkLossPending)
        return;
    // Not from inside the control's call chain: it goes on once the handler returns.
    m_linkLossPending = true;
    QMetaObject::invokeMethod(
        this, [this, code] { linkLost(code); }, Qt::QueuedConnection);
}

void HeadlessRecorder::linkLost(qint32 code)
{
    m_linkLossPending = false;
    if (!connected())
        return;
    ++m_lostLinks;
    m_connect.DisconnectWithMessage(3, code);
    if (m_project.settings().connection.autoConnect != 0) {
        m_connect.connectTimer().start();
        return;
    }
    m_fatal = true;
    Q_EMIT finished(true);
}

void HeadlessRecorder::onModulError(qint16 errType, const QString &errMessage)
{
    if (errType >= 1001) {
        Q_EMIT message(QStringLiteral("This application will stop !") + errMessage);
        m_fatal = true;
        stop();
        Q_EMIT finished(true);
        return;
    }
    Q_EMIT message(
        QStringLiteral("Error ") + QString::number(errType) + QStringLiteral(": ") + errMessage);
}

void HeadlessRecorder::setStatusPanel(int panel, const QString &text)
{
    if (panel != 2 || text.isEmpty() || text == m_lastMessage)
        return;
    m_lastMessage = text;
    if (text == u"PCD communication OK." || text == u"Open PCD connection...")
        return;
    Q_EMIT message(text);
}

} // namespace tlv::app
