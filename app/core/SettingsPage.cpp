#include "app/core/SettingsPage.h"

#include "app/core/Pg5Folders.h"
#include "app/core/StartState.h"
#include "buffer/BufferCommands.h"
#include "buffer/ExportPath.h"
#include "buffer/NumberText.h"
#include "buffer/TraceProject.h"
#include "common/Cp1252.h"
#include "common/IniProfile.h"
#include "common/PathUtil.h"
#include "common/Prompter.h"
#include "viewer/core/ControlCore.h"
#include "viewer/files/ExportNaming.h"

#include <QDir>

#include <cmath>

namespace tlv::app {

namespace {

using Style = common::Prompter::Style;

const QString Title = QStringLiteral("Tolvane");
const QList<qint32> Baudrates = { 2400, 4800, 9600, 19200, 38400 };

// The number of a field when the whole text is one, within low..high.
std::optional<double> numberIn(const QString &text, double low, double high)
{
    if (!buffer::isNumeric(text))
        return std::nullopt;
    const double v = buffer::fieldNumber(text);
    if (v < low || v > high)
        return std::nullopt;
    return v;
}

QString secondsText(qint32 ms)
{
    return buffer::localNumberText(double(ms) / 1000.0);
}

} // namespace

SettingsPage::SettingsPage(buffer::TraceProject &project, StartState &start, Pg5Folders &folders,
    common::Prompter &prompter, QObject *parent)
    : QObject(parent)
    , m_project(project)
    , m_start(start)
    , m_folders(folders)
    , m_prompter(prompter)
{ }

void SettingsPage::showDriverFields(bool internal)
{
    m_view.driverFieldsVisible = internal;
    m_view.channelVisible = !internal;
}

void SettingsPage::ApplySettingsPage()
{
    const buffer::ProjectSettings &s = m_project.settings();
    const buffer::ConnectionSettings &c = s.connection;
    View v;

    v.dllEntries.append({ QStringLiteral("Internal"), 0 });
    for (qint32 code = Pg5Folders::FirstCode; code <= Pg5Folders::LastCode; ++code) {
        if (m_folders.row(code).AppsDir.isEmpty())
            continue;
        v.dllEntries.append({ QStringLiteral("SAIA PG5 ") + QString::number(code / 10) + u'.'
                + QString::number(code % 10),
            code });
    }
    if (m_start.versionCode == 0 && v.dllEntries.size() > 1)
        m_start.versionCode = v.dllEntries.at(1).code;
    for (int i = 1; i < v.dllEntries.size(); ++i) {
        if (v.dllEntries.at(i).code == m_start.versionCode)
            v.dllIndex = i;
    }
    // The maker's driver shows as chosen where the list offers it.
    if (c.dll == 0 && !m_start.startedFromPg5)
        v.dllIndex = 0;
    v.dllVisible = !m_start.startedFromPg5;
    m_view = v;
    showDriverFields(c.dll == 0);

    m_view.ports = { QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"),
        QStringLiteral("COM4") };
    m_view.portIndex = c.com >= 1 ? c.com - 1 : -1;
    if (m_view.portIndex >= m_view.ports.size())
        m_view.portIndex = -1;
    m_view.protocols = { QStringLiteral("S-BUS") };
    m_view.protocolIndex
        = c.protocol >= 0 && c.protocol < m_view.protocols.size() ? c.protocol : -1;
    for (qint32 baud : Baudrates)
        m_view.baudrates.append(QString::number(baud));
    m_view.baudIndex = int(Baudrates.indexOf(c.baudrate));

    m_view.startReg = QString::number(c.startReg);
    m_view.station = QString::number(c.station);
    m_view.autoConnect = c.autoConnect != 0;
    m_view.readInterval = secondsText(c.readInterval);
    m_view.gridLines = QString::number(s.maxRows);
    m_view.graphLines = QString::number(s.maxGraph);
    m_view.exportFull = s.autoExport != 0;
    m_view.journal = s.journal != 0;
    m_view.indexFile = s.indexFile < 1 ? 0 : (s.indexFile == 1 ? 1 : 2);
    m_view.excelFile = buffer::exportPathToStored(s.exportFile, m_project.path());
    m_view.statusColumn = s.statusColumn != 0;
    m_view.dateColumn = s.dateColumn != 0;
    m_view.timeColumn = s.timeColumn != 0;
    m_view.pg5Global = m_start.pg5GlobalShown;
    m_view.channel = GoOnlineChannel::read(m_project.path());
    m_savedChannel = m_view.channel;
    Q_EMIT viewChanged();
}

bool SettingsPage::refuse(const QString &message)
{
    Q_EMIT beep();
    m_prompter.message(message, Title, Style::Exclamation);
    Q_EMIT viewChanged();
    return false;
}

bool SettingsPage::dllChosen(int index)
{
    if (index < 0 || index >= m_view.dllEntries.size())
        return false;
    buffer::ConnectionSettings &c = m_project.settings().connection;
    if (m_view.dllEntries.at(index).code == 0) {
        c.dll = 0;
        m_start.startedFromPg5 = false;
        m_view.dllIndex = index;
        showDriverFields(true);
        Q_EMIT viewChanged();
        return true;
    }
    if (m_start.versionCode == 0) {
        c.dll = 1;
        return refuse(QStringLiteral("SAIA PG5 is not installed."));
    }
    c.dll = 1;
    m_view.dllIndex = index;
    showDriverFields(false);
    Q_EMIT viewChanged();
    return true;
}

void SettingsPage::portChosen(int index)
{
    if (index < 0)
        return;
    m_project.settings().connection.com = qint16(index + 1);
    m_view.portIndex = index;
}

void SettingsPage::protocolChosen(int index)
{
    if (index < 0)
        return;
    m_project.settings().connection.protocol = qint16(index);
    m_view.protocolIndex = index;
}

void SettingsPage::baudChosen(int index)
{
    if (index < 0 || index >= Baudrates.size())
        return;
    m_project.settings().connection.baudrate = Baudrates.at(index);
    m_view.baudIndex = index;
}

bool SettingsPage::stationLeft(const QString &text)
{
    const auto v = numberIn(text, 0, 255);
    if (!v) {
        m_view.station = QStringLiteral("0");
        return refuse(QStringLiteral("Numeric value 0...255"));
    }
    m_project.settings().connection.station = *buffer::toInt16(*v);
    m_view.station = text;
    return true;
}

void SettingsPage::autoConnectToggled(bool on)
{
    m_project.settings().connection.autoConnect = on ? 1 : 0;
    m_view.autoConnect = on;
}

bool SettingsPage::startRegLeft(const QString &text)
{
    const auto v = numberIn(text, 0, 16383);
    if (!v) {
        m_view.startReg = QStringLiteral("0");
        return refuse(QStringLiteral("Numeric value 0...16383"));
    }
    m_project.settings().connection.startReg = *buffer::toInt16(*v);
    m_view.startReg = text;
    return true;
}

bool SettingsPage::readIntervalLeft(const QString &text)
{
    const auto v = numberIn(text, 0.1, 60);
    if (!v) {
        m_view.readInterval = text;
        return refuse(QStringLiteral("Numeric value 0,1 to 60"));
    }
    qint32 &interval = m_project.settings().connection.readInterval;
    interval = qint32(std::lround(*v * 1000.0));
    m_view.readInterval = text;
    if (m_control)
        m_control->setInterval(interval);
    return true;
}

bool SettingsPage::gridLinesLeft(const QString &text)
{
    const auto v = numberIn(text, 20, 5000);
    if (!v) {
        m_view.gridLines = text;
        return refuse(QStringLiteral("Numeric value ") + QString::number(20)
            + QStringLiteral(" to ") + QString::number(5000));
    }
    qint32 &rows = m_project.settings().maxRows;
    rows = *buffer::toInt32(*v);
    m_view.gridLines = text;
    if (m_control)
        m_control->setMaxRows(rows);
    return true;
}

bool SettingsPage::graphLinesLeft(const QString &text)
{
    const auto v = numberIn(text, 20, 1000);
    if (!v) {
        m_view.graphLines = text;
        return refuse(QStringLiteral("Numeric value 20 to 1000"));
    }
    qint32 &points = m_project.settings().maxGraph;
    points = *buffer::toInt32(*v);
    m_view.graphLines = text;
    if (m_control)
        m_control->setMaxGraph(points);
    return true;
}

void SettingsPage::exportFullToggled(bool on)
{
    m_project.settings().autoExport = on ? 1 : 0;
    m_view.exportFull = on;
}

void SettingsPage::journalToggled(bool on)
{
    m_project.settings().journal = on ? 1 : 0;
    m_view.journal = on;
    Q_EMIT journalChanged(on);
}

void SettingsPage::indexFileChosen(int mode)
{
    m_project.settings().indexFile = qint16(qBound(0, mode, 2));
    m_view.indexFile = qBound(0, mode, 2);
}

bool SettingsPage::excelFileValidated(const QString &text)
{
    const QString lost = common::firstNonCp1252(text);
    if (!lost.isEmpty()) {
        m_view.excelFile
            = buffer::exportPathToStored(m_project.settings().exportFile, m_project.path());
        return refuse(common::nonCp1252Message(lost));
    }
    // The box shows the project-relative form; what is typed in that form means the same file.
    const QString path = buffer::exportPathToAbsolute(text.trimmed(), m_project.path());
    if (!path.isEmpty() && !acceptExportFile(path))
        return false;
    m_project.settings().exportFile = path;
    m_view.excelFile = buffer::exportPathToStored(path, m_project.path());
    if (m_control)
        m_control->setExportFile(path);
    Q_EMIT viewChanged();
    return true;
}

bool SettingsPage::acceptExportFile(const QString &path)
{
    const QString why = viewer::ExportNaming::unwritableReason(path);
    if (why.isEmpty())
        return true;
    // The box shows the file in force again before the message takes the focus.
    m_view.excelFile
        = buffer::exportPathToStored(m_project.settings().exportFile, m_project.path());
    Q_EMIT viewChanged();
    return refuse(why);
}

void SettingsPage::browseExcelFile()
{
    const QString current = m_project.settings().exportFile;
    common::Prompter::FileRequest request;
    request.initialPath = current.isEmpty()
        ? QDir::currentPath() + QStringLiteral("/Tolvane.xls")
        : common::toLocalPath(buffer::exportPathToAbsolute(current, m_project.path()));
    request.defaultExtension = QStringLiteral("xls");
    request.filter = viewer::ExportNaming::dialogFilter();
    request.mustExist = true;
    const QString chosen = m_prompter.saveFile(request);
    if (chosen.isEmpty() || !acceptExportFile(chosen))
        return;
    if (const QString lost = common::firstNonCp1252(chosen); !lost.isEmpty()) {
        refuse(common::nonCp1252Message(lost));
        return;
    }
    m_project.settings().exportFile = chosen;
    m_view.excelFile = buffer::exportPathToStored(chosen, m_project.path());
    if (m_control)
        m_control->setExportFile(chosen);
    Q_EMIT viewChanged();
}

void SettingsPage::browsePg5Global()
{
    common::Prompter::FileRequest request;
    const QString shown = m_view.pg5Global;
    request.initialPath = common::folderOf(shown).isEmpty() ? common::lastPathElement(shown)
                                                            : common::toLocalPath(shown);
    request.defaultExtension = QStringLiteral("ini");
    request.filter = QStringLiteral("PG5Global.ini (PG5Global.ini)|PG5Global.ini");
    request.mustExist = true;
    const QString chosen = m_prompter.openFile(request);
    if (chosen.isEmpty())
        return;
    m_view.pg5Global = chosen;
    m_start.pg5GlobalShown = chosen;
    if (!m_settingsFile.isEmpty()
        && !common::IniProfile::write(m_settingsFile, QStringLiteral("Application"),
            QStringLiteral("PG5GlobalIni"), chosen)) {
        m_prompter.message(QStringLiteral("Writing aborted in the file : ") + m_settingsFile, Title,
            Style::Critical);
    }
    m_folders.fillFromPg5Global(m_start.versionCode, chosen);
    Q_EMIT viewChanged();
}

bool SettingsPage::channelEdited(const GoOnlineChannel &channel)
{
    const QString problem = channel.problem();
    if (!problem.isEmpty())
        return refuse(problem);
    m_view.channel = channel;
    return true;
}

bool SettingsPage::hasChanges() const
{
    return m_view.channel != m_savedChannel
        || m_project.settings().differsForSave(m_project.appliedSettings());
}

bool SettingsPage::save()
{
    m_project.settings().connection.pcdRegistery = 0;
    if (!m_project.writeSettings(false)) {
        m_prompter.message(m_project.errorString(), Title, Style::Critical);
        return false;
    }
    // Naming and automatic export apply once saved, not only at the next Start.
    if (m_control) {
        m_control->setIndexFile(m_project.settings().indexFile);
        m_control->setAutoExport(m_project.settings().autoExport != 0);
    }
    if (m_view.channel != m_savedChannel) {
        QString why;
        if (!m_view.channel.write(m_project.path(), &why)) {
            m_prompter.message(why, Title, Style::Critical);
            return false;
        }
        m_savedChannel = m_view.channel;
    }
    return m_commands ? m_commands->emptySource() : true;
}

} // namespace tlv::app
