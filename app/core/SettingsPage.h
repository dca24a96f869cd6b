#pragma once

#include "app/core/GoOnlineChannel.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace tlv::buffer {
class TraceProject;
class BufferCommands;
} // namespace tlv::buffer
namespace tlv::common {
class Prompter;
}
namespace tlv::viewer {
class ControlCore;
}

namespace tlv::app {

class Pg5Folders;
struct StartState;

// The settings tab without its widgets: what every element shows, the check of
// each entry when it is left, and saving into the trace project file.
class SettingsPage : public QObject
{
    Q_OBJECT
public:
    struct DllEntry
    {
        QString text;
        qint32 code = 0; // 0 "Internal", else a PG5 version code
    };

    // What the page shows; the widgets copy it after ApplySettingsPage and
    // after every handler that changes it.
    struct View
    {
        QList<DllEntry> dllEntries;
        int dllIndex = -1;
        bool dllVisible = true; // lblDLL and DLL_list
        bool driverFieldsVisible = false; // port, protocol, baud rate, station
        bool channelVisible = false; // PG5's channel ("GoOnline")
        QStringList ports;
        int portIndex = -1;
        QStringList protocols;
        int protocolIndex = -1;
        QStringList baudrates;
        int baudIndex = -1;
        QString startReg;
        QString station;
        bool autoConnect = false;
        QString readInterval; // seconds
        QString gridLines;
        QString graphLines;
        bool exportFull = false;
        bool journal = false; // ckbJournal
        int indexFile = 0; // 0 replace, 1 indexed, 2 indexed with serial number
        QString excelFile; // project-relative form
        QString pg5Global;
        bool dateColumn = false;
        bool timeColumn = false;
        bool statusColumn = true;
        GoOnlineChannel channel;
    };

    SettingsPage(buffer::TraceProject &project, StartState &start, Pg5Folders &folders,
        common::Prompter &prompter, QObject *parent = nullptr);

    // The control that takes Interval, MaxRows, MaxGraph and ExportFile at once.
    void setControl(viewer::ControlCore *control) { m_control = control; }
    void setCommands(buffer::BufferCommands *commands) { m_commands = commands; }
    void setSettingsFile(const QString &file) { m_settingsFile = file; }

    [[nodiscard]] const View &view() const { return m_view; }

    // Fills every element from the current values.
    void ApplySettingsPage();

    // Handlers. Those returning bool give false for a refused entry: the view
    // then holds what the element shows again and the element keeps the focus.
    bool dllChosen(int index);
    void portChosen(int index);
    void protocolChosen(int index);
    void baudChosen(int index);
    bool stationLeft(const QString &text);
    void autoConnectToggled(bool on);
    bool startRegLeft(const QString &text);
    bool readIntervalLeft(const QString &text);
    bool gridLinesLeft(const QString &text);
    bool graphLinesLeft(const QString &text);
    void exportFullToggled(bool on);
    void journalToggled(bool on);
    void indexFileChosen(int mode);
    // Refuses a file an export cannot write (an unknown ending).
    bool excelFileValidated(const QString &text);
    void browseExcelFile();
    void browsePg5Global();
    // The PG5 channel's values as edited; refused values keep the old ones.
    bool channelEdited(const GoOnlineChannel &channel);

    // OKButton and Ctrl+S: PCDRegistery 0, settings and channel into the
    // project file, then the empty-source step. The control's export naming
    // follows from then on.
    bool save();
    // Whether the settings or the PG5 channel differ from what was last read
    // or saved: the close question asks then.
    [[nodiscard]] bool hasChanges() const;

    // The connection frames may change only while no connection is open.
    [[nodiscard]] static bool framesEnabled(bool connected) { return !connected; }

Q_SIGNALS:
    void beep();
    // The journal setting changed: the host starts or ends the journal.
    void journalChanged(bool on);
    void viewChanged();

private:
    bool refuse(const QString &message);
    bool acceptExportFile(const QString &path);
    void showDriverFields(bool internal);

    buffer::TraceProject &m_project;
    StartState &m_start;
    Pg5Folders &m_folders;
    common::Prompter &m_prompter;
    viewer::ControlCore *m_control = nullptr;
    buffer::BufferCommands *m_commands = nullptr;
    QString m_settingsFile;
    View m_view;
    GoOnlineChannel m_savedChannel; // as last read or saved
};

} // namespace tlv::app
