#include "viewer/widgets/GraphViewKeeper.h"

#include "viewer/core/ControlCore.h"
#include "viewer/widgets/GraphView.h"

#include <QSet>

#include <algorithm>

namespace tlv::viewer {

GraphViewKeeper::GraphViewKeeper(ControlCore &core, GraphView &graph, QObject *parent)
    : QObject(parent)
    , m_core(core)
    , m_graph(graph)
{
    // Connected after the control's own handler, so the graph is set up when this runs.
    connect(&m_core, &ControlCore::graphShownChanged, this, [this](bool shown) {
        if (shown)
            applyPending();
    });
}

GraphViewState GraphViewKeeper::capture() const
{
    const RowStore &rows = m_core.rows();
    GraphViewState s;
    const QSet<int> selected = rows.graphSelection();
    s.columns = QList<int>(selected.cbegin(), selected.cend());
    std::sort(s.columns.begin(), s.columns.end());
    s.ownRanges = m_graph.ownRanges();
    s.timeAxis = m_graph.timeAxis();
    // As the user placed them: by a click on the chart, by a key or from the grid.
    s.cursorA = m_graph.cursorRecordA();
    s.cursorB = m_graph.cursorRecordB();
    // A view still waiting for its rows keeps what it waits for.
    if (m_pending) {
        s.cursorA = s.cursorA ? s.cursorA : m_pending->cursorA;
        s.cursorB = s.cursorB ? s.cursorB : m_pending->cursorB;
        s.zoom = m_pending->zoom;
        return s;
    }
    const GraphTraces &t = m_graph.traces();
    const auto [low, high] = m_graph.xRange();
    if (low != t.xLow || high != t.xHigh)
        s.zoom = std::pair { low, high };
    return s;
}

void GraphViewKeeper::restore(const GraphViewState &state)
{
    RowStore &rows = m_core.rows();
    if (!state.columns.isEmpty())
        rows.setGraphSelection(QSet<int>(state.columns.cbegin(), state.columns.cend()));
    m_graph.setTimeAxis(state.timeAxis);
    m_graph.setOwnRanges(state.ownRanges);
    m_pending = state;
    if (m_core.graphShown())
        applyPending();
}

int GraphViewKeeper::rowOfRecord(qint64 record) const
{
    const RowStore &rows = m_core.rows();
    // Any row that shows the number: a status row, say, puts the cursor on the record
    // nearest to it, as a click there would.
    for (int row = rows.dataRowCount() - 1; row >= 0; --row) {
        bool ok = false;
        if (rows.cell(row, 0).toLongLong(&ok) == record && ok)
            return row;
    }
    return -1;
}

void GraphViewKeeper::applyPending()
{
    if (!m_pending)
        return;
    const GraphViewState state = *std::exchange(m_pending, std::nullopt);
    if (state.zoom)
        m_graph.setXRange(state.zoom->first, state.zoom->second);
    // A record outside the grid's rows is looked up in the history shown; one found
    // nowhere leaves its cursor unset.
    const auto put = [this](bool cursorA, qint64 record) {
        const int row = rowOfRecord(record);
        if (row < 0 && m_graph.setCursorOnRecord(cursorA, record))
            return;
        cursorA ? m_graph.setCursorA(row) : m_graph.setCursorB(row);
    };
    if (state.cursorA)
        put(true, *state.cursorA);
    if (state.cursorB)
        put(false, *state.cursorB);
}

} // namespace tlv::viewer
