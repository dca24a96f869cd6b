#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tlv::test {

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

// Runs the built tolvane-cli to its end; -2 for a crash.
inline CliRun runCli(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(TOLVANE_BIN_DIR "/tolvane-cli"), args);
    CliRun run;
    if (!process.waitForStarted(-1) || !process.waitForFinished(-1)) {
        run.err = process.errorString();
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace tlv::test
