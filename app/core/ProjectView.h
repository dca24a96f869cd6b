#pragma once

#include "viewer/core/GraphViewState.h"

#include <QString>

#include <optional>

namespace tlv::app {

// Where the window keeps the graph's view: in the project it shows, and for a
// journal, in the project it was recorded beside ("demo.journal.db" belongs to
// "demo.tlvr" in the same folder).
class ProjectView
{
public:
    // The project a journal belongs to; empty when there is none at hand.
    [[nodiscard]] static QString projectOfJournal(const QString &journalPath);
    // The view stored with a project; nothing for a project without one or a
    // file that is not there.
    [[nodiscard]] static std::optional<viewer::GraphViewState> load(const QString &projectPath);
    // Stores the view unless the project already holds this one, so closing an
    // unchanged window leaves the file as it was. False when writing failed.
    static bool save(const QString &projectPath, const viewer::GraphViewState &state);
};

} // namespace tlv::app
