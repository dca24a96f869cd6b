#include "tests/support/ScriptedPrompter.h"

#include <QStringList>

namespace tlv::common {

Prompter::Answer ScriptedPrompter::message(
    const QString &text, const QString &title, Style style, Buttons buttons)
{
    m_messages.append({ text, title, style, buttons });
    return m_answers.isEmpty() ? m_defaultAnswer : m_answers.dequeue();
}

void ScriptedPrompter::notice(const QString &text, const QString &title, Style style)
{
    m_notices.append({ text, title, style, Buttons::Ok });
}

QString ScriptedPrompter::openFile(const FileRequest &request)
{
    return nextFile(Dialog::Open, request);
}

QString ScriptedPrompter::saveFile(const FileRequest &request)
{
    return nextFile(Dialog::Save, request);
}

QString ScriptedPrompter::nextFile(Dialog kind, const FileRequest &request)
{
    m_fileDialogs.append({ kind, request });
    return m_files.isEmpty() ? m_defaultFile : m_files.dequeue();
}

QStringList ScriptedPrompter::texts() const
{
    QStringList result;
    for (const Message &m : m_messages)
        result.append(m.text);
    return result;
}

ScriptedPrompter::Message ScriptedPrompter::lastMessage() const
{
    return m_messages.isEmpty() ? Message() : m_messages.last();
}

void ScriptedPrompter::clear()
{
    m_messages.clear();
    m_notices.clear();
    m_fileDialogs.clear();
    m_answers.clear();
    m_files.clear();
}

} // namespace tlv::common
