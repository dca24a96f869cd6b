// Command line forms, the Tolvane.ini override and the PG5 folder lookup.
#include "AppTestSupport.h"

#include "app/core/CommandLine.h"
#include "app/core/Pg5Folders.h"
#include "tests/support/ScriptedPrompter.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tlv::app {
namespace {

using test::Sandbox;
using Kind = CommandLine::Kind;

TEST(CommandLine, FormsGiveTheStartFileItsFolderAndVersion)
{
    const struct
    {
        const char *line;
        Kind kind;
        const char *startFile, *projectFolder, *symbolFile, *sourceFile;
        int code, full;
    } cases[] = {
        // Quoted path with a blank in the file name.
        { R"("C:\Proj A\my plant.tlvr" PG5=20100)", Kind::Project, R"(C:\Proj A\my plant.tlvr)",
            R"(C:\Proj A\)", R"(C:\Proj A\_Global.sy5)", R"(C:\Proj A\my plant.tlvs)", 20, 20100 },
        // The blank after ".tlvr" is taken along and trimmed.
        { "/home/eng/cpu1/plant.tlvr PG5=21300", Kind::Project, "/home/eng/cpu1/plant.tlvr",
            "/home/eng/cpu1/", "/home/eng/cpu1/_Global.sy5", "/home/eng/cpu1/plant.tlvs", 21,
            21300 },
        // Capitals, a file without folder, fewer than five digits.
        { "PLANT.TLVR pg5=17", Kind::Project, "PLANT.TLVR", "", "", "PLANT.tlvs", 17, 17 },
        { "x/p.tlvr", Kind::NoVersion, "x/p.tlvr", "x/", "x/_Global.sy5", "x/p.tlvs", 0, 0 },
        { "plant.txt PG5=21300", Kind::NoStartFile, "", "", "", "", 0, 0 },
        { "   ", Kind::Empty, "", "", "", "", 0, 0 },
    };
    for (const auto &p : cases) {
        SCOPED_TRACE(p.line);
        const CommandLine c = CommandLine::parse(QString::fromUtf8(p.line));
        EXPECT_EQ(c.kind, p.kind);
        EXPECT_EQ(c.startFile, QString::fromUtf8(p.startFile));
        EXPECT_EQ(c.projectFolder, QString::fromUtf8(p.projectFolder));
        EXPECT_EQ(c.symbolFile, QString::fromUtf8(p.symbolFile));
        EXPECT_EQ(c.sourceFile, QString::fromUtf8(p.sourceFile));
        EXPECT_EQ(c.versionCode, p.code);
        EXPECT_EQ(c.fullVersion, p.full);
    }
}

TEST(CommandLine, OverrideFromTolvaneIni)
{
    Sandbox box;
    common::ScriptedPrompter prompter;
    const QString ini = box.folders.programFolder + u"Tolvane.ini";
    const QString real = u"/real.tlvr PG5=21300"_s;

    // No file, or an empty Command, keeps the real command line silently.
    EXPECT_EQ(CommandLine::applyOverride(real, ini, box.folders.programFolder, prompter), real);
    Sandbox::write(ini, "[Tolvane]\r\nCommand=\r\n");
    EXPECT_EQ(CommandLine::applyOverride(real, ini, box.folders.programFolder, prompter), real);
    EXPECT_TRUE(prompter.messages().isEmpty());

    Sandbox::write(ini, "[TOLVANE]\r\ncommand=\\demo\\x.tlvr PG5=20100\r\n");
    const QString used = CommandLine::applyOverride(real, ini, box.folders.programFolder, prompter);
    EXPECT_EQ(used, box.folders.programFolder + u"demo/x.tlvr PG5=20100");
    EXPECT_EQ(prompter.lastMessage().text, u"Command Line from text file = " + used);
    EXPECT_EQ(prompter.lastMessage().style, common::Prompter::Style::Information);
}

TEST(Pg5Folders, RegistryRowsOfPg5OneX)
{
    Sandbox box;
    common::ScriptedPrompter prompter;
    const QString registry = box.folders.registryFile();
    Sandbox::write(registry,
        "[Software\\SAIA-Burgess\\PG5\\1.7\\Global]\r\nAppsDir=C:\\PG5 17\\Apps\\\r\n"
        "AppLibDir=C:\\PG5 17\\Lib/App/\r\nStdLibDir=C:\\Std\r\nUsrLibDir=C:\\Usr\\\r\n");
    Pg5Folders f;
    QString shown;
    f.fill(registry, box.folders.settingsFile(), 17000, box.folders.commonDocuments,
        box.folders.commonAppData, prompter, &shown);
    EXPECT_EQ(Pg5Folders::registryKey(17), u"Software\\SAIA-Burgess\\PG5\\1.7\\Global"_s);
    const Pg5Folders::Row r = f.row(17);
    EXPECT_EQ(r.AppsDir, u"C:\\PG5 17\\Apps"_s);
    EXPECT_EQ(r.AppLibDir, u"C:\\PG5 17\\Lib/App"_s);
    EXPECT_EQ(r.UsrLibDir, u"C:\\Usr"_s);
    EXPECT_EQ(f.resourcePath(17), u"C:\\PG5 17\\Lib/App,C:\\Std,C:\\Usr"_s);
    EXPECT_TRUE(f.row(16).AppsDir.isEmpty());
    EXPECT_EQ(f.appsDirs().keys(), QList<qint32> { 17 });
    EXPECT_TRUE(f.row(99) == Pg5Folders::Row());
}

TEST(Pg5Folders, Pg5GlobalIniFollowsTheNamingOfTheFullVersion)
{
    Sandbox box;
    common::ScriptedPrompter prompter;
    const QString sbc = box.path(u"users/Public/SBC/PG5_21/LocalDir/PG5Global.ini"_s);
    const QString saia = box.path(u"users/Public/SAIA-Burgess/PG5_21/LocalDir/PG5Global.ini"_s);
    Sandbox::write(sbc, "[Global]\r\nLocalDir=L21\r\nAppsDir=A21\r\nLibsDir=C:\\Libs\r\n");
    Sandbox::write(saia, "[Global]\r\nAppsDir=old\r\nLibsDir=D:\\L\\\r\n");

    const auto find = [&](qint32 full) {
        return Pg5Folders::findPg5GlobalIni(
            21, full, box.folders.commonDocuments, box.folders.commonAppData, prompter);
    };
    EXPECT_EQ(find(21300), sbc);
    EXPECT_EQ(find(21265), saia);

    Pg5Folders f;
    QString shown;
    f.fill(box.folders.registryFile(), box.folders.settingsFile(), 21300,
        box.folders.commonDocuments, box.folders.commonAppData, prompter, &shown);
    EXPECT_EQ(shown, sbc);
    const Pg5Folders::Row r = f.row(21);
    EXPECT_EQ(r.LocalDir, u"L21"_s);
    EXPECT_EQ(r.AppsDir, u"A21"_s);
    EXPECT_EQ(r.AppLibDir, u"C:\\Libs\\App"_s);
    EXPECT_EQ(r.StdLibDir, u"C:\\Libs\\Std"_s);
    EXPECT_EQ(r.UsrLibDir, u"C:\\Libs\\Usr"_s);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST(Pg5Folders, FallbacksWhenNoPg5GlobalIniIsFound)
{
    Sandbox box;
    common::ScriptedPrompter prompter;
    // PG5 2.0's old place among the common application data.
    const QString old = box.folders.commonAppData + u"SAIA-Burgess/PG5_20/PG5Global.ini";
    Sandbox::write(old, "[Global]\r\nAppsDir=A20\r\n");
    EXPECT_EQ(Pg5Folders::findPg5GlobalIni(
                  20, 20100, box.folders.commonDocuments, box.folders.commonAppData, prompter),
        old);

    // Nothing at all: the box shows what the user chose before; the row stays empty.
    QFile::remove(old);
    Sandbox::write(
        box.folders.settingsFile(), "[Application]\r\nPG5GlobalIni=/chosen/PG5Global.ini\r\n");
    Pg5Folders f;
    QString shown;
    f.fill(box.folders.registryFile(), box.folders.settingsFile(), 21300,
        box.folders.commonDocuments, box.folders.commonAppData, prompter, &shown);
    EXPECT_EQ(shown, u"/chosen/PG5Global.ini"_s);
    EXPECT_TRUE(f.row(21).AppsDir.isEmpty());

    // A documents folder that cannot be found.
    EXPECT_TRUE(
        Pg5Folders::findPg5GlobalIni(21, 21300, QString(), box.folders.commonAppData, prompter)
            .isEmpty());
    EXPECT_EQ(prompter.lastMessage().text,
        u"GetSpecialFolderPath COMMON_DOCUMENTS Error : The folder don't exists !"_s);
}

} // namespace
} // namespace tlv::app
