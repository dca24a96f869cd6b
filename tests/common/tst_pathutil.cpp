#include "common/PathUtil.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tlv::common;

TEST(PathUtil, FolderListsGetTrailingSeparators)
{
    EXPECT_EQ(splitFolderList(QStringLiteral("C:\\a,D:\\b\\")),
        QStringList({ QStringLiteral("C:\\a\\"), QStringLiteral("D:\\b\\") }));
    EXPECT_EQ(splitFolderList(QStringLiteral("/opt/x/,/opt/y  ,,  ,")),
        QStringList({ QStringLiteral("/opt/x/"), QStringLiteral("/opt/y\\") }));
    EXPECT_TRUE(splitFolderList(QString()).isEmpty());
}

TEST(PathUtil, PathParts)
{
    struct Case
    {
        QString path, element, folder, extension;
    };
    const Case cases[] = {
        { QStringLiteral("C:\\Drv\\ABCD.tlv"), QStringLiteral("ABCD.tlv"),
            QStringLiteral("C:\\Drv\\"), QStringLiteral("tlv") },
        { QStringLiteral("/home/u/a.b.tlvd"), QStringLiteral("a.b.tlvd"),
            QStringLiteral("/home/u/"), QStringLiteral("tlvd") },
        { QStringLiteral("C:\\my.dir\\file"), QStringLiteral("file"),
            QStringLiteral("C:\\my.dir\\"), QString() },
        { QStringLiteral("mixed/a\\b.x"), QStringLiteral("b.x"), QStringLiteral("mixed/a\\"),
            QStringLiteral("x") },
        { QStringLiteral("plain"), QStringLiteral("plain"), QString(), QString() },
        { QStringLiteral("dir/"), QString(), QStringLiteral("dir/"), QString() },
    };
    for (const Case &c : cases) {
        EXPECT_EQ(lastPathElement(c.path), c.element) << c.path.toStdString();
        EXPECT_EQ(folderOf(c.path), c.folder) << c.path.toStdString();
        EXPECT_EQ(lastExtension(c.path), c.extension) << c.path.toStdString();
    }
}

TEST(PathUtil, ReplaceLastExtension)
{
    EXPECT_EQ(replaceLastExtension(QStringLiteral("C:\\Drv\\ABCD.tlv"), QStringLiteral("tlvd")),
        QStringLiteral("C:\\Drv\\ABCD.tlvd"));
    EXPECT_EQ(replaceLastExtension(QStringLiteral("a.b.txt"), QStringLiteral(".tlvd")),
        QStringLiteral("a.b.tlvd"));
    // A dot in a folder name is not an extension.
    EXPECT_TRUE(
        replaceLastExtension(QStringLiteral("C:\\my.dir\\ABCD"), QStringLiteral("tlvd")).isEmpty());
    EXPECT_TRUE(replaceLastExtension(QStringLiteral("ABCD"), QStringLiteral("tlvd")).isEmpty());
}

TEST(PathUtil, TrailingSeparatorFollowsTheTextsOwnStyle)
{
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("C:\\a")), QStringLiteral("C:\\a\\"));
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("/home/u")), QStringLiteral("/home/u/"));
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("/home/u/")), QStringLiteral("/home/u/"));
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("C:\\a/")), QStringLiteral("C:\\a/"));
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("rel")), QStringLiteral("rel\\"));
    EXPECT_EQ(withTrailingSeparator(QString()), QString());
    EXPECT_EQ(toLocalPath(QStringLiteral("..\\Lib\\x.sy5")), QStringLiteral("../Lib/x.sy5"));
}

TEST(PathUtil, CommonFoldersComeFromTheEnvironmentAndExist)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString data = temp.path() + QStringLiteral("/data/deeper");
    qputenv("TOLVANE_COMMON_DIR", data.toUtf8());
    qputenv("TOLVANE_DOCUMENTS_DIR", temp.path().toUtf8());
    EXPECT_EQ(commonDataFolder(), data + u'/');
    EXPECT_TRUE(QDir(data).exists());
    EXPECT_EQ(commonDocumentsFolder(), temp.path() + u'/');

    qunsetenv("TOLVANE_COMMON_DIR");
    qputenv("XDG_DATA_HOME", temp.path().toUtf8());
    EXPECT_EQ(commonDataFolder(), temp.path() + QStringLiteral("/Varnok/Tolvane/"));
    EXPECT_TRUE(QDir(temp.path() + QStringLiteral("/Varnok/Tolvane")).exists());
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("TOLVANE_DOCUMENTS_DIR");
}
