#pragma once

#include "pcdsim/PcdProgram.h"
#include "pcdsim/trace/PcdVariable.h"

#include <QList>
#include <QRandomGenerator>

namespace tlv::pcdsim {

// Variables that move like a plant: each cycle every wave sets its variable from the time
// since the start. A flag takes "value is not 0".
class Waveforms : public PcdProgram
{
public:
    enum class Shape { Ramp, Sine, Square, Walk };
    struct Wave
    {
        PcdVariable variable;
        Shape shape = Shape::Ramp;
        qint32 low = 0;
        qint32 high = 100;
        qint64 periodMs = 10000; // Walk: time between two steps
        qint32 step = 1; // Walk only
    };

    explicit Waveforms(quint32 seed = 1)
        : m_random(seed)
    { }

    // "R 100 sine 0 1000 20000", "F 5 square 0 1 2000", "DB 7 3 walk 0 100 500 5".
    static bool parse(const QString &text, Wave *wave, QString *error);
    void add(const Wave &wave) { m_waves.append({ wave, wave.low }); }
    [[nodiscard]] int count() const { return int(m_waves.size()); }

    // The value of a wave (not Walk) at a time.
    [[nodiscard]] static qint32 valueAt(const Wave &wave, qint64 ms);

    void cycle(SimulatedPcd &pcd, qint64 elapsedMs) override;

private:
    struct Running
    {
        Wave wave;
        qint32 value;
        qint64 sinceStep = 0;
    };
    QList<Running> m_waves;
    QRandomGenerator m_random;
    qint64 m_time = 0;
};

} // namespace tlv::pcdsim
