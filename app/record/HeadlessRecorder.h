#pragma once

#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "comm/sbus/SbusSettings.h"
#include "host/PcdHost.h"
#include "viewer/core/ControlCore.h"
#include "viewer/files/FileBufferLoader.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

namespace tlv::app {

// Records a trace project without a window: the same control core and host the
// main window has, with the project's settings. A link that goes quiet is read
// again at the next tick (with AutoConnect the connection is made again every
// 2000 ms); the control goes on from the record counter it had.
class HeadlessRecorder : public QObject
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
    [[nodiscard]] host::PcdHost &host() { return m_host; }
    [[nodiscard]] buffer::TraceProject &project() { return m_project; }
    [[nodiscard]] bool connected() const { return m_host.connected(); }
    [[nodiscard]] qint64 recordRows() const { return m_recordRows; }
    [[nodiscard]] bool fatal() const { return m_fatal; }

Q_SIGNALS:
    // Every OutputLine of the control.
    void outputLine(const QString &line);
    // A decoded record reached the grid (after its outputLine).
    void recordRow(qint64 rows);
    // What the window would show in its status bar, in the system's words.
    void message(const QString &text);
    // A fatal control error (1001 or more) or the PCD's shutdown command: the run is over.
    void finished(bool fatal);

private:
    common::Prompter &m_prompter;
    buffer::UserColumns m_buffer;
    buffer::TraceProject m_project;
    viewer::ControlCore m_control;
    std::unique_ptr<viewer::FileBufferLoader> m_loader;
    host::PcdHost m_host;
    QString m_projectFolder;
    qint64 m_recordRows = 0;
    bool m_fatal = false;
};

} // namespace tlv::app
