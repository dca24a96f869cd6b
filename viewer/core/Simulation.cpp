#include "viewer/core/Simulation.h"

#include <algorithm>
#include <cmath>

namespace tlv::viewer {

namespace {

// The generated curves use this value, not a more precise pi.
constexpr double kPi = 3.1415;

qint32 sineValue(int degrees, double amplitude)
{
    return qint32(std::lround((std::sin(degrees * kPi / 180.0) + 1.0) * amplitude));
}

} // namespace

Simulation::Simulation(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(DefaultPeriod);
    connect(&m_timer, &QTimer::timeout, this, &Simulation::tick);
}

void Simulation::createCounterBlock()
{
    m_counterBlock = QList<qint32>(CounterBlockSize, 0);
    m_angleA = 0;
    m_angleB = 0;
    m_active = true;
}

QString Simulation::ringSizeError(qint32 recordLength, qint32 capacity)
{
    return QStringLiteral("Invalid simulation buffer size : ") + QString::number(recordLength)
        + QStringLiteral(" registers x ") + QString::number(capacity) + QStringLiteral(" records");
}

bool Simulation::createRing(qint32 recordLength, qint32 capacity)
{
    if (recordLength < 1 || capacity < 1 || qint64(recordLength) * capacity > MaxRingWords)
        return false;
    m_recordLength = recordLength;
    m_capacity = capacity;
    m_ring = QList<qint32>(qsizetype(recordLength) * capacity, 0);
    if (m_active) {
        m_counterBlock.fill(0);
        m_angleA = 0;
        m_angleB = 0;
    }
    return true;
}

void Simulation::discard()
{
    m_timer.stop();
    m_counterBlock.clear();
    m_ring.clear();
    m_recordLength = 0;
    m_capacity = 0;
    m_active = false;
}

void Simulation::tick()
{
    // Without a ring a record would be counted that no slot holds.
    if (m_counterBlock.size() < CounterBlockSize || m_ring.isEmpty())
        return;
    m_angleA = m_angleA < 350 ? m_angleA + 10 : 0;
    m_angleB = m_angleB < 340 ? m_angleB + 20 : 0;

    // The PCD's counter is 31 bits wide.
    const qint32 counter = qint32((qint64(m_counterBlock[0]) + 1) & 0x7FFFFFFF);
    m_counterBlock[0] = counter;
    qint32 &writeIndex = m_counterBlock[1];
    writeIndex = writeIndex >= m_capacity ? 1 : writeIndex + 1;
    m_counterBlock[3] = m_capacity;

    const qint64 slot = writeIndex - 1;
    if (slot >= 0 && slot < m_capacity) {
        qint32 *record = m_ring.data() + slot * m_recordLength;
        for (qint32 i = 0; i < m_recordLength; ++i) {
            if (i == 0)
                record[i] = sineValue(m_angleA, 100.0);
            else if (i == 1)
                record[i] = sineValue(m_angleB, 50.0);
            else // wraps like a PCD register would
                record[i] = qint32(quint32(quint64(counter) * quint64(i) * 11u));
        }
    }
    Q_EMIT recordWritten();
}

QList<qint32> Simulation::words(qint32 offset, qint32 count) const
{
    const qint64 first = qint64(offset) - HeaderLength;
    QList<qint32> out;
    if (first < 0 || count <= 0 || first >= m_ring.size())
        return out;
    const qint64 n = std::min<qint64>(count, m_ring.size() - first);
    out = m_ring.mid(first, n);
    return out;
}

void Simulation::setRecordInterval(qint32 tenths)
{
    // No interval (a buffer recording on change only): one record per default
    // period, so the demo still moves.
    if (tenths < 1) {
        m_timer.setInterval(DefaultPeriod);
        return;
    }
    m_timer.setInterval(int(std::min<qint64>(tenths, 20000000) * 100));
}

void Simulation::startTimer()
{
    m_timer.start();
}

void Simulation::stopTimer()
{
    m_timer.stop();
}

} // namespace tlv::viewer
