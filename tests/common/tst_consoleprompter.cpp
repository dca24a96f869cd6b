#include "common/ConsolePrompter.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::common;
using Answer = Prompter::Answer;
using Buttons = Prompter::Buttons;
using Style = Prompter::Style;

TEST(ConsolePrompter, PrintsAndAnswersWithoutWaiting)
{
    QString out;
    QTextStream stream(&out);
    ConsolePrompter prompter(&stream);
    EXPECT_EQ(prompter.message(u"a\rb"_s, u"Tolvane"_s, Style::Critical), Answer::Ok);
    EXPECT_EQ(prompter.message(u"q"_s, u"T"_s, Style::Question, Buttons::YesNoCancel), Answer::Yes);
    // Retry would loop for ever with nobody to stop it.
    EXPECT_EQ(
        prompter.message(u"r"_s, u"T"_s, Style::Exclamation, Buttons::RetryCancel), Answer::Cancel);
    EXPECT_EQ(prompter.message(u"p"_s, u"T"_s, Style::Plain), Answer::Ok);
    EXPECT_EQ(prompter.openFile({}), QString());
    EXPECT_TRUE(out.startsWith(u"Tolvane [error]: a\nb\n"_s)) << out.toStdString();
    EXPECT_TRUE(out.contains(u"-> Cancel"_s));
    EXPECT_TRUE(out.contains(u"\nT: p\n"_s)) << out.toStdString();
}
