// Set-up lines of the simulated PCD, its refusals, and the per-cycle program seam.
#include "SbusTestSupport.h"

#include "comm/sbus/SbusCommand.h"
#include "pcdsim/PcdProgram.h"
#include "pcdsim/PcdSetup.h"
#include "pcdsim/SimulatedPcd.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::pcdsim;
using sbustest::hex;
using tlv::comm::SbusAnswer;
namespace Cmd = tlv::comm::SbusCommand;

namespace {

TEST(PcdSetup, GoodLinesFillMemory)
{
    SimulatedPcd pcd;
    QString error;
    ASSERT_TRUE(PcdSetup::applyLines(
        {
            u"# a comment line"_s,
            u"station 12   # trailing comment"_s,
            u"status h"_s,
            u"R 16382 = -1 0xFFFFFFFF"_s,
            u"r 0 = 2147483647 -2147483648"_s,
            u"F 8190 = 1 1"_s,
            u"DB 8191 16382 = 9"_s,
            u"DB 3 size 10"_s,
            u"DBX 6 text 0 = \"PG5Version=2.1\\n#x\\x41\""_s,
            u"DBX 7 bytes 4 = de ad"_s,
            u"DBX 5 entry 0 \"KEY WITH BLANKS\" 0x7F10 1 2"_s,
        },
        &pcd, &error))
        << qPrintable(error);
    EXPECT_EQ(pcd.station(), 12);
    EXPECT_EQ(pcd.status(), 'H');
    EXPECT_EQ(pcd.registerValue(16382), -1);
    EXPECT_EQ(pcd.registerValue(16383), -1);
    EXPECT_EQ(pcd.registerValue(0), 2147483647);
    EXPECT_EQ(pcd.registerValue(1), qint32(-2147483647 - 1));
    EXPECT_TRUE(pcd.flag(8191));
    EXPECT_EQ(pcd.dataBlock(8191).size(), 16383);
    EXPECT_EQ(pcd.dataBlock(8191).last(), 9);
    EXPECT_EQ(pcd.dataBlock(3), QList<qint32>(10, 0));
    EXPECT_EQ(pcd.dbx(6), QByteArray("PG5Version=2.1\n#xA"));
    EXPECT_EQ(pcd.dbx(7), hex("00000000 dead"));
    const QByteArray entry = pcd.dbx(5);
    ASSERT_EQ(entry.size(), 128);
    EXPECT_EQ(entry.left(16), QByteArray("KEY WITH BLANKS\0", 16));
    EXPECT_EQ(entry.mid(60, 12), hex("00007f10 00000001 00000002"));
    EXPECT_EQ(entry.mid(72), QByteArray(56, '\0'));
}

TEST(PcdSetup, BadLinesAreRefusedAndChangeNothing)
{
    const char *bad[] = {
        "station 255",
        "status",
        "R 16384 = 1",
        "R 16383 = 1 2",
        "R 0 = 0x100000000",
        "R 0 = 0xFFFFFFFFFFFFFFFF", // must not wrap round to -1
        "R 0 = -2147483649",
        "R 0 1",
        "F 0 = 2",
        "DB 8192 0 = 1",
        "DB 1 16383 = 1",
        "DB 1 size 16384",
        "DBX 5 entry 2 AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA 1",
        "DBX 5 entry 2 KEY",
        "DBX 5 text 0 = bad\\q",
        "DBX 5 bytes 0 = 1ff",
        "bogus 1",
    };
    for (const char *line : bad) {
        SimulatedPcd pcd;
        QString error;
        EXPECT_FALSE(PcdSetup::applyLine(QString::fromLatin1(line), &pcd, &error)) << line;
        EXPECT_FALSE(error.isEmpty()) << line;
        EXPECT_EQ(pcd.registerValue(0), 0) << line;
        EXPECT_EQ(pcd.registerValue(16383), 0) << line;
        EXPECT_FALSE(pcd.hasDataBlock(1)) << line;
        EXPECT_FALSE(pcd.hasDbx(5)) << line;
        EXPECT_EQ(pcd.station(), 0) << line;
    }
}

TEST(PcdSetup, FileErrorsNameTheLine)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("station 3\nR 1 = 5\nR 1 = x\n");
    file.close();
    SimulatedPcd pcd;
    QString error;
    EXPECT_FALSE(PcdSetup::applyFile(file.fileName(), &pcd, &error));
    EXPECT_TRUE(error.contains(u"line 3"_s)) << qPrintable(error);
    EXPECT_EQ(pcd.registerValue(1), 5);
    EXPECT_FALSE(PcdSetup::applyFile(u"/nonexistent/x.txt"_s, &pcd, &error));
}

struct Refusal
{
    const char *name;
    quint8 command;
    QByteArray data;
};

TEST(SimulatedPcd, RefusesWhatARealPcdWouldRefuse)
{
    SimulatedPcd pcd;
    pcd.defineDataBlock(4, 10);
    pcd.setDbxSize(2, 10); // three elements, the last one half filled
    const Refusal cases[] = {
        { "33 registers", Cmd::ReadRegisters, hex("20 0000") },
        { "flag past 8191", Cmd::ReadFlags, hex("00 2000") },
        { "129 flags", Cmd::ReadFlags, hex("80 0000") },
        { "timer past 1599", Cmd::ReadTimers, hex("00 0640") },
        { "missing data block", Cmd::ReadDataBlock, hex("00 0005 0000") },
        { "DBX past its elements", Cmd::ReadDbx, hex("00 0002 000003") },
        { "data block element past end", Cmd::ReadDataBlock, hex("01 0004 0009") },
        { "block size of another block type", Cmd::ReadBlockSize, hex("0009 0002") },
        { "request data too short", Cmd::ReadRegisters, hex("00 00") },
        { "request data too long", Cmd::ReadStatusOwn, hex("00") },
        { "write count disagrees", Cmd::WriteRegisters, hex("09 0000 00000001") },
        { "unknown command", 0x47, hex("00 0000") },
    };
    for (const Refusal &c : cases) {
        const SbusAnswer answer = pcd.execute(c.command, c.data);
        EXPECT_EQ(answer.kind, SbusAnswer::Kind::AckNak) << c.name;
        EXPECT_EQ(answer.code, 1) << c.name;
    }
    const SbusAnswer tail = pcd.execute(Cmd::ReadDbx, hex("02 0002 000000"));
    EXPECT_EQ(tail.data.size(), 12); // the half-filled last element reads as zeros
    EXPECT_EQ(pcd.execute(Cmd::ReadBlockSize, hex("000a 0002")).data, hex("00000a"));
    EXPECT_EQ(pcd.execute(0x16, {}).data, QByteArray("D")); // a CPU it does not have
}

class CountingProgram : public PcdProgram
{
public:
    void cycle(SimulatedPcd &pcd, qint64 elapsedMs) override
    {
        ++cycles;
        total += elapsedMs;
        pcd.setRegister(0, pcd.registerValue(0) + 1);
    }
    int cycles = 0;
    qint64 total = 0;
};

TEST(SimulatedPcd, ProgramsRunOnlyWhileTheCpuRuns)
{
    SimulatedPcd pcd;
    auto program = std::make_shared<CountingProgram>();
    pcd.addProgram(program);
    pcd.runCycle(10);
    pcd.setStatus('S');
    pcd.runCycle(10);
    pcd.setStatus('R');
    pcd.runCycle(5);
    EXPECT_EQ(program->cycles, 2);
    EXPECT_EQ(program->total, 15);
    EXPECT_EQ(pcd.registerValue(0), 2);
}

} // namespace
