#include "app/cli/CliCommands.h"
#include "app/cli/CommandOptions.h"
#include "app/cli/TimeOption.h"
#include "app/core/JournalRows.h"
#include "common/ConsolePrompter.h"
#include "common/PromptMessage.h"
#include "journal/JournalSource.h"
#include "journal/plant/PlantForwarder.h"
#include "journal/plant/SourceName.h"
#include "viewer/files/ExportNaming.h"
#include "viewer/files/Exporter.h"

#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace tlv::app {

namespace {

bool isUri(const QString &text)
{
    return text.startsWith(QLatin1String("postgresql://"))
        || text.startsWith(QLatin1String("postgres://"));
}

// Tells what a recording journal or a source of the plant database holds, exports its
// rows, and forwards a journal's rows the server does not hold yet.
class JournalCommand : public CliCommand
{
public:
    [[nodiscard]] QString name() const override { return QStringLiteral("journal"); }
    [[nodiscard]] QString summary() const override
    {
        return QStringLiteral(
            "what a recording journal (FILE, or URI --source NAME of a plant database) holds "
            "(info), its rows as .xls, .csv or .xlsx by the extension of OUT (export), or the "
            "journal's rows the plant database lacks sent to it (forward)");
    }
    [[nodiscard]] QString arguments() const override
    {
        return QStringLiteral("FILE|URI --source NAME info | FILE|URI --source NAME export OUT "
                              "[--from N] [--to N] [--from-time TIME] [--to-time TIME] | "
                              "FILE forward URI --source NAME [--forward-wait S]");
    }

    int run(const QStringList &args, QTextStream &out, QTextStream &err) override
    {
        if (args.size() < 2)
            return usageError(err);
        QString source;
        QStringList rest = args.mid(1);
        if (isUri(args[0])) {
            if (rest.size() < 3 || rest[0] != QLatin1String("--source"))
                return usageError(err);
            source = rest[1];
            rest = rest.mid(2);
        }
        if (rest.first() == QLatin1String("forward") && source.isEmpty())
            return forward(args[0], rest.mid(1), out, err);
        JournalRowsReader reader;
        if (rest.first() == QLatin1String("info") && rest.size() == 1) {
            if (!open(reader, args[0], source, err))
                return 1;
            return info(reader, out, err);
        }
        if (rest.first() != QLatin1String("export") || rest.size() < 2)
            return usageError(err);
        if (const QString why = viewer::ExportNaming::unwritableReason(rest[1]); !why.isEmpty()) {
            err << QString(why).replace(u'\r', u'\n') << u'\n';
            return usageError(err);
        }
        RowRange range;
        QString why;
        if (!parseRange(rest.mid(2), &range, &why)) {
            err << QLatin1String("tolvane-cli journal: ") << why << u'\n';
            return usageError(err);
        }
        if (!open(reader, args[0], source, err))
            return 1;
        return exportRows(reader, rest[1], range, out, err);
    }

private:
    static bool parseRange(const QStringList &args, RowRange *range, QString *why)
    {
        CommandOptions given({ QStringLiteral("from"), QStringLiteral("to"),
            QStringLiteral("from-time"), QStringLiteral("to-time") });
        if (!given.parse(args) || !given.arguments().isEmpty()) {
            *why = rangeMistake(args);
            return false;
        }
        for (const QString &name : { QStringLiteral("from"), QStringLiteral("to") }) {
            if (!given.isSet(name))
                continue;
            bool ok = false;
            const qint64 n = given.value(name).toLongLong(&ok);
            if (!ok || n < 1) {
                *why = QStringLiteral("--from and --to want row numbers of 1 or more");
                return false;
            }
            (name == u"from" ? range->from : range->to) = n;
        }
        for (const QString &name : { QStringLiteral("from-time"), QStringLiteral("to-time") }) {
            QDateTime t;
            if (!given.isSet(name))
                continue;
            if (!parseTimeOption(given.value(name), &t, why))
                return false;
            (name == u"from-time" ? range->fromMs : range->toMs) = t.toMSecsSinceEpoch();
        }
        return true;
    }

    // Why the parser refused the range, in the words the command always used.
    static QString rangeMistake(const QStringList &args)
    {
        static const QStringList known { QStringLiteral("--from"), QStringLiteral("--to"),
            QStringLiteral("--from-time"), QStringLiteral("--to-time") };
        for (qsizetype i = 0; i < args.size(); i += 2) {
            const QString name = args[i].section(u'=', 0, 0);
            if (!args[i].contains(u'=') && i + 1 >= args.size())
                return QStringLiteral("\"") + args[i] + QStringLiteral("\" wants a value");
            if (!known.contains(name))
                return QStringLiteral("unknown option \"") + name + u'"';
            if (args[i].contains(u'='))
                --i;
        }
        return QStringLiteral("unknown option \"") + args.value(0) + u'"';
    }

    static bool open(
        JournalRowsReader &reader, const QString &where, const QString &source, QTextStream &err)
    {
        if (reader.open(where, source))
            return true;
        err << reader.errorString() << u'\n';
        return false;
    }

    static int info(JournalRowsReader &reader, QTextStream &out, QTextStream &err)
    {
        journal::JournalInfo i;
        if (!reader.info(&i)) {
            err << reader.errorString() << u'\n';
            return 1;
        }
        QStringList titles;
        for (const journal::JournalColumn &c : i.buffer.columns)
            titles << c.title;
        out << "Buffer: " << i.buffer.title << u'\n' << "Header key: " << i.buffer.headerKey
            << " version " << i.buffer.headerVersion << u'\n'
            << "Columns: " << i.buffer.columns.size() << " (" << titles.join(QLatin1String(", "))
            << ")\n"
            << "Rows: " << i.rows << " (" << i.firstId << " to " << i.lastId << ")\n"
            << "Records: " << i.records << u'\n' << "Status rows: " << i.statusRows << u'\n'
            << "Miss: " << i.misses << " (" << i.missedRecords << " records lost)\n"
            << "Restart: " << i.restarts << u'\n' << "First PC time: " << i.firstTime << u'\n'
            << "Last PC time: " << i.lastTime << u'\n';
        // A plant database keeps neither export marks nor how a recorder ended.
        if (!reader.isServer()) {
            out << "Not exported: " << i.notExported << u'\n' << "Closed: "
                << (i.closedClean ? "yes" : "no (the recording ended without closing it)") << u'\n'
                << "Schema: version " << i.version << (i.readOnly ? " (read-only)" : "") << u'\n';
        }
        if (i.buffers > 1)
            out << "Buffers: " << i.buffers << " (the columns above are the newest)\n";
        return 0;
    }

    static int exportRows(JournalRowsReader &reader, const QString &target, const RowRange &range,
        QTextStream &out, QTextStream &err)
    {
        QList<journal::JournalRow> rows;
        if (!reader.rows(range, &rows)) {
            err << reader.errorString() << u'\n';
            return 1;
        }
        if (rows.isEmpty()) {
            err << "The journal holds no rows " << range.describe() << u'\n';
            return 1;
        }
        journal::JournalBuffer buffer;
        if (!reader.buffer(rows.first().bufferId, &buffer)) {
            err << reader.errorString() << u'\n';
            return 1;
        }
        if (rows.last().bufferId != buffer.id)
            err << "These rows come from more than one buffer: the columns are those of the "
                   "first row's buffer.\n";

        journal::JournalSource source(buffer, rows);
        common::ConsolePrompter prompter(&err);
        viewer::Exporter exporter(source);
        exporter.setExportFile(QFileInfo(target).absoluteFilePath());
        // Everything a journal row holds: its stamps and status too.
        exporter.setStampColumns(true, true, true);
        const viewer::Exporter::Result result = exporter.Export();
        common::tell(prompter, exporter.takeMessages());
        if (result != viewer::Exporter::Result::Exported) {
            err << "Export failed: " << exporter.lastTarget();
            if (!exporter.lastError().isEmpty())
                err << ": " << exporter.lastError();
            err << u'\n';
            return 1;
        }
        out << exporter.lastRowCount() << " rows (" << rows.first().id << " to "
            << rows[exporter.lastRowCount() - 1].id << ") written to " << exporter.lastTarget()
            << u'\n';
        return 0;
    }

    // FILE forward URI --source NAME [--forward-wait S]: what the server lacks, in batches.
    int forward(const QString &file, const QStringList &args, QTextStream &out, QTextStream &err)
    {
        plant::ForwardWorker::Settings settings;
        double wait = 60;
        if (const int code = parseForward(file, args, &settings, &wait, err); code >= 0)
            return code;
        return sendRows(settings, wait, out, err);
    }

    // The forwarder's settings; an exit code when the call cannot go on, else -1.
    int parseForward(const QString &file, const QStringList &args,
        plant::ForwardWorker::Settings *settings, double *waitSeconds, QTextStream &err) const
    {
        double &wait = *waitSeconds;
        QString why;
        CommandOptions given({ QStringLiteral("source"), QStringLiteral("forward-wait") });
        if (!given.parse(args) || given.arguments().size() != 1)
            return usageError(err);
        settings->source = given.value(QStringLiteral("source"));
        bool ok = true;
        if (given.isSet(QStringLiteral("forward-wait")))
            wait = given.value(QStringLiteral("forward-wait")).toDouble(&ok);
        if (!ok || wait < 0 || wait > 86400) {
            err << "tolvane-cli journal: --forward-wait wants seconds from 0 to 86400\n";
            return usageError(err);
        }
        if (settings->source.isEmpty())
            return usageError(err);
        if (!plant::sourceNameOk(settings->source, &why)) {
            err << QLatin1String("tolvane-cli journal: ") << why << u'\n';
            return usageError(err);
        }
        if (!settings->uri.parse(given.arguments().first())) {
            err << settings->uri.error() << u'\n';
            return 2;
        }
        if (!QFileInfo(file).isFile()) {
            err << "The journal " << file << " does not exist.\n";
            return 1;
        }
        settings->journal = file;
        settings->application = QStringLiteral("tolvane-cli journal forward ") + settings->source;
        return -1;
    }

    // What the server lacks, in batches, waited for at most wait seconds.
    static int sendRows(const plant::ForwardWorker::Settings &settings, double wait,
        QTextStream &out, QTextStream &err)
    {
        plant::PlantForwarder forwarder(settings);
        QString problem;
        QObject::connect(&forwarder, &plant::PlantForwarder::problem,
            [&problem](const QString &text) { problem = text; });
        QObject::connect(&forwarder, &plant::PlantForwarder::refused,
            [&problem](const QString &text, bool) { problem = text; });
        forwarder.start();
        qint64 left = -1;
        const bool complete = forwarder.finish(int(wait * 1000), &left, true);
        if (!forwarder.stop(2000)) {
            err << problem << u'\n';
            err.flush();
            std::fflush(nullptr);
            std::_Exit(1);
        }
        if (!complete) {
            if (!problem.isEmpty())
                err << problem << u'\n';
            err << "forward: " << (left > 0 ? QString::number(left) : QStringLiteral("some"))
                << " rows are not on the server yet.\n";
            return 1;
        }
        out << "The server holds the rows of \"" << settings.source << "\" up to row "
            << forwarder.held() << ".\n";
        return 0;
    }
};

} // namespace

TOLVANE_CLI_COMMAND(JournalCommand)

} // namespace tlv::app
