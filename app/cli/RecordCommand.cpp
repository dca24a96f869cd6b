#include "app/cli/CliCommands.h"
#include "app/cli/CommandOptions.h"
#include "app/cli/PlotOption.h"
#include "app/record/HeadlessRecorder.h"
#include "comm/ConnectionString.h"
#include "common/ConsolePrompter.h"
#include "journal/JournalWriter.h"
#include "journal/plant/PlantForwarder.h"
#include "journal/plant/SourceName.h"
#include "viewer/files/ExportNaming.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace tlv::app {

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
}

// What the command line asks of a recording.
struct RecordSettings
{
    HeadlessRecorder::Options options;
    qint64 records = -1; // ends after this many records
    double seconds = -1; // ends after this long
    QString exportFile;
    PlotRequest plot;
    QString journalFile;
    plant::ForwardWorker::Settings forward; // a source when the rows go to a plant database
    double forwardWait = 10;
};

// One recording from its start to its export: the recorder, its journal and forwarder, and
// what ends it.
class RecordSession
{
public:
    RecordSession(const RecordSettings &settings, QTextStream &out, QTextStream &err)
        : m_settings(settings)
        , m_out(out)
        , m_err(err)
        , m_prompter(&err)
        , m_recorder(m_prompter)
    { }

    // The exit code.
    int run()
    {
        QString error;
        if (!m_recorder.open(m_settings.options, &error)) {
            m_err << error << u'\n';
            return 1;
        }
        attachJournal();
        startForwarder();
        connectRecorder();
        armEnds();
        if (!record())
            return 1;
        return wrapUp();
    }

private:
    // With a journal a row is printed once it is on the disk, so what was printed
    // survives a kill.
    void attachJournal()
    {
        if (m_settings.journalFile.isEmpty())
            return;
        if (m_journal.open(m_settings.journalFile))
            m_journal.attach(m_recorder.control());
        else
            m_err << m_journal.errorString() << u'\n';
        QObject::connect(&m_journal, &journal::JournalWriter::flushed,
            [this] { print(std::exchange(m_held, {})); });
        const auto say = [this](const QString &text) { this->say(text); };
        QObject::connect(&m_journal, &journal::JournalWriter::problem, say);
        QObject::connect(&m_journal, &journal::JournalWriter::recovered, say);
    }

    // The journal first, always; the forwarder sends what it committed.
    void startForwarder()
    {
        if (m_settings.forward.source.isEmpty())
            return;
        if (!m_journal.isOpen()) {
            m_err << QLatin1String("forward: without a journal nothing is forwarded.\n");
            return;
        }
        m_forwarder = std::make_unique<plant::PlantForwarder>(m_settings.forward);
        plant::PlantForwarder *forwarder = m_forwarder.get();
        const auto say = [this](const QString &text) { this->say(text); };
        QObject::connect(forwarder, &plant::PlantForwarder::problem, say);
        QObject::connect(forwarder, &plant::PlantForwarder::mended, say);
        QObject::connect(forwarder, &plant::PlantForwarder::refused,
            [this](const QString &text, bool claimedBefore) {
                this->say(text);
                // The second recorder of a source gives way; the first keeps trying.
                if (!claimedBefore) {
                    m_gaveWay = true;
                    finish(1);
                }
            });
        QObject::connect(
            &m_journal, &journal::JournalWriter::flushed, forwarder, [forwarder](bool ok) {
                if (ok)
                    forwarder->rowsCommitted();
            });
        forwarder->start();
    }

    void connectRecorder()
    {
        QObject::connect(&m_recorder, &HeadlessRecorder::outputLine, [this](const QString &line) {
            if (m_journal.isOpen())
                m_held << line;
            else
                print({ line });
        });
        QObject::connect(&m_recorder, &HeadlessRecorder::message,
            [this](const QString &text) { say(QString(text).replace(u'\r', u'\n')); });
        QObject::connect(&m_recorder.host(), &host::PcdHost::exported,
            [this](const QString &path) { say(path); });
        QObject::connect(&m_recorder, &HeadlessRecorder::finished,
            [this](bool fatal) { finish(fatal ? 1 : 0); });
        // Without a window nobody answers a refused header or a missing description.
        QObject::connect(&m_recorder.control(), &viewer::ControlCore::ModulError,
            [this](qint16, const QString &) { finish(1); });
    }

    // A number of records, a time, or Ctrl+C.
    void armEnds()
    {
        if (m_settings.records > 0) {
            QObject::connect(&m_recorder, &HeadlessRecorder::recordRow, [this](qint64 rows) {
                if (rows >= m_settings.records)
                    finish(0);
            });
        }
        m_deadline.setSingleShot(true);
        QObject::connect(&m_deadline, &QTimer::timeout, [this] { finish(0); });
        if (m_settings.seconds > 0)
            m_deadline.start(int(qMin(m_settings.seconds * 1000.0, 2147483647.0)));
        QObject::connect(&m_watch, &QTimer::timeout, [this] {
            if (interrupted)
                finish(0);
        });
        m_watch.start(100);
    }

    // Runs until an end comes; false when the recording could not start.
    bool record()
    {
        const auto previous = std::signal(SIGINT, onInterrupt);
        const auto previousTerm = std::signal(SIGTERM, onInterrupt);
        const bool started = m_recorder.start();
        if (started && !m_ended)
            QCoreApplication::exec();
        std::signal(SIGINT, previous);
        std::signal(SIGTERM, previousTerm);
        return started;
    }

    int wrapUp()
    {
        m_recorder.stop();
        const QString &exportFile = m_settings.exportFile;
        if (!exportFile.isEmpty() && m_recorder.control().rows().dataRowCount() > 0
            && m_recorder.exportNow(exportFile).isEmpty()) {
            m_err << QLatin1String("Export failed: ") << m_recorder.control().exportFile() << u'\n';
            m_code = 1;
        }
        m_journal.close();
        print(m_held);
        // A recorder that gave way has nothing to send: the source is another's.
        if (m_forwarder && !(m_gaveWay ? m_forwarder->stop(2000) : finishForwarding())) {
            // Stuck in a call to the server: the process ends without waiting for it.
            m_out.flush();
            m_err.flush();
            std::fflush(nullptr);
            std::_Exit(m_code);
        }
        if (!m_settings.plot.file.isEmpty()
            && !writePlot(m_recorder.control(), m_settings.plot, m_err))
            m_code = 1;
        return m_code;
    }

    // At a normal end what remains goes, waited for at most --forward-wait seconds; false when
    // the forwarder's thread is stuck and must be left behind.
    bool finishForwarding()
    {
        const plant::ForwardWorker::Settings &forward = m_settings.forward;
        qint64 left = -1;
        if (!m_forwarder->finish(int(m_settings.forwardWait * 1000), &left)) {
            m_err << QLatin1String("forward: ")
                  << (left > 0 ? QString::number(left) + QStringLiteral(" rows")
                               : QStringLiteral("rows"))
                  << QLatin1String(
                         " of the journal are not on the server yet; tolvane-cli journal ")
                  << forward.journal << QLatin1String(" forward ") << forward.uri.text()
                  << QLatin1String(" --source ") << forward.source
                  << QLatin1String(" sends them.\n");
            m_err.flush();
        }
        return m_forwarder->stop(2000);
    }

    void finish(int exitCode)
    {
        if (m_ended)
            return;
        m_ended = true;
        m_code = exitCode;
        QCoreApplication::exit(exitCode);
    }

    void print(const QStringList &lines)
    {
        for (const QString &line : lines)
            m_out << line << u'\n';
        m_out.flush();
    }

    void say(const QString &text)
    {
        m_err << text << u'\n';
        m_err.flush();
    }

    const RecordSettings &m_settings;
    QTextStream &m_out;
    QTextStream &m_err;
    common::ConsolePrompter m_prompter;
    HeadlessRecorder m_recorder;
    journal::JournalWriter m_journal;
    std::unique_ptr<plant::PlantForwarder> m_forwarder;
    QStringList m_held; // rows printed once the journal has them
    QTimer m_deadline;
    QTimer m_watch;
    bool m_gaveWay = false;
    bool m_ended = false;
    int m_code = 0;
};

// Records a trace project live from its PCD without a window.
class RecordCommand : public CliCommand
{
public:
    [[nodiscard]] QString name() const override { return QStringLiteral("record"); }
    [[nodiscard]] QString summary() const override
    {
        return QStringLiteral("record a trace project live from its PCD and print every row "
                              "(ends after N records, S seconds or Ctrl+C; --stamps d,t,s)");
    }
    [[nodiscard]] QString arguments() const override
    {
        return QStringLiteral("PROJECT.tlvr [--connect CONN] [--records N] [--seconds S] "
                              "[--export FILE] [--index-file N] [--stamps LIST] "
                              "[--resources DIRS] [--journal FILE] "
                              "[--plot FILE [--plot-lanes] [--plot-hide LIST]] "
                              "[--forward URI --source NAME [--forward-wait S]]");
    }

    int run(const QStringList &args, QTextStream &out, QTextStream &err) override
    {
        RecordSettings settings;
        QString why;
        if (!parse(args, &settings, &why)) {
            if (!why.isEmpty())
                err << QLatin1String("tolvane-cli record: ") << why << u'\n';
            return usageError(err);
        }
        settings.options.programFolder = QCoreApplication::applicationDirPath();
        RecordSession session(settings, out, err);
        return session.run();
    }

private:
    // False with why, or with nothing when only the synopsis helps.
    static bool parse(const QStringList &args, RecordSettings *s, QString *why)
    {
        CommandOptions given(
            QStringList { QStringLiteral("connect"), QStringLiteral("records"),
                QStringLiteral("seconds"), QStringLiteral("export"), QStringLiteral("index-file"),
                QStringLiteral("stamps"), QStringLiteral("journal"), QStringLiteral("forward"),
                QStringLiteral("source"), QStringLiteral("forward-wait"),
                QStringLiteral("resources") }
                + plotValueOptions(),
            plotSwitches());
        if (!given.parse(args) || given.arguments().size() != 1)
            return false;
        s->options.project = given.arguments().first();
        if (!parseRecording(given, s, why))
            return false;
        s->plot = plotRequest(given);
        if (*why = plotArgumentsError(s->plot); !why->isEmpty())
            return false;
        s->journalFile = given.value(QStringLiteral("journal"));
        const QString uri = given.value(QStringLiteral("forward"));
        const QString source = given.value(QStringLiteral("source"));
        if (given.isSet(QStringLiteral("forward-wait"))) {
            bool ok = false;
            s->forwardWait = given.value(QStringLiteral("forward-wait")).toDouble(&ok);
            if (!ok || s->forwardWait < 0 || s->forwardWait > 3600) {
                *why = QStringLiteral("--forward-wait wants seconds from 0 to 3600");
                return false;
            }
        }
        return (uri.isEmpty() && source.isEmpty())
            || forwardSettings(uri, source, s->journalFile, &s->forward, why);
    }

    // What is recorded, from where, and when it ends.
    static bool parseRecording(const CommandOptions &given, RecordSettings *s, QString *why)
    {
        HeadlessRecorder::Options &options = s->options;
        for (const QString &text : given.values(QStringLiteral("connect"))) {
            comm::SbusSettings sbus;
            if (!comm::parseConnectionString(text, sbus, why))
                return false;
            options.connect = sbus;
        }
        bool ok = true;
        if (given.isSet(QStringLiteral("records"))) {
            s->records = given.value(QStringLiteral("records")).toLongLong(&ok);
            if (!ok || s->records < 1)
                return fail(why, QStringLiteral("--records wants a number of 1 or more"));
        }
        if (given.isSet(QStringLiteral("seconds"))) {
            s->seconds = given.value(QStringLiteral("seconds")).toDouble(&ok);
            if (!ok || s->seconds <= 0)
                return fail(why, QStringLiteral("--seconds wants a positive number"));
        }
        s->exportFile = given.value(QStringLiteral("export"));
        // Refused before the recording, not after it.
        if (const QString bad = viewer::ExportNaming::unwritableReason(s->exportFile);
            given.isSet(QStringLiteral("export")) && !bad.isEmpty())
            return fail(why, QString(bad).replace(u'\r', u'\n'));
        if (given.isSet(QStringLiteral("index-file"))) {
            const int mode = given.value(QStringLiteral("index-file")).toInt(&ok);
            if (!ok || mode < 0 || mode > 2)
                return fail(why, QStringLiteral("--index-file wants 0, 1 or 2"));
            options.indexFile = qint16(mode);
        }
        for (const QString &list : given.values(QStringLiteral("stamps"))) {
            bool date = false, time = false, status = false;
            if (!readStamps(list, &date, &time, &status))
                return fail(why, QStringLiteral("--stamps takes the letters d, t and s"));
            options.dateColumn = date;
            options.timeColumn = time;
            options.statusColumn = status;
        }
        for (const QString &folders : given.values(QStringLiteral("resources")))
            options.resources += folders.split(u',', Qt::SkipEmptyParts);
        return true;
    }

    static bool fail(QString *why, const QString &text)
    {
        *why = text;
        return false;
    }

    static bool forwardSettings(const QString &uri, const QString &source, const QString &journal,
        plant::ForwardWorker::Settings *settings, QString *why)
    {
        if (uri.isEmpty() || source.isEmpty()) {
            *why = QStringLiteral("--forward and --source go together");
            return false;
        }
        if (journal.isEmpty()) {
            *why = QStringLiteral("--forward sends the rows of the journal: give --journal FILE");
            return false;
        }
        if (!plant::sourceNameOk(source, why))
            return false;
        if (!settings->uri.parse(uri)) {
            *why = settings->uri.error();
            return false;
        }
        settings->journal = journal;
        settings->source = source;
        settings->application = QStringLiteral("tolvane-cli record ") + source
            + QStringLiteral(" (pid ") + QString::number(::getpid()) + u')';
        return true;
    }
};

} // namespace

TOLVANE_CLI_COMMAND(RecordCommand)

} // namespace tlv::app
