#pragma once

// A throwaway PostgreSQL 15 cluster for a test: initdb and pg_ctl from postgresql-15, run as
// nobody when the test runs as root (the server refuses root), listening only on a Unix
// socket in a temporary folder. It is stopped by its postmaster's PID when the object goes,
// also when the test failed; a cluster left by a crashed test is ended by the
// plant_clusters cleanup fixture, which finds it through TOLVANE_PG_LEFTOVERS.

#include "tests/app/CliRun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace tlv::test {

class PgCluster
{
public:
    static QString binDir() { return QStringLiteral("/usr/lib/postgresql/15/bin"); }
    [[nodiscard]] static bool available()
    {
        return QFile::exists(binDir() + QStringLiteral("/initdb"));
    }

    PgCluster()
        : m_dir(QDir::tempPath() + QStringLiteral("/tolvane-pg-XXXXXX"))
    { }
    ~PgCluster() { stop(); }
    PgCluster(const PgCluster &) = delete;
    PgCluster &operator=(const PgCluster &) = delete;

    // initdb and start; false with why.
    bool start(QString *why)
    {
        if (!m_dir.isValid()) {
            *why = QStringLiteral("no temporary folder");
            return false;
        }
        if (::geteuid() == 0 && ::chown(qPrintable(m_dir.path()), 65534, 65534) != 0) {
            *why = QStringLiteral("cannot hand the folder to nobody");
            return false;
        }
        ::chmod(qPrintable(m_dir.path()), 0755);
        const CliRun init = asServer(QStringLiteral("initdb"),
            { QStringLiteral("-D"), dataDir(), QStringLiteral("-U"), QStringLiteral("postgres"),
                QStringLiteral("--auth=trust"), QStringLiteral("--no-sync"),
                QStringLiteral("--locale=C"), QStringLiteral("-E"), QStringLiteral("UTF8") });
        if (init.code != 0) {
            *why = QStringLiteral("initdb: ") + init.err + init.out;
            return false;
        }
        // The superuser comes in freely; every other login shows its password.
        QFile hba(dataDir() + QStringLiteral("/pg_hba.conf"));
        QFile conf(dataDir() + QStringLiteral("/postgresql.conf"));
        if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || !conf.open(QIODevice::Append)) {
            *why = QStringLiteral("cannot write the configuration");
            return false;
        }
        hba.write("local all postgres trust\nlocal all all scram-sha-256\n");
        conf.write("listen_addresses = ''\nunix_socket_directories = '" + m_dir.path().toUtf8()
            + "'\nport = 5432\nfsync = off\nshared_buffers = 16MB\nmax_connections = 40\n"
              "log_min_messages = warning\n");
        hba.close();
        conf.close();
        if (const QByteArray leftovers = qgetenv("TOLVANE_PG_LEFTOVERS"); !leftovers.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(leftovers));
            m_leftover
                = QString::fromLocal8Bit(leftovers) + u'/' + QFileInfo(m_dir.path()).fileName();
            QFile note(m_leftover);
            if (note.open(QIODevice::WriteOnly))
                note.write(dataDir().toUtf8());
        }
        return startAgain(why);
    }

    bool startAgain(QString *why)
    {
        const CliRun run = asServer(QStringLiteral("pg_ctl"),
            { QStringLiteral("start"), QStringLiteral("-w"), QStringLiteral("-t"),
                QStringLiteral("30"), QStringLiteral("-D"), dataDir(), QStringLiteral("-l"),
                m_dir.filePath(QStringLiteral("server.log")) });
        if (run.code != 0) {
            *why = QStringLiteral("pg_ctl start: ") + run.err + run.out + log();
            return false;
        }
        return true;
    }

    // As a power cut would leave it: no checkpoint, recovery at the next start.
    bool stopImmediate()
    {
        return asServer(QStringLiteral("pg_ctl"),
                   { QStringLiteral("stop"), QStringLiteral("-m"), QStringLiteral("immediate"),
                       QStringLiteral("-w"), QStringLiteral("-D"), dataDir() })
                   .code
            == 0;
    }

    // Ends the postmaster by its PID, waiting for it at most 15 s.
    void stop()
    {
        const qint64 pid = postmasterPid();
        if (pid > 0) {
            ::kill(pid_t(pid), SIGINT); // fast shutdown
            QDeadlineTimer deadline(15000);
            bool quit = false;
            while (alive(pid) && !deadline.hasExpired()) {
                if (!quit && deadline.remainingTime() < 10000) {
                    ::kill(pid_t(pid), SIGQUIT);
                    quit = true;
                }
                QThread::msleep(50);
            }
        }
        if (!m_leftover.isEmpty())
            QFile::remove(m_leftover);
    }

    [[nodiscard]] QString socketDir() const { return m_dir.path(); }
    [[nodiscard]] QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }
    [[nodiscard]] QString log() const
    {
        QFile f(m_dir.filePath(QStringLiteral("server.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // A libpq URI for a login role, the socket folder as the host.
    [[nodiscard]] QString uri(const QString &user) const
    {
        return QStringLiteral("postgresql://") + user + QStringLiteral("@/postgres?host=")
            + socketDir();
    }

    // psql as a user; -1 code when it did not end in time.
    [[nodiscard]] CliRun psql(const QString &user, const QString &sql) const
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral("/usr/bin/psql"),
            { QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                QStringLiteral("-t"), QStringLiteral("-F"), QStringLiteral("|"),
                QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"),
                socketDir(), QStringLiteral("-U"), user, QStringLiteral("-d"),
                QStringLiteral("postgres"), QStringLiteral("-c"), sql });
        return finished(p);
    }

    // The password file the clients of the test use (mode 0600, or libpq ignores it).
    bool writePasswords(const QList<QPair<QString, QString>> &entries)
    {
        QFile f(passFile());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        for (const auto &[user, password] : entries)
            f.write("*:*:*:" + user.toUtf8() + ':' + password.toUtf8() + '\n');
        f.close();
        return f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    [[nodiscard]] QString passFile() const { return m_dir.filePath(QStringLiteral("pgpass")); }
    [[nodiscard]] QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSFILE"), passFile());
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        env.remove(QStringLiteral("PGSERVICE"));
        env.remove(QStringLiteral("PGHOST"));
        return env;
    }

private:
    static CliRun finished(QProcess &p)
    {
        CliRun run;
        if (!p.waitForFinished(ProcessBound)) {
            p.kill();
            p.waitForFinished(ProcessBound);
            run.err = QStringLiteral("did not end in time");
            return run;
        }
        run.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        run.out = QString::fromUtf8(p.readAllStandardOutput());
        run.err = QString::fromUtf8(p.readAllStandardError());
        return run;
    }

    // A server program, as nobody when we are root.
    [[nodiscard]] CliRun asServer(const QString &tool, const QStringList &args) const
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        const QString program = binDir() + u'/' + tool;
        if (::geteuid() == 0)
            p.start(QStringLiteral("setpriv"),
                QStringList { QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                    QStringLiteral("--clear-groups"), program }
                    + args);
        else
            p.start(program, args);
        return finished(p);
    }

    [[nodiscard]] qint64 postmasterPid() const
    {
        QFile f(dataDir() + QStringLiteral("/postmaster.pid"));
        if (!f.open(QIODevice::ReadOnly))
            return 0;
        return f.readLine().trimmed().toLongLong();
    }

    static bool alive(qint64 pid)
    {
        if (::kill(pid_t(pid), 0) != 0)
            return false;
        // A zombie nobody reaps (no init in a container) is gone as far as we care.
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        return close < 0 || line.mid(close + 2, 1) != "Z";
    }

    QTemporaryDir m_dir;
    QString m_leftover;
};

} // namespace tlv::test
