#include "pcdsim/trace/Waveform.h"

#include <QtMath>

namespace tlv::pcdsim {

bool Waveforms::parse(const QString &text, Wave *wave, QString *error)
{
    static const char *const shapes[] = { "ramp", "sine", "square", "walk" };
    QStringList words = text.simplified().split(u' ');
    int at = -1;
    for (int i = 0; i < words.size() && at < 0; ++i) {
        for (int s = 0; s < 4; ++s) {
            if (words[i].compare(QLatin1String(shapes[s]), Qt::CaseInsensitive) == 0) {
                at = i;
                wave->shape = Shape(s);
            }
        }
    }
    if (at < 1) {
        *error = QStringLiteral("A wave needs a variable and ramp, sine, square or walk: ") + text;
        return false;
    }
    if (!PcdVariable::parse(words.mid(0, at).join(u' '), &wave->variable, error))
        return false;
    const QStringList numbers = words.mid(at + 1);
    const int needed = wave->shape == Shape::Walk ? 4 : 3;
    bool ok = numbers.size() == needed || (wave->shape == Shape::Walk && numbers.size() == 3);
    qint64 values[4] = { 0, 0, 0, 1 };
    for (int i = 0; ok && i < numbers.size(); ++i)
        values[i] = numbers[i].toLongLong(&ok, 0);
    if (!ok || values[2] < 1 || values[0] > values[1] || values[0] < INT_MIN || values[1] > INT_MAX
        || values[3] < 1 || values[3] > INT_MAX) {
        *error = QStringLiteral("A wave needs LOW HIGH PERIOD_MS (walk: LOW HIGH STEP_MS [STEP]), "
                                "LOW <= HIGH, PERIOD_MS >= 1: ")
            + text;
        return false;
    }
    wave->low = qint32(values[0]);
    wave->high = qint32(values[1]);
    wave->periodMs = values[2];
    wave->step = qint32(values[3]);
    return true;
}

qint32 Waveforms::valueAt(const Wave &w, qint64 ms)
{
    const double span = double(w.high) - double(w.low);
    const double phase = double(ms % w.periodMs) / double(w.periodMs);
    switch (w.shape) {
    case Shape::Ramp:
        return qint32(qRound64(w.low + span * phase));
    case Shape::Sine:
        return qint32(qRound64(w.low + span * (0.5 + 0.5 * qSin(2.0 * M_PI * phase))));
    case Shape::Square:
        return phase < 0.5 ? w.high : w.low;
    case Shape::Walk:
        break;
    }
    return w.low;
}

void Waveforms::cycle(SimulatedPcd &pcd, qint64 elapsedMs)
{
    m_time += elapsedMs;
    for (Running &r : m_waves) {
        if (r.wave.shape != Shape::Walk) {
            r.wave.variable.write(pcd, valueAt(r.wave, m_time));
            continue;
        }
        r.sinceStep += elapsedMs;
        while (r.sinceStep >= r.wave.periodMs) {
            r.sinceStep -= r.wave.periodMs;
            const qint64 move = qint64(m_random.bounded(2 * r.wave.step + 1)) - r.wave.step;
            r.value
                = qint32(qBound(qint64(r.wave.low), qint64(r.value) + move, qint64(r.wave.high)));
        }
        r.wave.variable.write(pcd, r.value);
    }
}

} // namespace tlv::pcdsim
