#include "viewer/plot/GraphTicks.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <cmath>

namespace tlv::viewer {

double GraphTicks::niceStep(double span, int target)
{
    if (!(span > 0) || !std::isfinite(span) || target < 1)
        return 1.0;
    const double raw = span / target;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : { 1.0, 2.0, 5.0, 10.0 }) {
        // A little slack so 0.3 / 3 does not become 0.2 through rounding.
        if (m * power >= raw * (1 - 1e-9))
            return m * power;
    }
    return 10 * power;
}

double GraphTicks::niceTimeStep(double seconds, int target)
{
    static constexpr std::array<double, 25> Steps { 0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2,
        0.5, 1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600 };
    if (!(seconds > 0) || !std::isfinite(seconds) || target < 1)
        return 1.0;
    const double raw = seconds / target;
    for (const double s : Steps) {
        if (s >= raw * (1 - 1e-9))
            return s;
    }
    if (raw <= 43200)
        return 43200;
    return 86400 * std::ceil(raw / 86400);
}

QList<double> GraphTicks::multiples(double low, double high, double step)
{
    QList<double> out;
    if (!(step > 0) || !std::isfinite(low) || !std::isfinite(high) || high < low)
        return out;
    const double first = std::ceil(low / step - 1e-9);
    const double last = std::floor(high / step + 1e-9);
    if (last - first > 10000)
        return out;
    for (double k = first; k <= last; ++k) {
        const double v = k * step;
        out.append(std::abs(v) < step * 1e-9 ? 0.0 : v);
    }
    return out;
}

QString GraphTicks::valueText(double value, double step)
{
    int decimals = 0;
    if (step > 0 && step < 1)
        decimals = int(std::ceil(-std::log10(step) - 1e-9));
    // 1e15 and more: the exponent form says it better than 16 digits.
    if (std::abs(value) >= 1e15)
        return QString::number(value, 'g', 6);
    return QString::number(value, 'f', std::min(decimals, 9));
}

QList<GraphTicks::Tick> GraphTicks::distinct(const QList<Tick> &ticks, double low, double high)
{
    QList<Tick> wanted;
    double last = low;
    for (const auto &[value, text] : ticks) {
        if (value <= last || value > high || text.isEmpty()
            || std::any_of(wanted.cbegin(), wanted.cend(),
                [&text](const Tick &t) { return t.second == text; }))
            continue;
        wanted.append({ value, text });
        last = value;
    }
    return wanted;
}

QList<GraphTicks::Tick> GraphTicks::spaced(
    const QList<Tick> &ticks, double pixelsPerUnit, double textHeight)
{
    QList<Tick> kept;
    for (const Tick &tick : ticks) {
        if (kept.isEmpty() || (tick.first - kept.last().first) * pixelsPerUnit >= textHeight)
            kept.append(tick);
    }
    return kept;
}

int GraphTicks::recordStep(int labelStep, double span, int width, int labelWidth)
{
    // Labels that would overlap are dropped at random by a chart: the step
    // grows instead, so every label shown is one of the step.
    const double fit = double(width) / std::max(labelWidth, 1);
    const double wanted = span / std::max(labelStep, 1);
    if (wanted <= fit)
        return labelStep;
    return labelStep * int(std::ceil(niceStep(wanted, int(fit))));
}

QList<GraphTicks::Tick> GraphTicks::valueTicks(double low, double high, int target)
{
    QList<Tick> out;
    const double step = niceStep(high - low, target);
    for (const double v : multiples(low, high, step))
        out.append({ v, valueText(v, step) });
    return out;
}

QList<GraphTicks::Tick> GraphTicks::timeTicks(double low, double high, qint64 originMs, int target)
{
    QList<Tick> out;
    const double step = niceTimeStep(high - low, target);
    // Ticks fall on whole clock units of local time; whole milliseconds keep
    // the sums exact where seconds since the epoch would lose the fraction.
    const qint64 stepMs = std::max<qint64>(1, std::llround(step * 1000));
    const qint64 offsetMs = qint64(QDateTime::fromMSecsSinceEpoch(originMs).offsetFromUtc()) * 1000;
    const qint64 lowMs = originMs + offsetMs + std::llround(low * 1000);
    const qint64 highMs = originMs + offsetMs + std::llround(high * 1000);
    const QString format = step < 1 ? QStringLiteral("hh:mm:ss.zzz")
        : step >= 86400             ? QStringLiteral("dd/MM hh:mm")
                                    : QStringLiteral("hh:mm:ss");
    qint64 t = lowMs / stepMs * stepMs;
    if (t < lowMs)
        t += stepMs;
    for (int n = 0; t <= highMs && n < 10000; t += stepMs, ++n) {
        const qint64 ms = t - offsetMs;
        out.append(
            { (ms - originMs) / 1000.0, QDateTime::fromMSecsSinceEpoch(ms).toString(format) });
    }
    return out;
}

QList<GraphTicks::Tick> GraphTicks::wholeLabels(const QList<Tick> &ticks,
    std::pair<double, double> range, std::pair<double, double> plot, std::pair<double, double> room,
    const std::function<double(const QString &)> &widthOf)
{
    QList<Tick> out;
    const auto [low, high] = range;
    if (!(high > low))
        return out;
    const double scale = (plot.second - plot.first) / (high - low);
    for (const Tick &tick : ticks) {
        const double px = plot.first + (tick.first - low) * scale;
        const double half = widthOf(tick.second) / 2;
        if (px - half >= room.first && px + half <= room.second)
            out.append(tick);
    }
    return out;
}

} // namespace tlv::viewer
