#pragma once

#include <QList>
#include <QObject>
#include <QTimer>

namespace tlv::viewer {

// A trace buffer without a controller: a timer writes one record of generated
// values per tick into an in-memory ring laid out like the PCD's, and the
// reading cycle reads it instead of asking the host.
class Simulation : public QObject
{
    Q_OBJECT

public:
    static constexpr int CounterBlockSize = 5;
    // The simulated ring is addressed as a buffer with an 8-word header.
    static constexpr qint32 HeaderLength = 8;
    // Larger rings are refused rather than allocated (R x C words).
    static constexpr qint64 MaxRingWords = 1 << 20;
    static constexpr int DefaultPeriod = 1000; // ms, until a user buffer sets one

    explicit Simulation(QObject *parent = nullptr);

    // A fresh counter block (all zero) and the angles back at 0.
    void createCounterBlock();
    // The record ring of R x C words, all zero, and the counter block back at
    // its start: counters of an earlier ring would point at records this one
    // never held. False when the size is not usable.
    [[nodiscard]] bool createRing(qint32 recordLength, qint32 capacity);
    // A ring of this size exists already (its records and counters can stay).
    [[nodiscard]] bool hasRing(qint32 recordLength, qint32 capacity) const
    {
        return !m_ring.isEmpty() && recordLength == m_recordLength && capacity == m_capacity;
    }
    [[nodiscard]] static QString ringSizeError(qint32 recordLength, qint32 capacity);
    void discard();
    [[nodiscard]] bool active() const { return m_active; }

    // Writes the next record; nothing before a ring exists to hold it.
    void tick();

    [[nodiscard]] QList<qint32> counterBlock() const { return m_counterBlock; }
    // count words from word offset (header included) of the simulated buffer;
    // shorter when the request runs past the ring.
    [[nodiscard]] QList<qint32> words(qint32 offset, qint32 count) const;
    [[nodiscard]] const QList<qint32> &ring() const { return m_ring; }

    [[nodiscard]] qint32 counter() const { return m_counterBlock.value(0); }
    [[nodiscard]] qint32 writeIndex() const { return m_counterBlock.value(1); }
    [[nodiscard]] qint32 capacity() const { return m_capacity; }

    // Period from the user buffer's RecordInterval (tenths of a second);
    // DefaultPeriod when it is 0 (on change only) or below.
    void setRecordInterval(qint32 tenths);
    [[nodiscard]] int period() const { return m_timer.interval(); }
    void startTimer();
    void stopTimer();
    [[nodiscard]] bool timerActive() const { return m_timer.isActive(); }

Q_SIGNALS:
    void recordWritten();

private:
    QTimer m_timer;
    QList<qint32> m_counterBlock;
    QList<qint32> m_ring;
    qint32 m_recordLength = 0;
    qint32 m_capacity = 0;
    int m_angleA = 0;
    int m_angleB = 0;
    bool m_active = false;
};

} // namespace tlv::viewer
