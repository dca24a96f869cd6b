#pragma once

#include "viewer/core/GraphViewState.h"

#include <QObject>

#include <optional>

namespace tlv::viewer {

class ControlCore;
class GraphView;

// Takes the graph's view out and puts it back, through the graph's own
// controls. The zoom and the cursors need rows to sit on: they wait for the
// graph to show (now, or when it is next shown) and then apply once.
class GraphViewKeeper : public QObject
{
    Q_OBJECT

public:
    GraphViewKeeper(ControlCore &core, GraphView &graph, QObject *parent = nullptr);

    // The view as the user has it now.
    [[nodiscard]] GraphViewState capture() const;
    // Columns, axis and ranges at once; zoom and cursors once the graph shows.
    void restore(const GraphViewState &state);
    [[nodiscard]] bool pending() const { return m_pending.has_value(); }

private:
    void applyPending();
    [[nodiscard]] int rowOfRecord(qint64 record) const;

    ControlCore &m_core;
    GraphView &m_graph;
    std::optional<GraphViewState> m_pending;
};

} // namespace tlv::viewer
