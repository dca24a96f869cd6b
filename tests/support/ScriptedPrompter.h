#pragma once

#include "common/Prompter.h"

#include <QList>
#include <QQueue>
#include <QString>

namespace tlv::common {

// A prompter for tests: records every message and file request and answers
// from queues, falling back to a default answer when a queue runs dry.
class ScriptedPrompter : public Prompter
{
public:
    struct Message
    {
        QString text;
        QString title;
        Style style = Style::Information;
        Buttons buttons = Buttons::Ok;

        friend bool operator==(const Message &, const Message &) = default;
    };
    enum class Dialog { Open, Save };
    struct FileDialog
    {
        Dialog kind = Dialog::Open;
        FileRequest request;
    };

    ScriptedPrompter() = default;

    Answer message(const QString &text, const QString &title, Style style,
        Buttons buttons = Buttons::Ok) override;
    void notice(const QString &text, const QString &title, Style style) override;
    QString openFile(const FileRequest &request) override;
    QString saveFile(const FileRequest &request) override;

    // Answers handed out in order; an empty queue gives the defaults.
    void queueAnswer(Answer answer) { m_answers.enqueue(answer); }
    void queueFile(const QString &path) { m_files.enqueue(path); }
    void setDefaultAnswer(Answer answer) { m_defaultAnswer = answer; }
    void setDefaultFile(const QString &path) { m_defaultFile = path; }

    [[nodiscard]] const QList<Message> &messages() const { return m_messages; }
    // What was told without waiting, apart from the messages.
    [[nodiscard]] const QList<Message> &notices() const { return m_notices; }
    [[nodiscard]] const QList<FileDialog> &fileDialogs() const { return m_fileDialogs; }
    [[nodiscard]] QStringList texts() const;
    [[nodiscard]] Message lastMessage() const;
    [[nodiscard]] int pendingAnswers() const { return int(m_answers.size()); }
    void clear();

private:
    QString nextFile(Dialog kind, const FileRequest &request);

    QList<Message> m_messages;
    QList<Message> m_notices;
    QList<FileDialog> m_fileDialogs;
    QQueue<Answer> m_answers;
    QQueue<QString> m_files;
    Answer m_defaultAnswer = Answer::Ok;
    QString m_defaultFile;
};

} // namespace tlv::common
