#include "common/ConsolePrompter.h"

#include <cstdio>

namespace tlv::common {

namespace {

QString styleLabel(Prompter::Style style)
{
    switch (style) {
    case Prompter::Style::Critical:
        return QStringLiteral("error");
    case Prompter::Style::Exclamation:
        return QStringLiteral("warning");
    case Prompter::Style::Question:
        return QStringLiteral("question");
    case Prompter::Style::Plain:
        return {};
    case Prompter::Style::Information:
        break;
    }
    return QStringLiteral("info");
}

QString answerLabel(Prompter::Answer answer)
{
    switch (answer) {
    case Prompter::Answer::Yes:
        return QStringLiteral("Yes");
    case Prompter::Answer::No:
        return QStringLiteral("No");
    case Prompter::Answer::Cancel:
        return QStringLiteral("Cancel");
    case Prompter::Answer::Retry:
        return QStringLiteral("Retry");
    case Prompter::Answer::Ok:
        break;
    }
    return QStringLiteral("OK");
}

// Message texts separate their lines with CR, LF or both; a terminal wants LF.
QString terminalText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

ConsolePrompter::ConsolePrompter()
    : m_stderr(stderr)
    , m_err(&m_stderr)
{ }

ConsolePrompter::ConsolePrompter(QTextStream *err)
    : m_err(err)
{ }

Prompter::Answer ConsolePrompter::defaultAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::Yes;
    case Buttons::RetryCancel:
        return Answer::Cancel;
    case Buttons::Ok:
        break;
    }
    return Answer::Ok;
}

Prompter::Answer ConsolePrompter::message(
    const QString &text, const QString &title, Style style, Buttons buttons)
{
    const Answer answer = defaultAnswer(buttons);
    const QString label = styleLabel(style);
    *m_err << title;
    if (!label.isEmpty())
        *m_err << QLatin1String(" [") << label << QLatin1Char(']');
    *m_err << QLatin1String(": ") << terminalText(text);
    if (buttons != Buttons::Ok)
        *m_err << QLatin1String(" -> ") << answerLabel(answer);
    *m_err << QLatin1Char('\n');
    m_err->flush();
    return answer;
}

QString ConsolePrompter::openFile(const FileRequest &request)
{
    *m_err << request.title << QLatin1String(": no file chosen (no dialogs on the command line)\n");
    m_err->flush();
    return {};
}

QString ConsolePrompter::saveFile(const FileRequest &request)
{
    return openFile(request);
}

} // namespace tlv::common
