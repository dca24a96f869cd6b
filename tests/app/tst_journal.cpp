// The recorder with a journal, killed with SIGKILL in the middle of a recording against the
// simulated PCD: the journal is intact, holds every row printed, and exports to .csv and
// .xlsx with the grid's values and kinds. A journal it cannot use never stops it.

#include "CliRun.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    const QString debian = QStringLiteral("/usr/bin/python3");
    return QFile::exists(debian) ? debian : QStringLiteral("python3");
}

// RFC 4180 fields, enough for what the export writes.
QStringList csvFields(const QString &line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u',' && !quoted) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

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

// The demo's buffer running on the simulated PCD with moving values.
QStringList movingDemo(const QString &source)
{
    return { QStringLiteral("--trace"), source, QStringLiteral("--set"),
        QStringLiteral("wave R 100 sine 150 650 2000"), QStringLiteral("--set"),
        QStringLiteral("wave R 101 ramp 0 100 800"), QStringLiteral("--set"),
        QStringLiteral("wave R 102 walk 1000 5000 500 40"), QStringLiteral("--set"),
        QStringLiteral("wave F 10 square 0 1 600") };
}

// The demo project reading every 200 ms a record every 100 ms, compiled into dir.
QString demoProject(const QTemporaryDir &dir)
{
    QFile in(QStringLiteral(TOLVANE_TEST_DATA "/../../demo/demo.tlvr"));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromLatin1(in.readAll());
    text.replace(QRegularExpression(QStringLiteral("ReadInterval=\\d+")),
        QStringLiteral("ReadInterval=200"));
    text.replace(QRegularExpression(QStringLiteral("RecordInterval=\\d+")),
        QStringLiteral("RecordInterval=1"));
    const QString project = dir.filePath(QStringLiteral("demo.tlvr"));
    QFile out(project);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    out.write(text.toLatin1());
    out.close();
    return runCli({ QStringLiteral("compile"), project }).code == 0 ? project : QString();
}

} // namespace

TEST(CliJournal, AKilledRecorderLeavesAnIntactJournalWithEveryPrintedRow)
{
    QTemporaryDir dir;
    const QString project = demoProject(dir);
    ASSERT_FALSE(project.isEmpty());
    PcdProcess pcd(movingDemo(dir.filePath(QStringLiteral("demo.tlvs"))));
    ASSERT_NE(pcd.port(), 0);
    const QString journal = dir.filePath(QStringLiteral("j.db"));

    QProcess recorder;
    recorder.start(QStringLiteral(TOLVANE_BIN_DIR "/tolvane-cli"),
        { QStringLiteral("record"), project, QStringLiteral("--connect"), pcd.connection(),
            QStringLiteral("--stamps"), QStringLiteral("d,t,s"), QStringLiteral("--journal"),
            journal });
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
        { QStringLiteral("-c"),
            QStringLiteral("import sqlite3, sys; "
                           "print(sqlite3.connect(sys.argv[1]).execute('PRAGMA integrity_check')"
                           ".fetchone()[0])"),
            journal });
    EXPECT_EQ(check.out.trimmed(), QStringLiteral("ok")) << qPrintable(check.err);

    const CliRun info = runCli({ QStringLiteral("journal"), journal, QStringLiteral("info") });
    ASSERT_EQ(info.code, 0) << qPrintable(info.err);
    EXPECT_TRUE(info.out.contains(QStringLiteral("Buffer: Boiler demo\n"))) << qPrintable(info.out);
    EXPECT_TRUE(info.out.contains(QStringLiteral("Closed: no"))) << qPrintable(info.out);

    // The rows printed are the first rows of the journal, cell for cell.
    const QString csv = dir.filePath(QStringLiteral("out.csv"));
    const CliRun exported
        = runCli({ QStringLiteral("journal"), journal, QStringLiteral("export"), csv });
    ASSERT_EQ(exported.code, 0) << qPrintable(exported.err);
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList csvLines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    csvLines.removeLast();
    ASSERT_GE(csvLines.size(), printed.size() + 1);
    EXPECT_EQ(csvFields(csvLines[0]).mid(0, 4),
        QStringList({ QStringLiteral("PC Date"), QStringLiteral("PC Time"), QStringLiteral("PCD"),
            QStringLiteral("Temperature") }));
    for (int i = 0; i < printed.size(); ++i)
        ASSERT_EQ(
            withoutEmptyTail(csvFields(csvLines[i + 1])), withoutEmptyTail(printed[i].split(u'\t')))
            << "row " << i + 1;

    // Rows 2 to 20 as .xlsx, read back by an independent reader.
    const QString xlsx = dir.filePath(QStringLiteral("out.xlsx"));
    const CliRun sheet = runCli({ QStringLiteral("journal"), journal, QStringLiteral("export"),
        xlsx, QStringLiteral("--from"), QStringLiteral("2"), QStringLiteral("--to"),
        QStringLiteral("20") });
    ASSERT_EQ(sheet.code, 0) << qPrintable(sheet.err);
    const CliRun read
        = runProgram(python(), { QStringLiteral("-c"), QString::fromLatin1(ReadXlsx), xlsx });
    ASSERT_EQ(read.code, 0) << qPrintable(read.err);
    QStringList cells = read.out.split(u'\n');
    cells.removeLast();
    ASSERT_EQ(cells.size(), 20);
    EXPECT_EQ(cells[0].split(u'\t').mid(0, 3),
        QStringList(
            { QStringLiteral("s:PC Date"), QStringLiteral("s:PC Time"), QStringLiteral("s:PCD") }));
    int numbers = 0;
    for (int r = 1; r < cells.size(); ++r) {
        const QStringList got = cells[r].split(u'\t');
        const QStringList want = csvFields(csvLines[r + 1]); // journal row r + 1
        ASSERT_EQ(got.size(), want.size()) << "row " << r;
        const bool separator
            = want[2].startsWith(QLatin1String("Miss")) || want[2] == QLatin1String("Restart");
        for (int c = 0; c < want.size(); ++c) {
            const QString &text = want[c];
            const QString at = QStringLiteral("row %1 column %2: %3").arg(r).arg(c).arg(got[c]);
            if (text.isEmpty()) {
                EXPECT_TRUE(got[c].isEmpty()) << qPrintable(at);
            } else if (c == 0) {
                EXPECT_EQ(got[c], QStringLiteral("d:") + text) << qPrintable(at);
            } else if (c == 1) {
                EXPECT_EQ(got[c], QStringLiteral("t:") + text) << qPrintable(at);
            } else if (c == 2 || c == 6 || separator) { // status, the hex EnergyLow, dashes
                EXPECT_EQ(got[c], QStringLiteral("s:") + text) << qPrintable(at);
            } else {
                ASSERT_TRUE(got[c].startsWith(QLatin1String("n:"))) << qPrintable(at);
                EXPECT_DOUBLE_EQ(got[c].mid(2).toDouble(), text.toDouble()) << qPrintable(at);
                ++numbers;
            }
        }
    }
    EXPECT_GT(numbers, 50);
}

TEST(CliJournal, AJournalItCannotUseNeverStopsTheRecording)
{
    QTemporaryDir dir;
    const QString project = demoProject(dir);
    ASSERT_FALSE(project.isEmpty());
    PcdProcess pcd(movingDemo(dir.filePath(QStringLiteral("demo.tlvs"))));
    ASSERT_NE(pcd.port(), 0);
    const QString damaged = dir.filePath(QStringLiteral("damaged.db"));
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, '\x5a'));
    f.close();

    const CliRun r = runCli({ QStringLiteral("record"), project, QStringLiteral("--connect"),
        pcd.connection(), QStringLiteral("--records"), QStringLiteral("5"),
        QStringLiteral("--journal"), damaged });
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_GE(r.out.count(u'\n'), 5);
    EXPECT_TRUE(r.err.contains(
        QStringLiteral("The journal ") + damaged + QStringLiteral(" is damaged or no journal: ")))
        << qPrintable(r.err);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Recording goes on without the journal.")));

    const CliRun info = runCli({ QStringLiteral("journal"), damaged, QStringLiteral("info") });
    EXPECT_EQ(info.code, 1);
    EXPECT_TRUE(info.err.contains(QStringLiteral("is damaged or no journal")))
        << qPrintable(info.err);
}
