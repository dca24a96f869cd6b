#include "app/cli/CliCommands.h"
#include "common/ConsolePrompter.h"
#include "journal/JournalReader.h"
#include "journal/JournalSource.h"
#include "viewer/files/ExportNaming.h"
#include "viewer/files/Exporter.h"

#include <QFileInfo>

namespace tlv::app {

namespace {

// Tells what a recording journal holds and exports its rows.
class JournalCommand : public CliCommand
{
public:
    [[nodiscard]] QString name() const override { return QStringLiteral("journal"); }
    [[nodiscard]] QString summary() const override
    {
        return QStringLiteral("what a recording journal holds (info), or its rows N to M as "
                              ".xls, .csv or .xlsx by the extension of OUT (export)");
    }
    [[nodiscard]] QString arguments() const override
    {
        return QStringLiteral("FILE info | FILE export OUT [--from N] [--to N]");
    }

    int run(const QStringList &args, QTextStream &out, QTextStream &err) override
    {
        if (args.size() < 2)
            return usageError(err);
        journal::JournalReader reader;
        if (args[1] == QLatin1String("info") && args.size() == 2)
            return open(reader, args[0], err) ? info(reader, out, err) : 1;
        if (args[1] != QLatin1String("export") || args.size() < 3)
            return usageError(err);
        if (const QString why = viewer::ExportNaming::unwritableReason(args[2]); !why.isEmpty()) {
            err << QString(why).replace(u'\r', u'\n') << u'\n';
            return usageError(err);
        }
        qint64 from = 1;
        qint64 to = -1;
        for (int i = 3; i < args.size(); ++i) {
            bool ok = false;
            const bool hasValue = i + 1 < args.size();
            if (args[i] == QLatin1String("--from") && hasValue)
                from = args[++i].toLongLong(&ok);
            else if (args[i] == QLatin1String("--to") && hasValue)
                to = args[++i].toLongLong(&ok);
            if (!ok || (args[i - 1] == QLatin1String("--from") && from < 1)
                || (args[i - 1] == QLatin1String("--to") && to < 1)) {
                err << QLatin1String("tolvane-cli journal: --from and --to want row numbers of 1 "
                                     "or more\n");
                return usageError(err);
            }
        }
        return open(reader, args[0], err) ? exportRows(reader, args[2], from, to, out, err) : 1;
    }

private:
    static bool open(journal::JournalReader &reader, const QString &file, QTextStream &err)
    {
        if (reader.open(file))
            return true;
        err << reader.errorString() << u'\n';
        return false;
    }

    static int info(journal::JournalReader &reader, QTextStream &out, QTextStream &err)
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
            << "Last PC time: " << i.lastTime << u'\n' << "Not exported: " << i.notExported << u'\n'
            << "Closed: " << (i.closedClean ? "yes" : "no (the recording ended without closing it)")
            << u'\n' << "Schema: version " << i.version << (i.readOnly ? " (read-only)" : "")
            << u'\n';
        if (i.buffers > 1)
            out << "Buffers: " << i.buffers << " (the columns above are the newest)\n";
        return 0;
    }

    static int exportRows(journal::JournalReader &reader, const QString &target, qint64 from,
        qint64 to, QTextStream &out, QTextStream &err)
    {
        QList<journal::JournalRow> rows;
        if (!reader.rows(from, to < 0 ? std::numeric_limits<qint64>::max() : to, &rows)) {
            err << reader.errorString() << u'\n';
            return 1;
        }
        if (rows.isEmpty()) {
            err << "The journal holds no rows from " << from;
            if (to >= 0)
                err << " to " << to;
            err << u'\n';
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
        viewer::Exporter exporter(source, &prompter);
        exporter.setExportFile(QFileInfo(target).absoluteFilePath());
        // Everything a journal row holds: its stamps and status too.
        exporter.setStampColumns(true, true, true);
        const viewer::Exporter::Result result = exporter.Export();
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
};

} // namespace

TOLVANE_CLI_COMMAND(JournalCommand)

} // namespace tlv::app
