#include "FilesTestSupport.h"

#include "viewer/files/UserBufferLoader.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tlv::viewer;
using namespace tlv::viewer::test;

namespace {

const QStringList baseLines {
    QStringLiteral("Title=Boiler"),
    QStringLiteral("HeaderKey=ABCD"),
    QStringLiteral("HeaderType=1"),
    QStringLiteral("RecordInterval=5"),
    QStringLiteral("RecordLenght=3"),
    QStringLiteral("RecordNumber=20"),
    QStringLiteral("Column=3"),
    QStringLiteral("Column1=0,Long,0,R 120,1000,Level,%d,5"),
    QStringLiteral("Column2=1,Bit,3,F 12,,Pump, on,%s,0"),
    QStringLiteral("Column3=2,Word,1,R 5,800,State,%h,0"),
};

// A trace project file whose [USER_BUFFER] takes the base lines with the given
// keys replaced ("Key=" alone removes the key).
QString writeProject(const QTemporaryDir &dir, const QString &name, const QStringList &changes,
    const QString &userBuffer = QStringLiteral("1"))
{
    QStringList lines = baseLines;
    for (const QString &change : changes) {
        const QString key = change.section(u'=', 0, 0) + u'=';
        lines.removeIf([&](const QString &l) { return l.startsWith(key); });
        if (change.size() > key.size())
            lines.append(change);
    }
    QString text = QStringLiteral("[Tolvane]\r\nVersion=2\r\n");
    if (!userBuffer.isNull())
        text += QStringLiteral("UserBuffer=") + userBuffer + QStringLiteral("\r\n");
    text += QStringLiteral("[USER_BUFFER]\r\n") + lines.join(QStringLiteral("\r\n"))
        + QStringLiteral("\r\n");
    const QString path = dir.filePath(name);
    writeBytes(path, text.toLatin1());
    return path;
}

} // namespace

TEST(UserBufferLoad, ReadsTheColumnsOfTheProject)
{
    QTemporaryDir dir;
    const QString path = writeProject(dir, QStringLiteral("Trace.TLVR"), {});
    ColumnTable table;
    UserBufferInfo info;
    UserBufferLoader loader;
    ASSERT_TRUE(loader.load({ path, QStringLiteral("ABCD"), true, true }, table, info))
        << str(info.ErrorText);
    EXPECT_EQ(info.Title, QStringLiteral("Boiler"));
    EXPECT_EQ(info.RecordLenght, 3);
    EXPECT_EQ(info.RecordInterval, 5);
    EXPECT_EQ(info.RecordNumber, 20);
    EXPECT_EQ(table.MaxColumn, 3);
    EXPECT_FALSE(table[0].Defined);

    const ColumnDescription &level = table[1];
    EXPECT_TRUE(level.Defined);
    EXPECT_EQ(level.DataType, ColumnDescription::Long);
    EXPECT_EQ(level.Format, QStringLiteral("d"));
    EXPECT_EQ(level.Width, 1000);
    const ColumnDescription &pump = table[2];
    EXPECT_EQ(pump.RegisterIndex, 1);
    EXPECT_EQ(pump.DataType, ColumnDescription::Bit);
    EXPECT_EQ(pump.Position, 3);
    EXPECT_EQ(pump.Title, QStringLiteral("Pump, on")); // a comma in the title
    EXPECT_EQ(pump.Format, QStringLiteral("s"));
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
    const QString key = QStringLiteral("Incorrect buffer header key in the source file :\n%1");
    const QString type = QStringLiteral("Invalid header type in the source file :\n%1");
    const QString none = QStringLiteral("No valid section founded.");
    const QString t = QStringLiteral("Trace.tlvr");
    const QString one = QStringLiteral("1");
    const Case cases[] = {
        { "name not ending in .tlvr", QStringLiteral("Trace.tlvr.bak"), {}, one,
            QStringLiteral("Invalid user buffer file :\r%1") },
        { "no user buffer", t, {}, QStringLiteral("0"),
            QStringLiteral("No user buffer defined in the source file :\n%1") },
        { "user buffer key missing", t, {}, QString(),
            QStringLiteral("No user buffer defined in the source file :\n%1") },
        { "header key differs in case", t, { QStringLiteral("HeaderKey=abcd") }, one, key },
        { "header type 2", t, { QStringLiteral("HeaderType=2") }, one, type },
        { "header type missing", t, { QStringLiteral("HeaderType=") }, one, type },
        { "lower-case type word", t,
            { QStringLiteral("Column=1"), QStringLiteral("Column1=0,nible,0,R 1,1000,A,%d,0") },
            one, none },
        { "no columns", t, { QStringLiteral("Column=0") }, one, none },
        { "short column line", t,
            { QStringLiteral("Column=1"), QStringLiteral("Column1=0,Long,0,R 1,1000,A,%d") }, one,
            none },
        { "column past the table", t, { QStringLiteral("Column=128") }, one,
            QStringLiteral("Too many columns (128, at most 127) in the source file :\n%1") },
        { "record length 0", t, { QStringLiteral("RecordLenght=0") }, one,
            QStringLiteral("Invalid record length 0 (1 to 32767) in the source file :\n%1") },
        { "place outside the record", t, { QStringLiteral("Column3=3,Word,1,R 5,800,S,%h,0") }, one,
            QStringLiteral("Column3: record place 3 lies outside the record (0 to 2) in the "
                           "source file :\n%1") },
        { "bit 32", t, { QStringLiteral("Column2=1,Bit,32,F 12,,Pump,%s,0") }, one,
            QStringLiteral(
                "Column2: position 32 does not exist in a Bit in the source file :\n%1") },
        { "simulated ring without records", t, { QStringLiteral("RecordNumber=0") }, one,
            QStringLiteral("Invalid number of records 0 (1 to 32767) in the source file :\n%1"),
            true },
        { "simulated interval 0", t, { QStringLiteral("RecordInterval=0") }, one,
            QStringLiteral("Invalid record interval 0 (1 to 32767) in the source file :\n%1"),
            true },
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
        EXPECT_FALSE(
            loader.load({ path, QStringLiteral("ABCD"), true, c.simulation }, table, info));
        EXPECT_EQ(info.ErrorText, QString(c.error).replace(QStringLiteral("%1"), path));
        // Checks of the file as a whole leave the earlier columns alone.
        if (c.error != none && !c.error.startsWith(QLatin1String("Column"))) {
            EXPECT_TRUE(table[100].Defined);
        }
    }
}

TEST(UserBufferLoad, HeaderKeyCheckAndSimulationValues)
{
    QTemporaryDir dir;
    const QString path = writeProject(dir, QStringLiteral("Trace.tlvr"),
        { QStringLiteral("HeaderKey=abcd"), QStringLiteral("RecordNumber=0") });
    ColumnTable table;
    UserBufferInfo info;
    UserBufferLoader loader;
    // The title is taken even when a later check fails.
    EXPECT_FALSE(loader.load({ path, QStringLiteral("ABCD"), true, false }, table, info));
    EXPECT_EQ(info.Title, QStringLiteral("Boiler"));
    // Without a header there is no key to compare; the ring size is not needed
    // outside simulation.
    EXPECT_TRUE(loader.load({ path, QString(), false, false }, table, info)) << str(info.ErrorText);
    EXPECT_EQ(info.RecordNumber, 0);
    EXPECT_EQ(info.RecordInterval, 0);
}
