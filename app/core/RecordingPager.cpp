#include "app/core/RecordingPager.h"

#include "app/core/RecordingView.h"
#include "viewer/core/ControlCore.h"

#include <algorithm>

namespace tlv::app {

RecordingPager::RecordingPager(RecordingView &view, viewer::ControlCore &control)
    : m_view(view)
    , m_control(control)
{ }

qint64 RecordingPager::pageRows(qint64 maxRows)
{
    return std::clamp<qint64>(maxRows / 2, 1, PageRows);
}

qint64 RecordingPager::room() const
{
    return std::max<qint64>(m_control.maxRows(), 1);
}

bool RecordingPager::nearest(qint64 from, int step, QList<journal::JournalRow> *rows)
{
    const qint64 page = pageRows(room());
    JournalRowsReader &reader = *m_view.reader();
    while (step < 0 ? from > m_view.firstId() : from < m_view.lastReadId()) {
        RowRange range;
        if (step < 0) {
            range.to = from - 1;
            range.from = std::max(m_view.firstId(), from - page);
            from = range.from;
        } else {
            range.from = from + 1;
            range.to = std::min(m_view.lastReadId(), from + page);
            from = range.to;
        }
        if (!reader.rows(range, rows))
            return false;
        if (!rows->isEmpty())
            return true;
    }
    return true;
}

bool RecordingPager::shown(int first, int last, QList<journal::JournalRow> *rows)
{
    if (first > last)
        return true;
    RowRange range;
    range.from = m_view.shownId(first);
    range.to = m_view.shownId(last);
    QList<journal::JournalRow> read;
    if (!m_view.reader()->rows(range, &read))
        return false;
    // A time range shown may have left rows of its span out: only the shown ones come back.
    for (int i = first; i <= last; ++i) {
        const qint64 id = m_view.shownId(i);
        const auto at = std::lower_bound(read.cbegin(), read.cend(), id,
            [](const journal::JournalRow &r, qint64 wanted) { return r.id < wanted; });
        if (at != read.cend() && at->id == id)
            rows->append(*at);
    }
    return true;
}

std::optional<int> RecordingPager::older()
{
    if (!m_view.isOpen() || m_view.shownCount() == 0)
        return std::nullopt;
    m_error.clear();
    QList<journal::JournalRow> rows;
    if (!nearest(m_view.shownId(0), -1, &rows))
        return fail();
    if (rows.isEmpty())
        return std::nullopt;
    const qint64 current = m_view.buffer().id;
    // Rows of an older buffer have other columns: they come afresh once reached.
    qsizetype start = rows.size();
    while (start > 0 && rows[start - 1].bufferId == current)
        --start;
    if (start == rows.size())
        return switchBuffer(std::move(rows), -1);
    rows.remove(0, start);
    const int added = int(rows.size());
    const int keep = int(std::min<qint64>(m_view.shownCount(), room() - added));
    if (!shown(0, keep - 1, &rows))
        return fail();
    m_view.showRows(m_view.buffer(), rows, false);
    return added;
}

std::optional<int> RecordingPager::newer()
{
    if (!m_view.isOpen() || m_view.shownCount() == 0)
        return std::nullopt;
    m_error.clear();
    const int count = m_view.shownCount();
    QList<journal::JournalRow> rows;
    if (!nearest(m_view.shownId(count - 1), 1, &rows))
        return fail();
    if (rows.isEmpty()) {
        // At the newest row: the grid follows the recording again.
        if (!m_view.tailing())
            m_control.setFollowNewest(true);
        return std::nullopt;
    }
    const qint64 current = m_view.buffer().id;
    qsizetype end = 0;
    while (end < rows.size() && rows[end].bufferId == current)
        ++end;
    if (end == 0)
        return switchBuffer(std::move(rows), 1);
    rows.resize(end);
    const int dropped = int(std::max<qint64>(0, count + rows.size() - room()));
    QList<journal::JournalRow> window;
    if (!shown(dropped, count - 1, &window))
        return fail();
    window.append(rows);
    m_view.showRows(m_view.buffer(), window, window.last().id >= m_view.lastReadId());
    return -dropped;
}

std::optional<int> RecordingPager::fail()
{
    m_error = m_view.reader()->errorString();
    return std::nullopt;
}

std::optional<int> RecordingPager::switchBuffer(QList<journal::JournalRow> rows, int step)
{
    journal::JournalBuffer buffer;
    // Older: the rows that end next to the shown ones; newer: those that begin there.
    const qint64 id = step < 0 ? rows.last().bufferId : rows.first().bufferId;
    if (!m_view.reader()->buffer(id, &buffer))
        return fail();
    if (step < 0) {
        qsizetype start = rows.size();
        while (start > 0 && rows[start - 1].bufferId == id)
            --start;
        rows.remove(0, start);
    } else {
        qsizetype end = 0;
        while (end < rows.size() && rows[end].bufferId == id)
            ++end;
        rows.resize(end);
    }
    m_view.showRows(buffer, rows, step > 0 && rows.last().id >= m_view.lastReadId());
    return step < 0 ? ToTheEnd : -ToTheEnd;
}

} // namespace tlv::app
