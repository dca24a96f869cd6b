#include "common/ConsolePrompter.h"
#include "common/ScriptedPrompter.h"

#include <gtest/gtest.h>

using namespace tlv::common;
using Answer = Prompter::Answer;
using Buttons = Prompter::Buttons;
using Style = Prompter::Style;

TEST(ScriptedPrompter, AnswersFromTheQueueThenTheDefault)
{
    ScriptedPrompter prompter;
    prompter.queueAnswer(Answer::No);
    prompter.queueAnswer(Answer::Cancel);
    prompter.setDefaultAnswer(Answer::Yes);
    EXPECT_EQ(prompter.message(QStringLiteral("one"), QStringLiteral("Tolvane"), Style::Question,
                  Buttons::YesNo),
        Answer::No);
    EXPECT_EQ(prompter.message(QStringLiteral("two"), QStringLiteral("T2"), Style::Critical,
                  Buttons::YesNoCancel),
        Answer::Cancel);
    EXPECT_EQ(prompter.message(QStringLiteral("three"), QStringLiteral("T3"), Style::Information),
        Answer::Yes);
    ASSERT_EQ(prompter.messages().size(), 3);
    EXPECT_EQ(prompter.messages()[1],
        (ScriptedPrompter::Message {
            QStringLiteral("two"), QStringLiteral("T2"), Style::Critical, Buttons::YesNoCancel }));
    EXPECT_EQ(prompter.texts(),
        QStringList({ QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three") }));
    EXPECT_EQ(prompter.lastMessage().title, QStringLiteral("T3"));
}

TEST(ScriptedPrompter, FileDialogsAreRecordedAndAnswered)
{
    ScriptedPrompter prompter;
    prompter.queueFile(QStringLiteral("/tmp/a.tlvd"));
    Prompter::FileRequest request;
    request.title = QStringLiteral("Open");
    request.defaultExtension = QStringLiteral("tlvd");
    request.mustExist = true;
    EXPECT_EQ(prompter.openFile(request), QStringLiteral("/tmp/a.tlvd"));
    EXPECT_EQ(prompter.saveFile(request), QString()); // queue empty: cancelled
    ASSERT_EQ(prompter.fileDialogs().size(), 2);
    EXPECT_EQ(prompter.fileDialogs()[0].kind, ScriptedPrompter::Dialog::Open);
    EXPECT_EQ(prompter.fileDialogs()[1].kind, ScriptedPrompter::Dialog::Save);
    EXPECT_TRUE(prompter.fileDialogs()[0].request.mustExist);
}

TEST(ConsolePrompter, PrintsAndAnswersWithoutWaiting)
{
    QString out;
    QTextStream stream(&out);
    ConsolePrompter prompter(&stream);
    EXPECT_EQ(prompter.message(QStringLiteral("a\rb"), QStringLiteral("Tolvane"), Style::Critical),
        Answer::Ok);
    EXPECT_EQ(prompter.message(
                  QStringLiteral("q"), QStringLiteral("T"), Style::Question, Buttons::YesNoCancel),
        Answer::Yes);
    // Retry would loop for ever with nobody to stop it.
    EXPECT_EQ(prompter.message(QStringLiteral("r"), QStringLiteral("T"), Style::Exclamation,
                  Buttons::RetryCancel),
        Answer::Cancel);
    EXPECT_EQ(prompter.openFile({}), QString());
    EXPECT_TRUE(out.startsWith(QStringLiteral("Tolvane [error]: a\nb\n"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("-> Cancel")));
}
