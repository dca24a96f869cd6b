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

TEST_F(StoreTest, IntervalAndNumberOfRecords)
{
    const auto interval = [](const UserColumns &b) { return b.recordInt(); };
    const auto records = [](const UserColumns &b) { return qint32(b.bufferLen()); };
    const qint32 Rejected = -99999;
    const struct
    {
        QString EditorFields::*field;
        const char *text;
        bool strict;
        qint32 stored;
    } cases[] = { // seconds in the field, tenths in the model
        { &EditorFields::recordInterval, "1.5", true, 15 },
        { &EditorFields::recordInterval, "1,5", true, 15 },
        { &EditorFields::recordInterval, "", true, 0 },
        { &EditorFields::recordInterval, "-1", true, Rejected },
        { &EditorFields::recordInterval, "-1", false, -10 },
        { &EditorFields::recordInterval, "6001", false, Rejected },
        { &EditorFields::recordInterval, "6000", true, Rejected }, // fits no 16 bits
        { &EditorFields::recordInterval, "3276.7", true, 32767 },
        { &EditorFields::recordInterval, "0.25", true, 2 },
        { &EditorFields::recordInterval, "abc", true, Rejected },
        { &EditorFields::recordInterval, "12s", false, 120 },
        { &EditorFields::numberOfRecords, "19", true, Rejected },
        { &EditorFields::numberOfRecords, "20", true, 20 },
        { &EditorFields::numberOfRecords, "5000", true, 5000 },
        { &EditorFields::numberOfRecords, "5001", true, Rejected },
        { &EditorFields::numberOfRecords, "x", true, Rejected },
        { &EditorFields::numberOfRecords, "x", false, 0 },
        { &EditorFields::numberOfRecords, "32767", false, 32767 },
        { &EditorFields::numberOfRecords, "32768", false, Rejected }
    };
    for (const auto &c : cases) {
        QFile::remove(project.path());
        fields.recordInterval = QStringLiteral("60");
        fields.numberOfRecords = QStringLiteral("100");
        const bool isInterval = c.field == &EditorFields::recordInterval;
        const auto value = isInterval ? +interval : +records;
        const qint32 before = value(buffer);
        fields.*c.field = QString::fromLatin1(c.text);
        const BufferStore::Result r = store(c.strict);
        EXPECT_EQ(r.ok, c.stored != Rejected) << c.text;
        if (c.stored == Rejected) {
            EXPECT_EQ(r.field, isInterval ? Field::RecordInterval : Field::NumberOfRecords);
            EXPECT_EQ(prompter.texts(), QStringList { InvalidValue }) << c.text;
            EXPECT_EQ(prompter.lastMessage().title, QStringLiteral("Compile aborted"));
            EXPECT_EQ(value(buffer), before) << c.text;
            EXPECT_FALSE(QFile::exists(project.path()));
        } else {
            EXPECT_EQ(value(buffer), c.stored) << c.text;
        }
    }
}

TEST_F(StoreTest, AddressFieldsAreNormalisedOnlyWhenStrict)
{
    fields.recordEnable = QStringLiteral("12");
    fields.clearCommand = QStringLiteral("12");
    fields.serialNumber = QStringLiteral("r 12");
    fields.viewerCommand = QStringLiteral("Motor.Start");
    const EditorFields typed = fields;
    ASSERT_TRUE(store(false).ok);
    EXPECT_EQ(fields, typed);
    EXPECT_EQ(buffer.recordEnable(), QStringLiteral("12"));

    ASSERT_TRUE(store(true).ok);
    EXPECT_EQ(buffer.recordEnable(), QStringLiteral("F 12"));
    EXPECT_EQ(buffer.clearBuf(), QStringLiteral("I 12"));
    EXPECT_EQ(buffer.serialNr(), QStringLiteral("R 12"));
    EXPECT_EQ(buffer.closeTlv(), QStringLiteral("Motor.Start"));
    EXPECT_EQ(fields.clearCommand, QStringLiteral("I 12"));
    EXPECT_EQ(
        IniProfile::read(project.path(), QStringLiteral("USER_BUFFER"), QStringLiteral("ClearBuf")),
        QStringLiteral("I 12"));

    // A rejected address stops the store; fields taken before it keep their new values.
    QFile::remove(project.path());
    fields.title = QStringLiteral("New title");
    fields.viewerCommand = QStringLiteral("F 3");
    const BufferStore::Result r = store(true);
    EXPECT_EQ(r.field, Field::ViewerCommand);
    EXPECT_EQ(prompter.texts(), QStringList { InvalidValue });
    EXPECT_EQ(buffer.title(), QStringLiteral("New title"));
    EXPECT_FALSE(QFile::exists(project.path()));
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
