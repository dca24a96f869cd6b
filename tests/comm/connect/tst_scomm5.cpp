#include "comm/Scomm5.h"

#include "Fakes.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::comm;
using test::DbValue;
using test::RegisterValue;

namespace {

class Scomm5Test : public ::testing::Test
{
protected:
    void TearDown() override { QDir::setCurrent(m_startDir); }

    // DBX contents: a 2-byte head, then entries.
    static QByteArray registry(const QList<QByteArray> &entries)
    {
        QByteArray bytes("\0\0", 2);
        for (const QByteArray &e : entries)
            bytes += e;
        return bytes;
    }
    static QByteArray filler(int i)
    {
        return test::dbxEntryBytes("OTHER_" + QByteArray::number(i), 0, {});
    }
    int dbxReads(qint32 number) const
    {
        return int(api.calls.filter(u"dbx %1 "_s.arg(number)).size());
    }

    QString m_startDir = QDir::currentPath();
    test::FakeScommApi api;
    Scomm5 scomm { api };
};

// An unknown version or a version without folder is reported as a failure of its own, yet the
// channel opens all the same; a start without PG5 (version 0) opens it without a word.
TEST_F(Scomm5Test, FolderProblemsAreReportedAndTheChannelStillOpens)
{
    scomm.setPg5VersionCode(99);
    const SbusResult unknown = scomm.SetPG5Directory();
    EXPECT_EQ(unknown.error, SbusError::BadSettings);
    EXPECT_EQ(unknown.errorString, u"PG5 version not supported! 99"_s);
    EXPECT_TRUE(scomm.ScommOpenChannel());
    EXPECT_EQ(scomm.folderProblem().errorString, unknown.errorString);
    EXPECT_EQ(api.calls, (QStringList { u"setup null GoOnline"_s, u"connect"_s }));
    EXPECT_EQ(QDir::currentPath(), m_startDir);
    EXPECT_EQ(scomm.handle(), 7);

    scomm.setPg5VersionCode(20);
    EXPECT_TRUE(scomm.ScommOpenChannel());
    EXPECT_EQ(scomm.folderProblem().errorString, u"Missing PG5 folder!"_s);

    scomm.setPg5VersionCode(0);
    EXPECT_TRUE(scomm.ScommOpenChannel());
    EXPECT_TRUE(scomm.folderProblem().ok());
}

TEST_F(Scomm5Test, FolderOfTheVersionBecomesCurrent)
{
    QTemporaryDir apps;
    scomm.setPg5VersionCode(21);
    scomm.setAppsDirs({ { 21, apps.path() + QLatin1Char('/') } });
    EXPECT_TRUE(scomm.ScommOpenChannel());
    EXPECT_TRUE(scomm.folderProblem().ok());
    EXPECT_EQ(QDir(QDir::currentPath()).canonicalPath(), QDir(apps.path()).canonicalPath());
}

TEST_F(Scomm5Test, RunTimeFailuresMakeTheChannelUnavailable)
{
    scomm.setPg5VersionCode(20);
    scomm.setAppsDirs({ { 20, u"/no/such/pg5/folder"_s } });
    SbusResult opened = scomm.ScommOpenChannel();
    EXPECT_EQ(opened.error, SbusError::Unavailable);
    EXPECT_EQ(opened.errorString, u"Error setting current PG5 directory."_s);
    EXPECT_TRUE(api.calls.isEmpty());

    scomm.setAppsDirs({});
    scomm.setPg5VersionCode(0);
    api.failure = u"cannot load"_s;
    opened = scomm.ScommOpenChannel();
    EXPECT_EQ(opened.error, SbusError::Unavailable);
    EXPECT_EQ(opened.errorString, u"Error reading channel settings."_s);
    EXPECT_TRUE(api.calls.isEmpty());
    // Reads without the library fail; they never hand over values.
    QList<qint32> buffer(2, 0);
    EXPECT_EQ(scomm.ScommReadRegisters(0, 2, 0, buffer).error, SbusError::Unavailable);
}

TEST_F(Scomm5Test, OnlyTheConnectResultDecides)
{
    scomm.setPg5VersionCode(0);
    api.setupResult = 20; // setup unreadable, connect still tried
    api.connectResult = 0;
    EXPECT_TRUE(scomm.ScommOpenChannel());
    EXPECT_TRUE(api.calls.contains(u"connect"_s));

    api.connectResult = 6;
    const SbusResult opened = scomm.ScommOpenChannel();
    EXPECT_EQ(opened.error, SbusError::NoResponse);
    EXPECT_EQ(opened.errorString, u" PCD_NORESP"_s);
}

TEST_F(Scomm5Test, FailedDisconnectKeepsThePortOpen)
{
    api.disconnectResult = 2;
    EXPECT_FALSE(scomm.ScommCloseChannel());
    EXPECT_EQ(scomm.errorText(), u" PCD_COMERR"_s);
    EXPECT_TRUE(api.calls.filter(u"close"_s).isEmpty());

    api.disconnectResult = 0;
    EXPECT_TRUE(scomm.ScommCloseChannel());
    EXPECT_EQ(api.calls.filter(u"close"_s).size(), 1);
}

TEST_F(Scomm5Test, ErrorNameLeavesTextForCodesWithoutName)
{
    scomm.ScommErrorName(1);
    scomm.ScommErrorName(7);
    EXPECT_EQ(scomm.errorText(), u" PCD_NAK"_s);
    scomm.ScommErrorName(40);
    EXPECT_EQ(scomm.errorText(), u" PCD_LOCKED"_s);
}

TEST_F(Scomm5Test, ReadsRefuseSpansOutsideTheBuffer)
{
    QList<qint32> buffer(10, 0);
    EXPECT_EQ(scomm.ScommReadRegisters(0, 5, 6, buffer).error, SbusError::InvalidArgument);
    EXPECT_EQ(scomm.ScommReadDataBlock(1, 0, 11, 0, buffer).error, SbusError::InvalidArgument);
    EXPECT_EQ(scomm.ScommReadRegisters(0, 1, -1, buffer).errorString, u" PCD_BADPARM"_s);
    EXPECT_EQ(api.reads, 0);
    EXPECT_TRUE(scomm.ScommReadRegisters(100, 4, 6, buffer));
    EXPECT_EQ(buffer.mid(6),
        (QList<qint32> {
            RegisterValue(100), RegisterValue(101), RegisterValue(102), RegisterValue(103) }));
    EXPECT_EQ(buffer[5], 0);
}

TEST_F(Scomm5Test, DbxSearchFindsKeyInOrderAndDecodesBigEndian)
{
    api.dbx[3] = registry({ filler(0), filler(1),
        test::dbxEntryBytes("x TLVR__ACCESS_KEY", 0x00007F10, { 1000, 7 }) });
    DbxEntry entry;
    ASSERT_TRUE(scomm.ScommFindDbxEntry(3, u"TLVR__ACCESS_KEY"_s, entry));
    EXPECT_EQ(entry.value, 0x7F10);
    EXPECT_EQ(entry.values[0], 1000);
    EXPECT_EQ(entry.values[1], 7);
    EXPECT_EQ(api.calls.filter(u"dbx"_s),
        (QStringList { u"dbx 3 2 128"_s, u"dbx 3 130 128"_s, u"dbx 3 258 128"_s }));
    EXPECT_EQ(api.calls.first(), u"size 65 3 1"_s);
    // Case matters.
    EXPECT_FALSE(scomm.ScommFindDbxEntry(3, u"tlvr__access_key"_s, entry));
}

TEST_F(Scomm5Test, AbsentKeyReadsAtMostSixEntriesOfEachDbxDownToZero)
{
    QList<QByteArray> many;
    for (int i = 0; i < 9; ++i)
        many << filler(i);
    for (qint32 n = 0; n <= 2; ++n)
        api.dbx[n] = registry(many);
    api.dbx[1] = QByteArray(100, 'x'); // smaller than one entry: skipped unread
    DbxEntry entry;
    EXPECT_FALSE(scomm.ScommFindDbxEntry(2, u"TLVR__ACCESS_KEY"_s, entry));
    EXPECT_EQ(dbxReads(2), 6);
    EXPECT_EQ(dbxReads(1), 0);
    EXPECT_EQ(dbxReads(0), 6);
    EXPECT_EQ(api.calls.filter(u"size"_s).size(), 3);
}

TEST_F(Scomm5Test, KeyBeyondTheTextAndRefusedSizeQuery)
{
    QByteArray late = test::dbxEntryBytes("", 0, {});
    late.replace(50, 16, "TLVR__ACCESS_KEY"); // starts inside the text, ends outside
    api.dbx[0] = registry({ late });
    DbxEntry entry;
    EXPECT_FALSE(scomm.ScommFindDbxEntry(0, u"TLVR__ACCESS_KEY"_s, entry));

    // A DBX whose size cannot be read ends the whole search.
    api.calls.clear();
    api.dbx[0] = registry({ test::dbxEntryBytes("TLVR__ACCESS_KEY", 0, {}) });
    EXPECT_FALSE(scomm.ScommFindDbxEntry(1, u"TLVR__ACCESS_KEY"_s, entry));
    EXPECT_EQ(api.calls, QStringList { u"size 65 1 1"_s });
}

} // namespace
