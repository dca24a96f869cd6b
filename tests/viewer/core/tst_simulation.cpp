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

} // namespace

TEST(Simulation, RecordsFollowTheFormulas)
{
    Simulation sim;
    sim.createCounterBlock();
    ASSERT_TRUE(sim.createRing(4, 10));
    for (int i = 0; i < 3; ++i)
        sim.tick();
    EXPECT_EQ(sim.counter(), 3);
    EXPECT_EQ(sim.writeIndex(), 3);
    EXPECT_EQ(sim.counterBlock(), QList<qint32>({ 3, 3, 0, 10, 0 }));
    const QList<qint32> &ring = sim.ring();
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_EQ(ring[slot * 4], wave(10 * (slot + 1), 100)) << slot;
        EXPECT_EQ(ring[slot * 4 + 1], wave(20 * (slot + 1), 50)) << slot;
        EXPECT_EQ(ring[slot * 4 + 3], (slot + 1) * 3 * 11) << slot;
    }
    EXPECT_EQ(ring[2 * 4 + 2], 66);
    // The constant is 3.1415, which moves sin(90 deg) off 1: 200 still rounds.
    EXPECT_EQ(wave(90, 100), 200);
    // Reads are addressed behind an 8-word header.
    EXPECT_EQ(sim.words(8 + 4, 4), ring.mid(4, 4));
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
    sim.setRecordInterval(0);
    EXPECT_EQ(sim.period(), 100);
    sim.setRecordInterval(5);
    EXPECT_EQ(sim.period(), 500);
}

TEST(Simulation, ControlReadsTheSimulatedRing)
{
    FakeLoader loader(3, 10);
    ControlCore core;
    core.setLoader(&loader);
    TestHost host(core);
    core.setUserFile(u"demo.tlvr"_s);
    core.setSimulation(true);
    core.Start();
    core.setRunMode(2);
    EXPECT_TRUE(host.requests.isEmpty()); // nothing goes to the host
    EXPECT_EQ(loader.keyChecks, QList<bool>({ false }));
    EXPECT_EQ(core.title(), ControlCore::simulationTitle());
    EXPECT_EQ(core.cycle().state(), 3);
    EXPECT_EQ(core.simulator().period(), 500);

    // The rows themselves are checked below; here the ring fills before a pause.
    for (int i = 0; i < 3; ++i) {
        core.simulator().tick();
        core.cycle().tick();
    }
    EXPECT_EQ(host.lines.size(), 3);

    // Paused for more than C ticks: the next read reports lost records.
    core.setRunMode(1);
    for (int i = 0; i < 14; ++i)
        core.simulator().tick();
    host.lines.clear();
    core.setRunMode(2);
    ASSERT_FALSE(host.lines.isEmpty());
    EXPECT_EQ(host.lines.first(), u"----------------\t----------------\t----------------"_s);
    EXPECT_EQ(host.lines.size(), 1 + 9);
    EXPECT_TRUE(host.errors.isEmpty());

    // Switching simulation off resets the control.
    core.setSimulation(false);
    EXPECT_EQ(core.cycle().state(), 0);
    EXPECT_FALSE(core.simulator().active());
}

TEST(Simulation, TicksBeforeTheLoadAndAStopLeaveNoFalseRows)
{
    FakeLoader loader(3, 4);
    ControlCore core;
    core.setLoader(&loader);
    TestHost host(core);
    core.setUserFile(u"demo.tlvr"_s);
    core.setSimulation(true);
    // The timer runs from Simulation on; there is no ring to write yet.
    for (int i = 0; i < 3; ++i)
        core.simulator().tick();
    core.Start();
    core.setRunMode(2);
    const auto row = [](int n) -> QString {
        return QString::number(wave(10 * n, 100)) + u'\t' + QString::number(wave(20 * n, 50))
            + u'\t' + QString::number(n * 22);
    };
    for (int i = 0; i < 5; ++i) {
        core.simulator().tick();
        core.cycle().tick();
    }
    EXPECT_TRUE(host.errors.isEmpty());
    EXPECT_EQ(host.lines, QStringList({ row(1), row(2), row(3), row(4), row(5) }));

    // Stopped and run again on the same buffer: the records written meanwhile
    // follow, nothing is shown twice nor counted as lost.
    host.lines.clear();
    core.setRunMode(0);
    core.simulator().tick();
    core.setRunMode(2);
    core.simulator().tick();
    core.cycle().tick();
    EXPECT_EQ(host.lines, QStringList({ row(6), row(7) }));

    // A changed record layout starts a new ring from its first record.
    host.lines.clear();
    core.setRunMode(0);
    loader.layout.recordNumber = 6;
    core.setRunMode(2);
    core.simulator().tick();
    core.cycle().tick();
    EXPECT_EQ(host.lines, QStringList({ row(1) }));
    EXPECT_TRUE(host.errors.isEmpty());
}

TEST(Simulation, LoadFailureStopsWithTheLoaderText)
{
    FakeLoader loader;
    loader.failWith = u"No user buffer defined in the source file :\nx.tlvr"_s;
    ControlCore core;
    core.setLoader(&loader);
    TestHost host(core);
    core.setSimulation(true);
    core.Start();
    core.setRunMode(2);
    ASSERT_EQ(host.errors.size(), 1);
    EXPECT_EQ(host.errors[0], qMakePair(qint16(10), loader.failWith));
    EXPECT_EQ(core.runMode(), 0);
    EXPECT_EQ(core.cycle().state(), 2);

    // A ring too large to simulate is refused the same way.
    FakeLoader big(2, 1 << 20);
    ControlCore core2;
    core2.setLoader(&big);
    TestHost host2(core2);
    core2.setSimulation(true);
    core2.Start();
    core2.setRunMode(2);
    ASSERT_EQ(host2.errors.size(), 1);
    EXPECT_EQ(host2.errors[0].second, Simulation::ringSizeError(2, 1 << 20));
}
