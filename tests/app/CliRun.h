#pragma once

// The built programs run as a user runs them, every wait bounded.
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace tlv::test {

constexpr int ProcessBound = 30000; // ms any one process may take

struct CliRun
{
    int code = -1;
    QString out;
    QString err;
    // Output lines without the final newline's empty tail.
    [[nodiscard]] QStringList lines() const
    {
        QStringList l = out.split(u'\n');
        if (l.last().isEmpty())
            l.removeLast();
        return l;
    }
};

// Runs a program to its end; -2 for a crash, -1 when it did not end in time.
inline CliRun runProgram(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    CliRun run;
    if (!process.waitForFinished(ProcessBound)) {
        run.err = QStringLiteral("did not end in time: ") + process.errorString();
        process.kill();
        process.waitForFinished(ProcessBound);
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

inline CliRun runCli(const QStringList &args)
{
    return runProgram(QStringLiteral(TOLVANE_BIN_DIR "/tolvane-cli"), args);
}

// The lines a process printed so far, waiting at most until the deadline for n of them.
inline QStringList readLines(QProcess &p, int n, QDeadlineTimer deadline, QString *partial)
{
    QStringList lines;
    while (lines.size() < n && !deadline.hasExpired()) {
        p.waitForReadyRead(100);
        *partial += QString::fromUtf8(p.readAllStandardOutput());
        while (partial->contains(u'\n')) {
            const qsizetype at = partial->indexOf(u'\n');
            lines << partial->left(at);
            partial->remove(0, at + 1);
        }
        if (p.state() == QProcess::NotRunning)
            break;
    }
    return lines;
}

// tolvane-pcdsim as its own process on a free loopback port; port() is 0 if it did not start.
class PcdProcess
{
public:
    explicit PcdProcess(const QStringList &args)
    {
        m_process.start(QStringLiteral(TOLVANE_BIN_DIR "/tolvane-pcdsim"),
            QStringList { QStringLiteral("--udp"), QStringLiteral("127.0.0.1:0") } + args);
        static const QRegularExpression ready(QStringLiteral("^udp \\S+:(\\d+)$"));
        QString partial;
        for (const QString &line :
            readLines(m_process, 1, QDeadlineTimer(ProcessBound), &partial)) {
            const auto match = ready.match(line.trimmed());
            if (match.hasMatch())
                m_port = match.captured(1).toUShort();
        }
    }
    ~PcdProcess()
    {
        m_process.kill();
        m_process.waitForFinished(ProcessBound);
    }
    [[nodiscard]] QString connection() const
    {
        return QStringLiteral("udp:127.0.0.1:%1").arg(m_port);
    }
    [[nodiscard]] quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

} // namespace tlv::test
