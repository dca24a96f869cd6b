#include "app/cli/CliCommands.h"
#include "app/cli/CommandOptions.h"
#include "app/cli/PlotOption.h"
#include "host/HeadlessSeams.h"

#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "common/ConsolePrompter.h"
#include "viewer/core/ControlCore.h"
#include "viewer/files/ExportNaming.h"
#include "viewer/files/FileBufferLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tlv::app {

namespace {

// What the command line asks of a simulation.
struct SimulateSettings
{
    QFileInfo project;
    qint64 ticks = -1; // real time when below 0
    bool date = false, time = false, status = false;
    QString exportFile;
    int indexFile = 0;
    int maxRows = 0;
    bool autoExport = false;
    PlotRequest plot;
};

// Runs the simulation of a trace project's user buffer without a window and
// prints every row the control hands out.
class SimulateCommand : public CliCommand
{
public:
    [[nodiscard]] QString name() const override { return QStringLiteral("simulate"); }
    [[nodiscard]] QString summary() const override
    {
        return QStringLiteral(
            "print the rows of the simulated user buffer of a trace project "
            "(--ticks N ends after N records; --stamps d,t,s adds date, time, "
            "PCD status; --export FILE (.xls, .xlsx or .csv) exports after the last tick, "
            "--auto-export whenever --max-rows rows are full; --plot FILE.png "
            "or .svg draws the chart of the project's last MaxGraph rows at the end, "
            "--plot-lanes with every line in a band of its own, --plot-hide LIST without "
            "the columns named)");
    }
    [[nodiscard]] QString arguments() const override
    {
        return QStringLiteral("PROJECT.tlvr [--ticks N] [--stamps d,t,s] [--export FILE] "
                              "[--index-file N] [--max-rows N] [--auto-export] "
                              "[--plot FILE [--plot-lanes] [--plot-hide LIST]]");
    }

    int run(const QStringList &args, QTextStream &out, QTextStream &err) override
    {
        SimulateSettings settings;
        QString why;
        if (!parse(args, &settings, &why)) {
            if (!why.isEmpty())
                err << QLatin1String("tolvane-cli simulate: ") << why << u'\n';
            return usageError(err);
        }
        common::ConsolePrompter prompter(&err);
        viewer::FileBufferLoader loader(
            common::PromptSeam::through(&prompter), QCoreApplication::applicationDirPath());
        viewer::ControlCore core(&prompter);
        host::HeadlessSeams seams(core, &prompter);
        bool failed = false;
        int exports = 0;
        print(core, out, err, failed);
        configure(core, loader, seams, settings, err, exports);
        return execute(core, settings, failed, exports, err);
    }

private:
    // False with why, or with nothing when only the synopsis helps.
    static bool parse(const QStringList &args, SimulateSettings *s, QString *why)
    {
        CommandOptions given(
            QStringList { QStringLiteral("ticks"), QStringLiteral("stamps"),
                QStringLiteral("export"), QStringLiteral("index-file"), QStringLiteral("max-rows") }
                + plotValueOptions(),
            QStringList { QStringLiteral("auto-export") } + plotSwitches());
        if (!given.parse(args) || given.arguments().size() != 1)
            return false;
        s->project = QFileInfo(given.arguments().first());
        if (!parseNumbers(given, s, why))
            return false;
        for (const QString &list : given.values(QStringLiteral("stamps"))) {
            if (!readStamps(list, &s->date, &s->time, &s->status))
                return fail(why, QStringLiteral("--stamps takes the letters d, t and s"));
        }
        if (given.isSet(QStringLiteral("export"))) {
            s->exportFile = QFileInfo(given.value(QStringLiteral("export"))).absoluteFilePath();
            if (const QString bad = viewer::ExportNaming::unwritableReason(s->exportFile);
                !bad.isEmpty())
                return fail(why, QString(bad).replace(u'\r', u'\n'));
        }
        s->autoExport = given.isSet(QStringLiteral("auto-export"));
        s->plot = plotRequest(given);
        *why = plotArgumentsError(s->plot);
        return why->isEmpty();
    }

    static bool parseNumbers(const CommandOptions &given, SimulateSettings *s, QString *why)
    {
        bool ok = true;
        if (given.isSet(QStringLiteral("ticks"))) {
            s->ticks = given.value(QStringLiteral("ticks")).toLongLong(&ok);
            if (!ok || s->ticks < 0)
                return fail(why, QStringLiteral("--ticks wants a number of 0 or more"));
        }
        if (given.isSet(QStringLiteral("index-file"))) {
            s->indexFile = given.value(QStringLiteral("index-file")).toInt(&ok);
            if (!ok || s->indexFile < 0 || s->indexFile > 2)
                return fail(why, QStringLiteral("--index-file wants 0, 1 or 2"));
        }
        if (given.isSet(QStringLiteral("max-rows"))) {
            s->maxRows = given.value(QStringLiteral("max-rows")).toInt(&ok);
            if (!ok || s->maxRows < 1)
                return fail(why, QStringLiteral("--max-rows wants a number of 1 or more"));
        }
        return true;
    }

    static bool fail(QString *why, const QString &text)
    {
        *why = text;
        return false;
    }

    static void configure(viewer::ControlCore &core, viewer::FileBufferLoader &loader,
        host::HeadlessSeams &seams, const SimulateSettings &s, QTextStream &err, int &exports)
    {
        core.setLoader(&loader);
        core.setSeams(&seams);
        seams.setExported([&err, &exports](const QString &path) {
            ++exports;
            err << path << u'\n';
            err.flush();
        });
        core.setExportFile(s.exportFile);
        core.setIndexFile(qint16(s.indexFile));
        core.setAutoExport(s.autoExport);
        if (s.maxRows > 0)
            core.setMaxRows(s.maxRows);
        // The chart holds the rows the project asks for, as in the window and the recorder.
        buffer::UserColumns buffer;
        buffer::TraceProject project(buffer);
        project.setPath(s.project.absoluteFilePath());
        if (project.readProject())
            core.setMaxGraph(project.settings().maxGraph);
        core.setProjectPath(QDir::toNativeSeparators(s.project.absolutePath()) + QDir::separator());
        core.setUserFile(s.project.absoluteFilePath());
        core.setDateStampCol(s.date);
        core.setTimeStampCol(s.time);
        core.setPcdStatusCol(s.status);
        // The host reports status 99 in simulation; set before Start it adds no row.
        core.setPcdStatus(99);
        core.setSimulation(true);
    }

    // The exit code.
    // Rows to the output, errors to the error stream; an error sets failed.
    static void print(viewer::ControlCore &core, QTextStream &out, QTextStream &err, bool &failed)
    {
        QObject::connect(&core, &viewer::ControlCore::OutputLine, [&out](const QString &line) {
            out << line << u'\n';
            out.flush();
        });
        QObject::connect(&core, &viewer::ControlCore::ModulError,
            [&err, &failed](qint16 code, const QString &text) {
                err << QLatin1String("Error ") << code << QLatin1String(": ") << text << u'\n';
                err.flush();
                failed = true;
            });
    }

    // The exit code; failed turns true when the control reports an error, exports counts
    // the files written.
    static int execute(viewer::ControlCore &core, const SimulateSettings &s, const bool &failed,
        const int &exports, QTextStream &err)
    {
        if (s.ticks >= 0)
            core.simulator().stopTimer(); // the ticks below drive it
        core.Start();
        core.setRunMode(2);
        if (core.cycle().state() != viewer::ReadingCycle::Refreshing)
            return 1;

        if (s.ticks >= 0) {
            for (qint64 i = 0; i < s.ticks && core.runMode() == viewer::ReadingCycle::Run; ++i) {
                core.simulator().tick();
                core.cycle().tick();
            }
            const bool ended = exportAtEnd(core, s, exports, err);
            return (failed && core.runMode() != viewer::ReadingCycle::Run) || !ended ? 1 : 0;
        }
        // Real time until interrupted, or until the run stops on an error.
        QObject::connect(&core.cycle(), &viewer::ReadingCycle::runModeChanged, [](qint16 mode) {
            if (mode != viewer::ReadingCycle::Run)
                QCoreApplication::exit(1);
        });
        const int code = QCoreApplication::exec();
        return exportAtEnd(core, s, exports, err) ? code : 1;
    }

    // After the last tick, as by the Export button; false when the export or the chart failed.
    static bool exportAtEnd(
        viewer::ControlCore &core, const SimulateSettings &s, const int &exports, QTextStream &err)
    {
        bool exported = true;
        if (!s.exportFile.isEmpty() && core.rows().dataRowCount() > 0) {
            const int before = exports;
            core.exportByUser();
            exported = exports != before;
        }
        // Drawn from the grid as it is now, exported rows gone or not.
        const bool plotted = s.plot.file.isEmpty() || writePlot(core, s.plot, err);
        return exported && plotted;
    }
};

} // namespace

TOLVANE_CLI_COMMAND(SimulateCommand)

} // namespace tlv::app
