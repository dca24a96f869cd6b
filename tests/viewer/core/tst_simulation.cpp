#include "ControlTestHost.h"

#include "viewer/core/ControlCore.h"
#include "viewer/core/Simulation.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Qt::StringLiterals;

using namespace tlv::viewer;
using namespace tlv::viewer::test;

namespace {

qint32 wave(int degrees, double amplitude)
{
    return qint32(std::lround((std::sin(degrees * 3.1415 / 180.0) + 1.0) * amplitude));
}

// A control in simulation on a demo project, wired to a test host.
struct SimRig
{
    explicit SimRig(int words = 3, qint32 records = 10)
        : loader(words, records)
    {
        core.setLoader(&loader);
        core.setUserFile(u"demo.tlvr"_s);
        core.setSimulation(true);
    }
    void run()
    {
        core.Start();
        core.setRunMode(2);
    }
    // Writes and reads n records.
    void step(int n)
    {
        for (int i = 0; i < n; ++i) {
            core.simulator().tick();
            core.cycle().tick();
        }
    }

    FakeLoader loader;
    ControlCore core;
    TestHost host { core };
};

} // namespace

// The values of the rows are read through the control below.
TEST(Simulation, CounterBlockAndReadsBehindTheHeader)
{
    Simulation sim;
    sim.createCounterBlock();
    ASSERT_TRUE(sim.createRing(4, 10));
    for (int i = 0; i < 3; ++i)
        sim.tick();
    EXPECT_EQ(sim.counterBlock(), QList<qint32>({ 3, 3, 0, 10, 0 }));
    EXPECT_EQ(sim.ring()[2 * 4 + 3], 3 * 3 * 11); // word k of record n holds n * k * 11
    EXPECT_EQ(sim.words(8 + 36, 8).size(), 4); // runs past the ring: shorter
    EXPECT_TRUE(sim.words(7, 4).isEmpty());
}

TEST(Simulation, WriteIndexWrapsAndAnglesCycle)
{
    Simulation sim;
    sim.createCounterBlock();
    ASSERT_TRUE(sim.createRing(2, 4));
    for (int i = 0; i < 4; ++i)
        sim.tick();
    EXPECT_EQ(sim.writeIndex(), 4);
    sim.tick();
    EXPECT_EQ(sim.writeIndex(), 1);
    EXPECT_EQ(sim.ring()[0], wave(50, 100));
    // a runs 10..350 then 0; b runs 20..340 then 0.
    for (int i = 5; i < 36; ++i)
        sim.tick();
    EXPECT_EQ(sim.ring()[((36 - 1) % 4) * 2], wave(0, 100));
    EXPECT_EQ(sim.ring()[((36 - 1) % 4) * 2 + 1], wave(0, 50)); // tick 36: b at 0 after 340

    EXPECT_FALSE(sim.createRing(0, 10));
    EXPECT_FALSE(sim.createRing(32767, 32767)); // refused, not allocated
    // 0 is an on-change-only buffer: a record per second.
    sim.setRecordInterval(0);
    EXPECT_EQ(sim.period(), 1000);
}

TEST(Simulation, ControlReadsTheSimulatedRing)
{
    SimRig rig;
    rig.run();
    EXPECT_TRUE(rig.host.requests.isEmpty()); // nothing goes to the host
    EXPECT_EQ(rig.loader.keyChecks, QList<bool>({ false }));
    EXPECT_EQ(rig.core.title(), ControlCore::simulationTitle());
    EXPECT_EQ(rig.core.cycle().state(), 3);
    EXPECT_EQ(rig.core.simulator().period(), 500);

    // The rows themselves are checked below; here the ring fills before a pause.
    rig.step(3);
    EXPECT_EQ(rig.host.lines.size(), 3);

    // Paused for more than C ticks: the next read reports lost records.
    rig.core.setRunMode(1);
    for (int i = 0; i < 14; ++i)
        rig.core.simulator().tick();
    rig.host.lines.clear();
    rig.core.setRunMode(2);
    ASSERT_FALSE(rig.host.lines.isEmpty());
    EXPECT_EQ(rig.host.lines.first(), u"----------------\t----------------\t----------------"_s);
    EXPECT_EQ(rig.host.lines.size(), 1 + 9);
    EXPECT_TRUE(rig.host.errors.isEmpty());

    // Switching simulation off resets the control.
    rig.core.setSimulation(false);
    EXPECT_EQ(rig.core.cycle().state(), 0);
    EXPECT_FALSE(rig.core.simulator().active());
}

TEST(Simulation, TicksBeforeTheLoadAndAStopLeaveNoFalseRows)
{
    SimRig rig(3, 4);
    // The timer runs from Simulation on; there is no ring to write yet.
    for (int i = 0; i < 3; ++i)
        rig.core.simulator().tick();
    rig.run();
    const auto row = [](int n) -> QString {
        return QString::number(wave(10 * n, 100)) + u'\t' + QString::number(wave(20 * n, 50))
            + u'\t' + QString::number(n * 22);
    };
    rig.step(5);
    EXPECT_TRUE(rig.host.errors.isEmpty());
    EXPECT_EQ(rig.host.lines, QStringList({ row(1), row(2), row(3), row(4), row(5) }));

    // Stopped and run again on the same buffer: the records written meanwhile
    // follow, nothing is shown twice nor counted as lost.
    rig.host.lines.clear();
    rig.core.setRunMode(0);
    rig.core.simulator().tick();
    rig.core.setRunMode(2);
    rig.step(1);
    EXPECT_EQ(rig.host.lines, QStringList({ row(6), row(7) }));

    // A changed record layout starts a new ring from its first record.
    rig.host.lines.clear();
    rig.core.setRunMode(0);
    rig.loader.layout.recordNumber = 6;
    rig.core.setRunMode(2);
    rig.step(1);
    EXPECT_EQ(rig.host.lines, QStringList({ row(1) }));
    EXPECT_TRUE(rig.host.errors.isEmpty());
}

TEST(Simulation, LoadFailureStopsWithTheLoaderText)
{
    SimRig rig;
    rig.loader.failWith = u"No user buffer defined in the source file :\nx.tlvr"_s;
    rig.run();
    EXPECT_EQ(rig.host.errors, (QList<QPair<qint16, QString>> { { 10, rig.loader.failWith } }));
    EXPECT_EQ(rig.core.runMode(), 0);
    EXPECT_EQ(rig.core.cycle().state(), 2);

    // A ring too large to simulate is refused the same way.
    SimRig big(2, 1 << 20);
    big.run();
    ASSERT_EQ(big.host.errors.size(), 1);
    EXPECT_EQ(big.host.errors[0].second, Simulation::ringSizeError(2, 1 << 20));
}
