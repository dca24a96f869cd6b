#include "pcdsim/SimulatedPcd.h"
#include "pcdsim/trace/PcdVariable.h"
#include "pcdsim/trace/TraceRing.h"
#include "pcdsim/trace/TraceSource.h"
#include "pcdsim/trace/TraceWriter.h"
#include "pcdsim/trace/Waveform.h"
#include "tests/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tlv::pcdsim;

namespace {

const char *const kExample
    = ";;Compiled by Tolvane\t05.12.2026  19:20:00\r\n\r\n"
      "$include Tolvane.lib\r\n\r\n$group TLVR__GROUP\r\n\r\n"
      "_COMPILER          EQU  31260\r\n_LIBMIN            EQU  10100\r\n\r\n"
      "$endgroup\r\n\r\n"
      "TLVR__config3 ('DEFA',R 1000,R 51,R 50,F 20,F 22,600,F 21,1,1,2,100,10)"
      "\r\n\r\nEXTN Pump.Run\r\n\r\nTLVR__ChangeBegin ()\r\n\r\n"
      "TLVR__Change (R 120,0,L,0,5)\r\nTLVR__Change (Pump.Run,1,Q,3,0)\r\n\r\n"
      "TLVR__ChangeEnd (2)\r\n\r\nTLVR__RecordBegin ()\r\n\r\n"
      "TLVR__Record (R 120,0,L,0)\r\nTLVR__Record (Pump.Run,1,Q,3)\r\n\r\n"
      "TLVR__RecordEnd (2)\r\n\r\n";

QString example()
{
    return QString::fromLatin1(kExample);
}

} // namespace

// Every argument the editor compiles is read back by the buffer's round trip through compile;
// here what only a hand-written source shows.
TEST(TraceSource, ReadsTheCompilerVersion)
{
    TraceSource s;
    QString error;
    ASSERT_TRUE(s.parse(example(), &error)) << error.toStdString();
    EXPECT_EQ(s.compiler, 31260);
}

TEST(TraceSource, RefusesBrokenSourcesNamingWhy)
{
    const struct
    {
        const char *from;
        const char *to;
        const char *reason;
    } cases[] = {
        { "TLVR__config3 (", "TLVR__configX (", "unknown statement" },
        { ",100,10)", ",100)", "wrong number of configuration arguments" },
        { ",100,10)", ",100,0)", "last configuration argument" },
        { "(R 120,0,L,0)", "(R 120,0,X,0)", "unknown type letter X" },
        { "(Pump.Run,1,Q,3)", "(Pump.Run,2,Q,3)", "outside the record" },
        { "(Pump.Run,1,Q,3)", "(Pump.Run,1,B,4)", "out of range" },
        { "TLVR__RecordEnd (2)", "TLVR__RecordEnd (3)", "does not agree" },
        { "'DEFA'", "DEFA", "not quoted" },
        { "EQU  10100", "EQU  10200", "needs trace library version" },
    };
    for (const auto &c : cases) {
        QString text = example();
        text.replace(QLatin1String(c.from), QLatin1String(c.to));
        TraceSource s;
        QString error;
        EXPECT_FALSE(s.parse(text, &error)) << c.to;
        EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << error.toStdString();
    }
}

TEST(TraceWriter, PacksEachTypeAtItsPositionWithoutTouchingTheOthers)
{
    TraceSource s;
    QString error;
    ASSERT_TRUE(s.parse(example(), &error));
    s.records = {
        { QStringLiteral("R 1"), 0, QStringLiteral("Q"), 31, 0 },
        { QStringLiteral("R 2"), 0, QStringLiteral("N"), 1, 0 },
        { QStringLiteral("R 3"), 0, QStringLiteral("B"), 2, 0 },
        { QStringLiteral("R 4"), 1, QStringLiteral("Wm"), 1, 0 },
        { QStringLiteral("R 5"), 1, QStringLiteral("W"), 0, 0 },
    };
    s.changes.clear();
    s.closeTlv = s.serialNr = s.clearBuf = s.recordEnable = s.recordCommand = QString();
    SimulatedPcd pcd;
    pcd.setRegister(1, 7); // not 0: bit set
    pcd.setRegister(2, 0x1F); // nibble keeps 0xF
    pcd.setRegister(3, 0x1AB); // byte keeps 0xAB
    pcd.setRegister(4, -1); // word keeps 0xFFFF
    pcd.setRegister(5, 0x12345);
    TraceWriter writer(s, SymbolTable {});
    ASSERT_TRUE(writer.setUp(pcd, &error)) << error.toStdString();
    const QList<qint32> record = writer.currentRecord(pcd);
    EXPECT_EQ(quint32(record[0]), 0x80AB00F0u);
    EXPECT_EQ(quint32(record[1]), 0xFFFF2345u);
    // Start register and buffer behind it; the DBX registry names the start register.
    EXPECT_EQ(pcd.registerValue(1000), 1001);
    EXPECT_EQ(pcd.registerValue(1001 + 3), 100);
    EXPECT_EQ(pcd.dbx(5).mid(2, 16), QByteArrayLiteral("TLVR__ACCESS_KEY"));
    EXPECT_EQ(pcd.dbx(4).left(16), QByteArrayLiteral("TLVR__ACCESS_KEY"));
}

TEST(TraceWriter, UnknownSymbolsAndMisplacedBuffersAreRefused)
{
    TraceSource s;
    QString error;
    ASSERT_TRUE(s.parse(example(), &error));
    SimulatedPcd pcd;
    TraceWriter noSymbols(s, SymbolTable {});
    EXPECT_FALSE(noSymbols.setUp(pcd, &error));
    EXPECT_EQ(error, QStringLiteral("Unknown PCD variable or symbol: Pump.Run"));

    SymbolTable symbols;
    symbols.add(QStringLiteral("pump.run"), { PcdVariable::Kind::Flag, 7, 0 });
    s.memory = 0;
    s.startAddress = QStringLiteral("R 9000"); // data block 9000 is beyond the viewer's reach
    TraceWriter tooHigh(s, symbols);
    EXPECT_FALSE(tooHigh.setUp(pcd, &error));
    EXPECT_TRUE(error.contains(QLatin1String("out of range"))) << error.toStdString();
    s.startAddress = QStringLiteral("F 10");
    TraceWriter notRegister(s, symbols);
    EXPECT_FALSE(notRegister.setUp(pcd, &error));
    EXPECT_TRUE(error.startsWith(QLatin1String("The start address must be a register")));
}

TEST(TraceRing, WrapsAndRefusesLayoutsTheViewerCannotRead)
{
    SimulatedPcd pcd;
    TraceRing ring;
    TraceRing::Layout layout;
    layout.key = QStringLiteral("RING");
    layout.recordLength = 2;
    layout.capacity = 3;
    layout.address = 200;
    QString error;
    ASSERT_TRUE(ring.create(pcd, layout, &error));
    for (int i = 1; i <= 4; ++i)
        ring.append(pcd, { i, -i });
    EXPECT_EQ(pcd.registerValue(204), 4); // counter
    EXPECT_EQ(pcd.registerValue(205), 1); // write index after the wrap
    EXPECT_EQ(pcd.registerValue(207), 3); // capacity
    EXPECT_EQ(pcd.registerValue(216), 4); // slot 0 overwritten by record 4
    EXPECT_EQ(pcd.registerValue(219), -2); // slot 1 still record 2
    ring.setCommandWord(pcd, 8);
    EXPECT_EQ(pcd.registerValue(208), 8);

    const struct
    {
        bool dataBlock;
        int address;
        int capacity;
        int counterIndex;
    } refused[] = {
        { false, 8001, 3, 4 }, // above the start register's 8000
        { false, -1, 3, 4 }, // no such register
        { false, 0, 4097, 4 }, // buffer length above 4096 in registers
        { true, 5, 8184, 4 }, // more than 16383 elements
        { false, 0, 3, 5 }, // capacity word on the command word
    };
    for (const auto &r : refused) {
        TraceRing::Layout bad = layout;
        bad.dataBlock = r.dataBlock;
        bad.address = r.address;
        bad.capacity = r.capacity;
        bad.counterIndex = r.counterIndex;
        TraceRing other;
        EXPECT_FALSE(other.create(pcd, bad, &error)) << r.address << ' ' << r.capacity;
    }
}

TEST(Waveforms, ShapesAndTheirLimits)
{
    Waveforms::Wave w;
    QString error;
    ASSERT_TRUE(Waveforms::parse(QStringLiteral("R 100 ramp 0 1000 1000"), &w, &error));
    EXPECT_EQ(Waveforms::valueAt(w, 0), 0);
    EXPECT_EQ(Waveforms::valueAt(w, 500), 500);
    EXPECT_EQ(Waveforms::valueAt(w, 1500), 500);
    ASSERT_TRUE(Waveforms::parse(QStringLiteral("DB 7 3 sine -100 100 400"), &w, &error));
    EXPECT_EQ(w.variable.kind, PcdVariable::Kind::DataBlock);
    EXPECT_EQ(w.variable.element, 3);
    EXPECT_EQ(Waveforms::valueAt(w, 100), 100);
    EXPECT_EQ(Waveforms::valueAt(w, 300), -100);
    ASSERT_TRUE(Waveforms::parse(QStringLiteral("F 5 square 0 1 200"), &w, &error));
    EXPECT_EQ(Waveforms::valueAt(w, 50), 1);
    EXPECT_EQ(Waveforms::valueAt(w, 150), 0);

    for (const char *bad : { "R 100 ramp 10 0 100", "R 100 ramp 0 10 0", "R 100 wobble 0 1 10",
             "X 1 ramp 0 1 10", "R 100 walk 0 10" }) {
        EXPECT_FALSE(Waveforms::parse(QLatin1String(bad), &w, &error)) << bad;
    }

    // A walk stays inside its limits.
    Waveforms waves(7);
    ASSERT_TRUE(Waveforms::parse(QStringLiteral("R 9 walk 10 20 1 5"), &w, &error));
    waves.add(w);
    SimulatedPcd pcd;
    for (int i = 0; i < 200; ++i) {
        waves.cycle(pcd, 3);
        ASSERT_GE(pcd.registerValue(9), 10);
        ASSERT_LE(pcd.registerValue(9), 20);
    }
}

TEST(SymbolTable, GroupsVolatileAndCommentsOfASymbolFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("_Global.sy5"));
    ASSERT_TRUE(tlv::test::writeBytes(file,
        ";PG5 symbols\r\n$GROUP Heat\r\nPump EQU R 100 ;flow\r\nValve EQU VOL F 12\r\n"
        "$GROUP Zone\r\nTemp EQU R 101\r\n$ENDGROUP\r\n$ENDGROUP\r\nLevel EQU R 102\r\n"
        "Msg EQU TEXT 7\r\nConst EQU K 5\r\n"));
    SymbolTable table;
    QString error;
    ASSERT_TRUE(table.load(file, &error));
    EXPECT_EQ(table.count(), 4);
    PcdVariable v;
    ASSERT_TRUE(table.resolve(QStringLiteral("heat.zone.temp"), &v, &error));
    EXPECT_EQ(v.text(), QStringLiteral("R 101"));
    ASSERT_TRUE(table.resolve(QStringLiteral("Heat.Valve"), &v, &error));
    EXPECT_EQ(v.text(), QStringLiteral("F 12"));
    ASSERT_TRUE(table.resolve(QStringLiteral("Level"), &v, &error));
    EXPECT_EQ(v.address, 102);
    EXPECT_FALSE(table.resolve(QStringLiteral("Msg"), &v, &error));
    EXPECT_FALSE(table.load(dir.filePath(QStringLiteral("missing.sy5")), &error));
}
