#include "app/cli/CliCommands.h"
#include "app/cli/CommandOptions.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "comm/ConnectionString.h"
#include "comm/PcdStatusMap.h"
#include "common/ConsolePrompter.h"
#include "host/PcdHost.h"
#include "viewer/core/ControlCore.h"

#include <QDir>

#include <optional>

namespace tlv::app {

namespace {

bool toInt16(const QString &text, qint32 low, qint32 high, qint16 &value)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high)
        return false;
    value = qint16(n);
    return true;
}

class PcdCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("pcd"); }
    QString arguments() const override
    {
        return QStringLiteral("--connect CONN [--timeout MS] [--retries N] "
                              "(status | read R FIRST COUNT | read DB NUMBER FIRST COUNT | "
                              "dbx NUMBER KEY)");
    }
    QString summary() const override
    {
        return QStringLiteral("talk to a PCD; CONN is udp:HOST[:PORT][/STATION] or "
                              "serial:DEVICE[:BAUD][/STATION]");
    }

    int run(const QStringList &args, QTextStream &out, QTextStream &err) override
    {
        comm::SbusSettings sbus;
        QStringList words;
        QString why;
        if (!parse(args, &sbus, &words, &why)) {
            if (why.isEmpty())
                return usageError(err);
            err << why << QLatin1Char('\n');
            return 2;
        }
        // The host the window and the recorder use, with a control that only listens.
        common::ConsolePrompter prompter(&err);
        buffer::UserColumns columns;
        buffer::TraceProject project(columns);
        project.settings().connection.dll = 1;
        viewer::ControlCore control(&prompter);
        host::PcdHost pcd(control, project, prompter);
        pcd.setFixedConnection(sbus);
        // No PG5 here: its program folder is the current one.
        pcd.setPg5Channel([] { return host::Pg5Channel { 21, { { 21, QDir::currentPath() } } }; });
        return execute(pcd, words, out, err);
    }

private:
    // The connection, then the command and its arguments in words; false with why (a bad
    // connection) or with nothing when only the synopsis helps.
    static bool parse(
        const QStringList &args, comm::SbusSettings *sbus, QStringList *words, QString *why)
    {
        CommandOptions given(
            { QStringLiteral("connect"), QStringLiteral("timeout"), QStringLiteral("retries") });
        given.optionsFirst();
        if (!given.parse(args) || !given.isSet(QStringLiteral("connect")))
            return false;
        if (!comm::parseConnectionString(given.value(QStringLiteral("connect")), *sbus, why))
            return false;
        bool ok = true;
        if (given.isSet(QStringLiteral("timeout"))) {
            sbus->timeoutMs = given.value(QStringLiteral("timeout")).toInt(&ok);
            if (!ok || sbus->timeoutMs <= 0)
                return false;
        }
        if (given.isSet(QStringLiteral("retries"))) {
            sbus->retries = given.value(QStringLiteral("retries")).toInt(&ok);
            if (!ok || sbus->retries < 0)
                return false;
        }
        *words = given.arguments();
        const qsizetype n = words->size() - 1;
        const QString command = words->value(0);
        return (command == QLatin1String("status") && n == 0)
            || (command == QLatin1String("read") && n >= 3)
            || (command == QLatin1String("dbx") && n == 2);
    }

    // Runs a checked command; the exit code.
    int execute(host::PcdHost &pcd, QStringList words, QTextStream &out, QTextStream &err)
    {
        if (!pcd.Connect()) {
            err << pcd.messageText() << QLatin1Char('\n');
            return 1;
        }
        const QString command = words.takeFirst();
        int code = 0;
        if (command == QLatin1String("status"))
            code = status(pcd.connection(), out, err);
        else if (command == QLatin1String("read"))
            code = read(words, pcd, out, err);
        else
            code = dbx(words, pcd.connection(), out, err);
        pcd.stop();
        return code;
    }

    int status(comm::PCDConnect &connection, QTextStream &out, QTextStream &err)
    {
        comm::SbusResult read;
        const qint32 status = connection.ReadPcdStatus(&read);
        if (!read) {
            err << QStringLiteral("PCD communication problems.    Error: ") << read.errorString
                << QLatin1Char('\n');
            return 1;
        }
        out << status << QLatin1Char(' ') << comm::PcdStatusMap::text(status) << QLatin1Char('\n');
        return 0;
    }

    int read(const QStringList &args, host::PcdHost &server, QTextStream &out, QTextStream &err)
    {
        std::optional<QList<qint32>> values;
        QObject::connect(
            &server, &host::PcdHost::served, [&values](const QList<qint32> &v) { values = v; });
        qint16 number = 0, first = 0, count = 0;
        const QString media = args[0].toUpper();
        if (media == QLatin1String("R") && args.size() == 3) {
            if (!toInt16(args[1], 0, 16383, first) || !toInt16(args[2], 1, 32767, count)) {
                err << QStringLiteral("register 0 to 16383 and count 1 to 32767 expected\n");
                return 2;
            }
            server.ReadPCDReg(first, count);
        } else if (media == QLatin1String("DB") && args.size() == 4) {
            if (!toInt16(args[1], 0, 32767, number) || !toInt16(args[2], 0, 32767, first)
                || !toInt16(args[3], 1, 32767, count)) {
                err << QStringLiteral("block, element 0 to 32767 and count 1 to 32767 expected\n");
                return 2;
            }
            server.ReadPCDDB(number, first, count);
        } else {
            return usageError(err);
        }
        if (!values) {
            err << server.messageText() << QLatin1Char('\n');
            return 1;
        }
        for (qint32 value : *values)
            out << value << QLatin1Char('\n');
        return 0;
    }

    int dbx(
        const QStringList &args, comm::PCDConnect &connection, QTextStream &out, QTextStream &err)
    {
        bool ok = false;
        const qint32 number = args[0].toInt(&ok);
        if (!ok || number < 0 || number > 8191) {
            err << QStringLiteral("DBX number 0 to 8191 expected\n");
            return 2;
        }
        const comm::SbusResult found = connection.LookupDbx(number, args[1]);
        if (!found) {
            err << QStringLiteral("Invalid DBX registery.");
            if (!found.errorString.isEmpty())
                err << QStringLiteral("   Error: ") << found.errorString;
            err << QLatin1Char('\n');
            return 1;
        }
        const comm::DbxEntry &entry = connection.dbxEntry();
        QString text = entry.text;
        while (!text.isEmpty() && (text.back() == QChar() || text.back() == QLatin1Char(' ')))
            text.chop(1);
        // The entry's own value, then the table values a search fills (slots 0 to 15).
        out << text << QLatin1Char('\n') << entry.value << QLatin1Char('\n');
        for (int slot = 0; slot < 16; ++slot)
            out << entry.values[size_t(slot)] << QLatin1Char('\n');
        return 0;
    }
};

} // namespace

TOLVANE_CLI_COMMAND(PcdCommand)

} // namespace tlv::app
