// Three recorders forward into one real PostgreSQL server while it is stopped and started
// again and one of them is killed and started again on its journal: every row each printed
// is on the server once, with its values, read through the views as a reader would.

#include "PgCluster.h"
#include "tests/TestSupport.h"

#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

using tlv::test::CliRun;
using tlv::test::PcdProcess;
using tlv::test::PgCluster;
using tlv::test::runCli;

// A title a careless statement would choke on.
const QString OddTitle = u"Temp \"boiler\"; 'A'"_s;

// A recorder process whose output is collected as it comes, every wait bounded.
class Recorder
{
public:
    Recorder(const QStringList &args, const QProcessEnvironment &env)
    {
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(TOLVANE_BIN_DIR "/tolvane-cli"), args);
    }
    ~Recorder()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(tlv::test::ProcessBound);
        }
    }
    void pump()
    {
        m_partial += QString::fromUtf8(m_process.readAllStandardOutput());
        m_err += QString::fromUtf8(m_process.readAllStandardError());
        qsizetype at;
        while ((at = m_partial.indexOf(u'\n')) >= 0) {
            m_lines << m_partial.left(at);
            m_partial.remove(0, at + 1);
        }
    }
    bool waitLines(int n, int ms)
    {
        QDeadlineTimer deadline(ms);
        while (pump(),
            m_lines.size() < n && !deadline.hasExpired()
                && m_process.state() != QProcess::NotRunning)
            m_process.waitForReadyRead(50);
        pump();
        return m_lines.size() >= n;
    }
    void kill()
    {
        m_process.kill(); // SIGKILL
        m_process.waitForFinished(tlv::test::ProcessBound);
        pump(); // a line cut by the kill was not printed in full
    }
    // The exit code; -1 when it did not end in time.
    int wait(int ms)
    {
        QDeadlineTimer deadline(ms);
        while (m_process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            m_process.waitForFinished(100);
            pump();
        }
        pump();
        if (m_process.state() != QProcess::NotRunning)
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -2;
    }
    [[nodiscard]] const QStringList &lines() const { return m_lines; }
    [[nodiscard]] QString err() const { return m_err; }

private:
    QProcess m_process;
    QString m_partial;
    QString m_err;
    QStringList m_lines;
};

// The demo project reading every 200 ms a record every 100 ms, its first title made odd.
QString demoProject(const QTemporaryDir &dir)
{
    QString text = QString::fromLatin1(
        tlv::test::readBytes(QStringLiteral(TOLVANE_TEST_DATA "/../../demo/demo.tlvr")));
    text.replace(QRegularExpression(u"ReadInterval=\\d+"_s), u"ReadInterval=200"_s);
    text.replace(QRegularExpression(u"RecordInterval=\\d+"_s), u"RecordInterval=1"_s);
    text.replace(u",Temperature,"_s, u","_s + OddTitle + u","_s);
    const QString project = dir.filePath(u"demo.tlvr"_s);
    if (!text.contains(OddTitle) || !tlv::test::writeBytes(project, text.toLatin1()))
        return {};
    return runCli({ u"compile"_s, project }).code == 0 ? project : QString();
}

QStringList movingDemo(const QString &source, int seed)
{
    return { u"--trace"_s, source, u"--set"_s, u"wave R 100 sine 150 650 2000"_s, u"--set"_s,
        u"wave R 101 ramp 0 100 800"_s, u"--set"_s, u"wave R 102 walk 1000 5000 500 %1"_s.arg(seed),
        u"--set"_s, u"wave F 10 square 0 1 600"_s };
}

const QStringList Titles
    = { OddTitle, u"Valve"_s, u"Energy"_s, u"EnergyLow"_s, u"Burner"_s, u"Step"_s };

// "signal|text" of every data cell of the printed record rows (stamps d,t,s come first).
QStringList printedCells(const QStringList &lines)
{
    QStringList cells;
    for (const QString &line : lines) {
        const QStringList f = line.split(u'\t');
        if (f.size() < 3 + Titles.size() || f[2].startsWith(u"Miss"_s) || f[2] == u"Restart"_s)
            continue;
        for (int i = 0; i < Titles.size(); ++i)
            cells << Titles[i] + u'|' + f[3 + i];
    }
    cells.sort();
    return cells;
}

QStringList rowsOf(const CliRun &run)
{
    QStringList l = run.out.split(u'\n', Qt::SkipEmptyParts);
    l.sort();
    return l;
}

// The multiset a is contained in the multiset b (both sorted).
bool within(const QStringList &a, const QStringList &b)
{
    qsizetype j = 0;
    for (const QString &x : a) {
        while (j < b.size() && b[j] < x)
            ++j;
        if (j == b.size() || b[j] != x)
            return false;
        ++j;
    }
    return true;
}

} // namespace

TEST(PlantEndToEnd, EveryPrintedRowArrivesOnceThroughOutageKillAndRestart)
{
    ASSERT_TRUE(PgCluster::available()) << "postgresql-15 is missing (scripts/bootstrap)";
    PgCluster pg;
    QString why;
    ASSERT_TRUE(pg.start(&why)) << qPrintable(why);
    const QProcessEnvironment env = pg.environment();

    // The plant, twice: init can run again. Then one login per job.
    for (int i = 0; i < 2; ++i) {
        const CliRun init = runCli({ u"plant"_s, u"init"_s, pg.uri(u"postgres"_s) });
        ASSERT_EQ(init.code, 0) << qPrintable(init.err);
    }
    ASSERT_EQ(pg.psql(u"postgres"_s,
                    u"CREATE ROLE rec LOGIN PASSWORD 'rec-pw' IN ROLE tolvane_recorder; "
                    "CREATE ROLE late LOGIN PASSWORD 'late-pw' IN ROLE tolvane_recorder; "
                    "CREATE ROLE viewer LOGIN PASSWORD 'viewer-pw' IN ROLE tolvane_reader"_s)
                  .code,
        0);
    ASSERT_TRUE(pg.writePasswords({ { u"rec"_s, u"rec-pw"_s }, { u"viewer"_s, u"viewer-pw"_s },
        { u"late"_s, u"not-the-password"_s } }));

    QTemporaryDir dir;
    const QString project = demoProject(dir);
    ASSERT_FALSE(project.isEmpty());
    std::vector<std::unique_ptr<PcdProcess>> pcds;
    for (int i = 0; i < 3; ++i) {
        pcds.push_back(
            std::make_unique<PcdProcess>(movingDemo(dir.filePath(u"demo.tlvs"_s), 40 + i)));
        ASSERT_NE(pcds.back()->port(), 0);
    }
    const QDateTime begun = QDateTime::currentDateTimeUtc();
    const auto recorderArgs = [&](int i, const QString &user, const QString &journal,
                                  const QString &source, int seconds) {
        return QStringList { u"record"_s, project, u"--connect"_s, pcds[size_t(i)]->connection(),
            u"--stamps"_s, u"d,t,s"_s, u"--seconds"_s, QString::number(seconds), u"--journal"_s,
            dir.filePath(journal), u"--forward"_s, pg.uri(user), u"--source"_s, source };
    };
    const QStringList sources = { u"boiler 1"_s, u"boiler 2"_s, u"boiler's 3; \"x\""_s };
    std::vector<std::unique_ptr<Recorder>> recorders;
    for (int i = 0; i < 3; ++i) {
        recorders.push_back(std::make_unique<Recorder>(
            recorderArgs(i, u"rec"_s, u"j%1.db"_s.arg(i), sources[i], i == 1 ? 30 : 14), env));
    }
    // A login the server refuses: recording goes on and the recorder says why.
    Recorder refusedLogin(recorderArgs(0, u"late"_s, u"late.db"_s, u"late"_s, 3), env);
    for (auto &r : recorders)
        ASSERT_TRUE(r->waitLines(8, 20000)) << qPrintable(r->err());

    // A second recorder of a source that is being recorded gives way.
    Recorder second(recorderArgs(0, u"rec"_s, u"second.db"_s, sources[0], 20), env);
    EXPECT_EQ(second.wait(20000), 1);
    EXPECT_TRUE(second.err().contains(u"forward: the source \"boiler 1\" is being recorded by "
                                      "another recorder"_s))
        << qPrintable(second.err());

    // The server goes down hard for a few seconds; the recorders go on.
    ASSERT_TRUE(pg.stopImmediate());
    // Some 4 s of records at 10 a second.
    for (auto &r : recorders)
        ASSERT_TRUE(r->waitLines(int(r->lines().size()) + 40, 20000)) << qPrintable(r->err());
    ASSERT_TRUE(pg.startAgain(&why)) << qPrintable(why);

    // The second recorder is killed and started again on its journal.
    recorders[1]->waitLines(int(recorders[1]->lines().size()) + 5, 20000);
    recorders[1]->kill();
    const QStringList killedLines = recorders[1]->lines();
    const QString killedErr = recorders[1]->err();
    recorders[1]
        = std::make_unique<Recorder>(recorderArgs(1, u"rec"_s, u"j1.db"_s, sources[1], 5), env);

    EXPECT_EQ(refusedLogin.wait(20000), 0);
    EXPECT_GE(refusedLogin.lines().size(), 5);
    EXPECT_TRUE(refusedLogin.err().contains(u"forward: "_s)
        && refusedLogin.err().contains(u"password authentication failed for user \"late\""_s))
        << qPrintable(refusedLogin.err());

    QList<QStringList> printed;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(recorders[size_t(i)]->wait(40000), 0) << qPrintable(recorders[size_t(i)]->err());
        printed << (i == 1 ? killedLines + recorders[1]->lines() : recorders[size_t(i)]->lines());
        if (i == 1)
            continue;
        const QString err = recorders[size_t(i)]->err();
        // Told once when the server went, once when it came back.
        EXPECT_EQ(err.count(u"forward: "_s), 2) << qPrintable(err);
        EXPECT_TRUE(err.contains(u"again"_s)) << qPrintable(err);
    }
    const QDateTime ended = QDateTime::currentDateTimeUtc();
    EXPECT_TRUE(killedErr.contains(u"forward: "_s)) << qPrintable(killedErr);

    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(sources[i].toStdString());
        const QString source = u"'"_s + QString(sources[i]).replace(u"'"_s, u"''"_s) + u"'"_s;
        // Every row of the journal once, in order, with nothing else.
        const CliRun records = pg.psql(u"viewer"_s,
            u"SELECT count(*), count(DISTINCT seq), min(seq), max(seq), "
            "count(*) FILTER (WHERE kind = 'record'), "
            "min(time) >= '%1'::timestamptz - interval '1 second', "
            "max(time) <= '%2'::timestamptz + interval '1 second' "
            "FROM tolvane.records WHERE source = %3"_s.arg(
                begun.toString(Qt::ISODateWithMs), ended.toString(Qt::ISODateWithMs), source));
        ASSERT_EQ(records.code, 0) << qPrintable(records.err);
        const QStringList f = records.out.trimmed().split(u'|');
        ASSERT_EQ(f.size(), 7) << qPrintable(records.out);
        const CliRun info = runCli({ u"journal"_s, dir.filePath(u"j%1.db"_s.arg(i)), u"info"_s });
        static const QRegularExpression rowsLine(u"Rows: (\\d+) "_s);
        const QString journalRows = rowsLine.match(info.out).captured(1);
        EXPECT_EQ(f[0], journalRows) << qPrintable(info.out);
        EXPECT_EQ(f[1], f[0]);
        EXPECT_EQ(f[2], u"1"_s);
        EXPECT_EQ(f[3], f[0]);
        EXPECT_EQ(f[5], u"t"_s);
        EXPECT_EQ(f[6], u"t"_s);
        EXPECT_GE(f[0].toInt(), printed[i].size());

        // The values of every printed record, under their column titles.
        const CliRun samples = pg.psql(u"viewer"_s,
            u"SELECT signal || '|' || text FROM tolvane.samples WHERE source = %1"_s.arg(source));
        ASSERT_EQ(samples.code, 0) << qPrintable(samples.err);
        const QStringList held = rowsOf(samples);
        const QStringList want = printedCells(printed[i]);
        EXPECT_GT(want.size(), 100);
        if (i == 1)
            EXPECT_TRUE(within(want, held));
        else
            EXPECT_EQ(held, want);
        EXPECT_EQ(held.size(), f[4].toInt() * Titles.size());
    }
    const CliRun numbers = pg.psql(u"viewer"_s,
        u"SELECT count(*) FILTER (WHERE value IS NULL), count(*) FROM tolvane.samples "
        "WHERE signal = '%1'"_s.arg(QString(OddTitle).replace(u"'"_s, u"''"_s)));
    EXPECT_TRUE(numbers.out.trimmed().startsWith(u"0|"_s)) << qPrintable(numbers.out);

    // The reader reads and nothing more.
    for (const QString &sql : { u"INSERT INTO tolvane.sources (name) VALUES ('x')"_s,
             u"DELETE FROM tolvane.rows"_s, u"UPDATE tolvane.meta SET value = '0'"_s,
             u"SELECT tolvane.put_rows('boiler 1', '{}')"_s,
             u"SELECT tolvane.claim_source('boiler 1')"_s, u"CREATE TABLE tolvane.mine (a int)"_s,
             u"DROP VIEW tolvane.samples"_s }) {
        const CliRun write = pg.psql(u"viewer"_s, sql);
        EXPECT_NE(write.code, 0) << qPrintable(sql);
        EXPECT_TRUE(
            write.err.contains(u"permission denied"_s) || write.err.contains(u"must be owner"_s))
            << qPrintable(write.err);
    }
}
