// The buffer editor's toolbar and selection rules, the edit dialog's checks and drops.
#include "AppTestSupport.h"

#include "app/core/BufferEditor.h"
#include "app/core/BufferTypeSetup.h"
#include "app/core/CellEditor.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tlv::app {
namespace {

using Tool = BufferEditor::Tool;
using Outcome = CellEditor::Outcome;

struct EditorFixture : ::testing::Test, test::ProjectParts
{
    BufferEditor editor { project, formats, commands, prompter };
    CellEditor cell { editor, formats, prompter };

    void SetUp() override
    {
        project.setPath(box.project(u"p.tlvr"_s));
        project.setBufferType(1);
    }
    void columns(int n)
    {
        for (int i = 1; i <= n; ++i) {
            buffer::UserColumn c = buffer::UserColumn::defaultColumn();
            c.Title = u"c%1"_s.arg(i);
            buffer.add(c);
        }
        buffer.setChanged(false);
    }
    QStringList titles() const
    {
        QStringList t;
        for (const auto &c : buffer)
            t << c.Title;
        return t;
    }
};

TEST_F(EditorFixture, ToolbarActionsAndTheRowSelectedAfterThem)
{
    columns(3);
    EXPECT_TRUE(editor.toolEnabled(Tool::Add));
    EXPECT_FALSE(editor.toolEnabled(Tool::Remove));
    // A cell, not a row: the row tools do nothing even when called.
    editor.enterCell(2, 3);
    EXPECT_EQ(editor.currentRow(), 0);
    EXPECT_FALSE(editor.toolClicked(Tool::Remove).has_value());
    EXPECT_EQ(buffer.count(), 3);
    // While the grid is rebuilt its cell notifications are ignored.
    editor.setGridReady(false);
    editor.enterCell(1, 0);
    EXPECT_EQ(editor.currentRow(), 0);
    editor.setGridReady(true);

    editor.enterCell(3, 0);
    auto cell = editor.toolClicked(Tool::Insert);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->row, 4);
    EXPECT_EQ(cell->column, 0);
    EXPECT_EQ(*buffer.item(4), buffer::UserColumn::defaultColumn());
    EXPECT_TRUE(buffer.changed());
    EXPECT_EQ(editor.currentRow(), 4);

    // Paste before any copy does nothing.
    buffer.setChanged(false);
    EXPECT_FALSE(editor.toolClicked(Tool::Paste));
    EXPECT_FALSE(buffer.changed());

    editor.enterCell(1, 0);
    editor.toolClicked(Tool::Cut);
    EXPECT_EQ(titles(), QStringList({ u"c2"_s, u"c3"_s, QString() }));
    editor.enterCell(2, 0);
    cell = editor.toolClicked(Tool::Paste);
    EXPECT_EQ(titles(), QStringList({ u"c2"_s, u"c3"_s, u"c1"_s, QString() }));
    EXPECT_EQ(cell->row, 3);

    cell = editor.toolClicked(Tool::Add);
    EXPECT_EQ(cell->row, 5);
    EXPECT_TRUE(cell->scrollToTop);

    // Removing the last row selects the new last row.
    editor.enterCell(5, 0);
    cell = editor.toolClicked(Tool::Remove);
    EXPECT_EQ(cell->row, 4);
}

TEST_F(EditorFixture, TheLastColumnCannotBeRemoved)
{
    columns(1);
    editor.enterCell(1, 0);
    EXPECT_FALSE(editor.toolClicked(Tool::Remove));
    EXPECT_FALSE(editor.toolClicked(Tool::Cut)); // copied, not removed
    EXPECT_EQ(buffer.count(), 1);
    EXPECT_FALSE(buffer.changed());
    EXPECT_TRUE(editor.clipboardFilled());
    // With one column left, row 1 lands on its title cell.
    const BufferEditor::Cell c = editor.selectRow(1);
    EXPECT_EQ(c.column, BufferEditor::TitleColumn);
}

TEST_F(EditorFixture, RecordOnChangeAddsTheDeltaColumn)
{
    columns(2);
    QSignalSpy headings(&editor, &BufferEditor::headingsChanged);
    EXPECT_EQ(editor.gridColumnCount(), 8);
    EXPECT_EQ(editor.cellText(0, 8), QString());
    editor.recordChangeToggled(true);
    EXPECT_EQ(editor.gridColumnCount(), 9);
    EXPECT_EQ(editor.cellText(0, 8), u"Change Delta"_s);
    EXPECT_EQ(headings.count(), 1);
    EXPECT_TRUE(buffer.changed());
    EXPECT_EQ(editor.cellText(2, 0), u"Colum 2"_s);

    // Filling the page marks nothing.
    buffer.setChanged(false);
    editor.setFilling(true);
    editor.fieldEdited();
    editor.memoryChosen(1);
    EXPECT_FALSE(buffer.changed());
    EXPECT_EQ(buffer.memory(), 1);
    editor.setFilling(false);
    editor.fieldEdited();
    EXPECT_TRUE(buffer.changed());
}

TEST_F(EditorFixture, EditDialogChecksEachColumn)
{
    columns(2);
    editor.recordChangeToggled(true);
    EXPECT_FALSE(cell.open(0, 1));
    EXPECT_FALSE(cell.open(1, 0));
    EXPECT_FALSE(cell.open(3, 1));

    const struct
    {
        int column;
        const char *text;
        bool accepted;
        const char *message;
    } cases[] = {
        { 1, "Ciśnienie", false,
            "Invalid character \"ś\" : the project file holds Windows-1252 text only !" },
        { 2, "R 9000", false, "Invalid Variable Name !" },
        { 2, "F 8191", true, "" },
        { 2, "Motor.Start", true, "" },
        { 3, "x", false, "Only numeric value !" },
        { 3, "40000", false, "Invalid value ! (-32768 to 32767)" },
        { 3, "2", true, "" },
        { 7, "1200", true, "" },
        { 8, "16384", false, "Invalid value ! (0 to 16383)" },
        { 8, "-1", false, "Invalid value ! (0 to 16383)" },
        { 8, "16383", true, "" },
    };
    for (const auto &c : cases) {
        prompter.clear();
        ASSERT_TRUE(cell.open(1, c.column));
        const Outcome o = cell.accept(QString::fromUtf8(c.text), -1);
        EXPECT_EQ(o == Outcome::Close, c.accepted) << c.column << c.text;
        if (!c.accepted) {
            EXPECT_EQ(prompter.lastMessage().text, QString::fromUtf8(c.message)) << c.text;
        }
    }
    const buffer::UserColumn &col = *buffer.item(1);
    EXPECT_EQ(col.Variable, u"Motor.Start"_s);
    EXPECT_EQ(col.RecPlace, 2);
    EXPECT_EQ(col.Width, 1200);
    EXPECT_EQ(col.Delta, 16383);
    EXPECT_TRUE(buffer.changed());
}

TEST_F(EditorFixture, ListsOfTheDialogFollowTheRowsDataType)
{
    columns(2);
    buffer.item(1)->DataType = u"Byte"_s;
    buffer.item(1)->DataPos = 2;
    ASSERT_TRUE(cell.open(1, BufferEditor::PositionColumn));
    EXPECT_EQ(cell.form().items, QStringList({ u"0"_s, u"1"_s, u"2"_s, u"3"_s }));
    EXPECT_EQ(cell.form().selected, 2);
    EXPECT_EQ(cell.form().caption, u"Edit Data Position"_s);
    EXPECT_EQ(cell.form().prompt, u"Register data position :"_s);

    ASSERT_TRUE(cell.open(1, BufferEditor::FormatColumn));
    QStringList allowed, keys;
    for (const buffer::ColFormat &f : formats) {
        if (f.allows(u"Byte"_s)) {
            allowed << f.description;
            keys << f.Key;
        }
    }
    EXPECT_EQ(cell.form().items, allowed);
    ASSERT_GE(allowed.size(), 2);
    EXPECT_EQ(cell.accept(QString(), 1), Outcome::Close);
    EXPECT_EQ(buffer.item(1)->Format, keys[1]);

    // Data type list: an unknown text selects "Long".
    buffer.item(2)->DataType = u"Strg"_s;
    ASSERT_TRUE(cell.open(2, BufferEditor::DataTypeColumn));
    EXPECT_EQ(cell.form().selected, 4);
    // ... and offers no format at all.
    ASSERT_TRUE(cell.open(2, BufferEditor::FormatColumn));
    EXPECT_TRUE(cell.form().items.isEmpty());
    const QString before = buffer.item(2)->Format;
    EXPECT_EQ(cell.accept(QString(), cell.form().selected), Outcome::Close);
    EXPECT_EQ(prompter.lastMessage().text,
        u"No format availables !\r\rYou must first select a Data Type."_s);
    EXPECT_EQ(prompter.lastMessage().style, common::Prompter::Style::Information);
    EXPECT_EQ(buffer.item(2)->Format, before);
}

TEST_F(EditorFixture, DropsSetTheVariableOfADataRow)
{
    columns(2);
    EXPECT_TRUE(editor.dropVariable(2, 5, u"R 9000"_s));
    EXPECT_EQ(buffer.item(2)->Variable, u"R 9000"_s);
    EXPECT_TRUE(buffer.changed());
    EXPECT_TRUE(editor.dropVariable(1, 0, u"Plant.Level"_s));
    EXPECT_FALSE(editor.dropVariable(1, 1, u"R 16384"_s));
    EXPECT_FALSE(editor.dropVariable(0, 1, u"R 1"_s));
    EXPECT_FALSE(editor.dropVariable(3, 1, u"R 1"_s));
    EXPECT_FALSE(editor.dropVariable(1, 8, u"R 1"_s)); // no delta column
    EXPECT_FALSE(editor.dropVariable(1, 1, QString()));
    EXPECT_EQ(buffer.item(1)->Variable, u"Plant.Level"_s);
}

TEST_F(EditorFixture, CompileRejectsAFieldAndPointsAtIt)
{
    columns(1);
    editor.FillFields();
    editor.fields().numberOfRecords = u"19"_s;
    QSignalSpy focus(&editor, &BufferEditor::focusField);
    EXPECT_FALSE(editor.compileCommand());
    ASSERT_EQ(focus.count(), 1);
    EXPECT_EQ(focus[0][0].value<buffer::EditorFields::Field>(),
        buffer::EditorFields::Field::NumberOfRecords);
    EXPECT_TRUE(prompter.texts().contains(u"Invalid buffer value !"_s));
}

TEST(BufferTypeSetup, StartRegisterFieldSimulationAndLocks)
{
    const BufferTypeSetup standard = BufferTypeSetup::forType(0, false, false, false, 1234);
    EXPECT_TRUE(standard.startRegVisible);
    EXPECT_EQ(standard.startRegText, u"1234"_s);
    EXPECT_FALSE(BufferTypeSetup::forType(1, false, false, false, 0).startRegVisible);
    EXPECT_FALSE(BufferTypeSetup::forType(2, false, false, false, 0).configTabEnabled);

    // Simulation is always configured; locks override the table.
    const BufferTypeSetup simulated = BufferTypeSetup::forType(0, true, false, false, 0);
    EXPECT_EQ(simulated.bufferType, 1);
    EXPECT_TRUE(simulated.configTabEnabled);
    const BufferTypeSetup locked = BufferTypeSetup::forType(1, false, true, true, 0);
    EXPECT_FALSE(locked.configTabEnabled);
    EXPECT_FALSE(locked.settingsTabEnabled);
}

TEST(BufferTypeTexts, DescriptionsFromTolvaneIni)
{
    test::Sandbox box;
    const QString ini = box.folders.programFolder + u"Tolvane.ini";
    test::Sandbox::write(ini, "[BufferType]\r\nStandard=one~two\r\nPublicEvents=pe\r\n");
    const BufferTypeTexts t = BufferTypeTexts::read(ini);
    EXPECT_EQ(t.standard, u"one\ntwo"_s);
    EXPECT_EQ(t.configured, QString());
    EXPECT_EQ(t.publicEvents, u"pe"_s);
}

} // namespace
} // namespace tlv::app
