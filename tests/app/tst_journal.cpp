// The recorder with a journal, killed with SIGKILL in the middle of a recording against the
// simulated PCD: the journal is intact, holds every row printed, and exports to .csv and
// .xlsx with the grid's values and kinds. A journal it cannot use never stops it.

#include "../TestSupport.h"
#include "CliRun.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using tlv::test::CliRun;
using tlv::test::PcdProcess;
using tlv::test::readLines;
using tlv::test::runCli;
using tlv::test::runProgram;
constexpr int Bound = tlv::test::ProcessBound;

// Debian's own Python, which has python3-openpyxl, before any other on the path.
QString python()
{
    const QString debian = u"/usr/bin/python3"_s;
    return QFile::exists(debian) ? debian : u"python3"_s;
}

// The rows of a .csv file, each one's fields tab-joined, read by Python's own reader.
const char *ReadCsv = R"(
import csv, sys
for row in csv.reader(open(sys.argv[1], newline='', encoding='utf-8')):
    print('\t'.join(row))
)";

QString withoutEmptyTail(QStringList fields)
{
    while (!fields.isEmpty() && fields.last().isEmpty())
        fields.removeLast();
    return fields.join(u'\t');
}

// Each cell of the sheet as kind:text, read by openpyxl: n number, s text, d date, t time.
const char *ReadXlsx = R"(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
for row in ws.iter_rows():
    out = []
    for c in row:
        v = c.value
        if v is None: out.append('')
        elif c.is_date:
            t = 't' if 'h' in c.number_format and 'd' not in c.number_format else 'd'
            out.append(t + ':' + v.strftime('%H:%M:%S' if t == 't' else '%d/%m/%y'))
        elif isinstance(v, (int, float)): out.append('n:' + repr(float(v)))
        else: out.append('s:' + v)
    print('\t'.join(out))
)";

// The demo project reading every 200 ms a record every 100 ms, compiled into dir.
QString demoProject(const QTemporaryDir &dir)
{
    QString text = QString::fromLatin1(
        tlv::test::readBytes(QStringLiteral(TOLVANE_TEST_DATA "/../../demo/demo.tlvr")));
    text.replace(QRegularExpression(u"ReadInterval=\\d+"_s), u"ReadInterval=200"_s);
    text.replace(QRegularExpression(u"RecordInterval=\\d+"_s), u"RecordInterval=1"_s);
    const QString project = dir.filePath(u"demo.tlvr"_s);
    if (text.isEmpty() || !tlv::test::writeBytes(project, text.toLatin1()))
        return {};
    return runCli({ u"compile"_s, project }).code == 0 ? project : QString();
}

// That project's buffer running on the simulated PCD with moving values.
class CliRecording : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(project.isEmpty());
        ASSERT_NE(pcd.port(), 0);
    }

    QTemporaryDir dir;
    const QString project = demoProject(dir);
    PcdProcess pcd { { u"--trace"_s, dir.filePath(u"demo.tlvs"_s), u"--set"_s,
        u"wave R 100 sine 150 650 2000"_s, u"--set"_s, u"wave R 101 ramp 0 100 800"_s, u"--set"_s,
        u"wave R 102 walk 1000 5000 500 40"_s, u"--set"_s, u"wave F 10 square 0 1 600"_s } };
};

} // namespace

TEST_F(CliRecording, AKilledRecorderLeavesAnIntactJournalWithEveryPrintedRow)
{
    const QString journal = dir.filePath(u"j.db"_s);

    QProcess recorder;
    recorder.start(QStringLiteral(TOLVANE_BIN_DIR "/tolvane-cli"),
        { u"record"_s, project, u"--connect"_s, pcd.connection(), u"--stamps"_s, u"d,t,s"_s,
            u"--journal"_s, journal });
    QString partial;
    QStringList printed = readLines(recorder, 25, QDeadlineTimer(Bound), &partial);
    ASSERT_GE(printed.size(), 25) << qPrintable(QString::fromUtf8(recorder.readAllStandardError()));
    recorder.kill(); // SIGKILL
    ASSERT_TRUE(recorder.waitForFinished(Bound));
    partial += QString::fromUtf8(recorder.readAllStandardOutput());
    // A line cut by the kill was not printed in full.
    printed += partial.split(u'\n');
    printed.removeLast();

    const CliRun check = runProgram(python(),
        { u"-c"_s,
            QStringLiteral("import sqlite3, sys; "
                           "print(sqlite3.connect(sys.argv[1]).execute('PRAGMA integrity_check')"
                           ".fetchone()[0])"),
            journal });
    EXPECT_EQ(check.out.trimmed(), u"ok"_s) << qPrintable(check.err);

    const CliRun info = runCli({ u"journal"_s, journal, u"info"_s });
    ASSERT_EQ(info.code, 0) << qPrintable(info.err);
    EXPECT_TRUE(info.out.contains(u"Buffer: Boiler demo\n"_s)) << qPrintable(info.out);
    EXPECT_TRUE(info.out.contains(u"Closed: no"_s)) << qPrintable(info.out);
    EXPECT_TRUE(info.out.contains(u"Schema: version 2\n"_s)) << qPrintable(info.out);

    // The rows printed are the first rows of the journal, cell for cell.
    const QString csv = dir.filePath(u"out.csv"_s);
    const CliRun exported = runCli({ u"journal"_s, journal, u"export"_s, csv });
    ASSERT_EQ(exported.code, 0) << qPrintable(exported.err);
    const CliRun csvRead = runProgram(python(), { u"-c"_s, QString::fromLatin1(ReadCsv), csv });
    ASSERT_EQ(csvRead.code, 0) << qPrintable(csvRead.err);
    QList<QStringList> csvRows;
    for (const QString &line : csvRead.lines())
        csvRows.append(line.split(u'\t'));
    ASSERT_GE(csvRows.size(), printed.size() + 1);
    EXPECT_EQ(csvRows[0].mid(0, 4),
        QStringList({ u"PC Date"_s, u"PC Time"_s, u"PCD"_s, u"Temperature"_s }));
    for (int i = 0; i < printed.size(); ++i)
        ASSERT_EQ(withoutEmptyTail(csvRows[i + 1]), withoutEmptyTail(printed[i].split(u'\t')))
            << "row " << i + 1;

    // Rows 2 to 20 as .xlsx, read back by an independent reader.
    const QString xlsx = dir.filePath(u"out.xlsx"_s);
    const CliRun sheet = runCli(
        { u"journal"_s, journal, u"export"_s, xlsx, u"--from"_s, u"2"_s, u"--to"_s, u"20"_s });
    ASSERT_EQ(sheet.code, 0) << qPrintable(sheet.err);
    const CliRun read = runProgram(python(), { u"-c"_s, QString::fromLatin1(ReadXlsx), xlsx });
    ASSERT_EQ(read.code, 0) << qPrintable(read.err);
    QStringList cells = read.out.split(u'\n');
    cells.removeLast();
    ASSERT_EQ(cells.size(), 20);
    EXPECT_EQ(cells[0].split(u'\t').mid(0, 3),
        QStringList({ u"s:PC Date"_s, u"s:PC Time"_s, u"s:PCD"_s }));
    int numbers = 0;
    for (int r = 1; r < cells.size(); ++r) {
        const QStringList got = cells[r].split(u'\t');
        const QStringList &want = csvRows[r + 1]; // journal row r + 1
        ASSERT_EQ(got.size(), want.size()) << "row " << r;
        const bool separator
            = want[2].startsWith(QLatin1String("Miss")) || want[2] == QLatin1String("Restart");
        for (int c = 0; c < want.size(); ++c) {
            const QString &text = want[c];
            const QString at = u"row %1 column %2: %3"_s.arg(r).arg(c).arg(got[c]);
            if (text.isEmpty()) {
                EXPECT_TRUE(got[c].isEmpty()) << qPrintable(at);
            } else if (c == 0) {
                EXPECT_EQ(got[c], u"d:"_s + text) << qPrintable(at);
            } else if (c == 1) {
                EXPECT_EQ(got[c], u"t:"_s + text) << qPrintable(at);
            } else if (c == 2 || c == 6 || separator) { // status, the hex EnergyLow, dashes
                EXPECT_EQ(got[c], u"s:"_s + text) << qPrintable(at);
            } else {
                ASSERT_TRUE(got[c].startsWith(QLatin1String("n:"))) << qPrintable(at);
                EXPECT_DOUBLE_EQ(got[c].mid(2).toDouble(), text.toDouble()) << qPrintable(at);
                ++numbers;
            }
        }
    }
    EXPECT_GT(numbers, 50);
}

TEST_F(CliRecording, AJournalItCannotUseNeverStopsTheRecording)
{
    const QString damaged = dir.filePath(u"damaged.db"_s);
    ASSERT_TRUE(tlv::test::writeBytes(damaged, QByteArray(4096, '\x5a')));

    const CliRun r = runCli({ u"record"_s, project, u"--connect"_s, pcd.connection(),
        u"--records"_s, u"5"_s, u"--journal"_s, damaged });
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_GE(r.out.count(u'\n'), 5);
    EXPECT_TRUE(r.err.contains(u"The journal "_s + damaged + u" is damaged or no journal: "_s))
        << qPrintable(r.err);
    EXPECT_TRUE(r.err.contains(u"Recording goes on without the journal."_s));

    const CliRun info = runCli({ u"journal"_s, damaged, u"info"_s });
    EXPECT_EQ(info.code, 1);
    EXPECT_TRUE(info.err.contains(u"is damaged or no journal"_s)) << qPrintable(info.err);
}

TEST(CliJournal, AJournalOfTheFirstVersionIsToldAndExportedReadOnly)
{
    QTemporaryDir dir;
    const QString journal = dir.filePath(u"v1.db"_s);
    const CliRun made = runProgram(python(),
        { u"-c"_s,
            u"import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); "
            "db.executescript(open(sys.argv[2]).read()); db.commit()"_s,
            journal, QStringLiteral(TOLVANE_TEST_DATA "/journal/v1.sql") });
    ASSERT_EQ(made.code, 0) << qPrintable(made.err);

    const CliRun info = runCli({ u"journal"_s, journal, u"info"_s });
    ASSERT_EQ(info.code, 0) << qPrintable(info.err);
    EXPECT_TRUE(info.out.contains(u"Rows: 4 (1 to 4)\n"_s)) << qPrintable(info.out);
    EXPECT_TRUE(info.out.contains(u"Schema: version 1 (read-only)\n"_s)) << qPrintable(info.out);

    const QString csv = dir.filePath(u"out.csv"_s);
    const CliRun exported = runCli({ u"journal"_s, journal, u"export"_s, csv });
    ASSERT_EQ(exported.code, 0) << qPrintable(exported.err);
    const QByteArray text = tlv::test::readBytes(csv);
    EXPECT_TRUE(text.contains("\r\n06/12/26,10:00:01,Run,-21.5,auto\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("\r\n06/12/26,10:00:04,Run,7.25,hand\r\n")) << text.constData();
}
