#include "RecordRig.h"

#include "common/LineCipher.h"
#include "pcdsim/trace/StandardBuffer.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace tlv;
using namespace tlv::test;

namespace {

QString n(qint64 v)
{
    return QString::number(v);
}

const QByteArray kUserBuffer
    = "Title=Plant\r\nHeaderKey=PLNT\r\nHeaderType=1\r\nStartReg=R 1000\r\n"
      "RecordInterval=1\r\nRecordChange=0\r\nRecordMemory=1\r\n";

// Sequence, a word and a byte of one place, a bit of another; the byte through a symbol.
const QByteArray kColumns = "Column=4\r\n"
                            "Column1=0,Long,0,R 100,1000,Seq,%d,0\r\n"
                            "Column2=1,Word,1,R 101,1000,Level,%d,0\r\n"
                            "Column3=1,Byte,0,Heat.Pump,800,Pump,%d,0\r\n"
                            "Column4=2,Bit,3,F 5,500,Burner,%d,0\r\n";

QString plantLine(const QList<qint32> &w)
{
    return n(w[0]) + u'\t' + n((quint32(w[1]) >> 16) & 0xFFFF) + u'\t' + n(w[1] & 0xFF) + u'\t'
        + n((w[2] >> 3) & 1);
}

QString seqLine(const QList<qint32> &w)
{
    return u"Run\t"_s + n(w[0]);
}

// The plant buffer compiled and running in the PCD, R 100 counting up every cycle.
void startPlant(RecordRig &rig, int records, int autoConnect, const QStringList &waves = {})
{
    rig.writeProject(1, "StartReg=0\r\nAutoConnect=" + QByteArray::number(autoConnect) + "\r\n",
        kUserBuffer + "RecordNumber=" + QByteArray::number(records) + "\r\nRecordLenght=3\r\n"
            + kColumns);
    rig.writeFile(
        u"_Global.sy5"_s, ";symbols\r\n$GROUP Heat\r\nPump EQU R 102 ;pump speed\r\n$ENDGROUP\r\n");
    rig.compile();
    rig.pcd.addProgram(std::make_shared<Sequence>(100));
    rig.runPcd(QStringList { u"trace plant.tlvs"_s } + waves);
}

// The plant with moving values, its rows read through the given connection.
void runPlant(RecordRig &rig, int records, std::optional<comm::SbusSettings> connection = {})
{
    startPlant(rig, records, 0,
        { u"wave R 101 ramp 0 1000 700"_s, u"wave R 102 walk 0 200 100 7"_s,
            u"wave F 5 square 0 1 300"_s });
    rig.record(connection);
}

} // namespace

TEST(Record, RegisterBufferRowsAreWhatThePcdWrote)
{
    RecordRig rig;
    runPlant(rig, 20); // a TLV2 register buffer
    rig.step(5); // first look: everything so far
    rig.step(12); // 17 in a ring of 20
    rig.step(10); // wraps: the end of the ring, then its start on the next look
    rig.step(0);
    ASSERT_EQ(rig.written.size(), 27);
    EXPECT_EQ(rig.lines, rig.rowsOf(0, 27, plantLine));
    EXPECT_EQ(rig.recorder->recordRows(), 27);
    EXPECT_TRUE(rig.messages.isEmpty()) << rig.messages.join(u'|').toStdString();
}

TEST(Record, DataBlockBufferOnChangeFlagsAndCommands)
{
    RecordRig rig;
    rig.writeProject(1, "StartReg=0\r\nAutoConnect=0\r\nIndexFile=0\r\n",
        "Title=Plant\r\nHeaderKey=CHNG\r\nHeaderType=1\r\nStartReg=R 300\r\nRecordInterval=0\r\n"
        "RecordChange=1\r\nRecordMemory=0\r\nRecordNumber=20\r\nRecordLenght=1\r\n"
        "CloseTlv=R 50\r\nSerialNr=R 51\r\nClearBuf=F 20\r\nRecordCommand=F 21\r\n"
        "RecordEnable=F 22\r\nColumn=1\r\nColumn1=0,Long,0,R 100,1000,Value,%d,5\r\n");
    rig.compile();
    rig.runPcd({ u"trace plant.tlvs"_s });
    // Data block 300 holds the buffer; the start register says so with "D" in bits 16-23.
    EXPECT_EQ(rig.pcd.registerValue(300), ('D' << 16) | 300);
    EXPECT_EQ(rig.pcd.dataBlock(300).value(0), pcdsim::TraceRing::fourCharWord(u"TLV2"_s));
    rig.pcd.setFlag(22, true);
    rig.record();

    const auto setAndStep = [&rig](qint32 value) {
        rig.pcd.setRegister(100, value);
        rig.step();
    };
    setAndStep(3); // within the delta of 5
    setAndStep(10);
    setAndStep(12);
    rig.pcd.setFlag(21, true); // one record on command, the flag goes back
    rig.step();
    EXPECT_FALSE(rig.pcd.flag(21));
    rig.pcd.setFlag(22, false); // recording disabled
    setAndStep(100);
    rig.pcd.setFlag(22, true);
    rig.step();
    EXPECT_EQ(rig.lines, QStringList({ u"10"_s, u"12"_s, u"100"_s }));

    // Command 8: export as by the export button, the grid empties.
    rig.pcd.setRegister(51, 77);
    rig.pcd.setRegister(50, 8);
    rig.step();
    ASSERT_EQ(rig.exports.size(), 1);
    EXPECT_TRUE(QFile::exists(rig.exports[0]));
    // Told without waiting: an unattended reader must not stop on a box.
    EXPECT_TRUE(rig.prompter.messages().isEmpty()) << rig.prompter.texts().join(u'|').toStdString();
    ASSERT_FALSE(rig.prompter.notices().isEmpty());
    EXPECT_EQ(
        rig.prompter.notices().first().text, u"Successful export to file : "_s + rig.exports[0]);
    EXPECT_EQ(rig.recorder->control().rows().dataRowCount(), 0);
    EXPECT_EQ(rig.recorder->control().cycle().reader().exportIndex, 77);

    // Command 1 clears; a record after it shows again.
    setAndStep(200);
    EXPECT_EQ(rig.recorder->control().rows().dataRowCount(), 1);
    rig.pcd.setRegister(50, 1);
    rig.step();
    EXPECT_EQ(rig.recorder->control().rows().dataRowCount(), 0);

    // ClearBuf restarts the ring: a "Restart" row, then the new records.
    rig.pcd.setFlag(20, true);
    rig.pcd.setRegister(100, 300);
    rig.step();
    EXPECT_FALSE(rig.pcd.flag(20));
    EXPECT_TRUE(rig.events.contains(u"clear"_s));
    rig.step();
    EXPECT_TRUE(rig.lines.contains(u"----------------"_s));
    EXPECT_EQ(rig.lines.last(), u"300"_s);

    // Command 9: the PCD shuts the reader down, not as a failure.
    rig.pcd.setRegister(50, 9);
    rig.step();
    EXPECT_EQ(rig.finished, QList<bool>({ false }));
    ASSERT_FALSE(rig.prompter.notices().isEmpty());
    EXPECT_EQ(rig.prompter.notices().last().text,
        u"Tolvane Application will shut down...\nShutdown Command"_s);
}

TEST(Record, OverrunShowsMissWithTheLostCountAndRestartShowsRestart)
{
    RecordRig rig;
    runPlant(rig, 20);
    rig.recorder->control().setPcdStatusCol(true);
    rig.step(3);
    const auto program = rig.setup->programs().first();
    program->burst(rig.pcd, 35); // 38 written, 35 new in a ring of 20
    rig.step(0);
    QStringList expected = rig.rowsOf(0, 3, seqLine);
    expected << QStringLiteral("Miss 16\t----------------\t----------------\t----------------\t"
                               "----------------");
    // The whole ring, oldest first, without the slot the writer fills next.
    expected << rig.rowsOf(19, 38, seqLine);
    QStringList got;
    for (const QString &line : rig.lines)
        got << line.section(u'\t', 0, line.startsWith(u'M') ? 4 : 1);
    EXPECT_EQ(got, expected);

    program->restart(rig.pcd);
    rig.step(2);
    rig.step(0);
    EXPECT_TRUE(rig.lines[rig.lines.size() - 3].startsWith(QLatin1String("Restart\t---")));
    EXPECT_EQ(rig.lines.mid(rig.lines.size() - 2).join(u'|').count(QLatin1String("Run\t")), 2);
    EXPECT_EQ(rig.lines.last().section(u'\t', 0, 1), seqLine(rig.written.last().words));
    // The Miss and Restart rows are not counted as records.
    EXPECT_EQ(rig.recorder->control().recordCount(), rig.lines.size() - 2);
}

// The link goes quiet right after a counter read found new records, and stays
// quiet over ticks while the PCD writes on (the ring does not overflow). With or
// without AutoConnect the recording goes on, through a Stop and Run as well: every
// record once, no "Miss", the rows after the silence with the PCD's real status.
class QuietLink : public ::testing::TestWithParam<int>
{
};

TEST_P(QuietLink, EveryRecordOnceAndTheRealStatusAfterwards)
{
    const int autoConnect = GetParam();
    RecordRig rig;
    startPlant(rig, 20, autoConnect);
    rig.record({}, true);
    rig.step(3);

    // Silent from the moment the counters were answered: the records are not.
    bool armed = true;
    QObject::connect(&rig.recorder->host(), &host::PcdHost::served, [&] {
        if (armed && rig.recorder->control().cycle().state() == 3) {
            armed = false;
            pcdsim::FaultPlan silent;
            silent.drop = 1.0;
            rig.server.setFaultPlan(silent);
        }
    });
    rig.step(2);
    EXPECT_FALSE(armed);
    EXPECT_NE(rig.recorder->control().cycle().state(), 4); // not stuck in "Loading"
    EXPECT_TRUE(rig.recorder->host().messageText().contains(QLatin1String("Error:")))
        << rig.recorder->host().messageText().toStdString();
    rig.step(2);
    rig.step(2);
    rig.server.setFaultPlan({});
    if (autoConnect != 0) {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return rig.recorder->connected() && rig.recorder->control().cycle().state() == 3;
            },
            10000));
        EXPECT_GE(rig.recorder->host().lostLinks(), 1);
        EXPECT_EQ(rig.messages.filter(u"PCD communication failed"_s).size(), 1);
    } else {
        EXPECT_TRUE(rig.recorder->connected());
    }
    rig.step(0);
    rig.step(1);
    EXPECT_EQ(rig.recorder->host().messageText(), u"PCD communication OK."_s);
    // Stopped, records meanwhile, run again: again nothing twice, nothing lost.
    rig.recorder->control().setRunMode(0);
    rig.pcd.runCycle(100);
    rig.pcd.runCycle(100);
    rig.recorder->control().setRunMode(2);
    rig.step(1);

    // The status rows of the outage ("Offline", then "Run") carry no record.
    QStringList expected, records, statusRows;
    for (const QString &line : rig.rowsOf(0, int(rig.written.size()), plantLine))
        expected << u"Run\t"_s + line;
    for (const QString &line : rig.dataLines())
        (line.count(u'\t') > 1 ? records : statusRows) << line;
    EXPECT_EQ(records, expected);
    EXPECT_FALSE(statusRows.isEmpty());
    EXPECT_EQ(rig.written.size(), 13);
    EXPECT_FALSE(rig.lines.join(u'|').contains(QLatin1String("Miss")));
    EXPECT_EQ(rig.recorder->control().recordCount(), rig.lines.size()) << "the grid kept them all";
    EXPECT_TRUE(rig.finished.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(AutoConnect, QuietLink, ::testing::Values(0, 1));

// Every record carries an address past 32767: told once without a box, the cell stays
// empty and the recording goes on.
TEST(Record, AddressThatCannotBeShownIsToldOnceAndReadingGoesOn)
{
    RecordRig rig;
    rig.writeFile(u"ADDR.tlv"_s,
        "[TOLVANE]\r\nHeaderLenght=16\r\nCounterIndex=4\r\nRecordLenght=2\r\nVersion=1.0\r\n"
        "App=Where\r\nKey=ADDR\r\n[DRIVER]\r\nTitle=Where\r\nColumnWidth=1000\r\n"
        "[REGISTER_0]\r\nLong=1,1000,Seq,%d\r\n[REGISTER_1]\r\nLong=2,1000,Where,%ga\r\n");
    QString error;
    ASSERT_FALSE(common::LineCipher::encipherFile(rig.path(u"ADDR.tlv"_s), &error).isEmpty())
        << error.toStdString();
    rig.resources << rig.dir.path();
    rig.writeProject(0, "StartReg=3000\r\nAutoConnect=0\r\n", "Title=x\r\n");
    rig.pcd.addProgram(std::make_shared<Sequence>(2000));
    rig.pcd.setRegister(2001, (5 << 16) | 40000);
    rig.runPcd({ u"standard "_s + rig.path(u"ADDR.tlvd"_s)
        + u" start 3000 records 30 interval 100 source 2000"_s });
    rig.record();
    rig.step(4);
    rig.step(4);

    EXPECT_GE(rig.written.size(), 8);
    EXPECT_EQ(rig.dataLines(),
        rig.rowsOf(0, int(rig.written.size()),
            [](const QList<qint32> &w) -> QString { return n(w[0]) + u'\t'; }));
    EXPECT_TRUE(rig.prompter.messages().isEmpty()) << rig.prompter.texts().join(u'|').toStdString();
    ASSERT_EQ(rig.prompter.notices().size(), 1);
    EXPECT_EQ(rig.prompter.notices()[0].text, u"Error in ReadMedia function.\nOverflow"_s);
    EXPECT_TRUE(rig.finished.isEmpty());
}

TEST(Record, StandardBufferFromTheEncipheredSampleWithValueTexts)
{
    RecordRig rig;
    const QString demo = QStringLiteral(TOLVANE_TEST_DATA "/../../demo/");
    ASSERT_TRUE(QFile::copy(demo + u"BOIL_texts.txt", rig.path(u"BOIL_texts.txt"_s)));
    rig.resources << demo;
    rig.writeProject(0, "StartReg=3000\r\nAutoConnect=0\r\n", "Title=x\r\n");
    for (int i = 0; i < 4; ++i)
        rig.pcd.setRegister(2000 + i, 0);
    rig.pcd.setRegister(2000, 655);
    rig.pcd.setRegister(2001, (1 << 24) | (1 << 16) | (1 << 8) | 1);
    rig.pcd.setRegister(2002, 0x426F696C); // "Boil"
    rig.pcd.setRegister(2003, 0x65723031); // "er01"
    rig.runPcd(
        { u"standard " + demo + u"BOIL.tlvd start 3000 records 30 interval 100 source 2000" });
    rig.record();
    rig.step(2);
    rig.pcd.setRegister(2001, (3 << 24) | (1 << 8) | 7);
    rig.step(1);
    const QString first = u"Boiler house\t65.5\tHeating\tRunning\tLow water\tBoiler01"_s;
    EXPECT_EQ(rig.lines,
        QStringList(
            { first, first, u"Boiler house\t65.5\tFault\tStopped\tFlame failure\tBoiler01"_s }));
}

TEST(Record, PublicEventsBufferFoundThroughTheSystemSymbols)
{
    RecordRig rig;
    QByteArray enciphered;
    QString error;
    ASSERT_TRUE(common::LineCipher::encipher("[TOLVANE]\r\nHeaderLenght=8\r\nCounterIndex=4\r\n"
                                             "RecordLenght=2\r\n[DRIVER]\r\nTitle=Events\r\n"
                                             "[REGISTER_0]\r\nLong=0,,Event,%d\r\n[REGISTER_1]\r\n"
                                             "Word0=1,,Code,%h\r\n",
        &enciphered, &error));
    rig.writeFile(u"PEVT.tlvd"_s, enciphered);
    rig.writeProject(2, "StartReg=0\r\nAutoConnect=0\r\n", "Title=x\r\n");
    rig.pcd.addProgram(std::make_shared<Sequence>(2100));
    rig.pcd.setRegister(2101, 0xBEEF);
    rig.runPcd({ QStringLiteral(
        "events PEVT.tlvd start 2500 project . at DB 40 records 8 interval 100 source 2100") });
    EXPECT_TRUE(QFile::exists(rig.path(u"Sym_System.sy5"_s)));
    rig.record();
    EXPECT_EQ(rig.recorder->control().startRegister(), 2500);
    rig.step(3);
    rig.step(4);
    ASSERT_EQ(rig.written.size(), 7);
    EXPECT_EQ(rig.lines,
        rig.rowsOf(0, 7, [](const QList<qint32> &w) -> QString { return n(w[0]) + u"\tBEEF"_s; }));
}

TEST(Record, DbxLookupLocatesTheBuffer)
{
    RecordRig rig;
    const QString demo = QStringLiteral(TOLVANE_TEST_DATA "/../../demo/");
    rig.resources << demo;
    // Start register 0 counts from the base register the DBX entry gives.
    rig.writeProject(0, "StartReg=0\r\nAutoConnect=0\r\nPCDRegistery=1\r\n", "Title=x\r\n");
    rig.pcd.setRegister(2000, 421);
    rig.runPcd({ u"standard " + demo
        + u"BOIL.tlvd start 3000 at DB 12 records 30 interval 100 source 2000" });
    rig.record();
    EXPECT_EQ(rig.recorder->host().connection().baseRegister(), 3000);
    rig.step(2);
    ASSERT_EQ(rig.lines.size(), 2);
    EXPECT_TRUE(rig.lines[0].startsWith(QLatin1String("<0>\t42.1\tOff\t")));
}

TEST(Record, SerialLinkThroughAPseudoTerminal)
{
    RecordRig rig;
    QString error;
    ASSERT_TRUE(rig.server.openPseudoTerminal(&error)) << error.toStdString();
    comm::SbusSettings serial;
    serial.channel = comm::SbusSettings::Channel::Serial;
    serial.device = rig.server.slavePath();
    serial.baudRate = 38400;
    serial.timeoutMs = 500;
    runPlant(rig, 20, serial);
    rig.step(4);
    rig.step(3);
    EXPECT_EQ(rig.lines, rig.rowsOf(0, 7, plantLine));
}

TEST(Record, HostileCounterBlockEndsTheCliWithInvalidBuffer)
{
    // A sound header whose counter block claims 2^31-1 records and a counter
    // two billion ahead: the command line recorder says so and ends, instead
    // of allocating for them.
    RecordRig rig;
    runPlant(rig, 20);
    rig.step(3);
    ASSERT_EQ(rig.lines.size(), 3);
    rig.recorder.reset();
    rig.pcd.setRegister(1001 + 4, 2000000003);
    rig.pcd.setRegister(1001 + 7, 2147483647);

    QProcess cli;
    cli.start(QStringLiteral(TOLVANE_BIN_DIR "/tolvane-cli"),
        { u"record"_s, rig.path(u"plant.tlvr"_s), u"--connect"_s,
            u"udp:127.0.0.1:"_s + QString::number(rig.server.udpPort()), u"--seconds"_s, u"6"_s });
    ASSERT_TRUE(cli.waitForStarted(10000));
    // The PCD is served by this process: its events run while the recorder works.
    if (!QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 60000)) {
        cli.kill();
        cli.waitForFinished(10000);
        FAIL() << "tolvane-cli did not end";
    }
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 1);
    EXPECT_TRUE(err.contains(QLatin1String("Error 10: Invalid buffer\nBad capacity value : "
                                           "2147483647 records, the buffer holds at most 20")))
        << err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardOutput()).trimmed().isEmpty());
}
