#include "viewer/core/ControlCore.h"
#include "common/PcdStatusText.h"

#include "common/PathUtil.h"
#include "common/Prompter.h"
#include "viewer/core/PropertyStore.h"

#include <limits>

namespace tlv::viewer {

namespace {

using Style = common::Prompter::Style;

const QString kExportTitle = QStringLiteral("Tolvane exportation");

QString bufferTitleText(const QString &title, qint32 version)
{
    return QStringLiteral("Tolvane for : ") + title + QStringLiteral("      version ")
        + QString::number(version);
}
const QString kEnabled = QStringLiteral("Enabled");
const QString kResourcePath = QStringLiteral("ResourcePath");
const QString kProjectPath = QStringLiteral("ProjectPath");
const QString kUserFile = QStringLiteral("UserFile");
const QString kSymbFile = QStringLiteral("SymbFile");
const QString kInterval = QStringLiteral("Interval");
const QString kRunMode = QStringLiteral("RunMode");
const QString kSimulation = QStringLiteral("Simulation");
const QString kDisplayMode = QStringLiteral("DisplayMode");
const QString kGridFontName = QStringLiteral("GridFontName");
const QString kGridFontSize = QStringLiteral("GridFontSize");
const QString kDateStampCol = QStringLiteral("DateStampCol");
const QString kTimeStampCol = QStringLiteral("TimeStampCol");
const QString kPCDStatusCol = QStringLiteral("PCDStatusCol");
const QString kPCDStatus = QStringLiteral("PCDStatus");
const QString kStartRegister = QStringLiteral("StartRegister");
const QString kMaxRows = QStringLiteral("MaxRows");
const QString kMaxGraph = QStringLiteral("MaxGraph");
const QString kExportFile = QStringLiteral("ExportFile");
const QString kAutoExport = QStringLiteral("AutoExport");
const QString kIndexFile = QStringLiteral("IndexFile");
const QString kSelColumn = QStringLiteral("SelColumn");

constexpr qint32 kMinGraph = 20;

qint16 saturated16(qint32 value)
{
    return qint16(std::clamp<qint32>(
        value, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()));
}

// A stored number is taken only when it fits the property's width.
template<typename T> T storedInt(const QVariant &stored, T fallback)
{
    if (!stored.isValid())
        return fallback;
    bool ok = false;
    const qlonglong v = stored.toLongLong(&ok);
    if (!ok || v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
        return fallback;
    return T(v);
}

bool storedBool(const QVariant &stored, bool fallback)
{
    return stored.isValid() ? stored.toBool() : fallback;
}

QString storedText(const QVariant &stored, const QString &fallback)
{
    return stored.isValid() ? stored.toString() : fallback;
}

} // namespace

const QStringList &ControlCore::persistedNames()
{
    static const QStringList names { kEnabled, kResourcePath, kProjectPath, kUserFile, kSymbFile,
        kInterval, kRunMode, kSimulation, kDisplayMode, kGridFontName, kGridFontSize, kDateStampCol,
        kTimeStampCol, kPCDStatusCol, kPCDStatus, kStartRegister, kMaxRows, kMaxGraph, kExportFile,
        kAutoExport, kIndexFile, kSelColumn };
    return names;
}

QString ControlCore::pcdStatusText(qint32 status)
{
    return common::pcdStatusText(status);
}

ControlCore::ControlCore(common::Prompter *prompter, QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
    , m_defaultSeams(prompter)
    , m_seams(&m_defaultSeams)
{
    m_cycle.setContextProvider([this] { return loadContext(); });
    m_cycle.setSimulation(&m_simulation);

    connect(&m_cycle, &ReadingCycle::readPCDReg, this, &ControlCore::ReadPCDReg);
    connect(&m_cycle, &ReadingCycle::readPCDDB, this, &ControlCore::ReadPCDDB);
    connect(&m_cycle, &ReadingCycle::modulError, this, &ControlCore::ModulError);
    connect(&m_cycle, &ReadingCycle::statusChanged, this, &ControlCore::Status);
    connect(&m_cycle, &ReadingCycle::statusLabelChanged, this, &ControlCore::statusLabelChanged);
    connect(&m_cycle, &ReadingCycle::activityChanged, this, &ControlCore::activityChanged);
    connect(&m_cycle, &ReadingCycle::runModeChanged, this, [this] { markChanged(kRunMode); });
    connect(&m_cycle, &ReadingCycle::bufferLoaded, this, &ControlCore::onBufferLoaded);
    connect(&m_cycle, &ReadingCycle::recordDecoded, this, &ControlCore::onRecord);
    connect(&m_cycle, &ReadingCycle::separator, this, &ControlCore::onSeparator);
    connect(&m_cycle, &ReadingCycle::pcdCommand, this, &ControlCore::onPcdCommand);
    connect(&m_rows, &RowStore::outputLine, this, &ControlCore::OutputLine);
    connect(&m_rows, &RowStore::graphSelectionChanged, this, [this] {
        const QString text = m_rows.selectionText();
        if (text != m_selColumn) {
            m_selColumn = text;
            markChanged(kSelColumn);
        }
    });
    m_rows.setExportHandler(
        [this] { return m_seams->exportGrid(ControlSeams::ExportTrigger::AutoExport); });
    connect(&m_rows, &RowStore::autoExportFailed, this, &ControlCore::tellAutoExportFailed);
    connect(&m_rows, &RowStore::autoExportRecovered, this, [this](qint64 dropped) {
        if (dropped > 0 && m_prompter)
            m_prompter->notice(QString::number(dropped)
                    + QStringLiteral(" records were dropped unexported while the automatic "
                                     "export failed; it works again."),
                kExportTitle, Style::Exclamation);
    });

    applyDefaults();
    m_changed = false;
}

ControlCore::~ControlCore()
{
    // The rows call back into the seams; stop that before members go.
    m_rows.setExportHandler({});
    m_simulation.stopTimer();
}

void ControlCore::applyDefaults()
{
    m_enabled = true;
    m_cycle.setEnabled(true);
    m_resourcePath = QStringLiteral("C:\\");
    m_projectPath.clear();
    m_userFile.clear();
    m_symbFile.clear();
    m_interval = 1000;
    m_cycle.setInterval(m_interval);
    m_simulationOn = false;
    m_displayMode = 1;
    m_gridFontName = QStringLiteral("Courier");
    m_gridFontSize = QStringLiteral("10");
    m_rows.setStamps(false, false, false);
    m_pcdStatus = 0;
    m_startRegister = 0;
    m_cycle.setStartRegister(0);
    m_rows.setMaxRows(500);
    m_maxGraph = kMinGraph;
    m_exportFile.clear();
    m_autoExport = false;
    m_rows.setAutoExport(false);
    m_indexFile = 0;
    m_selColumn.clear();
    m_rows.setGraphSelection({});
    m_rows.setStatusText({});
    // Creation: no buffer, empty grid, state 0, simulation timer off.
    Reset();
    Clear();
}

void ControlCore::setLoader(BufferLoader *loader)
{
    m_cycle.setLoader(loader);
}

void ControlCore::setSeams(ControlSeams *seams)
{
    m_seams = seams ? seams : &m_defaultSeams;
}

void ControlCore::setClock(Clock clock)
{
    m_clock = clock;
    m_cycle.setDecoder(RecordDecoder(std::move(clock)));
}

QDateTime ControlCore::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

LoadContext ControlCore::loadContext() const
{
    LoadContext context;
    context.resourcePath = m_resourcePath;
    context.projectPath = m_projectPath;
    context.userFile = m_userFile;
    context.symbFile = m_symbFile;
    context.simulation = m_simulationOn;
    return context;
}

void ControlCore::markChanged(const QString &name)
{
    m_changed = true;
    Q_EMIT propertyChanged(name);
}

// --- properties ---------------------------------------------------------------

void ControlCore::setEnabled(bool enabled)
{
    m_enabled = enabled;
    m_cycle.setEnabled(enabled);
    markChanged(kEnabled);
    if (m_cycle.runMode() == ReadingCycle::Stop) {
        m_cycle.stopReadTimer();
        m_cycle.showLabel(
            enabled ? QStringLiteral("Wait start register") : QStringLiteral("Disabled"));
    }
    if (enabled)
        m_cycle.applyRunMode();
}

void ControlCore::setResourcePath(const QString &path)
{
    if (!m_enabled)
        return;
    m_resourcePath = path;
    markChanged(kResourcePath);
}

QStringList ControlCore::resourceFolders() const
{
    return common::splitFolderList(m_resourcePath);
}

void ControlCore::setProjectPath(const QString &path)
{
    if (!m_enabled)
        return;
    m_projectPath = path;
    markChanged(kProjectPath);
}

void ControlCore::setUserFile(const QString &file)
{
    if (!m_enabled)
        return;
    m_userFile = file;
    markChanged(kUserFile);
}

void ControlCore::setSymbFile(const QString &file)
{
    if (!m_enabled)
        return;
    m_symbFile = file;
    markChanged(kSymbFile);
}

void ControlCore::setInterval(qint32 ms)
{
    if (!m_enabled)
        return;
    m_interval = ms;
    m_cycle.setInterval(ms);
    markChanged(kInterval);
}

void ControlCore::setRunMode(qint16 mode)
{
    if (!m_enabled || mode == m_cycle.runMode())
        return;
    if (mode < ReadingCycle::Stop || mode > ReadingCycle::SingleRead)
        return;
    if (m_cycle.runMode() == ReadingCycle::Stop && mode == ReadingCycle::Run)
        setGraphShown(false);
    m_cycle.setRunMode(mode);
    markChanged(kRunMode);
}

void ControlCore::setSimulation(bool on)
{
    if (!m_enabled)
        return;
    const bool wasOn = m_simulationOn;
    m_simulationOn = on;
    markChanged(kSimulation);
    if (!on) {
        Reset();
        return;
    }
    if (!wasOn || !m_simulation.active())
        m_simulation.createCounterBlock();
    m_simulation.startTimer();
}

void ControlCore::setDisplayMode(qint16 mode)
{
    if (!m_enabled)
        return;
    m_displayMode = mode;
    markChanged(kDisplayMode);
}

void ControlCore::setGridFontName(const QString &name)
{
    m_gridFontName = name;
    markChanged(kGridFontName);
}

void ControlCore::setGridFontSize(const QString &size)
{
    m_gridFontSize = size;
    markChanged(kGridFontSize);
}

void ControlCore::setDateStampCol(bool on)
{
    m_rows.setStamps(on, m_rows.timeStamp(), m_rows.statusStamp());
    markChanged(kDateStampCol);
}

void ControlCore::setTimeStampCol(bool on)
{
    m_rows.setStamps(m_rows.dateStamp(), on, m_rows.statusStamp());
    markChanged(kTimeStampCol);
}

void ControlCore::setPcdStatusCol(bool on)
{
    m_rows.setStamps(m_rows.dateStamp(), m_rows.timeStamp(), on);
    markChanged(kPCDStatusCol);
}

void ControlCore::setPcdStatus(qint32 status)
{
    markChanged(kPCDStatus);
    if (status == m_pcdStatus)
        return;
    m_pcdStatus = status;
    m_rows.setStatusText(pcdStatusText(status));
    if (m_cycle.state() >= ReadingCycle::Stopped) {
        const QDateTime t = now();
        m_rows.addStatusRow(t.toString(QStringLiteral("dd/MM/yy")),
            t.toString(QStringLiteral("HH:mm:ss")), t.toMSecsSinceEpoch());
        if (m_graphShown)
            Q_EMIT graphRedrawRequested();
    }
}

void ControlCore::setStartRegister(qint16 reg)
{
    m_startRegister = reg;
    m_cycle.setStartRegister(reg);
    markChanged(kStartRegister);
}

void ControlCore::setMaxRows(qint32 rows)
{
    m_rows.setMaxRows(rows);
    markChanged(kMaxRows);
}

void ControlCore::setMaxGraph(qint32 points)
{
    m_maxGraph = std::max(points, kMinGraph);
    markChanged(kMaxGraph);
    Q_EMIT graphRedrawRequested();
}

void ControlCore::setExportFile(const QString &file)
{
    if (!m_enabled)
        return;
    m_exportFile = file;
    markChanged(kExportFile);
}

void ControlCore::setAutoExport(bool on)
{
    if (!m_enabled)
        return;
    m_autoExport = on;
    m_rows.setAutoExport(on);
    markChanged(kAutoExport);
}

void ControlCore::setIndexFile(qint16 mode)
{
    if (!m_enabled)
        return;
    m_indexFile = mode;
    markChanged(kIndexFile);
}

void ControlCore::setSelColumn(const QString &columns)
{
    if (!m_enabled)
        return;
    m_selColumn = columns;
    m_rows.setGraphSelection(RowStore::parseSelection(columns));
    markChanged(kSelColumn);
}

qint16 ControlCore::headerVersion() const
{
    return saturated16(m_cycle.reader().headerVersion);
}

qint16 ControlCore::bufferLen() const
{
    return saturated16(m_cycle.reader().bufferLength);
}

qint16 ControlCore::recordNumber() const
{
    return saturated16(m_cycle.reader().capacity);
}

void ControlCore::setDataBlock(const QList<qint32> &values)
{
    if (!m_enabled)
        return;
    m_cycle.answer(values);
}

void ControlCore::setDataBlock(const QVariant &values)
{
    QList<qint32> words;
    const QVariantList list = values.toList();
    words.reserve(list.size());
    for (const QVariant &v : list) {
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        if (!ok || n < std::numeric_limits<qint32>::min()
            || n > std::numeric_limits<qint32>::max()) {
            // A value that is no 32-bit integer ends the array here; the
            // reading step then reports the answer as too short.
            break;
        }
        words.append(qint32(n));
    }
    if (list.isEmpty() && values.canConvert<QList<qint32>>())
        words = values.value<QList<qint32>>();
    setDataBlock(words);
}

// --- methods --------------------------------------------------------------------

void ControlCore::Refresh()
{
    Q_EMIT refreshRequested();
}

void ControlCore::Start()
{
    if (!m_enabled)
        return;
    m_cycle.start();
}

void ControlCore::Reset()
{
    m_cycle.reset();
    m_simulation.discard();
    if (m_simulationOn) {
        // Still simulating: a later Start needs a counter block to read.
        m_simulation.createCounterBlock();
        m_simulation.startTimer();
    }
    m_rows.setColumns(QList<RowStore::DataColumn> {});
    m_rows.clear();
    setTitle(noBufferTitle());
    setInfoEnabled(false);
    setGraphShown(false);
}

void ControlCore::Clear()
{
    m_appliedFontName = m_gridFontName;
    m_appliedFontSize = m_gridFontSize;
    m_rows.clear();
    Q_EMIT fontApplied(m_appliedFontName, m_appliedFontSize);
    Q_EMIT graphRedrawRequested();
}

bool ControlCore::Crypt(const QString &FileName)
{
    QString error;
    return m_seams->crypt(FileName, &error);
}

// --- reading cycle outcomes ---------------------------------------------------------

void ControlCore::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    Q_EMIT titleChanged(title);
}

void ControlCore::showBufferTitle(const QString &bufferTitle, qint32 headerVersion)
{
    setTitle(bufferTitleText(bufferTitle, headerVersion));
}

void ControlCore::setInfoEnabled(bool enabled)
{
    if (enabled == m_infoEnabled)
        return;
    m_infoEnabled = enabled;
    Q_EMIT infoEnabledChanged(enabled);
}

void ControlCore::onBufferLoaded()
{
    const BufferLayout &layout = m_cycle.layout();
    if (m_simulationOn) {
        setTitle(simulationTitle());
    } else {
        setTitle(bufferTitleText(layout.title, headerVersion()));
        if (m_userFile.size() < 2)
            setInfoEnabled(!layout.infoText.isEmpty());
    }
    // A run that goes on after a lost link or a stop keeps the rows it showed.
    if (m_cycle.resumingRun() && m_rows.recordCount() > 0)
        return;
    m_rows.setColumns(m_cycle.columns());
    Clear();
}

void ControlCore::onRecord(const DecodedRecord &record)
{
    m_rows.addRecord(record);
    if (m_graphShown)
        Q_EMIT graphRedrawRequested();
}

void ControlCore::onSeparator(RowKind kind, const QString &text)
{
    const QDateTime t = now();
    m_rows.addSeparator(kind, text, t.toString(QStringLiteral("dd/MM/yy")),
        t.toString(QStringLiteral("HH:mm:ss")), t.toMSecsSinceEpoch());
    if (m_graphShown)
        Q_EMIT graphRedrawRequested();
}

void ControlCore::tellAutoExportFailed()
{
    // Unattended recording must go on: told once, without waiting for anyone.
    if (!m_prompter)
        return;
    QString text
        = QStringLiteral("Automatic export to ") + m_exportFile + QStringLiteral(" failed");
    const QString why = m_seams->exportError();
    if (!why.isEmpty())
        text += QStringLiteral(" : ") + why;
    text += QStringLiteral("\rThe records stay in the grid and go with the next export; past ")
        + QString::number(m_rows.backlogLimit())
        + QStringLiteral(" rows the oldest are dropped and counted.");
    m_prompter->notice(text, kExportTitle, Style::Exclamation);
}

void ControlCore::onPcdCommand(qint16 command)
{
    switch (command) {
    case 1:
        Clear();
        break;
    case 8:
        m_seams->exportGrid(ControlSeams::ExportTrigger::Pcd);
        break;
    case 9:
        m_seams->showShutdownNotice();
        Q_EMIT PCDCmd(9);
        break;
    default:
        break;
    }
}

// --- user actions ---------------------------------------------------------------------

void ControlCore::setGraphShown(bool shown)
{
    if (shown == m_graphShown)
        return;
    m_graphShown = shown;
    Q_EMIT graphShownChanged(shown);
}

void ControlCore::setHistory(HistorySource *history)
{
    if (history == m_history)
        return;
    m_history = history;
    Q_EMIT historyChanged();
}

void ControlCore::setFollowNewest(bool on)
{
    if (on == m_followNewest)
        return;
    m_followNewest = on;
    Q_EMIT followNewestChanged(on);
}

void ControlCore::showInfo()
{
    if (!m_prompter)
        return;
    const QString tolvane = QStringLiteral("Tolvane");
    if (m_simulationOn) {
        m_prompter->message(QStringLiteral("No info in demo mode."), tolvane, Style::Information);
    } else if (!headerKey().isEmpty()) {
        const BufferLayout &layout = m_cycle.layout();
        if (!layout.infoText.isEmpty())
            m_prompter->message(QStringLiteral("Info section :\r\r") + layout.infoText,
                layout.descriptionPath, Style::Information);
    } else {
        m_prompter->message(QStringLiteral("No info avalaible."), tolvane, Style::Information);
    }
}

void ControlCore::exportByUser()
{
    m_seams->exportGrid(ControlSeams::ExportTrigger::User);
}

void ControlCore::openConversionWindow(int row, int gridColumn)
{
    m_seams->openConversionWindow(row, gridColumn);
}

void ControlCore::toggleGraphColumn(int gridColumn)
{
    m_rows.toggleGraphSelection(gridColumn);
}

// --- persistence ------------------------------------------------------------------------

void ControlCore::save(PropertyStore &store) const
{
    store.setValue(kEnabled, m_enabled);
    store.setValue(kResourcePath, m_resourcePath);
    store.setValue(kProjectPath, m_projectPath);
    store.setValue(kUserFile, m_userFile);
    store.setValue(kSymbFile, m_symbFile);
    store.setValue(kInterval, m_interval);
    store.setValue(kRunMode, runMode());
    store.setValue(kSimulation, m_simulationOn);
    store.setValue(kDisplayMode, m_displayMode);
    store.setValue(kGridFontName, m_gridFontName);
    store.setValue(kGridFontSize, m_gridFontSize);
    store.setValue(kDateStampCol, dateStampCol());
    store.setValue(kTimeStampCol, timeStampCol());
    store.setValue(kPCDStatusCol, pcdStatusCol());
    store.setValue(kPCDStatus, m_pcdStatus);
    store.setValue(kStartRegister, m_startRegister);
    store.setValue(kMaxRows, maxRows());
    store.setValue(kMaxGraph, m_maxGraph);
    store.setValue(kExportFile, m_exportFile);
    store.setValue(kAutoExport, m_autoExport);
    store.setValue(kIndexFile, m_indexFile);
    store.setValue(kSelColumn, m_selColumn);
}

void ControlCore::restore(const PropertyStore &store)
{
    const auto v = [&store](const QString &name) { return store.value(name); };
    m_enabled = storedBool(v(kEnabled), true);
    m_cycle.setEnabled(m_enabled);
    m_resourcePath = storedText(v(kResourcePath), QStringLiteral("C:\\"));
    m_projectPath = storedText(v(kProjectPath), {});
    m_userFile = storedText(v(kUserFile), {});
    m_symbFile = storedText(v(kSymbFile), {});
    m_interval = storedInt<qint32>(v(kInterval), 1000);
    m_displayMode = storedInt<qint16>(v(kDisplayMode), 1);
    m_gridFontName = storedText(v(kGridFontName), QStringLiteral("Courier"));
    m_gridFontSize = storedText(v(kGridFontSize), QStringLiteral("10"));
    m_rows.setStamps(storedBool(v(kDateStampCol), false), storedBool(v(kTimeStampCol), false),
        storedBool(v(kPCDStatusCol), false));
    m_pcdStatus = storedInt<qint32>(v(kPCDStatus), 0);
    m_rows.setStatusText(m_pcdStatus == 0 ? QString() : pcdStatusText(m_pcdStatus));
    m_startRegister = storedInt<qint16>(v(kStartRegister), 0);
    m_cycle.setStartRegister(m_startRegister);
    m_rows.setMaxRows(storedInt<qint32>(v(kMaxRows), 500));
    m_maxGraph = std::max(storedInt<qint32>(v(kMaxGraph), kMinGraph), kMinGraph);
    m_exportFile = storedText(v(kExportFile), {});
    m_autoExport = storedBool(v(kAutoExport), false);
    m_rows.setAutoExport(m_autoExport);
    m_indexFile = storedInt<qint16>(v(kIndexFile), 0);
    m_selColumn = storedText(v(kSelColumn), {});
    m_rows.setGraphSelection(RowStore::parseSelection(m_selColumn));

    // The reading state does not survive a restart, so the run mode starts at
    // 0 again; restoring it would turn the host's next "run" into "no change".
    const bool simulation = storedBool(v(kSimulation), false);
    m_simulationOn = simulation;
    if (simulation) {
        m_simulation.createCounterBlock();
        m_simulation.startTimer();
    }
    m_cycle.setInterval(m_interval);
    m_changed = false;
}

} // namespace tlv::viewer
