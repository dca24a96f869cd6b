#include "buffer/BufferCommands.h"

#include "buffer/BufferLog.h"
#include "buffer/BufferType.h"
#include "buffer/EditorFields.h"
#include "buffer/SourceGenerator.h"
#include "buffer/TraceProject.h"

#include <QFile>

namespace tlv::buffer {

namespace {

using Style = common::Prompter::Style;

const QString Title = QStringLiteral("Tolvane");

} // namespace

BufferCommands::BufferCommands(TraceProject &project, const cFormats &formats)
    : m_project(project)
    , m_formats(formats)
{ }

bool BufferCommands::writeSettings(common::PromptMessages &messages)
{
    m_project.settings().connection.pcdRegistery = 0;
    if (m_project.writeSettings(false))
        return true;
    messages << common::PromptMessage { m_project.errorString(), Title, Style::Critical };
    return false;
}

bool BufferCommands::truncateSource()
{
    QFile file(m_project.sourcePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = file.errorString();
        return false;
    }
    file.close();
    return true;
}

bool BufferCommands::emptySource()
{
    m_error.clear();
    if (m_project.bufferType() != BufferType::Standard)
        return true;
    return truncateSource();
}

bool BufferCommands::createSourceIfMissing()
{
    m_error.clear();
    if (QFile::exists(m_project.sourcePath()))
        return true;
    return truncateSource();
}

BufferCommands::Outcome BufferCommands::save(EditorFields &fields, bool withSettings)
{
    m_error.clear();
    Outcome outcome;
    const bool settingsOk = !withSettings || writeSettings(outcome.messages);
    m_lastStore = BufferStore::store(fields, false, m_project, m_formats);
    outcome.messages += m_lastStore.messages;
    qCInfo(lcBuffer) << "save" << m_project.path() << (m_lastStore.ok ? "stored" : "refused");
    if (!m_lastStore.ok)
        return outcome;
    if (!emptySource()) {
        // Saying nothing here would let the user believe the old source is gone.
        outcome.messages << common::PromptMessage { QStringLiteral(
                                                        "Cannot empty the source file : ")
                + m_project.sourcePath() + u'\r' + m_error,
            Title, Style::Critical };
        return outcome;
    }
    outcome.ok = settingsOk;
    return outcome;
}

BufferCommands::Outcome BufferCommands::compile(EditorFields &fields, bool withSettings)
{
    m_error.clear();
    m_lastStore = {};
    Outcome outcome;
    if (m_project.simulation()) {
        outcome.messages << common::PromptMessage {
            QStringLiteral("Demo mode without compilation !\r\rPress save button to "
                           "use new parameter for the demo."),
            Title, Style::Information
        };
        return outcome;
    }
    if (withSettings)
        writeSettings(outcome.messages);
    m_lastStore = BufferStore::store(fields, true, m_project, m_formats);
    outcome.messages += m_lastStore.messages;
    bool ok = m_lastStore.ok;
    if (ok) {
        if (m_project.bufferType() == BufferType::Standard) {
            ok = truncateSource();
        } else {
            SourceGenerator generator;
            ok = generator.write(m_project.buffer(), m_project.sourcePath());
            if (!ok)
                m_error = generator.errorString();
        }
    }
    qCInfo(lcBuffer) << "compile" << m_project.sourcePath() << (ok ? "done" : "failed") << m_error;
    if (ok) {
        outcome.messages << common::PromptMessage { QStringLiteral("Compilation successful !"),
            Title, Style::Information };
        outcome.ok = true;
        return outcome;
    }
    outcome.messages << common::PromptMessage {
        QStringLiteral("Error during compile !\r") + m_error, Title, Style::Critical
    };
    return outcome;
}

} // namespace tlv::buffer
