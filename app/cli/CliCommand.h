#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace tlv::app {

// One subcommand of tolvane-cli. A command lives in its own .cpp and joins
// the program with TOLVANE_CLI_COMMAND(ClassName); see CliCommands.h.
class CliCommand
{
public:
    virtual ~CliCommand() = default;

    // The word typed after tolvane-cli.
    [[nodiscard]] virtual QString name() const = 0;
    // One line for the command list.
    [[nodiscard]] virtual QString summary() const = 0;
    // The argument synopsis after the name, e.g. "FILE OUT".
    [[nodiscard]] virtual QString arguments() const = 0;
    // Runs with the arguments after the name; returns the exit code
    // (0 done, 1 failed, 2 wrong arguments).
    virtual int run(const QStringList &args, QTextStream &out, QTextStream &err) = 0;

    // Exit code for a call with wrong arguments, after printing the synopsis.
    int usageError(QTextStream &err) const
    {
        err << QLatin1String("usage: tolvane-cli ") << name() << QLatin1Char(' ') << arguments()
            << QLatin1Char('\n');
        return 2;
    }
};

} // namespace tlv::app
