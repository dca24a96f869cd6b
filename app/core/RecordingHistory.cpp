#include "app/core/RecordingHistory.h"

#include "journal/JournalHistory.h"
#include "viewer/core/ControlCore.h"

namespace tlv::app {

RecordingHistory::RecordingHistory(viewer::ControlCore &control)
    : m_control(control)
{ }

RecordingHistory::~RecordingHistory()
{
    close();
}

void RecordingHistory::open(const QString &where, const QString &source)
{
    close();
    m_error.clear();
    if (!source.isEmpty())
        return;
    auto journal = std::make_unique<journal::JournalHistory>();
    if (!journal->open(where)) {
        m_error = journal->errorString();
        return;
    }
    m_source = std::move(journal);
    m_control.setHistory(m_source.get());
}

void RecordingHistory::close()
{
    // The graph lets go before the source goes.
    if (m_source)
        m_control.setHistory(nullptr);
    m_source.reset();
}

} // namespace tlv::app
