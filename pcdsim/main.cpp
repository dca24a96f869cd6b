// tolvane-pcdsim: a simulated PCD answering S-Bus over UDP and on a pseudo terminal.
#include "pcdsim/PcdSetup.h"
#include "pcdsim/SbusServer.h"
#include "pcdsim/SimulatedPcd.h"
#include "pcdsim/trace/TraceSetup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

using namespace tlv::pcdsim;

namespace {

bool parseShare(
    const QCommandLineParser &parser, const QString &name, double *share, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || value < 0.0 || value > 1.0) {
        *error = u"--" + name + u" needs a share from 0 to 1";
        return false;
    }
    *share = value;
    return true;
}

bool parseEndpoint(const QString &text, QHostAddress *address, quint16 *port)
{
    const qsizetype colon = text.lastIndexOf(u':');
    const QString host = colon < 0 ? text : text.left(colon);
    bool ok = true;
    const uint number = colon < 0 ? 5050u : text.mid(colon + 1).toUInt(&ok);
    if (!ok || number > 65535)
        return false;
    *address = host.isEmpty() || host == u"localhost" ? QHostAddress(QHostAddress::LocalHost)
                                                      : QHostAddress(host);
    *port = quint16(number);
    return !address->isNull();
}

void addOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        { QStringLiteral("config"), QStringLiteral("Set-up file (see docs/pcdsim.md)."),
            QStringLiteral("file") },
        { QStringLiteral("set"),
            QStringLiteral("One set-up line, e.g. \"R 100 = 5\" (repeatable)."),
            QStringLiteral("line") },
        { QStringLiteral("udp"), QStringLiteral("UDP address and port (port 0: any free one)."),
            QStringLiteral("host:port"), QStringLiteral("127.0.0.1:5050") },
        { QStringLiteral("no-udp"), QStringLiteral("Do not serve UDP.") },
        { QStringLiteral("pty"),
            QStringLiteral("Also serve serial data mode on a pseudo terminal.") },
        { QStringLiteral("station"), QStringLiteral("S-Bus station number."), QStringLiteral("n") },
        { QStringLiteral("status"), QStringLiteral("CPU status letter (R, S, H, C, D)."),
            QStringLiteral("c") },
        { QStringLiteral("seed"), QStringLiteral("Seed of the fault injection."),
            QStringLiteral("n") },
        { QStringLiteral("drop"), QStringLiteral("Share of answers dropped."),
            QStringLiteral("p") },
        { QStringLiteral("duplicate"), QStringLiteral("Share of answers sent twice."),
            QStringLiteral("p") },
        { QStringLiteral("corrupt"), QStringLiteral("Share of answers with one byte changed."),
            QStringLiteral("p") },
        { QStringLiteral("delay"), QStringLiteral("Share of answers delayed."),
            QStringLiteral("p") },
        { QStringLiteral("delay-ms"), QStringLiteral("Delay of a delayed answer (default 500)."),
            QStringLiteral("ms") },
        { QStringLiteral("cycle-ms"), QStringLiteral("CPU cycle of running programs (default 10)."),
            QStringLiteral("ms") },
        { QStringLiteral("trace"),
            QStringLiteral("Run the trace buffer of a generated source (.tlvs); repeatable."),
            QStringLiteral("file") },
        { QStringLiteral("log"),
            QStringLiteral("Write every trace record and event to this file (- for stdout)."),
            QStringLiteral("file") },
    });
}

// The set-up file: its memory lines go first, so the trace buffers see the values it gives.
bool applyConfig(
    const QCommandLineParser &parser, SimulatedPcd &pcd, TraceSetup &traces, QString *error)
{
    if (!parser.isSet(QStringLiteral("config")))
        return true;
    const QString config = parser.value(QStringLiteral("config"));
    QFile file(config);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = config + QStringLiteral(": ") + file.errorString();
        return false;
    }
    const QStringList all = QString::fromUtf8(file.readAll()).split(u'\n');
    QStringList memory, traceLines;
    for (const QString &line : all)
        (TraceSetup::handles(line) ? traceLines : memory).append(line);
    return PcdSetup::applyLines(memory, &pcd, error, config)
        && traces.applyLines(
            traceLines, pcd, QFileInfo(config).absolutePath(), &memory, error, config);
}

// --set, --trace, --station and --status, after the set-up file.
bool applyCommandLine(
    const QCommandLineParser &parser, SimulatedPcd &pcd, TraceSetup &traces, QString *error)
{
    QStringList lines = parser.values(QStringLiteral("set"));
    for (const QString &file : parser.values(QStringLiteral("trace")))
        lines.append(u"trace " + file);
    if (parser.isSet(QStringLiteral("station")))
        lines.append(u"station " + parser.value(QStringLiteral("station")));
    if (parser.isSet(QStringLiteral("status")))
        lines.append(u"status " + parser.value(QStringLiteral("status")));
    QStringList memoryLines, commandTraces;
    for (const QString &line : std::as_const(lines))
        (TraceSetup::handles(line) ? commandTraces : memoryLines).append(line);
    return PcdSetup::applyLines(memoryLines, &pcd, error, QStringLiteral("command line"))
        && traces.applyLines(
            commandTraces, pcd, QString(), &memoryLines, error, QStringLiteral("command line"));
}

// --log: every trace record and event to a file or stdout.
bool openLog(const QCommandLineParser &parser, std::unique_ptr<QFile> &logFile, QTextStream &log,
    TraceSetup &traces, QString *error)
{
    if (!parser.isSet(QStringLiteral("log")))
        return true;
    const QString name = parser.value(QStringLiteral("log"));
    logFile = std::make_unique<QFile>();
    const bool opened = name == u"-"
        ? logFile->open(stdout, QIODevice::WriteOnly)
        : (logFile->setFileName(name), logFile->open(QIODevice::WriteOnly | QIODevice::Truncate));
    if (!opened) {
        *error = name + QStringLiteral(": ") + logFile->errorString();
        return false;
    }
    log.setDevice(logFile.get());
    traces.setRecordLog([&log](qint64 counter, int slot, const QList<qint32> &record) {
        log << "record " << counter << ' ' << slot;
        for (const qint32 word : record)
            log << ' ' << word;
        log << Qt::endl;
    });
    traces.setEventLog([&log](const QString &event) { log << event << Qt::endl; });
    return true;
}

bool readFaults(const QCommandLineParser &parser, FaultPlan &faults, QString *error)
{
    if (parser.isSet(QStringLiteral("seed")))
        faults.seed = parser.value(QStringLiteral("seed")).toUInt();
    if (!parseShare(parser, QStringLiteral("drop"), &faults.drop, error)
        || !parseShare(parser, QStringLiteral("duplicate"), &faults.duplicate, error)
        || !parseShare(parser, QStringLiteral("corrupt"), &faults.corrupt, error)
        || !parseShare(parser, QStringLiteral("delay"), &faults.delay, error))
        return false;
    if (parser.isSet(QStringLiteral("delay-ms")))
        faults.delayMs = parser.value(QStringLiteral("delay-ms")).toInt();
    return true;
}

// UDP and the pseudo terminal, each announced on out when it listens.
bool serve(const QCommandLineParser &parser, SbusServer &server, QTextStream &out, QString *error)
{
    if (!parser.isSet(QStringLiteral("no-udp"))) {
        QHostAddress address;
        quint16 port = 0;
        if (!parseEndpoint(parser.value(QStringLiteral("udp")), &address, &port)) {
            *error = u"Bad --udp " + parser.value(QStringLiteral("udp"));
            return false;
        }
        if (!server.listenUdp(address, port, error))
            return false;
        out << "udp " << server.udpAddress().toString() << ':' << server.udpPort() << Qt::endl;
    }
    if (parser.isSet(QStringLiteral("pty"))) {
        if (!server.openPseudoTerminal(error))
            return false;
        out << "pty " << server.slavePath() << Qt::endl;
    }
    if (parser.isSet(QStringLiteral("no-udp")) && !parser.isSet(QStringLiteral("pty"))) {
        *error = QStringLiteral("Nothing to serve: --no-udp without --pty");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tolvane-pcdsim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION_TEXT));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated Saia PCD answering S-Bus over UDP (Ether-S-Bus) and on a pseudo terminal "
        "(serial data mode). Prints \"udp ADDRESS:PORT\" and \"pty PATH\" when ready."));
    parser.addHelpOption();
    parser.addVersionOption();
    addOptions(parser);
    parser.process(app);

    SimulatedPcd pcd;
    QString error;
    const auto fail = [&err](const QString &text) {
        err << "tolvane-pcdsim: " << text << Qt::endl;
        return 2;
    };
    auto traces = std::make_shared<TraceSetup>();
    std::unique_ptr<QFile> logFile;
    QTextStream log;
    FaultPlan faults;
    if (!applyConfig(parser, pcd, *traces, &error)
        || !applyCommandLine(parser, pcd, *traces, &error)
        || !openLog(parser, logFile, log, *traces, &error) || !readFaults(parser, faults, &error))
        return fail(error);
    traces->install(pcd, traces);

    SbusServer server(&pcd);
    server.setFaultPlan(faults);
    // Going silent drops every answer for a while, as a PCD whose line was pulled.
    traces->setSilence([&server, faults](int ms) {
        FaultPlan silent = faults;
        silent.drop = 1.0;
        server.setFaultPlan(silent);
        QTimer::singleShot(ms, &server, [&server, faults] { server.setFaultPlan(faults); });
    });
    if (!serve(parser, server, out, &error))
        return fail(error);
    pcd.startCycling(parser.isSet(QStringLiteral("cycle-ms"))
            ? parser.value(QStringLiteral("cycle-ms")).toInt()
            : 10);
    return app.exec();
}
