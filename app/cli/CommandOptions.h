#pragma once

#include <QCommandLineParser>
#include <QStringList>

namespace tlv::app {

// The options of one command, read by QCommandLineParser as tolvane-pcdsim reads its own.
// --name VALUE and --name=VALUE both work; a wrong call is the command's usage error.
class CommandOptions
{
public:
    // Options that take a value, then plain switches.
    CommandOptions(const QStringList &withValue, const QStringList &switches = {});

    // Options after the first argument are arguments too (pcd OPTIONS COMMAND ARGS).
    void optionsFirst();
    // False when an option is unknown or lacks its value.
    [[nodiscard]] bool parse(const QStringList &args);

    [[nodiscard]] bool isSet(const QString &name) const { return m_parser.isSet(name); }
    // The last value given.
    [[nodiscard]] QString value(const QString &name) const { return m_parser.value(name); }
    // Every value given, in order.
    [[nodiscard]] QStringList values(const QString &name) const { return m_parser.values(name); }
    [[nodiscard]] QStringList arguments() const { return m_parser.positionalArguments(); }
    // Qt's words for why parse failed.
    [[nodiscard]] QString errorText() const { return m_parser.errorText(); }

private:
    QCommandLineParser m_parser;
};

// The letters of --stamps LIST (d date, t time, s PCD status, commas between): each letter
// given sets its flag; false at any other character.
bool readStamps(const QString &list, bool *date, bool *time, bool *status);

} // namespace tlv::app
