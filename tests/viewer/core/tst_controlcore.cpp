#include "ControlTestHost.h"

#include "tests/support/ScriptedPrompter.h"
#include "viewer/core/ControlCore.h"
#include "viewer/core/PromptingSeams.h"
#include "viewer/core/PropertyStore.h"
#include "viewer/core/SettingsPropertyStore.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::viewer;
using namespace tlv::viewer::test;

namespace {

class ApplicationEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { tlv::test::ensureApplication(); }
};
const auto *const applicationEnvironment
    = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

class MapStore : public PropertyStore
{
public:
    QVariant value(const QString &name) const override { return values.value(name); }
    void setValue(const QString &name, const QVariant &value) override { values[name] = value; }
    QVariantMap values;
};

} // namespace

TEST(ControlCore, SetterRules)
{
    ControlCore core;
    core.setMaxGraph(5);
    EXPECT_EQ(core.maxGraph(), 20);
    core.setResourcePath(u"C:\\a,D:\\b\\"_s);
    EXPECT_EQ(core.resourceFolders(), QStringList({ u"C:\\a\\"_s, u"D:\\b\\"_s }));

    // The same run mode again changes nothing; a value that is no run mode is refused.
    QSignalSpy status(&core, &ControlCore::Status);
    core.setRunMode(0);
    core.setRunMode(7);
    EXPECT_TRUE(status.isEmpty());
    EXPECT_EQ(core.runMode(), 0);

    // While disabled, the "only while enabled" setters keep their value.
    core.setEnabled(false);
    core.setUserFile(u"x.tlvr"_s);
    core.setInterval(50);
    core.setExportFile(u"a.xls"_s);
    core.setRunMode(2);
    core.setSimulation(true);
    core.setSelColumn(u"3"_s);
    EXPECT_TRUE(core.userFile().isEmpty());
    EXPECT_EQ(core.interval(), 1000);
    EXPECT_TRUE(core.exportFile().isEmpty());
    EXPECT_EQ(core.runMode(), 0);
    EXPECT_FALSE(core.simulation());
    EXPECT_TRUE(core.selColumn().isEmpty());
    // Others are stored anyway.
    core.setGridFontName(u"Mono"_s);
    EXPECT_EQ(core.gridFontName(), u"Mono"_s);
    EXPECT_EQ(core.appliedFontName(), u"Courier"_s); // until Clear
    core.Clear();
    EXPECT_EQ(core.appliedFontName(), u"Mono"_s);
    EXPECT_TRUE(core.propertiesChanged());

    core.setEnabled(true);
    core.setInterval(250);
    EXPECT_EQ(core.cycle().readTimerInterval(), 250);
}

TEST(ControlCore, PcdStatusRows)
{
    FakeLoader loader;
    ControlCore core;
    core.setLoader(&loader);
    TestHost host(core);
    TraceWriter writer(host.pcd, false, 100, false, 2, 10);
    host.pcd.registers[0] = writer.startValue();
    core.setPcdStatusCol(true);

    // Before state 2 only the text changes; 0 first changes nothing.
    core.setPcdStatus(0);
    EXPECT_TRUE(core.rows().statusText().isEmpty());
    core.setPcdStatus(6);
    EXPECT_EQ(core.rows().statusText(), u"Bad Status"_s);
    EXPECT_TRUE(host.lines.isEmpty());

    core.Start();
    ASSERT_EQ(core.cycle().state(), 2);
    core.setPcdStatus(3);
    core.setPcdStatus(3);
    EXPECT_EQ(host.lines, QStringList({ u"Stop\t"_s }));
    EXPECT_EQ(core.recordCount(), 1);
}

TEST(ControlCore, PersistenceRoundTrip)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(u"control.ini"_s);
    const QList<QPair<const char *, QVariant>> values { { "ResourcePath", u"D:\\lib\\"_s },
        { "Interval", 300 }, { "StartRegister", 1234 }, { "DateStampCol", true }, { "MaxRows", 42 },
        { "MaxGraph", 60 }, { "IndexFile", 2 }, { "AutoExport", true }, { "SelColumn", u"2,9"_s } };
    {
        ControlCore core;
        for (const auto &[name, value] : values)
            ASSERT_TRUE(core.setProperty(name, value)) << name;
        QSettings settings(file, QSettings::IniFormat);
        SettingsPropertyStore store(settings, u"Tolvane"_s);
        core.save(store);
    }
    QSettings settings(file, QSettings::IniFormat);
    SettingsPropertyStore store(settings, u"Tolvane"_s);
    for (const QString &name : ControlCore::persistedNames())
        EXPECT_TRUE(store.value(name).isValid()) << name.toStdString();
    ControlCore restored;
    restored.restore(store);
    for (const auto &[name, value] : values)
        EXPECT_EQ(restored.property(name).toString(), value.toString()) << name;
    EXPECT_EQ(restored.cycle().readTimerInterval(), 300);
    EXPECT_FALSE(restored.timeStampCol());
    EXPECT_EQ(restored.rows().graphSelection(), QSet<int>({ 2, 9 }));
    EXPECT_FALSE(restored.propertiesChanged());

    // Missing or unusable values fall back to the defaults.
    MapStore partial;
    partial.values[u"StartRegister"_s] = 40000; // not 16-bit
    partial.values[u"Interval"_s] = u"abc"_s;
    partial.values[u"MaxGraph"_s] = 3;
    ControlCore fallback;
    fallback.restore(partial);
    EXPECT_EQ(fallback.startRegister(), 0);
    EXPECT_EQ(fallback.interval(), 1000);
    EXPECT_EQ(fallback.maxGraph(), 20);
    EXPECT_EQ(fallback.maxRows(), 500);
    EXPECT_TRUE(fallback.isEnabled());
}

TEST(ControlCore, SeamsSayWhatIsMissing)
{
    tlv::common::ScriptedPrompter prompter;
    ControlCore core(&prompter);
    core.exportByUser();
    core.openConversionWindow(0, 4);
    EXPECT_FALSE(core.Crypt(u"a.tlv"_s));
    ASSERT_EQ(prompter.messages().size(), 3);
    EXPECT_EQ(prompter.messages()[0].text, PromptingSeams::exportUnavailableText());
    EXPECT_EQ(prompter.messages()[0].style, tlv::common::Prompter::Style::Exclamation);

    // A grid full with AutoExport tells once.
    prompter.clear();
    FakeLoader loader(1);
    core.setLoader(&loader);
    TestHost host(core);
    TraceWriter writer(host.pcd, false, 100, false, 1, 10);
    host.pcd.registers[0] = writer.startValue();
    core.setMaxRows(2);
    core.setAutoExport(true);
    writer.writeNumbered(5);
    core.Start();
    core.setRunMode(2);
    EXPECT_EQ(host.lines.size(), 5);
    EXPECT_EQ(prompter.texts(), QStringList({ PromptingSeams::exportUnavailableText() }));

    // Info texts.
    prompter.clear();
    core.Reset();
    core.showInfo();
    EXPECT_EQ(prompter.lastMessage().text, u"No info avalaible."_s);
}
