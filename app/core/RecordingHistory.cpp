#include "app/core/RecordingHistory.h"

#include "journal/JournalHistory.h"
#include "journal/plant/PlantHistory.h"
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
    if (!source.isEmpty()) {
        plant::PlantUri uri;
        auto server = std::make_unique<plant::PlantHistory>();
        if (!uri.parse(where) || !server->open(uri, source)) {
            m_error = server->errorString();
            return;
        }
        m_source = std::move(server);
        m_control.setHistory(m_source.get());
        return;
    }
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
