#include "common/ConsolePrompter.h"

#include <gtest/gtest.h>

using namespace tlv::common;
using Answer = Prompter::Answer;
using Buttons = Prompter::Buttons;
using Style = Prompter::Style;

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
    EXPECT_EQ(prompter.message(QStringLiteral("p"), QStringLiteral("T"), Style::Plain), Answer::Ok);
    EXPECT_EQ(prompter.openFile({}), QString());
    EXPECT_TRUE(out.startsWith(QStringLiteral("Tolvane [error]: a\nb\n"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("-> Cancel")));
    EXPECT_TRUE(out.contains(QStringLiteral("\nT: p\n"))) << out.toStdString();
}
