#pragma once

#include "app/cli/CliCommand.h"

#include <memory>
#include <vector>

namespace tlv::app {

// The commands of tolvane-cli, filled before main() by each command's file.
class CliCommands
{
public:
    using Factory = std::unique_ptr<CliCommand> (*)();

    // Called through TOLVANE_CLI_COMMAND; returns true so it can initialise a static.
    static bool add(Factory factory);
    // All commands, sorted by name.
    [[nodiscard]] static std::vector<std::unique_ptr<CliCommand>> create();
    // Dispatches a whole command line (without the program name); the exit code.
    static int run(const QStringList &args, QTextStream &out, QTextStream &err);
    static void printHelp(QTextStream &out);
};

} // namespace tlv::app

#define TOLVANE_CLI_COMMAND(Class)                                                                 \
    namespace {                                                                                    \
    const bool registered##Class = ::tlv::app::CliCommands::add(                                   \
        []() -> std::unique_ptr<::tlv::app::CliCommand> { return std::make_unique<Class>(); });    \
    }
