#pragma once

#include "app/record/HeadlessSeams.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "comm/HostedControl.h"
#include "comm/PCDConnect.h"
#include "comm/ReadServer.h"
#include "comm/Scomm5.h"
#include "comm/ScommLibrary.h"
#include "comm/StatusTextView.h"
#include "comm/VarnokDLL.h"
#include "comm/sbus/SbusSettings.h"
#include "viewer/core/ControlCore.h"
#include "viewer/files/FileBufferLoader.h"

#include <QObject>
#include <QStringList>

#include <optional>

namespace tlv::app {

class ControlAdapter;

// Records a trace project without a window: the same control core, read serving and
// connection the main window hosts, with the project's settings. A link lost while reading
// is retried every 2000 ms when the project connects automatically; the control then resumes
// from the record counter it had.
class HeadlessRecorder : public QObject, private comm::StatusTextView
{
    Q_OBJECT
public:
    struct Options
    {
        QString project; // the trace project file
        std::optional<comm::SbusSettings> connect; // replaces the project's connection
        QStringList resources; // more description folders
        std::optional<qint16> indexFile;
        std::optional<bool> dateColumn, timeColumn, statusColumn;
        QString programFolder; // text files and descriptions beside the program
    };

    explicit HeadlessRecorder(common::Prompter &prompter, QObject *parent = nullptr);
    ~HeadlessRecorder() override;

    // Reads the project and prepares the control; false with a message.
    bool open(const Options &options, QString *error);
    // Connects and starts reading (run mode 2). On a failed connection with AutoConnect the
    // retry timer runs and true is returned; without it false.
    bool start();
    // Run mode 0 and disconnect.
    void stop();
    // Exports the grid as the Export button does, to file when given; the written path or "".
    QString exportNow(const QString &file = {});

    [[nodiscard]] viewer::ControlCore &control() { return m_control; }
    [[nodiscard]] comm::PCDConnect &connection() { return m_connect; }
    [[nodiscard]] buffer::TraceProject &project() { return m_project; }
    [[nodiscard]] bool connected() const { return m_project.settings().connection.connected; }
    [[nodiscard]] qint64 recordRows() const { return m_recordRows; }
    [[nodiscard]] bool fatal() const { return m_fatal; }
    [[nodiscard]] int lostLinks() const { return m_lostLinks; }
    // Time between two connection attempts after a lost link (2000 ms).
    void setRetryInterval(int ms) { m_connect.connectTimer().setInterval(ms); }

Q_SIGNALS:
    // Every OutputLine of the control.
    void outputLine(const QString &line);
    // A decoded record reached the grid (after its outputLine).
    void recordRow(qint64 rows);
    // What the window would show in its status bar or message boxes, in the system's words.
    void message(const QString &text);
    void exported(const QString &path);
    // A fatal control error (1001 or more) or the PCD's shutdown command: the run is over.
    void finished(bool fatal);

private:
    // The outcome texts become messages; the rest of the view has no window.
    void setStatusPanel(int panel, const QString &text) override;

    bool prepareControl();
    void afterRead();
    void linkLost(qint32 code);
    void onModulError(qint16 errType, const QString &errMessage);

    common::Prompter &m_prompter;
    buffer::UserColumns m_buffer;
    buffer::TraceProject m_project;
    viewer::ControlCore m_control;
    std::unique_ptr<viewer::FileBufferLoader> m_loader;
    HeadlessSeams m_seams;
    std::unique_ptr<ControlAdapter> m_hosted;
    comm::ScommLibrary m_library;
    comm::VarnokDLL m_varnok;
    comm::Scomm5 m_scomm;
    comm::PCDConnect m_connect;
    comm::ReadServer m_reader;
    QString m_projectFolder;
    QString m_lastMessage;
    qint64 m_recordRows = 0;
    int m_lostLinks = 0;
    bool m_pendingRecord = false;
    bool m_fatal = false;
    bool m_linkLossPending = false;
};

} // namespace tlv::app
