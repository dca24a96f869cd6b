#include "app/cli/CliCommands.h"
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
        QString project;
        qint64 ticks = -1;
        bool date = false, time = false, status = false;
        QString exportFile;
        int indexFile = 0;
        int maxRows = 0;
        bool autoExport = false;
        PlotRequest plot;
        for (int i = 0; i < args.size(); ++i) {
            if (takePlotArgument(args, i, plot))
                continue;
            const QString &arg = args[i];
            if (arg == QLatin1String("--ticks") && i + 1 < args.size()) {
                bool ok = false;
                ticks = args[++i].toLongLong(&ok);
                if (!ok || ticks < 0) {
                    err << QLatin1String("tolvane-cli simulate: --ticks wants a number of 0 or "
                                         "more\n");
                    return usageError(err);
                }
            } else if (arg == QLatin1String("--stamps") && i + 1 < args.size()) {
                for (const QChar c : args[++i]) {
                    if (c == u'd')
                        date = true;
                    else if (c == u't')
                        time = true;
                    else if (c == u's')
                        status = true;
                    else if (c != u',') {
                        err << QLatin1String("tolvane-cli simulate: --stamps takes the letters "
                                             "d, t and s\n");
                        return usageError(err);
                    }
                }
            } else if (arg == QLatin1String("--export") && i + 1 < args.size()) {
                exportFile = QFileInfo(args[++i]).absoluteFilePath();
                if (const QString why = viewer::ExportNaming::unwritableReason(exportFile);
                    !why.isEmpty()) {
                    err << QLatin1String("tolvane-cli simulate: ")
                        << QString(why).replace(u'\r', u'\n') << u'\n';
                    return usageError(err);
                }
            } else if (arg == QLatin1String("--index-file") && i + 1 < args.size()) {
                bool ok = false;
                indexFile = args[++i].toInt(&ok);
                if (!ok || indexFile < 0 || indexFile > 2) {
                    err << QLatin1String("tolvane-cli simulate: --index-file wants 0, 1 or 2\n");
                    return usageError(err);
                }
            } else if (arg == QLatin1String("--max-rows") && i + 1 < args.size()) {
                bool ok = false;
                maxRows = args[++i].toInt(&ok);
                if (!ok || maxRows < 1) {
                    err << QLatin1String("tolvane-cli simulate: --max-rows wants a number of 1 or "
                                         "more\n");
                    return usageError(err);
                }
            } else if (arg == QLatin1String("--auto-export")) {
                autoExport = true;
            } else if (!arg.startsWith(QLatin1String("--")) && project.isEmpty()) {
                project = arg;
            } else {
                return usageError(err);
            }
        }
        if (project.isEmpty())
            return usageError(err);
        if (const QString why = plotArgumentsError(plot); !why.isEmpty()) {
            err << QLatin1String("tolvane-cli simulate: ") << why << u'\n';
            return usageError(err);
        }

        const QFileInfo info(project);
        common::ConsolePrompter prompter(&err);
        viewer::FileBufferLoader loader(&prompter, QCoreApplication::applicationDirPath());
        viewer::ControlCore core(&prompter);
        core.setLoader(&loader);
        host::HeadlessSeams seams(core, &prompter);
        core.setSeams(&seams);
        int exports = 0;
        seams.setExported([&err, &exports](const QString &path) {
            ++exports;
            err << path << u'\n';
            err.flush();
        });
        core.setExportFile(exportFile);
        core.setIndexFile(qint16(indexFile));
        core.setAutoExport(autoExport);
        if (maxRows > 0)
            core.setMaxRows(maxRows);
        // The chart holds the rows the project asks for, as in the window and the recorder.
        buffer::UserColumns buffer;
        buffer::TraceProject settings(buffer);
        settings.setPath(info.absoluteFilePath());
        if (settings.readProject())
            core.setMaxGraph(settings.settings().maxGraph);
        // After the last tick, as by the Export button.
        bool plotFailed = false;
        bool exportFailed = false;
        const auto exportAtEnd = [&] {
            if (!exportFile.isEmpty() && core.rows().dataRowCount() > 0) {
                const int before = exports;
                core.exportByUser();
                exportFailed = exports == before;
            }
            // Drawn from the grid as it is now, exported rows gone or not.
            if (!plot.file.isEmpty())
                plotFailed = !writePlot(core, plot, err);
        };

        bool failed = false;
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

        core.setProjectPath(QDir::toNativeSeparators(info.absolutePath()) + QDir::separator());
        core.setUserFile(info.absoluteFilePath());
        core.setDateStampCol(date);
        core.setTimeStampCol(time);
        core.setPcdStatusCol(status);
        // The host reports status 99 in simulation; set before Start it adds no row.
        core.setPcdStatus(99);
        core.setSimulation(true);
        if (ticks >= 0)
            core.simulator().stopTimer(); // the ticks below drive it
        core.Start();
        core.setRunMode(2);
        if (core.cycle().state() != viewer::ReadingCycle::Refreshing)
            return 1;

        if (ticks >= 0) {
            for (qint64 i = 0; i < ticks && core.runMode() == viewer::ReadingCycle::Run; ++i) {
                core.simulator().tick();
                core.cycle().tick();
            }
            exportAtEnd();
            const bool runFailed = failed && core.runMode() != viewer::ReadingCycle::Run;
            return runFailed || plotFailed || exportFailed ? 1 : 0;
        }

        // Real time until interrupted, or until the run stops on an error.
        QObject::connect(&core.cycle(), &viewer::ReadingCycle::runModeChanged, [](qint16 mode) {
            if (mode != viewer::ReadingCycle::Run)
                QCoreApplication::exit(1);
        });
        const int code = QCoreApplication::exec();
        exportAtEnd();
        return plotFailed || exportFailed ? 1 : code;
    }
};

} // namespace

TOLVANE_CLI_COMMAND(SimulateCommand)

} // namespace tlv::app
