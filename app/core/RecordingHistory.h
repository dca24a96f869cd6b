#pragma once

#include "viewer/core/HistorySource.h"

#include <QString>

#include <memory>

namespace tlv::viewer {
class ControlCore;
}

namespace tlv::app {

// The whole history of a recording shown in the window, handed to the control's graph
// while the view is open: a journal file's or a plant source's, read from its summaries.
class RecordingHistory
{
public:
    explicit RecordingHistory(viewer::ControlCore &control);
    ~RecordingHistory();
    RecordingHistory(const RecordingHistory &) = delete;
    RecordingHistory &operator=(const RecordingHistory &) = delete;

    // A journal file (source empty) or a plant source; the graph keeps the grid's rows when
    // the history cannot be read, with the reason in errorString().
    void open(const QString &where, const QString &source);
    void close();
    [[nodiscard]] bool isOpen() const { return m_source != nullptr; }
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    viewer::ControlCore &m_control;
    std::unique_ptr<viewer::HistorySource> m_source;
    QString m_error;
};

} // namespace tlv::app
