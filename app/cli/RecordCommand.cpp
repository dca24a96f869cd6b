#include "app/cli/CliCommands.h"
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
        HeadlessRecorder::Options options;
        qint64 records = -1;
        double seconds = -1;
        QString exportFile;
        PlotRequest plot;
        QString journalFile;
        QString forwardUri, source;
        double forwardWait = 10;
        const auto bad = [&](const QString &why) {
            err << QLatin1String("tolvane-cli record: ") << why << u'\n';
            return usageError(err);
        };
        for (int i = 0; i < args.size(); ++i) {
            if (takePlotArgument(args, i, plot))
                continue;
            const QString &arg = args[i];
            const bool hasValue = i + 1 < args.size();
            bool ok = true;
            if (arg == QLatin1String("--connect") && hasValue) {
                comm::SbusSettings sbus;
                QString why;
                if (!comm::parseConnectionString(args[++i], sbus, &why))
                    return bad(why);
                options.connect = sbus;
            } else if (arg == QLatin1String("--records") && hasValue) {
                records = args[++i].toLongLong(&ok);
                if (!ok || records < 1)
                    return bad(QStringLiteral("--records wants a number of 1 or more"));
            } else if (arg == QLatin1String("--seconds") && hasValue) {
                seconds = args[++i].toDouble(&ok);
                if (!ok || seconds <= 0)
                    return bad(QStringLiteral("--seconds wants a positive number"));
            } else if (arg == QLatin1String("--export") && hasValue) {
                exportFile = args[++i];
                // Refused before the recording, not after it.
                if (const QString why = viewer::ExportNaming::unwritableReason(exportFile);
                    !why.isEmpty())
                    return bad(QString(why).replace(u'\r', u'\n'));
            } else if (arg == QLatin1String("--index-file") && hasValue) {
                const int mode = args[++i].toInt(&ok);
                if (!ok || mode < 0 || mode > 2)
                    return bad(QStringLiteral("--index-file wants 0, 1 or 2"));
                options.indexFile = qint16(mode);
            } else if (arg == QLatin1String("--stamps") && hasValue) {
                options.dateColumn = options.timeColumn = options.statusColumn = false;
                for (const QChar c : args[++i]) {
                    if (c == u'd')
                        options.dateColumn = true;
                    else if (c == u't')
                        options.timeColumn = true;
                    else if (c == u's')
                        options.statusColumn = true;
                    else if (c != u',')
                        return bad(QStringLiteral("--stamps takes the letters d, t and s"));
                }
            } else if (arg == QLatin1String("--journal") && hasValue) {
                journalFile = args[++i];
            } else if (arg == QLatin1String("--forward") && hasValue) {
                forwardUri = args[++i];
            } else if (arg == QLatin1String("--source") && hasValue) {
                source = args[++i];
            } else if (arg == QLatin1String("--forward-wait") && hasValue) {
                forwardWait = args[++i].toDouble(&ok);
                if (!ok || forwardWait < 0 || forwardWait > 3600)
                    return bad(QStringLiteral("--forward-wait wants seconds from 0 to 3600"));
            } else if (arg == QLatin1String("--resources") && hasValue) {
                options.resources += args[++i].split(u',', Qt::SkipEmptyParts);
            } else if (!arg.startsWith(QLatin1String("--")) && options.project.isEmpty()) {
                options.project = arg;
            } else {
                return usageError(err);
            }
        }
        if (options.project.isEmpty())
            return usageError(err);
        if (const QString why = plotArgumentsError(plot); !why.isEmpty())
            return bad(why);
        plant::ForwardWorker::Settings forward;
        if (!forwardUri.isEmpty() || !source.isEmpty()) {
            QString why;
            if (!forwardSettings(forwardUri, source, journalFile, &forward, &why))
                return bad(why);
        }
        options.programFolder = QCoreApplication::applicationDirPath();

        common::ConsolePrompter prompter(&err);
        HeadlessRecorder recorder(prompter);
        QString error;
        if (!recorder.open(options, &error)) {
            err << error << u'\n';
            return 1;
        }
        int code = 0;
        bool ended = false;
        const auto finish = [&](int exitCode) {
            if (ended)
                return;
            ended = true;
            code = exitCode;
            QCoreApplication::exit(exitCode);
        };
        // With a journal a row is printed once it is on the disk, so what was printed
        // survives a kill.
        journal::JournalWriter journal;
        QStringList held;
        const auto print = [&out](const QStringList &lines) {
            for (const QString &line : lines)
                out << line << u'\n';
            out.flush();
        };
        if (!journalFile.isEmpty()) {
            if (journal.open(journalFile))
                journal.attach(recorder.control());
            else
                err << journal.errorString() << u'\n';
            QObject::connect(&journal, &journal::JournalWriter::flushed,
                [&] { print(std::exchange(held, {})); });
            const auto say = [&err](const QString &text) {
                err << text << u'\n';
                err.flush();
            };
            QObject::connect(&journal, &journal::JournalWriter::problem, say);
            QObject::connect(&journal, &journal::JournalWriter::recovered, say);
        }
        // The journal first, always; the forwarder sends what it committed.
        std::unique_ptr<plant::PlantForwarder> forwarder;
        bool gaveWay = false;
        if (!forward.source.isEmpty() && journal.isOpen()) {
            forwarder = std::make_unique<plant::PlantForwarder>(forward);
            const auto say = [&err](const QString &text) {
                err << text << u'\n';
                err.flush();
            };
            QObject::connect(forwarder.get(), &plant::PlantForwarder::problem, say);
            QObject::connect(forwarder.get(), &plant::PlantForwarder::mended, say);
            QObject::connect(forwarder.get(), &plant::PlantForwarder::refused,
                [&, say](const QString &text, bool claimedBefore) {
                    say(text);
                    // The second recorder of a source gives way; the first keeps trying.
                    if (!claimedBefore) {
                        gaveWay = true;
                        finish(1);
                    }
                });
            QObject::connect(
                &journal, &journal::JournalWriter::flushed, forwarder.get(), [&forwarder](bool ok) {
                    if (ok)
                        forwarder->rowsCommitted();
                });
            forwarder->start();
        } else if (!forward.source.isEmpty()) {
            err << QLatin1String("forward: without a journal nothing is forwarded.\n");
        }
        QObject::connect(&recorder, &HeadlessRecorder::outputLine, [&](const QString &line) {
            if (journal.isOpen())
                held << line;
            else
                print({ line });
        });
        QObject::connect(&recorder, &HeadlessRecorder::message, [&err](const QString &text) {
            err << QString(text).replace(u'\r', u'\n') << u'\n';
            err.flush();
        });
        QObject::connect(&recorder.host(), &host::PcdHost::exported, [&err](const QString &path) {
            err << path << u'\n';
            err.flush();
        });
        QObject::connect(
            &recorder, &HeadlessRecorder::finished, [&](bool fatal) { finish(fatal ? 1 : 0); });
        // Without a window nobody answers a refused header or a missing description.
        QObject::connect(&recorder.control(), &viewer::ControlCore::ModulError,
            [&](qint16, const QString &) { finish(1); });
        if (records > 0) {
            QObject::connect(&recorder, &HeadlessRecorder::recordRow, [&](qint64 rows) {
                if (rows >= records)
                    finish(0);
            });
        }
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, [&] { finish(0); });
        if (seconds > 0)
            deadline.start(int(qMin(seconds * 1000.0, 2147483647.0)));
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (interrupted)
                finish(0);
        });
        watch.start(100);
        const auto previous = std::signal(SIGINT, onInterrupt);
        const auto previousTerm = std::signal(SIGTERM, onInterrupt);

        if (!recorder.start()) {
            std::signal(SIGINT, previous);
            std::signal(SIGTERM, previousTerm);
            return 1;
        }
        if (!ended)
            QCoreApplication::exec();
        std::signal(SIGINT, previous);
        std::signal(SIGTERM, previousTerm);
        recorder.stop();
        if (!exportFile.isEmpty() && recorder.control().rows().dataRowCount() > 0
            && recorder.exportNow(exportFile).isEmpty()) {
            err << QLatin1String("Export failed: ") << recorder.control().exportFile() << u'\n';
            code = 1;
        }
        journal.close();
        print(held);
        // A recorder that gave way has nothing to send: the source is another's.
        if (forwarder
            && !(gaveWay ? forwarder->stop(2000)
                         : finishForwarding(*forwarder, forward, forwardWait, err))) {
            // Stuck in a call to the server: the process ends without waiting for it.
            out.flush();
            err.flush();
            std::fflush(nullptr);
            std::_Exit(code);
        }
        if (!plot.file.isEmpty() && !writePlot(recorder.control(), plot, err))
            code = 1;
        return code;
    }

private:
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

    // At a normal end what remains goes, waited for at most wait seconds; false when the
    // forwarder's thread is stuck and must be left behind.
    static bool finishForwarding(plant::PlantForwarder &forwarder,
        const plant::ForwardWorker::Settings &forward, double wait, QTextStream &err)
    {
        qint64 left = -1;
        if (!forwarder.finish(int(wait * 1000), &left)) {
            err << QLatin1String("forward: ")
                << (left > 0 ? QString::number(left) + QStringLiteral(" rows")
                             : QStringLiteral("rows"))
                << QLatin1String(" of the journal are not on the server yet; tolvane-cli journal ")
                << forward.journal << QLatin1String(" forward ") << forward.uri.text()
                << QLatin1String(" --source ") << forward.source << QLatin1String(" sends them.\n");
            err.flush();
        }
        return forwarder.stop(2000);
    }
};

} // namespace

TOLVANE_CLI_COMMAND(RecordCommand)

} // namespace tlv::app
