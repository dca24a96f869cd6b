#include "FilesTestSupport.h"

#include "viewer/files/UserBufferLoader.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::viewer;
using namespace tlv::viewer::test;

namespace {

const QStringList baseLines {
    u"Title=Boiler"_s,
    u"HeaderKey=ABCD"_s,
    u"HeaderType=1"_s,
    u"RecordInterval=5"_s,
    u"RecordLenght=3"_s,
    u"RecordNumber=20"_s,
    u"Column=3"_s,
    u"Column1=0,Long,0,R 120,1000,Level,%d,5"_s,
    u"Column2=1,Bit,3,F 12,,Pump, on,%s,0"_s,
    u"Column3=2,Word,1,R 5,800,State,%h,0"_s,
};

// A trace project file whose [USER_BUFFER] takes the base lines with the given
// keys replaced ("Key=" alone removes the key).
QString writeProject(const QTemporaryDir &dir, const QString &name, const QStringList &changes,
    const QString &userBuffer = u"1"_s)
{
    QStringList lines = baseLines;
    for (const QString &change : changes) {
        const QString key = change.section(u'=', 0, 0) + u'=';
        lines.removeIf([&](const QString &l) { return l.startsWith(key); });
        if (change.size() > key.size())
            lines.append(change);
    }
    QString text = u"[Tolvane]\r\nVersion=2\r\n"_s;
    if (!userBuffer.isNull())
        text += u"UserBuffer="_s + userBuffer + u"\r\n"_s;
    text += u"[USER_BUFFER]\r\n"_s + lines.join(u"\r\n"_s) + u"\r\n"_s;
    const QString path = dir.filePath(name);
    writeBytes(path, text.toLatin1());
    return path;
}

} // namespace

TEST(UserBufferLoad, ReadsTheColumnsOfTheProject)
{
    QTemporaryDir dir;
    const QString path = writeProject(dir, u"Trace.TLVR"_s, {});
    ColumnTable table;
    UserBufferInfo info;
    UserBufferLoader loader;
    ASSERT_TRUE(loader.load({ path, u"ABCD"_s, true, true }, table, info)) << str(info.ErrorText);
    EXPECT_EQ(info.Title, u"Boiler"_s);
    EXPECT_EQ(info.RecordLenght, 3);
    EXPECT_EQ(info.RecordInterval, 5);
    EXPECT_EQ(info.RecordNumber, 20);
    EXPECT_EQ(table.MaxColumn, 3);
    EXPECT_FALSE(table[0].Defined);

    const ColumnDescription &level = table[1];
    EXPECT_TRUE(level.Defined);
    EXPECT_EQ(level.DataType, ColumnDescription::Long);
    EXPECT_EQ(level.Format, u"d"_s);
    EXPECT_EQ(level.Width, 1000);
    const ColumnDescription &pump = table[2];
    EXPECT_EQ(pump.RegisterIndex, 1);
    EXPECT_EQ(pump.DataType, ColumnDescription::Bit);
    EXPECT_EQ(pump.Position, 3);
    EXPECT_EQ(pump.Title, u"Pump, on"_s); // a comma in the title
    EXPECT_EQ(pump.Format, u"s"_s);
    EXPECT_EQ(pump.Width, 1000);
    EXPECT_EQ(pump.TextCount, 0);
    const ColumnDescription &state = table[3];
    EXPECT_EQ(state.DataType, ColumnDescription::Word);
    EXPECT_EQ(state.Position, 1);
    EXPECT_EQ(state.Width, 800);
}

TEST(UserBufferLoad, RefusedProjects)
{
    struct Case
    {
        const char *name;
        QString file;
        QStringList changes;
        QString userBuffer;
        QString error; // "%1" stands for the file path
        bool simulation = false;
    };
    const QString key = u"Incorrect buffer header key in the source file :\n%1"_s;
    const QString type = u"Invalid header type in the source file :\n%1"_s;
    const QString none = u"No valid section founded."_s;
    const QString t = u"Trace.tlvr"_s;
    const QString one = u"1"_s;
    const Case cases[] = {
        { "name not ending in .tlvr", u"Trace.tlvr.bak"_s, {}, one,
            u"Invalid user buffer file :\r%1"_s },
        { "no user buffer", t, {}, u"0"_s, u"No user buffer defined in the source file :\n%1"_s },
        { "user buffer key missing", t, {}, QString(),
            u"No user buffer defined in the source file :\n%1"_s },
        { "header key differs in case", t, { u"HeaderKey=abcd"_s }, one, key },
        { "header type 2", t, { u"HeaderType=2"_s }, one, type },
        { "header type missing", t, { u"HeaderType="_s }, one, type },
        { "lower-case type word", t, { u"Column=1"_s, u"Column1=0,nible,0,R 1,1000,A,%d,0"_s }, one,
            none },
        { "no columns", t, { u"Column=0"_s }, one, none },
        { "short column line", t, { u"Column=1"_s, u"Column1=0,Long,0,R 1,1000,A,%d"_s }, one,
            none },
        { "column past the table", t, { u"Column=128"_s }, one,
            u"Too many columns (128, at most 127) in the source file :\n%1"_s },
        { "record length 0", t, { u"RecordLenght=0"_s }, one,
            u"Invalid record length 0 (1 to 32767) in the source file :\n%1"_s },
        { "place outside the record", t, { u"Column3=3,Word,1,R 5,800,S,%h,0"_s }, one,
            QStringLiteral("Column3: record place 3 lies outside the record (0 to 2) in the "
                           "source file :\n%1") },
        { "bit 32", t, { u"Column2=1,Bit,32,F 12,,Pump,%s,0"_s }, one,
            QStringLiteral(
                "Column2: position 32 does not exist in a Bit in the source file :\n%1") },
        { "simulated ring without records", t, { u"RecordNumber=0"_s }, one,
            u"Invalid number of records 0 (1 to 32767) in the source file :\n%1"_s, true },
        { "simulated interval below 0", t, { u"RecordInterval=-1"_s }, one,
            u"Invalid record interval -1 (0 to 32767) in the source file :\n%1"_s, true },
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = writeProject(dir, c.file, c.changes, c.userBuffer);
        ColumnTable table;
        table[100].Defined = true; // from an earlier load
        table.MaxColumn = 100;
        UserBufferInfo info;
        UserBufferLoader loader;
        EXPECT_FALSE(loader.load({ path, u"ABCD"_s, true, c.simulation }, table, info));
        EXPECT_EQ(info.ErrorText, QString(c.error).replace(u"%1"_s, path));
        // Checks of the file as a whole leave the earlier columns alone.
        if (c.error != none && !c.error.startsWith(QLatin1String("Column"))) {
            EXPECT_TRUE(table[100].Defined);
        }
    }
}

TEST(UserBufferLoad, HeaderKeyCheckAndSimulationValues)
{
    QTemporaryDir dir;
    const QString path
        = writeProject(dir, u"Trace.tlvr"_s, { u"HeaderKey=abcd"_s, u"RecordNumber=0"_s });
    ColumnTable table;
    UserBufferInfo info;
    UserBufferLoader loader;
    // The title is taken even when a later check fails.
    EXPECT_FALSE(loader.load({ path, u"ABCD"_s, true, false }, table, info));
    EXPECT_EQ(info.Title, u"Boiler"_s);
    // Without a header there is no key to compare; the ring size is not needed
    // outside simulation.
    EXPECT_TRUE(loader.load({ path, QString(), false, false }, table, info)) << str(info.ErrorText);
    EXPECT_EQ(info.RecordNumber, 0);
    EXPECT_EQ(info.RecordInterval, 0);

    // An on-change-only buffer (interval 0) is simulated too.
    const QString onChange
        = writeProject(dir, u"Change.tlvr"_s, { u"RecordInterval=0"_s, u"RecordNumber=30"_s });
    EXPECT_TRUE(loader.load({ onChange, QString(), false, true }, table, info))
        << str(info.ErrorText);
    EXPECT_EQ(info.RecordInterval, 0);
    EXPECT_EQ(info.RecordNumber, 30);
}
