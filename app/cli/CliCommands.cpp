#include "app/cli/CliCommands.h"

#include <algorithm>

namespace tlv::app {

namespace {

// A function-local static: command files register before main(), in any order.
std::vector<CliCommands::Factory> &factories()
{
    static std::vector<CliCommands::Factory> list;
    return list;
}

bool isHelp(const QString &arg)
{
    return arg == QLatin1String("--help") || arg == QLatin1String("-h")
        || arg == QLatin1String("help");
}

} // namespace

bool CliCommands::add(Factory factory)
{
    factories().push_back(factory);
    return true;
}

std::vector<std::unique_ptr<CliCommand>> CliCommands::create()
{
    std::vector<std::unique_ptr<CliCommand>> commands;
    for (Factory factory : factories())
        commands.push_back(factory());
    std::sort(commands.begin(), commands.end(),
        [](const auto &a, const auto &b) { return a->name() < b->name(); });
    return commands;
}

void CliCommands::printHelp(QTextStream &out)
{
    out << QLatin1String("Tolvane ") << QLatin1String(TOLVANE_VERSION_TEXT)
        << QLatin1String(" - trace buffers of Saia PCD controllers, without a window\n\n"
                         "usage: tolvane-cli COMMAND [ARGUMENTS]\n"
                         "       tolvane-cli COMMAND --help\n\ncommands:\n");
    // Synopses get long (pcd), so each command takes two lines: what to type,
    // then what it does.
    const auto commands = create();
    for (const auto &command : commands) {
        out << QLatin1String("  ") << command->name() << QLatin1Char(' ') << command->arguments()
            << QLatin1String("\n      ") << command->summary() << QLatin1Char('\n');
    }
}

int CliCommands::run(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty() || isHelp(args.first())) {
        printHelp(out);
        return 0;
    }
    if (args.first() == QLatin1String("--version")) {
        out << QLatin1String("tolvane-cli ") << QLatin1String(TOLVANE_VERSION_TEXT)
            << QLatin1Char('\n');
        return 0;
    }
    const auto commands = create();
    for (const auto &command : commands) {
        if (command->name() != args.first())
            continue;
        const QStringList rest = args.mid(1);
        if (rest.size() == 1
            && (rest.first() == QLatin1String("--help") || rest.first() == QLatin1String("-h"))) {
            out << QLatin1String("usage: tolvane-cli ") << command->name() << QLatin1Char(' ')
                << command->arguments() << QLatin1String("\n  ") << command->summary()
                << QLatin1Char('\n');
            return 0;
        }
        return command->run(rest, out, err);
    }
    err << QLatin1String("tolvane-cli: unknown command \"") << args.first()
        << QLatin1String("\"\n\n");
    printHelp(err);
    return 2;
}

} // namespace tlv::app
