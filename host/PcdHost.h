#pragma once

#include "comm/PCDConnect.h"
#include "comm/ScommLibrary.h"
#include "comm/VarnokDLL.h"
#include "comm/sbus/SbusSettings.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace tlv::common {
class Prompter;
}

namespace tlv::buffer {
class TraceProject;
}

namespace tlv::viewer {
class ControlCore;
}

namespace tlv::host {

class HeadlessSeams;

// What a start takes besides the project's settings; asked for at every start.
struct StartPaths
{
    QString symbolFile;
    QString projectFolder; // where the public events' system symbols are
};

// PG5's version code and program folders; asked for at every connection attempt.
struct Pg5Channel
{
    qint32 versionCode = 0;
    QMap<qint32, QString> appsDirs;
};

// The host of one viewer control: owns the connection to the controller,
// answers the control's read requests in blocks of 32 (status first, base
// register, progress, abort, the outcome texts), prepares the control before a
// start, binds export and keeps reading through a quiet or restarted link.
// Everything a window shows is published as signals; the window binds its
// widgets to them, the recorder prints them, the tests record them.
class PcdHost : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool connected READ connected NOTIFY connectedChanged)
    Q_PROPERTY(bool simulation READ simulation WRITE setSimulation NOTIFY simulationChanged)
    Q_PROPERTY(QString connectionText READ connectionText NOTIFY connectionTextChanged)
    Q_PROPERTY(QString messageText READ messageText NOTIFY messageTextChanged)
    Q_PROPERTY(bool readingInBlocks READ readingInBlocks)
public:
    static constexpr int BlockSize = 32;
    static constexpr int ConnectRetryMs = 2000;
    static constexpr quint32 Blue = 0x0000FF; // red, green, blue
    static constexpr quint32 Red = 0xFF0000;
    // The status bar of a connection through the PG5 channel made without PG5.
    static inline const QString BuiltInDriverText
        = QStringLiteral("Connected by the built-in S-Bus driver (no PG5 version)");

    PcdHost(viewer::ControlCore &control, buffer::TraceProject &project, common::Prompter &prompter,
        QObject *parent = nullptr);
    ~PcdHost() override;

    void setStartPaths(std::function<StartPaths()> paths) { m_startPaths = std::move(paths); }
    void setPg5Channel(std::function<Pg5Channel()> channel) { m_pg5 = std::move(channel); }
    // Lets the user interface work between blocks of a long read.
    void setProcessEvents(std::function<void()> process) { m_processEvents = std::move(process); }
    // A connection that replaces the project's channel set-up (the command line's).
    void setFixedConnection(const comm::SbusSettings &settings);
    // Exports and the shutdown notice without a window; told through exported().
    void useHeadlessSeams();

    [[nodiscard]] viewer::ControlCore &control() { return m_control; }
    [[nodiscard]] comm::PCDConnect &connection() { return m_connect; }
    [[nodiscard]] comm::ScommLibrary &library() { return m_library; }
    [[nodiscard]] QTimer &connectTimer() { return m_connectTimer; }
    // The pace of AutoConnect's attempts that fail at once (ConnectRetryMs unless set).
    void setConnectRetryInterval(int ms) { m_connectRetryMs = qMax(1, ms); }
    [[nodiscard]] bool connected() const { return m_connect.connected() || m_simConnected; }
    [[nodiscard]] bool simulation() const { return m_simulation; }
    void setSimulation(bool on);
    [[nodiscard]] QString connectionText() const { return m_panel1; }
    [[nodiscard]] QString messageText() const { return m_panel2; }
    [[nodiscard]] bool readingInBlocks() const { return m_readingInBlocks; }
    [[nodiscard]] bool runPending() const { return m_runPending; }
    [[nodiscard]] bool stopPending() const { return m_stopPending; }
    [[nodiscard]] int lostLinks() const { return m_lostLinks; }
    // The last failure of a connection attempt or a read, as the driver reported it.
    [[nodiscard]] const comm::SbusResult &error() const { return m_error; }

    // What ShowReadOutcome puts into the status bar.
    enum class ReadOutcome {
        Ok = 0,
        Problems = 1,
        Stopped = 2,
        Aborted = 3, // "PCD reading aborted." with the error
        InvalidStart = 4, // stops the control and says so in a box
    };

    // --- connection ---
    bool Connect();
    void DisconnectWithMessage(
        comm::DisconnectKind kind, const comm::SbusResult &result = comm::SbusResult::success());
    // The main form became active: connect and start when AutoConnect asks for
    // it, else retry (connectLater()).
    void formActivated();
    // Tries to connect again: at the read interval while the PCD merely did not answer,
    // every 2000 ms after a failure that came at once.
    void connectLater();
    // Prepares the control for a start; false when the start register is unusable.
    bool prepareControl();
    // Prepares, then Start and run mode 2 (run mode 0 and false when the preparation failed).
    bool startControl();
    // Run mode 0, no retries, the connection closed.
    void stop();

    // --- buttons ---
    void startClicked();
    void runClicked();
    void stopClicked();
    void clearClicked();
    void connectClicked();
    void abortClicked();

    // --- serving the control ---
    void ReadPCDReg(qint16 registerNumber, qint16 numberToRead);
    void ReadPCDDB(qint16 dbNumber, qint16 dbOffset, qint16 numberToRead);
    void AbortRead(qint32 count);
    void ShowReadOutcome(ReadOutcome outcome, const QString &errorText = QString());

Q_SIGNALS:
    void connectedChanged(bool connected);
    void simulationChanged(bool on);
    // Status bar panel 1 (connection state) and panel 2 (messages).
    void connectionTextChanged(const QString &text);
    void messageTextChanged(const QString &text);
    // True: a connection can be made ("Connect"); false: "Disconnect".
    void ButtonConnect(bool connect);
    // Non-empty texts become captions of Start, Run and Stop; setFocus 1-3 picks one, 0 none.
    void ButtonsStart(const QString &staTxt, bool staEn, const QString &runTxt, bool runEn,
        const QString &stoTxt, bool stoEn, qint16 setFocus);
    void runCaptionChanged(const QString &caption);
    void connectionFrameChanged(const QString &caption, quint32 rgb);
    void progressRangeChanged(int minimum, int maximum);
    void progressChanged(int value);
    void abortEnabledChanged(bool enabled);
    void beep();
    // The values a read handed to the control.
    void served(const QList<qint32> &values);
    // A file an export wrote (with headless seams).
    void exported(const QString &path);
    // The run is over: the PCD's shutdown command (false) or a fatal control error (true).
    void quitRequested(bool fatal);
    // A connection attempt or a read failed; every such failure passes here.
    void errorOccurred(const comm::SbusResult &result);

private:
    enum class Kind { Registers, DataBlock };
    void serve(Kind kind, qint32 number, qint32 first, qint32 numberToRead);
    comm::SbusResult readBlock(Kind kind, qint32 number, qint32 first, qint32 index, qint32 count);
    [[nodiscard]] ReadOutcome failureOutcome(Kind kind, const comm::SbusResult &result) const;
    void endBlockReading();
    void readFailed(Kind kind, const comm::SbusResult &result);
    void linkLost(const comm::SbusResult &result);
    void tellFolderProblem();
    void setError(const comm::SbusResult &result);
    void retryStart();
    void connectTimerTick();
    void statusChanged(qint16 readStatus);
    void onModulError(qint16 errType, const QString &errMessage);
    void applySettings();
    void setPanel(int panel, const QString &text);
    void setConnectedState(bool connected);

    viewer::ControlCore &m_control;
    buffer::TraceProject &m_project;
    common::Prompter &m_prompter;
    comm::ScommLibrary m_library;
    comm::VarnokDLL m_varnok;
    comm::PCDConnect m_connect;
    std::unique_ptr<HeadlessSeams> m_seams;
    std::function<StartPaths()> m_startPaths;
    std::function<Pg5Channel()> m_pg5;
    std::function<void()> m_processEvents;
    QTimer m_connectTimer;
    QTimer m_retryTimer; // a start whose reads failed goes again
    QList<qint32> m_buffer;
    QString m_panel1;
    QString m_panel2;
    comm::SbusResult m_error;
    int m_lostLinks = 0;
    int m_connectRetryMs = ConnectRetryMs;
    qint32 m_toldVersionCode = 0; // a problem with PG5's folder is told once per version
    bool m_lastFailureQuiet = false; // the last attempt found the port but no answer
    bool m_simulation = false;
    bool m_simConnected = false;
    bool m_wantRun = false; // started and not stopped since
    bool m_abort = false;
    bool m_readingInBlocks = false;
    bool m_runPending = false;
    bool m_stopPending = false;
    bool m_serving = false;
    bool m_linkLossPending = false;
    bool m_wasConnected = false;
};

} // namespace tlv::host
