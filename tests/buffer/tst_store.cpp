#include "BufferTestSupport.h"

#include "buffer/BufferStore.h"
#include "buffer/BufferType.h"
#include "buffer/TraceProject.h"
#include "buffer/UserColumns.h"
#include "buffer/cFormats.h"
#include "common/IniProfile.h"
#include "common/ScriptedPrompter.h"

#include <gtest/gtest.h>

using namespace tlv::buffer;
using namespace tlv::buffer::test;
using tlv::common::IniProfile;
using tlv::common::ScriptedPrompter;
using Field = EditorFields::Field;

namespace {

class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        project.setPath(dir.filePath(QStringLiteral("p.tlvr")));
        project.setBufferType(BufferType::Configured);
        buffer.applyNewBufferDefaults();
        buffer.add(UserColumn::defaultColumn());
        fields = EditorFields::fromModel(buffer);
        fields.startReg = QStringLiteral("1000");
    }

    BufferStore::Result store(bool strict)
    {
        prompter.clear();
        return BufferStore::store(fields, strict, project, formats, prompter);
    }

    QTemporaryDir dir;
    UserColumns buffer;
    TraceProject project { buffer };
    const cFormats formats = cFormats::standard();
    ScriptedPrompter prompter;
    EditorFields fields;
};

const QString InvalidValue = QStringLiteral("Invalid buffer value !");
const QString InvalidBuffer = QStringLiteral("Invalid User Buffer !");

} // namespace

TEST_F(StoreTest, RecordInterval)
{
    const struct
    {
        const char *text;
        bool strict;
        int stored; // -99999 = rejected
    } cases[] = {
        { "1.5", true, 15 },
        { "1,5", true, 15 },
        { "", true, 0 },
        { "-1", true, -99999 },
        { "-1", false, -10 },
        { "6001", true, -99999 },
        { "6001", false, -99999 },
        { "6000", true, -99999 },
        { "3276.7", true, 32767 },
        { "0.05", true, 0 },
        { "abc", true, -99999 },
        { "abc", false, 0 },
        { "12s", false, 120 },
        { "0.25", true, 2 },
    };
    for (const auto &c : cases) {
        buffer.setRecordInt(111);
        fields.recordInterval = QString::fromLatin1(c.text);
        const BufferStore::Result r = store(c.strict);
        if (c.stored == -99999) {
            EXPECT_FALSE(r.ok) << c.text;
            EXPECT_EQ(r.field, Field::RecordInterval) << c.text;
            EXPECT_EQ(prompter.texts(), QStringList { InvalidValue }) << c.text;
            EXPECT_EQ(prompter.lastMessage().title, QStringLiteral("Compile aborted"));
            EXPECT_EQ(buffer.recordInt(), 111) << c.text;
        } else {
            EXPECT_TRUE(r.ok) << c.text;
            EXPECT_EQ(buffer.recordInt(), c.stored) << c.text;
        }
    }
}

TEST_F(StoreTest, NumberOfRecords)
{
    const struct
    {
        const char *text;
        bool strict;
        int stored; // -1 = rejected
    } cases[] = {
        { "19", true, -1 },
        { "20", true, 20 },
        { "5000", true, 5000 },
        { "5001", true, -1 },
        { "x", true, -1 },
        { "5001", false, 5001 },
        { "32767", false, 32767 },
        { "32768", false, -1 },
        { "x", false, 0 },
        { "20.5", true, 20 },
    };
    for (const auto &c : cases) {
        fields.numberOfRecords = QString::fromLatin1(c.text);
        const BufferStore::Result r = store(c.strict);
        EXPECT_EQ(r.ok, c.stored >= 0) << c.text;
        if (c.stored >= 0) {
            EXPECT_EQ(buffer.bufferLen(), c.stored) << c.text;
        } else {
            EXPECT_EQ(r.field, Field::NumberOfRecords) << c.text;
            EXPECT_EQ(prompter.texts(), QStringList { InvalidValue }) << c.text;
        }
    }
}

TEST_F(StoreTest, AddressFieldsAreNormalisedOnlyWhenStrict)
{
    fields.recordEnable = QStringLiteral("12");
    fields.recordCommand = QStringLiteral("f 7");
    fields.clearCommand = QStringLiteral("12");
    fields.serialNumber = QStringLiteral("12");
    fields.viewerCommand = QStringLiteral("Motor.Start");
    EditorFields typed = fields;
    ASSERT_TRUE(store(false).ok);
    EXPECT_EQ(buffer.recordEnable(), QStringLiteral("12"));
    EXPECT_EQ(fields, typed);

    ASSERT_TRUE(store(true).ok);
    EXPECT_EQ(buffer.recordEnable(), QStringLiteral("F 12"));
    EXPECT_EQ(buffer.recordCommand(), QStringLiteral("F 7"));
    EXPECT_EQ(buffer.clearBuf(), QStringLiteral("I 12"));
    EXPECT_EQ(buffer.serialNr(), QStringLiteral("R 12"));
    EXPECT_EQ(buffer.closeTlv(), QStringLiteral("Motor.Start"));
    EXPECT_EQ(fields.clearCommand, QStringLiteral("I 12"));
    EXPECT_EQ(
        IniProfile::read(project.path(), QStringLiteral("USER_BUFFER"), QStringLiteral("ClearBuf")),
        QStringLiteral("I 12"));
}

TEST_F(StoreTest, RejectedAddressNamesItsFieldAndKeepsEarlierValues)
{
    const struct
    {
        QString EditorFields::*member;
        const char *text;
        Field field;
    } cases[] = {
        { &EditorFields::serialNumber, "r 20000", Field::SerialNumber },
        { &EditorFields::recordEnable, "O 9000", Field::RecordEnable },
        { &EditorFields::viewerCommand, "F 3", Field::ViewerCommand },
        { &EditorFields::clearCommand, "R 3", Field::ClearCommand },
    };
    for (const auto &c : cases) {
        SetUp();
        fields.title = QStringLiteral("New title");
        fields.*c.member = QString::fromLatin1(c.text);
        const BufferStore::Result r = store(true);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.field, c.field) << c.text;
        EXPECT_EQ(prompter.texts(), QStringList { InvalidValue });
        EXPECT_EQ(buffer.title(), QStringLiteral("New title")); // taken before the failure
        EXPECT_FALSE(QFile::exists(project.path())) << c.text;
    }
}

TEST_F(StoreTest, LayoutRunsOnlyStrictAndConfigured)
{
    buffer.item(1)->Format = QStringLiteral("%q");
    buffer.setChanged(true);
    BufferStore::Result r = store(true);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.row, 1);
    EXPECT_EQ(r.gridColumn, 6);
    ASSERT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(prompter.messages()[0],
        (ScriptedPrompter::Message { QStringLiteral("Incompatible Data Format in column 1"),
            QStringLiteral("Tolvane Save aborted"), ScriptedPrompter::Style::Exclamation }));
    EXPECT_EQ(prompter.messages()[1],
        (ScriptedPrompter::Message { InvalidBuffer, QStringLiteral("Compile aborted"),
            ScriptedPrompter::Style::Exclamation }));
    EXPECT_TRUE(buffer.changed()); // still unsaved
    EXPECT_FALSE(QFile::exists(project.path()));

    EXPECT_TRUE(store(false).ok);
    EXPECT_FALSE(buffer.changed());
    project.setBufferType(BufferType::PublicEvents);
    EXPECT_TRUE(store(true).ok);

    project.setBufferType(BufferType::Configured);
    buffer.item(1)->Format = QStringLiteral("%d");
    buffer.item(1)->RecPlace = 4;
    ASSERT_TRUE(store(true).ok);
    EXPECT_EQ(buffer.recordLen(), 5);
    EXPECT_EQ(fields.recordLength, QStringLiteral("5"));
    EXPECT_EQ(IniProfile::read(
                  project.path(), QStringLiteral("USER_BUFFER"), QStringLiteral("RecordLenght")),
        QStringLiteral("5"));
}

TEST_F(StoreTest, TextsThatWouldReadBackDifferentlyAreRefused)
{
    buffer.add(QStringLiteral("Level, max"), QStringLiteral("R 5"), 0, QStringLiteral("Long"), 0,
        QStringLiteral("%d"), 1000, 0);
    for (bool strict : { false, true }) {
        const BufferStore::Result r = store(strict);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.row, 2);
        EXPECT_EQ(r.gridColumn, 1);
        ASSERT_EQ(prompter.messages().size(), 2);
        EXPECT_TRUE(prompter.messages()[0].text.contains(QStringLiteral("column 2")));
        EXPECT_EQ(prompter.messages()[1].text, InvalidBuffer);
    }
    buffer.item(2)->Title = QStringLiteral("Level");
    buffer.item(2)->Variable = QStringLiteral("Sym,bol");
    EXPECT_EQ(store(false).gridColumn, 2);
    buffer.item(2)->Variable = QString(300, u'x');
    EXPECT_FALSE(store(false).ok);
    buffer.item(2)->Variable = QStringLiteral("R 5");
    fields.title = QStringLiteral("two\nlines");
    EXPECT_EQ(store(false).field, Field::Title);
    fields.title = QStringLiteral("Commas, in the buffer name, are fine");
    EXPECT_TRUE(store(true).ok);
    EXPECT_TRUE(prompter.messages().isEmpty());
}
