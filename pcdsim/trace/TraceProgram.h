#pragma once

#include "pcdsim/PcdProgram.h"
#include "pcdsim/trace/TraceRing.h"

#include <QList>
#include <QString>

#include <functional>

namespace tlv::pcdsim {

// A PCD program that keeps a trace buffer, with the disturbances a test or a demo asks of
// it: a restart, a burst of records faster than any reader drains, a command word.
class TraceProgram : public PcdProgram
{
public:
    // Every record as written: the ring's counter after it, its slot and its words.
    using RecordLog = std::function<void(qint64 counter, int slot, const QList<qint32> &record)>;
    // Other things worth logging ("restart", "clear", "command 8").
    using EventLog = std::function<void(const QString &event)>;

    void setRecordLog(RecordLog log) { m_recordLog = std::move(log); }
    void setEventLog(EventLog log) { m_eventLog = std::move(log); }

    [[nodiscard]] const TraceRing &ring() const { return m_ring; }
    [[nodiscard]] virtual QString name() const = 0;

    // Counter and write index back to 0, as when the PCD restarts.
    void restart(SimulatedPcd &pcd);
    // Writes count records at once (the values as they are now).
    void burst(SimulatedPcd &pcd, int count);
    // Puts value into the command word (through its register when the buffer has one).
    virtual void setCommand(SimulatedPcd &pcd, qint32 value);
    // The record as the variables stand now.
    [[nodiscard]] virtual QList<qint32> currentRecord(const SimulatedPcd &pcd) const = 0;

    // Publishes "TLVR__ACCESS_KEY" in the DBX registry: at byte 2 of DBX 5, where PG5's channel
    // searches, and at byte 0 of DBX 4, where the maker's driver finds it on its way down from
    // DBX 5. Value and slot 0: the start register (a register media address, so the host takes
    // it as its base register); slot 1: the start register's value.
    static void publishDbx(SimulatedPcd &pcd, int startRegister, qint32 startValue);

protected:
    void write(SimulatedPcd &pcd, const QList<qint32> &record);
    void logEvent(const QString &event) const;
    // Milliseconds of the record interval passed: true once per interval (0 = never).
    bool intervalDue(qint64 elapsedMs, qint64 intervalMs);

    TraceRing m_ring;

private:
    RecordLog m_recordLog;
    EventLog m_eventLog;
    qint64 m_sinceRecord = 0;
};

} // namespace tlv::pcdsim
