// Folder operations on Windows-form and POSIX paths, and the shell's error table.
#include "AppTestSupport.h"

#include "app/core/FolderOps.h"
#include "app/core/InfoTexts.h"
#include "app/core/OpenDocument.h"
#include "tests/support/ScriptedPrompter.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tlv::app {
namespace {

using Answer = common::Prompter::Answer;

TEST(FolderOps, PathRootOfEveryForm)
{
    const struct
    {
        const char *path;
        bool ok;
        const char *root;
    } cases[] = {
        { "D:\\Data\\Trace", true, "d:\\" },
        { "\\\\Server\\Share\\Folder\\x", true, "\\\\server\\share\\" },
        { "\\\\Server\\Share", true, "\\\\server\\share\\" },
        { "\\\\Server", false, "" },
        { "\\\\Server\\", false, "" },
        { "\\\\\\Share", false, "" },
        { "\\\\Server\\\\x", false, "" },
        { "abcd\\efg", false, "" },
        { "E", true, "e:\\" },
        { "e:rel", true, "e:\\" },
        { "/home/Eng/Trace", true, "/" },
        { "//Server/Share/x", true, "//server/share/" },
        { "", false, "" },
    };
    for (const auto &c : cases) {
        QString root = u"stale"_s;
        EXPECT_EQ(FolderOps::PathRoot(QString::fromUtf8(c.path), root), c.ok) << c.path;
        EXPECT_EQ(root, c.ok ? QString::fromUtf8(c.root) : QString()) << c.path;
    }
}

TEST(FolderOps, NetworkPathsStartWithTwoSeparators)
{
    for (const char *yes : { "\\\\s", "\\/s", "//s", "/\\s" })
        EXPECT_TRUE(FolderOps::IsNetworkPath(QString::fromUtf8(yes))) << yes;
    for (const char *no : { "\\", "/home", "C:\\", "" })
        EXPECT_FALSE(FolderOps::IsNetworkPath(QString::fromUtf8(no))) << no;
}

TEST(FolderOps, CreatesEveryMissingFolderOfAPosixPath)
{
    test::Sandbox box;
    common::ScriptedPrompter prompter;
    FolderOps ops(prompter);
    const QString deep = box.path(u"a/b/c/d"_s);
    EXPECT_TRUE(ops.EnsureFolder(deep + u'/'));
    EXPECT_TRUE(FolderOps::FolderExists(deep));
    EXPECT_TRUE(ops.EnsureFolder(deep)); // already there
    EXPECT_TRUE(prompter.messages().isEmpty());

    // A file in the way: the folder cannot be made and that is reported, not hidden.
    test::Sandbox::write(box.path(u"file"_s), "x");
    EXPECT_FALSE(ops.CreateFolderPath(box.path(u"file/sub"_s), true));
}

TEST(FolderOps, MissingShareAndDriveAreReported)
{
    common::ScriptedPrompter prompter;
    FolderOps ops(prompter);
    EXPECT_FALSE(ops.CreateFolderPath(u"\\\\nohost\\noshare\\trace"_s, true));
    ASSERT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(
        prompter.messages()[0].text, u"Path not found\n\nBad drive name \\\\nohost\\noshare\\"_s);
    EXPECT_EQ(prompter.messages()[0].title, u"New directory"_s);
    EXPECT_EQ(prompter.messages()[0].style, common::Prompter::Style::Critical);
    EXPECT_EQ(prompter.messages()[1].text,
        QStringLiteral(
            "Cannot create the new directory :\n\\\\nohost\\noshare\\trace\n\nChange the path."));
    EXPECT_EQ(prompter.messages()[1].title, u"Create new directory"_s);

    // A local drive asks Retry/Cancel until it can be read or the user gives up.
    prompter.clear();
    int listed = 0;
    ops.setRootLister([&](const QString &, QString *) { return ++listed == 3; });
    prompter.queueAnswer(Answer::Retry);
    prompter.queueAnswer(Answer::Retry);
    EXPECT_TRUE(ops.CheckDrive(u"q:\\"_s, u"T"_s));
    EXPECT_EQ(listed, 3);
    EXPECT_EQ(prompter.texts(),
        QStringList({ u"Cannot read drive q:\\"_s, u"Cannot read drive q:\\"_s }));
    prompter.clear();
    listed = -10;
    prompter.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(ops.CreateFolderPath(u"q:\\x"_s, false));
    EXPECT_EQ(prompter.messages().size(), 1); // no "Cannot create" without show messages
}

TEST(OpenDocument, ShellResultsBecomeTheProgramsErrors)
{
    const qint64 base = OpenDocument::ErrorBase;
    const struct
    {
        int result;
        qint64 number;
        const char *message;
    } cases[] = {
        { 2, 53, "File not found" },
        { 26, 75, "A sharing violation occurred." },
        { 31, base + 31, "No application is associated with this file type." },
        { 1, base + 1,
            "An error occurred occurred whilst trying to open or print the selected file." },
    };
    for (const auto &c : cases) {
        const OpenDocument::Error e = OpenDocument::errorFor(c.result, u"Tolvane"_s);
        EXPECT_EQ(e.number, c.number) << c.result;
        EXPECT_EQ(e.message, QString::fromUtf8(c.message)) << c.result;
        EXPECT_EQ(e.source, u"Tolvane.GShell"_s);
    }

    QString seenParameters;
    qint32 seenMode = -1;
    OpenDocument shell(
        [&](const QString &, const QString &p, const QString &, const QString &, qint32 mode) {
            seenParameters = p;
            seenMode = mode;
            return mode == 3 ? 42 : 31;
        },
        u"Tolvane"_s);
    // Without parameters and folder the window is always shown normally.
    EXPECT_FALSE(shell.open(u"help.html"_s, 3));
    EXPECT_EQ(seenMode, 1);
    EXPECT_EQ(shell.error().number, base + 31);
    EXPECT_TRUE(shell.open(u"help.html"_s, 3, u"-x"_s));
    EXPECT_EQ(seenParameters, u"-x"_s);
}

TEST(InfoTexts, VersionHasAThreeDigitRevision)
{
    EXPECT_EQ(InfoTexts::versionText(2, 1, 7), u"Version 2.1.007"_s);
}

} // namespace
} // namespace tlv::app
