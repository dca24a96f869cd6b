#include "buffer/BufferCommands.h"

#include "buffer/BufferType.h"
#include "buffer/EditorFields.h"
#include "buffer/SourceGenerator.h"
#include "buffer/TraceProject.h"
#include "common/Prompter.h"

#include <QFile>

namespace tlv::buffer {

namespace {

using Style = common::Prompter::Style;

const QString Title = QStringLiteral("Tolvane");

} // namespace

BufferCommands::BufferCommands(
    TraceProject &project, const cFormats &formats, common::Prompter &prompter)
    : m_project(project)
    , m_formats(formats)
    , m_prompter(prompter)
{ }

bool BufferCommands::writeSettings()
{
    m_project.settings().connection.pcdRegistery = 0;
    return m_project.writeSettings(false, m_prompter);
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

bool BufferCommands::save(EditorFields &fields, bool withSettings)
{
    m_error.clear();
    const bool settingsOk = !withSettings || writeSettings();
    m_lastStore = BufferStore::store(fields, false, m_project, m_formats, m_prompter);
    if (!m_lastStore.ok)
        return false;
    if (!emptySource()) {
        // Saying nothing here would let the user believe the old source is gone.
        m_prompter.message(QStringLiteral("Cannot empty the source file : ")
                + m_project.sourcePath() + u'\r' + m_error,
            Title, Style::Critical);
        return false;
    }
    return settingsOk;
}

bool BufferCommands::compile(EditorFields &fields, bool withSettings)
{
    m_error.clear();
    m_lastStore = {};
    if (m_project.simulation()) {
        m_prompter.message(QStringLiteral("Demo mode without compilation !\r\rPress save button to "
                                          "use new parameter for the demo."),
            Title, Style::Information);
        return false;
    }
    if (withSettings)
        writeSettings();
    m_lastStore = BufferStore::store(fields, true, m_project, m_formats, m_prompter);
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
    if (ok) {
        m_prompter.message(QStringLiteral("Compilation successful !"), Title, Style::Information);
        return true;
    }
    m_prompter.message(
        QStringLiteral("Error during compile !\r") + m_error, Title, Style::Critical);
    return false;
}

} // namespace tlv::buffer
