#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace tlv::viewer {

// The graph as the user arranged it, kept in the project file in a section of
// its own (older readers pass over it): the columns drawn, own ranges, the time
// or record axis, the cursors on their record numbers and the zoom in axis units.
struct GraphViewState
{
    QList<int> columns; // column numbers, in the order stored
    bool ownRanges = false;
    bool timeAxis = false;
    std::optional<qint64> cursorA; // record numbers as the grid shows them
    std::optional<qint64> cursorB;
    std::optional<std::pair<double, double>> zoom; // none: full view

    [[nodiscard]] static QString section() { return QStringLiteral("GRAPH_VIEW"); }

    // The section's lines, "key=value".
    [[nodiscard]] QStringList lines() const;
    // The reverse. A value that does not read is passed over and named in
    // warnings; the rest of the view still comes back.
    [[nodiscard]] static GraphViewState fromLines(
        const QStringList &lines, QStringList *warnings = nullptr);

    // Replaces the section in the project file; the rest of the file stays.
    bool write(const QString &projectFile) const;
    // The view stored in the project file; nothing when it has none.
    [[nodiscard]] static std::optional<GraphViewState> read(
        const QString &projectFile, QStringList *warnings = nullptr);

    friend bool operator==(const GraphViewState &, const GraphViewState &) = default;
};

} // namespace tlv::viewer
