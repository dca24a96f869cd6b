// The window's journal beside its project: the offer to export what a crash left
// unexported, and a journal shown read-only in the grid.

#include "AppTestSupport.h"

#include "app/core/ProjectJournal.h"
#include "app/core/RecordingView.h"
#include "journal/JournalReader.h"
#include "tests/viewer/core/RecordRows.h"
#include "viewer/core/ControlCore.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv;
using app::ProjectJournal;

namespace {

journal::JournalInfo infoOf(const QString &path)
{
    journal::JournalReader reader;
    journal::JournalInfo info;
    EXPECT_TRUE(reader.open(path) && reader.info(&info)) << qPrintable(reader.errorString());
    return info;
}

// What a killed writer leaves: its rows, and the mark that it never closed the file.
void leaveAsAfterACrash(const QString &path)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"c"_s);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(u"UPDATE meta SET value = '0' WHERE key = 'clean_close'"_s));
        db.close();
    }
    QSqlDatabase::removeDatabase(u"c"_s);
}

} // namespace

TEST(ProjectJournal, AfterACrashTheUnexportedRowsAreOfferedOnceAndTheViewIsReadOnly)
{
    app::test::Sandbox box;
    const QString project = box.project(u"demo.tlvr"_s);
    const QString path = ProjectJournal::pathFor(project);
    common::ScriptedPrompter prompter;
    {
        viewer::ControlCore core;
        core.rows().setColumns(QList<viewer::RowStore::DataColumn> {
            { 0, u"Temperature"_s, 1000 }, { 1, u"Valve"_s, 900 } });
        ProjectJournal keeper(prompter, core);
        keeper.startUp(project, true);
        ASSERT_TRUE(keeper.writer().isOpen()) << qPrintable(keeper.writer().errorString());
        keeper.writer().setBuffer({ 0, u"Boiler"_s, u"DEMO"_s, 3,
            { { 0, u"Temperature"_s, 1000, 5, u"1d"_s }, { 1, u"Valve"_s, 900, 4, u"h"_s } } });
        for (int i = 0; i < 3; ++i)
            core.rows().addRecord(viewer::test::record(
                { viewer::test::num(20 + i), viewer::test::num(i) }, u"06/12/26"_s, u"10:00:00"_s));
        ASSERT_TRUE(keeper.writer().flush());
    }
    EXPECT_TRUE(prompter.messages().isEmpty()); // no journal yet: nothing to ask
    leaveAsAfterACrash(path);

    // The next start: the question, the export, and the rows marked.
    const QString target = box.project(u"recovered.xlsx"_s);
    prompter.queueAnswer(common::Prompter::Answer::Yes);
    prompter.queueFile(target);
    viewer::ControlCore core;
    {
        ProjectJournal keeper(prompter, core);
        keeper.startUp(project, false);
        EXPECT_FALSE(keeper.writer().isOpen());
    }
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().first().text,
        u"The last recording of this project did not end in order.\rThe journal "_s + path
            + u" holds 3 rows that were never exported.\rExport them now?"_s);
    EXPECT_TRUE(QFileInfo(target).size() > 0);
    EXPECT_EQ(infoOf(path).notExported, 0);
    leaveAsAfterACrash(path);
    prompter.clear();
    {
        ProjectJournal keeper(prompter, core);
        keeper.startUp(project, false);
    }
    EXPECT_TRUE(prompter.messages().isEmpty()); // all exported: nothing to ask

    // Shown in the grid (its cells and that they are not journaled again: the window's test),
    // the export and the conversion window see the recorded types and formats.
    ProjectJournal keeper(prompter, core);
    keeper.startUp(project, true);
    keeper.setViewing(true);
    EXPECT_TRUE(keeper.writer().paused());
    app::RecordingView view(prompter, core);
    ASSERT_TRUE(view.open(path, {}));
    ASSERT_EQ(core.rows().dataRowCount(), 3);
    // The graph and conversion window read the typed values the recording had.
    EXPECT_EQ(core.rows().cellValue(2, 4), 22.0);
    EXPECT_EQ(core.rows().rawValue(2, 5), 2);
    const viewer::ColumnDescription &valve = core.cycle().columns()[1];
    EXPECT_TRUE(valve.Defined);
    EXPECT_EQ(valve.DataType, 4);
    EXPECT_EQ(valve.Format, u"h"_s);
}
