#include "app/record/HeadlessRecorder.h"

#include "app/record/RecordLog.h"

#include <QDir>
#include <QFileInfo>

namespace tlv::app {

HeadlessRecorder::HeadlessRecorder(common::Prompter &prompter, QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
    , m_project(m_buffer)
    , m_control(&prompter)
    , m_host(m_control, m_project, prompter)
{
    m_host.useHeadlessSeams();
    m_host.setStartPaths([this] {
        const QString symbols = m_projectFolder + QStringLiteral("_Global.sy5");
        return host::StartPaths { QFileInfo::exists(symbols) ? symbols : QString(),
            m_projectFolder };
    });
    // No PG5 here: its program folder is the current one.
    m_host.setPg5Channel([] { return host::Pg5Channel { 21, { { 21, QDir::currentPath() } } }; });
    connect(&m_host, &host::PcdHost::messageTextChanged, this, [this](const QString &text) {
        if (!text.isEmpty() && text != u"PCD communication OK."
            && text != u"Open PCD connection...")
            Q_EMIT message(text);
    });
    connect(&m_host, &host::PcdHost::quitRequested, this, [this](bool fatal) {
        m_fatal = fatal;
        stop();
        Q_EMIT finished(fatal);
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
    m_host.stop();
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
        m_host.setFixedConnection(*options.connect);
    }
    if (options.indexFile)
        s.indexFile = *options.indexFile;
    if (options.dateColumn)
        s.dateColumn = *options.dateColumn ? 1 : 0;
    if (options.timeColumn)
        s.timeColumn = *options.timeColumn ? 1 : 0;
    if (options.statusColumn)
        s.statusColumn = *options.statusColumn ? 1 : 0;

    m_loader = std::make_unique<viewer::FileBufferLoader>(
        common::PromptSeam::through(&m_prompter), options.programFolder);
    m_control.setLoader(m_loader.get());
    QStringList folders = options.resources;
    folders << m_projectFolder;
    if (!options.programFolder.isEmpty())
        folders << options.programFolder;
    m_control.setResourcePath(folders.join(u','));
    m_control.setProjectPath(m_projectFolder);
    m_control.setMaxRows(s.maxRows);
    m_control.setMaxGraph(s.maxGraph);
    m_control.setDateStampCol(s.dateColumn != 0);
    m_control.setTimeStampCol(s.timeColumn != 0);
    m_control.setPcdStatusCol(s.statusColumn != 0);
    m_control.setSimulation(false);
    return m_host.prepareControl();
}

bool HeadlessRecorder::start()
{
    qCInfo(lcRecord) << "recording" << m_project.path();
    if (m_host.Connect()) {
        m_control.setPcdStatus(0);
        return m_host.startControl();
    }
    if (m_project.settings().connection.autoConnect == 0)
        return false;
    m_host.connectLater();
    return true;
}

void HeadlessRecorder::stop()
{
    m_host.stop();
}

QString HeadlessRecorder::exportNow(const QString &file)
{
    if (!file.isEmpty())
        m_control.setExportFile(QFileInfo(file).absoluteFilePath());
    QString written;
    const auto told = connect(&m_host, &host::PcdHost::exported, this,
        [&written](const QString &path) { written = path; });
    m_control.exportByUser();
    disconnect(told);
    qCInfo(lcRecord) << "export" << m_control.exportFile()
                     << (written.isEmpty() ? "failed" : "written");
    return written;
}

} // namespace tlv::app
