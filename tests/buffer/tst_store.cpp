#include "BufferTestSupport.h"

#include "buffer/BufferStore.h"
#include "common/IniProfile.h"

#include <QLocale>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

using namespace tlv::buffer;
using namespace tlv::buffer::test;
using tlv::common::IniProfile;
using tlv::common::ScriptedPrompter;
using Field = EditorFields::Field;

namespace {

class StoreTest : public ProjectTest
{
protected:
    BufferStore::Result store(bool strict)
    {
        prompter.clear();
        BufferStore::Result result = BufferStore::store(fields, strict, project, formats);
        tlv::common::tell(prompter, result.messages);
        return result;
    }
};

const QString InvalidValue = u"Invalid buffer value !"_s;
const QString InvalidBuffer = u"Invalid User Buffer !"_s;

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
        fields.recordInterval = u"60"_s;
        fields.numberOfRecords = u"100"_s;
        const bool isInterval = c.field == &EditorFields::recordInterval;
        const auto value = isInterval ? +interval : +records;
        const qint32 before = value(buffer);
        fields.*c.field = QString::fromLatin1(c.text);
        const BufferStore::Result r = store(c.strict);
        EXPECT_EQ(r.ok, c.stored != Rejected) << c.text;
        if (c.stored == Rejected) {
            EXPECT_EQ(r.field, isInterval ? Field::RecordInterval : Field::NumberOfRecords);
            EXPECT_EQ(prompter.texts(), QStringList { InvalidValue }) << c.text;
            EXPECT_EQ(prompter.lastMessage().title, u"Compile aborted"_s);
            EXPECT_EQ(value(buffer), before) << c.text;
            EXPECT_FALSE(QFile::exists(project.path()));
        } else {
            EXPECT_EQ(value(buffer), c.stored) << c.text;
        }
    }
}

TEST_F(StoreTest, IntervalIsShownInTheLocalesFormatAndReadBack)
{
    const QLocale before;
    const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const struct
    {
        qint16 tenths;
        const char *shown;
    } cases[] = { { 15, "1,5" }, { 32767, "3276,7" }, { 20000, "2000" }, { 0, "0" } };
    for (const auto &c : cases) {
        buffer.setRecordInt(c.tenths);
        fields = EditorFields::fromModel(buffer);
        EXPECT_EQ(fields.recordInterval, QLatin1String(c.shown));
        buffer.setRecordInt(-1);
        ASSERT_TRUE(store(true).ok) << c.shown;
        EXPECT_EQ(buffer.recordInt(), c.tenths) << c.shown;
    }
}

TEST_F(StoreTest, AddressFieldsAreNormalisedOnlyWhenStrict)
{
    fields.recordEnable = u"12"_s;
    fields.clearCommand = u"12"_s;
    fields.serialNumber = u"r 12"_s;
    fields.viewerCommand = u"Motor.Start"_s;
    const EditorFields typed = fields;
    ASSERT_TRUE(store(false).ok);
    EXPECT_EQ(fields, typed);
    EXPECT_EQ(buffer.recordEnable(), u"12"_s);

    ASSERT_TRUE(store(true).ok);
    EXPECT_EQ(buffer.recordEnable(), u"F 12"_s);
    EXPECT_EQ(buffer.clearBuf(), u"I 12"_s);
    EXPECT_EQ(buffer.serialNr(), u"R 12"_s);
    EXPECT_EQ(buffer.closeTlv(), u"Motor.Start"_s);
    EXPECT_EQ(fields.clearCommand, u"I 12"_s);
    EXPECT_EQ(IniProfile::read(project.path(), u"USER_BUFFER"_s, u"ClearBuf"_s), u"I 12"_s);

    // A rejected address stops the store; fields taken before it keep their new values.
    QFile::remove(project.path());
    fields.title = u"New title"_s;
    fields.viewerCommand = u"F 3"_s;
    const BufferStore::Result r = store(true);
    EXPECT_EQ(r.field, Field::ViewerCommand);
    EXPECT_EQ(prompter.texts(), QStringList { InvalidValue });
    EXPECT_EQ(buffer.title(), u"New title"_s);
    EXPECT_FALSE(QFile::exists(project.path()));
}

TEST_F(StoreTest, LayoutRunsOnlyStrictAndConfigured)
{
    buffer.item(1)->Format = u"%q"_s;
    buffer.setChanged(true);
    BufferStore::Result r = store(true);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.row, 1);
    EXPECT_EQ(r.gridColumn, 6);
    ASSERT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(prompter.messages()[0],
        (ScriptedPrompter::Message { u"Incompatible Data Format in column 1"_s,
            u"Tolvane Save aborted"_s, ScriptedPrompter::Style::Exclamation }));
    EXPECT_EQ(prompter.messages()[1],
        (ScriptedPrompter::Message {
            InvalidBuffer, u"Compile aborted"_s, ScriptedPrompter::Style::Exclamation }));
    EXPECT_TRUE(buffer.changed()); // still unsaved
    EXPECT_FALSE(QFile::exists(project.path()));

    EXPECT_TRUE(store(false).ok);
    EXPECT_FALSE(buffer.changed());
    project.setBufferType(BufferType::PublicEvents);
    EXPECT_TRUE(store(true).ok);

    project.setBufferType(BufferType::Configured);
    buffer.item(1)->Format = u"%d"_s;
    buffer.item(1)->RecPlace = 4;
    ASSERT_TRUE(store(true).ok);
    EXPECT_EQ(buffer.recordLen(), 5);
    EXPECT_EQ(fields.recordLength, u"5"_s);
    EXPECT_EQ(IniProfile::read(project.path(), u"USER_BUFFER"_s, u"RecordLenght"_s), u"5"_s);
}

TEST_F(StoreTest, TextsThatWouldReadBackDifferentlyAreRefused)
{
    buffer.add(u"Level\nmax"_s, u"R 5"_s, 0, u"Long"_s, 0, u"%d"_s, 1000, 0);
    for (bool strict : { false, true }) {
        const BufferStore::Result r = store(strict);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.row, 2);
        EXPECT_EQ(r.gridColumn, 1);
        ASSERT_EQ(prompter.messages().size(), 2);
        EXPECT_TRUE(prompter.messages()[0].text.contains(u"column 2"_s));
        EXPECT_EQ(prompter.messages()[1].text, InvalidBuffer);
    }
    buffer.item(2)->Title = u"Level, max"_s; // read back whole: its neighbours hold no comma
    buffer.item(2)->Variable = u"Sym,bol"_s;
    EXPECT_EQ(store(false).gridColumn, 2);
    buffer.item(2)->Variable = QString(300, u'x');
    EXPECT_FALSE(store(false).ok);
    buffer.item(2)->Variable = u"R 5"_s;
    fields.title = u"two\nlines"_s;
    EXPECT_EQ(store(false).field, Field::Title);
    fields.title = u"Commas, in the buffer name, are fine"_s;
    EXPECT_TRUE(store(true).ok);
    EXPECT_TRUE(prompter.messages().isEmpty());

    // The project file is Windows-1252: what it cannot hold is named, not turned into "?".
    fields.title = u"Ciśnienie Δp"_s;
    EXPECT_EQ(store(false).field, Field::Title);
    EXPECT_EQ(prompter.texts(),
        QStringList(
            { u"Invalid character \"ś\" : the project file holds Windows-1252 text only !"_s }));
    fields.title = u"Druck € 5°C"_s;
    buffer.item(2)->Title = u"Level 😀"_s;
    EXPECT_EQ(store(true).gridColumn, 1);
    EXPECT_EQ(prompter.texts().first(),
        u"Column 2 : Invalid character \"😀\" : the project file holds Windows-1252 text only !"_s);
    buffer.item(2)->Title = u"Level"_s;
    EXPECT_TRUE(store(true).ok);
    EXPECT_EQ(IniProfile::read(project.path(), u"USER_BUFFER"_s, u"Title"_s), u"Druck € 5°C"_s);
}
