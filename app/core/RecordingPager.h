#pragma once

#include "journal/JournalTypes.h"

#include <QList>

#include <optional>

namespace tlv::viewer {
class ControlCore;
}

namespace tlv::app {

class RecordingView;

// Pages through a recording shown in the grid: past the oldest row shown the page before it
// comes in front, past the newest the page after it behind, by row number, and the rows at
// the other end give way so that the grid never holds more than MaxRows. Every row of a
// recording of any length is reachable that way, in order, each once.
class RecordingPager
{
public:
    // Rows read in one page at most.
    static constexpr qint64 PageRows = 2000;
    // Scrolling by this many rows reaches the last row of a grid (or with its negative the
    // first): another buffer's rows shown afresh are looked at from their end nearest to
    // where the user came from.
    static constexpr int ToTheEnd = 1 << 30;

    RecordingPager(RecordingView &view, viewer::ControlCore &control);

    // Rows of one page for a grid of maxRows rows: half the grid, so a page always leaves
    // some of the rows looked at in sight.
    [[nodiscard]] static qint64 pageRows(qint64 maxRows);

    // Puts the rows before the oldest one shown in front. How far the rows shown moved down
    // the grid (grid row i is now i + shift); none when nothing older is there.
    std::optional<int> older();
    // Puts the rows after the newest one shown behind; the grid follows again once its
    // last row is the recording's newest. How far the rows shown moved (a negative shift
    // up the grid); none when nothing newer is there.
    std::optional<int> newer();
    // Why the last page could not be read; empty when it was.
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    // Rows before (step -1) or after (step 1) row number from, the nearest page that holds
    // any: row numbers of a pruned source leave gaps.
    bool nearest(qint64 from, int step, QList<journal::JournalRow> *rows);
    // The shown rows from grid row first to last read again.
    bool shown(int first, int last, QList<journal::JournalRow> *rows);
    // Rows of another buffer than the one shown: its rows next to the shown ones, afresh.
    std::optional<int> switchBuffer(QList<journal::JournalRow> rows, int step);
    [[nodiscard]] qint64 room() const;
    // Failures come back empty-handed, the reader's text kept.
    std::optional<int> fail();

    RecordingView &m_view;
    viewer::ControlCore &m_control;
    QString m_error;
};

} // namespace tlv::app
