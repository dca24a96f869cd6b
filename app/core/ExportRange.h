#pragma once

#include <QList>

#include <optional>
#include <utility>

namespace tlv::app {

// Which times "Export range..." writes: those of the rows the graph shows while it is zoomed
// or panned, unless the boxes were used since; else the boxes' range.
class ExportRange
{
public:
    using Span = std::pair<qint64, qint64>; // UTC ms, both included
    using View = std::pair<double, double>; // the graph's x range

    // The boxes were used (shown or exported from) while the graph was at view.
    void boxUsed(const View &view) { m_boxView = view; }
    // The range for the boxes' span, the graph at view of its full view full, its rows at
    // msecs (PC times, 0 unknown) on a time axis or the record axis.
    [[nodiscard]] Span choose(const Span &box, const View &view, const View &full,
        const QList<qint64> &msecs, bool timeAxis) const;

    // The first and last PC time of the rows whose x lies in view: x is the row's number from
    // 1, or on a time axis its seconds after the first row. None when no such row has a time.
    [[nodiscard]] static std::optional<Span> shownSpan(
        const QList<qint64> &msecs, bool timeAxis, const View &view);

private:
    std::optional<View> m_boxView;
};

} // namespace tlv::app
