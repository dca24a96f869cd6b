#pragma once

#include "viewer/core/ControlProperties.h"
#include "viewer/core/PromptingSeams.h"
#include "viewer/core/ReadingCycle.h"
#include "viewer/core/RowStore.h"
#include "viewer/core/Simulation.h"

#include <QDateTime>
#include <QObject>
#include <QVariant>

#include <functional>

namespace tlv::common {
class Prompter;
}

namespace tlv::viewer {

class PropertyStore;
class HistorySource;

// The headless heart of the Tolvane control: its properties, methods and
// events, the reading cycle, the row store and the simulation. The widget
// shows what this holds and forwards clicks; hosts and the CLI drive it alone.
class ControlCore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    TOLVANE_CONTROL_PROPERTIES(TOLVANE_Q_PROPERTY_READWRITE, TOLVANE_Q_PROPERTY_READONLY)

public:
    using Clock = std::function<QDateTime()>;

    // The persisted properties, in the order they are saved.
    static const QStringList &persistedNames();
    [[nodiscard]] static QString pcdStatusText(qint32 status);
    [[nodiscard]] static QString noBufferTitle() { return QStringLiteral("No Buffer Selected"); }
    [[nodiscard]] static QString simulationTitle()
    {
        return QStringLiteral("Tolvane running with congured buffer simulation");
    }

    explicit ControlCore(common::Prompter *prompter = nullptr, QObject *parent = nullptr);
    ~ControlCore() override;

    // Parts filled outside the core; without them loads fail with a clear text
    // and the seams say that the feature is missing.
    void setLoader(BufferLoader *loader);
    void setSeams(ControlSeams *seams);
    // PC date and time of rows; the decoder takes the same clock.
    void setClock(Clock clock);

    [[nodiscard]] RowStore &rows() { return m_rows; }
    [[nodiscard]] ReadingCycle &cycle() { return m_cycle; }
    [[nodiscard]] Simulation &simulator() { return m_simulation; }

    // --- properties ---
    [[nodiscard]] bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    [[nodiscard]] QString resourcePath() const { return m_resourcePath; }
    void setResourcePath(const QString &path);
    // The ResourcePath folders, each with its trailing backslash.
    [[nodiscard]] QStringList resourceFolders() const;
    [[nodiscard]] QString projectPath() const { return m_projectPath; }
    void setProjectPath(const QString &path);
    [[nodiscard]] QString userFile() const { return m_userFile; }
    void setUserFile(const QString &file);
    [[nodiscard]] QString symbFile() const { return m_symbFile; }
    void setSymbFile(const QString &file);
    [[nodiscard]] qint32 interval() const { return m_interval; }
    void setInterval(qint32 ms);
    [[nodiscard]] qint16 runMode() const { return m_cycle.runMode(); }
    void setRunMode(qint16 mode);
    [[nodiscard]] bool simulation() const { return m_simulationOn; }
    void setSimulation(bool on);
    [[nodiscard]] qint16 displayMode() const { return m_displayMode; }
    void setDisplayMode(qint16 mode);
    [[nodiscard]] QString gridFontName() const { return m_gridFontName; }
    void setGridFontName(const QString &name);
    [[nodiscard]] QString gridFontSize() const { return m_gridFontSize; }
    void setGridFontSize(const QString &size);
    [[nodiscard]] bool dateStampCol() const { return m_rows.dateStamp(); }
    void setDateStampCol(bool on);
    [[nodiscard]] bool timeStampCol() const { return m_rows.timeStamp(); }
    void setTimeStampCol(bool on);
    [[nodiscard]] bool pcdStatusCol() const { return m_rows.statusStamp(); }
    void setPcdStatusCol(bool on);
    [[nodiscard]] qint32 pcdStatus() const { return m_pcdStatus; }
    void setPcdStatus(qint32 status);
    [[nodiscard]] qint16 startRegister() const { return m_startRegister; }
    void setStartRegister(qint16 reg);
    [[nodiscard]] qint32 maxRows() const { return m_rows.maxRows(); }
    void setMaxRows(qint32 rows);
    [[nodiscard]] qint32 maxGraph() const { return m_maxGraph; }
    void setMaxGraph(qint32 points);
    [[nodiscard]] QString exportFile() const { return m_exportFile; }
    void setExportFile(const QString &file);
    [[nodiscard]] bool autoExport() const { return m_autoExport; }
    void setAutoExport(bool on);
    [[nodiscard]] qint16 indexFile() const { return m_indexFile; }
    void setIndexFile(qint16 mode);
    [[nodiscard]] QString selColumn() const { return m_selColumn; }
    void setSelColumn(const QString &columns);

    // --- read-only properties, from the last good header ---
    [[nodiscard]] QString headerKey() const { return m_cycle.reader().headerKey; }
    [[nodiscard]] qint16 headerVersion() const;
    [[nodiscard]] qint16 bufferLen() const;
    [[nodiscard]] qint16 recordLen() const { return m_cycle.reader().recordLength; }
    [[nodiscard]] qint16 recordNumber() const;
    [[nodiscard]] qint32 recordCount() const { return m_rows.recordCount(); }

    // DataBlock: the host's answer to the last read request.
    void setDataBlock(const QList<qint32> &values);
    // A variant holding a list of integers; anything else is refused.
    void setDataBlock(const QVariant &values);

    // --- methods ---
    Q_INVOKABLE void Refresh();
    Q_INVOKABLE void Start();
    Q_INVOKABLE void Reset();
    Q_INVOKABLE void Clear();
    Q_INVOKABLE bool Crypt(const QString &FileName);

    // --- what the widget shows ---
    [[nodiscard]] QString title() const { return m_title; }
    // The title line of a buffer whose rows come from elsewhere (a recording read back).
    void showBufferTitle(const QString &bufferTitle, qint32 headerVersion);
    [[nodiscard]] QString statusLabel() const { return m_cycle.statusLabel(); }
    [[nodiscard]] bool activityVisible() const { return m_cycle.activityVisible(); }
    [[nodiscard]] bool infoEnabled() const { return m_infoEnabled; }
    [[nodiscard]] bool graphShown() const { return m_graphShown; }
    [[nodiscard]] QString graphButtonText() const
    {
        return m_graphShown ? QStringLiteral("Grid") : QStringLiteral("Graph");
    }
    void setGraphShown(bool shown);
    // While records arrive: true keeps the grid and the graph on the newest
    // rows; false leaves them where the user is.
    [[nodiscard]] bool followNewest() const { return m_followNewest; }
    void setFollowNewest(bool on);
    // A recording's whole history for the graph (not owned; null: the grid's rows only).
    [[nodiscard]] HistorySource *history() const { return m_history; }
    void setHistory(HistorySource *history);
    // Font applied at the last Clear.
    [[nodiscard]] QString appliedFontName() const { return m_appliedFontName; }
    [[nodiscard]] QString appliedFontSize() const { return m_appliedFontSize; }

    // --- user actions the widget forwards ---
    void showInfo();
    void exportByUser();
    void openConversionWindow(int row, int gridColumn);
    void toggleGraphColumn(int gridColumn);

    // --- persistence ---
    [[nodiscard]] bool propertiesChanged() const { return m_changed; }
    void clearPropertiesChanged() { m_changed = false; }
    void save(PropertyStore &store) const;
    // Takes the stored values (defaults where missing or unusable).
    void restore(const PropertyStore &store);

Q_SIGNALS:
    // The control's events.
    TOLVANE_SURFACE_EVENTS(TOLVANE_DECLARE_EVENT)
    TOLVANE_HOST_EVENTS(TOLVANE_DECLARE_EVENT)

    // For the widget.
    void titleChanged(const QString &title);
    void statusLabelChanged(const QString &text);
    void activityChanged(bool visible);
    void infoEnabledChanged(bool enabled);
    void graphShownChanged(bool shown);
    void graphRedrawRequested();
    void followNewestChanged(bool on);
    void historyChanged();
    void fontApplied(const QString &name, const QString &size);
    void refreshRequested();
    void propertyChanged(const QString &name);

private:
    void markChanged(const QString &name);
    void setTitle(const QString &title);
    void setInfoEnabled(bool enabled);
    void onBufferLoaded();
    void onRecord(const DecodedRecord &record);
    void onSeparator(RowKind kind, const QString &text);
    void onPcdCommand(qint16 command);
    void tellAutoExportFailed();
    [[nodiscard]] QDateTime now() const;
    [[nodiscard]] LoadContext loadContext() const;
    void applyDefaults();

    common::Prompter *m_prompter = nullptr;
    PromptingSeams m_defaultSeams;
    ControlSeams *m_seams = nullptr;
    ReadingCycle m_cycle;
    RowStore m_rows;
    Simulation m_simulation;
    Clock m_clock;

    QString m_resourcePath;
    QString m_projectPath;
    QString m_userFile;
    QString m_symbFile;
    QString m_gridFontName;
    QString m_gridFontSize;
    QString m_exportFile;
    QString m_selColumn;
    QString m_title;
    QString m_appliedFontName;
    QString m_appliedFontSize;
    qint32 m_interval = 1000;
    qint32 m_pcdStatus = 0;
    qint32 m_maxGraph = 20;
    qint16 m_displayMode = 1;
    qint16 m_startRegister = 0;
    qint16 m_indexFile = 0;
    bool m_enabled = true;
    bool m_simulationOn = false;
    bool m_autoExport = false;
    bool m_infoEnabled = false;
    bool m_graphShown = false;
    bool m_followNewest = true;
    HistorySource *m_history = nullptr;
    bool m_changed = false;
};

} // namespace tlv::viewer
