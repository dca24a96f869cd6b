#include "pcdsim/trace/TraceProgram.h"

#include "pcdsim/SimulatedPcd.h"

namespace tlv::pcdsim {

void TraceProgram::restart(SimulatedPcd &pcd)
{
    m_ring.restart(pcd);
    logEvent(QStringLiteral("restart"));
}

void TraceProgram::burst(SimulatedPcd &pcd, int count)
{
    const QList<qint32> record = currentRecord(pcd);
    for (int i = 0; i < count; ++i)
        write(pcd, record);
}

void TraceProgram::setCommand(SimulatedPcd &pcd, qint32 value)
{
    m_ring.setCommandWord(pcd, value);
    logEvent(QStringLiteral("command ") + QString::number(value));
}

void TraceProgram::publishDbx(SimulatedPcd &pcd, int startRegister, qint32 startValue)
{
    const QByteArray key = QByteArrayLiteral("TLVR__ACCESS_KEY");
    const QList<qint32> table { startRegister, startValue };
    pcd.setDbxEntry(5, 2, key, startRegister, table);
    pcd.setDbxEntry(4, 0, key, startRegister, table);
}

void TraceProgram::write(SimulatedPcd &pcd, const QList<qint32> &record)
{
    const int slot = m_ring.writeIndex();
    m_ring.append(pcd, record);
    if (m_recordLog)
        m_recordLog(m_ring.counter(), slot, record);
}

void TraceProgram::logEvent(const QString &event) const
{
    if (m_eventLog)
        m_eventLog(event);
}

bool TraceProgram::intervalDue(qint64 elapsedMs, qint64 intervalMs)
{
    if (intervalMs <= 0)
        return false;
    m_sinceRecord += elapsedMs;
    if (m_sinceRecord < intervalMs)
        return false;
    // A late cycle records once, it does not catch up on every interval it missed.
    m_sinceRecord = m_sinceRecord >= 2 * intervalMs ? 0 : m_sinceRecord - intervalMs;
    return true;
}

} // namespace tlv::pcdsim
