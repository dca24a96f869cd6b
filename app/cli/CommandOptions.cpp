#include "app/cli/CommandOptions.h"

namespace tlv::app {

CommandOptions::CommandOptions(const QStringList &withValue, const QStringList &switches)
{
    for (const QString &name : withValue)
        m_parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    for (const QString &name : switches)
        m_parser.addOption(QCommandLineOption(name));
}

void CommandOptions::optionsFirst()
{
    m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
}

bool CommandOptions::parse(const QStringList &args)
{
    // The parser skips its first word, the program's name.
    return m_parser.parse(QStringList { QStringLiteral("tolvane-cli") } + args);
}

bool readStamps(const QString &list, bool *date, bool *time, bool *status)
{
    for (const QChar c : list) {
        if (c == u'd')
            *date = true;
        else if (c == u't')
            *time = true;
        else if (c == u's')
            *status = true;
        else if (c != u',')
            return false;
    }
    return true;
}

} // namespace tlv::app
