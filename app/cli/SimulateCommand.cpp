#include "app/cli/CliCommands.h"

#include "common/ConsolePrompter.h"
#include "viewer/core/ControlCore.h"
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
        return QStringLiteral("print the rows of the simulated user buffer of a trace project "
                              "(--ticks N ends after N records; --stamps d,t,s adds date, time, "
                              "PCD status)");
    }
    [[nodiscard]] QString arguments() const override
    {
        return QStringLiteral("PROJECT.tlvr [--ticks N] [--stamps d,t,s]");
    }

    int run(const QStringList &args, QTextStream &out, QTextStream &err) override
    {
        QString project;
        qint64 ticks = -1;
        bool date = false, time = false, status = false;
        for (int i = 0; i < args.size(); ++i) {
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
            } else if (!arg.startsWith(QLatin1String("--")) && project.isEmpty()) {
                project = arg;
            } else {
                return usageError(err);
            }
        }
        if (project.isEmpty())
            return usageError(err);

        const QFileInfo info(project);
        common::ConsolePrompter prompter(&err);
        viewer::FileBufferLoader loader(&prompter, QCoreApplication::applicationDirPath());
        viewer::ControlCore core(&prompter);
        core.setLoader(&loader);

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
            return failed && core.runMode() != viewer::ReadingCycle::Run ? 1 : 0;
        }

        // Real time until interrupted, or until the run stops on an error.
        QObject::connect(&core.cycle(), &viewer::ReadingCycle::runModeChanged, [](qint16 mode) {
            if (mode != viewer::ReadingCycle::Run)
                QCoreApplication::exit(1);
        });
        return QCoreApplication::exec();
    }
};

} // namespace

TOLVANE_CLI_COMMAND(SimulateCommand)

} // namespace tlv::app
