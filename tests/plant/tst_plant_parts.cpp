// The pieces around forwarding: URIs as libpq takes them, the schema's versions, sources,
// pruning, a source read back like a journal file, and the recorder's systemd unit.

#include "PgCluster.h"
#include "journal/JournalHistory.h"
#include "journal/JournalWriter.h"
#include "journal/plant/PlantHistory.h"
#include "journal/plant/PlantSchema.h"
#include "journal/plant/PlantUri.h"
#include "tests/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

using tlv::plant::PlantUri;
using tlv::test::CliRun;
using tlv::test::PgCluster;
using tlv::test::runCli;

} // namespace

TEST(PlantUri, TakesLibpqFormsAndRefusesPasswords)
{
    struct Case
    {
        QString uri;
        QString host, port, dbname, user, options;
    };
    const Case good[] = {
        { u"postgresql://rec@db.plant:5433/plant?sslmode=verify-full&application_name=x"_s,
            u"db.plant"_s, u"5433"_s, u"plant"_s, u"rec"_s,
            u"sslmode=verify-full application_name=x"_s },
        { u"postgresql://rec@%2Frun%2Fpostgresql/plant"_s, u"/run/postgresql"_s, {}, u"plant"_s,
            u"rec"_s, {} },
        { u"postgres:///plant?host=/tmp/pg%20x&port=5499&user=r%C3%A9c"_s, u"/tmp/pg x"_s,
            u"5499"_s, u"plant"_s, u"r\u00e9c"_s, {} },
        { u"postgresql://a:1,[::1]:2/plant?target_session_attrs=read-write"_s, u"a,::1"_s, u"1,2"_s,
            u"plant"_s, {}, u"target_session_attrs=read-write"_s },
        { u"postgresql://?service=plant"_s, {}, {}, {}, {}, u"service=plant"_s },
    };
    for (const Case &c : good) {
        PlantUri uri;
        ASSERT_TRUE(uri.parse(c.uri)) << qPrintable(uri.error());
        QStringList options;
        for (const auto &[key, value] : uri.options())
            options << key + u'=' + value;
        EXPECT_EQ(
            QStringList({ uri.host(), uri.port(), uri.dbname(), uri.user(), options.join(u' ') }),
            QStringList({ c.host, c.port, c.dbname, c.user, c.options }))
            << qPrintable(c.uri);
    }
    const QString bad[] = { u"postgresql://rec:secret@db/plant"_s,
        u"postgresql://db/plant?password=secret"_s, u"host=db dbname=plant"_s,
        u"postgresql://db:99999/plant"_s, u"postgresql://db/plant?sslmode"_s,
        u"postgresql://db/plant?options=-c%20a%3Db;c"_s, u"postgresql://[::1/plant"_s };
    for (const QString &text : bad) {
        PlantUri uri;
        EXPECT_FALSE(uri.parse(text)) << qPrintable(text);
        EXPECT_FALSE(uri.error().contains(u"secret"_s)) << qPrintable(uri.error());
    }
}

TEST(PlantService, SystemdAcceptsTheRecorderUnit)
{
    const QString analyze = u"/usr/bin/systemd-analyze"_s;
    if (!QFile::exists(analyze))
        GTEST_SKIP() << "systemd-analyze is missing (package systemd, in scripts/bootstrap)";
    // An instance of the template, as systemd would load it, its command the built one.
    QTemporaryDir dir;
    const QString unit = dir.filePath(u"tolvane-recorder@boiler.service"_s);
    ASSERT_TRUE(QFile::copy(QStringLiteral(TOLVANE_TEST_UNIT), unit));
    const CliRun verify = tlv::test::runProgram(analyze, { u"verify"_s, unit });
    EXPECT_EQ(verify.code, 0) << qPrintable(verify.err + verify.out);
    // Warnings come on stderr with a zero exit code: none about this unit.
    EXPECT_FALSE(verify.err.contains(u"tolvane-recorder@"_s)) << qPrintable(verify.err);
}

class PlantServer : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!PgCluster::available())
            return;
        s_pg = new PgCluster;
        QString why;
        if (!s_pg->start(&why)
            || runCli({ u"plant"_s, u"init"_s, s_pg->uri(u"postgres"_s) }).code != 0) {
            ADD_FAILURE() << qPrintable(why);
            delete s_pg;
            s_pg = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        delete s_pg;
        s_pg = nullptr;
    }
    void SetUp() override
    {
        ASSERT_NE(s_pg, nullptr) << "no PostgreSQL cluster (postgresql-15, scripts/bootstrap)";
    }
    [[nodiscard]] static QString admin() { return s_pg->uri(u"postgres"_s); }

    static PgCluster *s_pg;
};

PgCluster *PlantServer::s_pg = nullptr;

TEST_F(PlantServer, InitRefusesANewerSchemaAndLeavesItAsItIs)
{
    ASSERT_EQ(s_pg->psql(u"postgres"_s,
                      u"UPDATE tolvane.meta SET value = '99' WHERE key = 'schema_version'"_s)
                  .code,
        0);
    const CliRun init = runCli({ u"plant"_s, u"init"_s, admin() });
    EXPECT_EQ(init.code, 1);
    EXPECT_TRUE(init.err.contains(u"The plant database holds schema version 99; this "
                                  "tolvane-cli knows version %1 and leaves it as it is."_s.arg(
                                      tlv::plant::PlantSchema::Version)))
        << qPrintable(init.err);
    EXPECT_EQ(
        s_pg->psql(u"postgres"_s, u"SELECT value FROM tolvane.meta WHERE key = 'schema_version'"_s)
            .out.trimmed(),
        u"99"_s);
    ASSERT_EQ(s_pg->psql(u"postgres"_s,
                      u"UPDATE tolvane.meta SET value = '%1' WHERE key = 'schema_version'"_s.arg(
                          tlv::plant::PlantSchema::Version))
                  .code,
        0);
    EXPECT_EQ(runCli({ u"plant"_s, u"init"_s, admin() }).code, 0);
}

TEST_F(PlantServer, UnreachableServersAndBadArgumentsSayWhy)
{
    const CliRun down = runCli({ u"plant"_s, u"sources"_s,
        u"postgresql://postgres@/postgres?host=/nonexistent/socket&connect_timeout=2"_s });
    EXPECT_EQ(down.code, 1);
    EXPECT_TRUE(down.err.startsWith(u"The plant database cannot be reached: connection to "
                                    "server on socket \"/nonexistent/socket/.s.PGSQL.5432\" "
                                    "failed"_s))
        << qPrintable(down.err);
    const CliRun password = runCli({ u"plant"_s, u"init"_s, u"postgresql://a:b@/x"_s });
    EXPECT_EQ(password.code, 2);
    EXPECT_TRUE(password.err.contains(u"PGPASSFILE"_s)) << qPrintable(password.err);
    const CliRun when = runCli({ u"plant"_s, u"prune"_s, admin(), u"--before"_s, u"soon"_s });
    EXPECT_EQ(when.code, 2);
    EXPECT_TRUE(when.err.contains(u"\"soon\" is no ISO 8601 time"_s)) << qPrintable(when.err);
}

// The demo buffer recorded for a moment into a journal and forwarded under source.
static QString recordDemo(const QTemporaryDir &dir, const QString &uri, const QString &source)
{
    QString text = QString::fromLatin1(
        tlv::test::readBytes(QStringLiteral(TOLVANE_TEST_DATA "/../../demo/demo.tlvr")));
    text.replace(QRegularExpression(u"ReadInterval=\\d+"_s), u"ReadInterval=200"_s);
    text.replace(QRegularExpression(u"RecordInterval=\\d+"_s), u"RecordInterval=1"_s);
    const QString project = dir.filePath(u"demo.tlvr"_s);
    if (!tlv::test::writeBytes(project, text.toLatin1())
        || runCli({ u"compile"_s, project }).code != 0)
        return {};
    tlv::test::PcdProcess pcd({ u"--trace"_s, dir.filePath(u"demo.tlvs"_s), u"--set"_s,
        u"wave R 100 sine 150 650 2000"_s, u"--set"_s, u"wave R 102 walk 1000 5000 500 9"_s });
    const QString journal = dir.filePath(u"j.db"_s);
    const CliRun run
        = runCli({ u"record"_s, project, u"--connect"_s, pcd.connection(), u"--records"_s, u"30"_s,
            u"--journal"_s, journal, u"--forward"_s, uri, u"--source"_s, source });
    return run.code == 0 && run.err.isEmpty() ? journal : QString();
}

TEST_F(PlantServer, ASourceReadsBackLikeItsJournalAndPrunesByWholeDays)
{
    QTemporaryDir dir;
    const QString journal = recordDemo(dir, admin(), u"demo"_s);
    ASSERT_FALSE(journal.isEmpty());
    const QStringList server = { u"journal"_s, admin(), u"--source"_s, u"demo"_s };

    // The same rows, cell for cell, whether read from the file or from the server; by row
    // numbers and by time.
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    const QStringList ranges[] = { { u"--from"_s, u"3"_s, u"--to"_s, u"25"_s },
        { u"--from-time"_s, u"2000-01-01T00:00:00Z"_s, u"--to-time"_s, now } };
    for (const QStringList &range : ranges) {
        const CliRun file
            = runCli(QStringList { u"journal"_s, journal, u"export"_s, dir.filePath(u"file.csv"_s) }
                + range);
        const CliRun held
            = runCli(server + QStringList { u"export"_s, dir.filePath(u"server.csv"_s) } + range);
        ASSERT_EQ(file.code, 0) << qPrintable(file.err);
        ASSERT_EQ(held.code, 0) << qPrintable(held.err);
        EXPECT_EQ(held.out.section(u' ', 0, 4), file.out.section(u' ', 0, 4));
        const QByteArray rows = tlv::test::readBytes(dir.filePath(u"file.csv"_s));
        EXPECT_GT(rows.count('\n'), 20);
        EXPECT_EQ(tlv::test::readBytes(dir.filePath(u"server.csv"_s)), rows);
    }
    const CliRun before = runCli({ u"journal"_s, journal, u"export"_s, dir.filePath(u"none.csv"_s),
        u"--to-time"_s, u"2000-01-01"_s });
    EXPECT_EQ(before.code, 1);
    EXPECT_TRUE(before.err.startsWith(u"The journal holds no rows to 2000-"_s))
        << qPrintable(before.err);
    const CliRun info = runCli(server + QStringList { u"info"_s });
    ASSERT_EQ(info.code, 0) << qPrintable(info.err);
    EXPECT_TRUE(info.out.startsWith(u"Buffer: Boiler demo\n"_s)) << qPrintable(info.out);

    // A journal forwarded later under another name arrives whole, once however often it goes.
    for (int i = 0; i < 2; ++i) {
        const CliRun later
            = runCli({ u"journal"_s, journal, u"forward"_s, admin(), u"--source"_s, u"later"_s });
        EXPECT_EQ(later.code, 0) << qPrintable(later.err);
    }
    const CliRun sources = runCli({ u"plant"_s, u"sources"_s, admin() });
    ASSERT_EQ(sources.code, 0) << qPrintable(sources.err);
    const QRegularExpression demoLine(
        u"^demo\\t(\\d+)\\t\\S+Z\\t\\S+Z\\t[0-9.]+ s$"_s, QRegularExpression::MultilineOption);
    const QRegularExpression laterLine(
        u"^later\\t(\\d+)\\t"_s, QRegularExpression::MultilineOption);
    const QString rows = demoLine.match(sources.out).captured(1);
    EXPECT_FALSE(rows.isEmpty()) << qPrintable(sources.out);
    EXPECT_EQ(laterLine.match(sources.out).captured(1), rows) << qPrintable(sources.out);

    // Today's rows stay until a cut after the end of today.
    const CliRun keep = runCli({ u"plant"_s, u"prune"_s, admin(), u"--before"_s,
        QDate::currentDate().toString(Qt::ISODate) });
    EXPECT_EQ(keep.code, 0) << qPrintable(keep.err);
    EXPECT_TRUE(keep.out.contains(u"nothing dropped"_s)) << qPrintable(keep.out);
    const CliRun drop = runCli({ u"plant"_s, u"prune"_s, admin(), u"--before"_s,
        QDateTime::currentDateTimeUtc().addDays(2).toString(Qt::ISODate) });
    EXPECT_EQ(drop.code, 0) << qPrintable(drop.err);
    EXPECT_TRUE(drop.out.startsWith(u"Dropped the rows of 1 day"_s)) << qPrintable(drop.out);
    EXPECT_EQ(
        s_pg->psql(u"postgres"_s, u"SELECT count(*) FROM tolvane.records"_s).out.trimmed(), u"0"_s);
    EXPECT_EQ(s_pg->psql(u"postgres"_s, u"SELECT count(*) FROM tolvane.summaries"_s).out.trimmed(),
        u"0"_s);
    // What was pruned stays pruned when the journal is forwarded again.
    const CliRun again
        = runCli({ u"journal"_s, journal, u"forward"_s, admin(), u"--source"_s, u"later"_s });
    EXPECT_EQ(again.code, 0) << qPrintable(again.err);
    EXPECT_EQ(
        s_pg->psql(u"postgres"_s, u"SELECT count(*) FROM tolvane.records"_s).out.trimmed(), u"0"_s);
}

TEST_F(PlantServer, OnlyTheClaimingSessionWritesAndListenersHearOfEachBatch)
{
    const CliRun unclaimed
        = s_pg->psql(u"postgres"_s, u"SELECT tolvane.put_rows('nobody''s', '{\"rows\": []}')"_s);
    EXPECT_NE(unclaimed.code, 0);
    EXPECT_TRUE(unclaimed.err.contains(u"the source \"nobody's\" is not claimed by this session"_s))
        << qPrintable(unclaimed.err);
    const CliRun batch = s_pg->psql(u"postgres"_s,
        u"LISTEN tolvane_rows; SELECT claimed FROM tolvane.claim_source('heard'); "
        "SELECT tolvane.put_rows('heard', '{\"rows\": []}')"_s);
    ASSERT_EQ(batch.code, 0) << qPrintable(batch.err);
    EXPECT_TRUE(batch.out.contains(
        u"Asynchronous notification \"tolvane_rows\" with payload \"heard\" received"_s))
        << qPrintable(batch.out);
}

// Grafana's macros as its PostgreSQL data source expands them, for a check with psql.
static QString expandGrafana(QString sql)
{
    sql.replace(QRegularExpression(u"\\$__timeGroupAlias\\(time, [^)]*\\)"_s),
        u"date_trunc('minute', time) AS time"_s);
    sql.replace(u"$__timeFilter(time)"_s, u"time BETWEEN now() - interval '1 hour' AND now()"_s);
    sql.replace(u"$source"_s, u"'demo'"_s);
    sql.replace(u"$signal"_s, u"'Valve'"_s);
    return sql;
}

TEST_F(PlantServer, TheGrafanaDashboardsQueriesRunWithTheReadersRights)
{
    const QJsonObject dashboard = QJsonDocument::fromJson(
        tlv::test::readBytes(
            QStringLiteral(TOLVANE_TEST_DATA "/../../docs/grafana/tolvane-dashboard.json")))
                                      .object();
    QStringList queries;
    for (const QJsonValue v : dashboard[u"templating"_s][u"list"_s].toArray())
        queries << v[u"query"_s].toString();
    for (const QJsonValue panel : dashboard[u"panels"_s].toArray()) {
        for (const QJsonValue target : panel[u"targets"_s].toArray())
            queries << target[u"rawSql"_s].toString();
    }
    ASSERT_GE(queries.size(), 6);
    for (const QString &sql : queries) {
        const CliRun run
            = s_pg->psql(u"postgres"_s, u"SET ROLE tolvane_reader; "_s + expandGrafana(sql));
        EXPECT_EQ(run.code, 0) << qPrintable(sql + u'\n' + run.err);
    }
}

// Bucket by bucket; "-" stands for no value.
static QString bucketText(const QList<tlv::viewer::HistoryBucket> &buckets)
{
    const auto v = [](double d) { return std::isnan(d) ? u"-"_s : QString::number(d); };
    QStringList lines;
    for (const tlv::viewer::HistoryBucket &b : buckets) {
        QString line = QString::number(b.column) + u' ' + QString::number(b.firstId) + u".."
            + QString::number(b.lastId) + u' ' + QString::number(b.firstMs) + u".."
            + QString::number(b.lastMs) + u" gaps " + QString::number(b.gaps);
        for (qsizetype i = 0; i < b.low.size(); ++i)
            line += u' ' + v(b.low[i]) + u'/' + v(b.high[i]);
        lines << line;
    }
    return lines.join(u'\n');
}

TEST_F(PlantServer, AForwardedJournalIsDrawnLikeItsFileAtEveryLevel)
{
    // Rows with a wave and a bit, status and separator rows; forwarded in one go, then more.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"history.db"_s);
    constexpr qint64 Start = 1'765'000'000'000;
    const auto write = [&](qint64 from, qint64 to) {
        tlv::journal::JournalWriter writer;
        ASSERT_TRUE(writer.open(path)) << qPrintable(writer.errorString());
        tlv::journal::JournalBuffer buffer;
        buffer.columns = { { 0, u"Wave"_s, 1000, 4, u"d"_s }, { 1, u"Bit"_s, 500, 1, u"d"_s } };
        writer.setBuffer(buffer);
        for (qint64 i = from; i <= to; ++i) {
            tlv::journal::JournalRow r;
            r.recordNumber = i;
            r.pcMillis = Start + i * 100;
            const bool record = i % 997 != 0 && i != 3001;
            r.kind = record ? tlv::journal::RowKind::Record
                : i == 3001 ? tlv::journal::RowKind::Miss
                            : tlv::journal::RowKind::Status;
            const double wave = std::round(500 * std::sin(i / 300.0)) + (i * 7919) % 13;
            r.cells = { QString::number(wave), QString::number(i % 3 == 0) };
            r.numbers = { record ? std::optional(wave) : std::nullopt,
                record ? std::optional(double(i % 3 == 0)) : std::nullopt };
            r.rawValues = { std::nullopt, std::nullopt };
            writer.addRow(r);
        }
        ASSERT_TRUE(writer.flush());
        writer.close();
        const CliRun forward
            = runCli({ u"journal"_s, path, u"forward"_s, admin(), u"--source"_s, u"drawn"_s });
        ASSERT_EQ(forward.code, 0) << qPrintable(forward.err);
    };
    write(1, 9000);
    write(9001, 9050);

    tlv::journal::JournalHistory file;
    ASSERT_TRUE(file.open(path)) << qPrintable(file.errorString());
    PlantUri uri;
    ASSERT_TRUE(uri.parse(admin()));
    tlv::plant::PlantHistory server;
    ASSERT_TRUE(server.open(uri, u"drawn"_s)) << qPrintable(server.errorString());
    const QList<tlv::viewer::HistoryQuery> queries {
        { 1, 9050, false, 2, { 0, 1 } }, // level 4096
        { 1, 9050, false, 8, { 1, 0 } }, // 1024
        { 100, 9050, false, 40, { 0 } }, // 256
        { 1, 9050, false, 150, { 0, 1 } }, // 64
        { 2990, 3010, false, 10, { 0, 1 } }, // the rows themselves
        { 9000, 9100, false, 5, { 0 } }, // the newest, not summed up yet
        { Start, Start + 905'000, true, 3, { 0, 1 } },
        { Start + 290'000, Start + 310'000, true, 70, { 0 } },
    };
    const auto drawnAlike = [&](tlv::plant::PlantHistory &server) {
        for (const tlv::viewer::HistoryQuery &q : queries) {
            QList<tlv::viewer::HistoryBucket> fromFile;
            QList<tlv::viewer::HistoryBucket> fromServer;
            ASSERT_TRUE(file.buckets(q, &fromFile)) << qPrintable(file.errorString());
            ASSERT_TRUE(server.buckets(q, &fromServer)) << qPrintable(server.errorString());
            EXPECT_EQ(server.level(), file.level());
            EXPECT_FALSE(fromFile.isEmpty());
            EXPECT_EQ(bucketText(fromServer), bucketText(fromFile)) << "from " << q.from;
        }
    };
    drawnAlike(server);
    tlv::viewer::HistoryRecord record;
    ASSERT_TRUE(server.nearestRecord(997, false, { 0 }, &record));
    EXPECT_EQ(record.id, 996);
    EXPECT_EQ(record.values.value(0), std::round(500 * std::sin(996 / 300.0)) + (996 * 7919) % 13);
    ASSERT_TRUE(server.nearestRecord(Start + 5000 * 100 + 30, true, { 0 }, &record));
    EXPECT_EQ(record.id, 5000);
    // A kept cursor by its record number, as the file finds it: a status row's number
    // stands for the record before it, an unknown number for none.
    for (const auto &[number, id] : { std::pair<qint64, qint64> { 4000, 4000 }, { 1994, 1993 },
             { 9050, 9050 }, { 99999, 0 } }) {
        tlv::viewer::HistoryRecord fromFile;
        ASSERT_TRUE(server.recordByNumber(number, { 1, 0 }, &record))
            << qPrintable(server.errorString());
        ASSERT_TRUE(file.recordByNumber(number, { 1, 0 }, &fromFile))
            << qPrintable(file.errorString());
        EXPECT_EQ(record.id, id) << number;
        EXPECT_EQ(fromFile.id, id) << number;
        EXPECT_EQ(record.values, fromFile.values) << number;
    }

    // A database of version 1, with a row per block and column: drawn from its rows until
    // init makes its summaries again.
    ASSERT_EQ(s_pg->psql(u"postgres"_s,
                      u"DROP TABLE tolvane.summaries; CREATE TABLE tolvane.summaries (source_id "
                      "integer, level integer, block bigint, position integer, first_seq bigint, "
                      "last_seq bigint, first_ms bigint, last_ms bigint, low double precision, "
                      "high double precision, gaps integer, PRIMARY KEY (source_id, level, "
                      "block, position)); UPDATE tolvane.meta SET value = '1' WHERE key = "
                      "'schema_version'"_s)
                  .code,
        0);
    tlv::plant::PlantHistory older;
    ASSERT_TRUE(older.open(uri, u"drawn"_s)) << qPrintable(older.errorString());
    QList<tlv::viewer::HistoryBucket> fromRows;
    ASSERT_TRUE(older.buckets({ 1, 9050, false, 1, { 0 } }, &fromRows))
        << qPrintable(older.errorString());
    QList<tlv::viewer::HistoryBucket> fromFile;
    ASSERT_TRUE(file.buckets({ 1, 9050, false, 1, { 0 } }, &fromFile));
    EXPECT_EQ(bucketText(fromRows), bucketText(fromFile));
    const CliRun upgrade = runCli({ u"plant"_s, u"init"_s, admin() });
    EXPECT_TRUE(upgrade.out.contains(u"upgraded from schema version 1 to"_s))
        << qPrintable(upgrade.out + upgrade.err);
    tlv::plant::PlantHistory upgraded;
    ASSERT_TRUE(upgraded.open(uri, u"drawn"_s)) << qPrintable(upgraded.errorString());
    drawnAlike(upgraded);
}
