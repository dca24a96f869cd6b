#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <utility>

namespace tlv::viewer {

// Axis ticks a reader can use: steps of 1, 2 or 5 times a power of ten, or
// whole clock units on a time axis, and labels that show no more digits than
// the step needs.
class GraphTicks
{
public:
    using Tick = std::pair<double, QString>;

    // The smallest 1/2/5 step that cuts span into at most target parts.
    [[nodiscard]] static double niceStep(double span, int target);
    // The same for seconds: 1 ms ... 500 ms, 1, 2, 5, 10, 15, 30 s, 1, 2, 5,
    // 10, 15, 30 min, 1, 2, 3, 6, 12 h, then whole days.
    [[nodiscard]] static double niceTimeStep(double seconds, int target);
    // Multiples of step from low to high.
    [[nodiscard]] static QList<double> multiples(double low, double high, double step);
    // A value with the decimals its step calls for ("0.25", "1200", "-3.5").
    [[nodiscard]] static QString valueText(double value, double step);

    // The label step of a whole record axis: labelStep, or a 1/2/5 multiple
    // of it where the labels, labelWidth pixels each, would not fit in width.
    [[nodiscard]] static int recordStep(int labelStep, double span, int width, int labelWidth);

    // The ticks an axis from low to high shows: rising, inside it, each label once.
    [[nodiscard]] static QList<Tick> distinct(const QList<Tick> &ticks, double low, double high);
    // Rising ticks thinned so their labels, textHeight high, do not overlap at
    // pixelsPerUnit.
    [[nodiscard]] static QList<Tick> spaced(
        const QList<Tick> &ticks, double pixelsPerUnit, double textHeight);

    // Ticks of a value axis over low..high.
    [[nodiscard]] static QList<Tick> valueTicks(double low, double high, int target);
    // Ticks of a time axis: x is in seconds after originMs (ms since the
    // epoch); labels are local clock times, with ms when the step is below 1 s.
    [[nodiscard]] static QList<Tick> timeTicks(
        double low, double high, qint64 originMs, int target);

    // The ticks whose labels, centred on them, lie whole within the pixels of room, where
    // range (low, high) is drawn over the pixels of plot; widthOf measures a label.
    [[nodiscard]] static QList<Tick> wholeLabels(const QList<Tick> &ticks,
        std::pair<double, double> range, std::pair<double, double> plot,
        std::pair<double, double> room, const std::function<double(const QString &)> &widthOf);
};

} // namespace tlv::viewer
