#include "common/PathUtil.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace tlv::common;

TEST(PathUtil, FolderListsGetTrailingSeparators)
{
    EXPECT_EQ(splitFolderList(u"C:\\a,D:\\b\\"_s), QStringList({ u"C:\\a\\"_s, u"D:\\b\\"_s }));
    EXPECT_EQ(
        splitFolderList(u"/opt/x/,/opt/y  ,,  ,"_s), QStringList({ u"/opt/x/"_s, u"/opt/y\\"_s }));
    EXPECT_TRUE(splitFolderList(QString()).isEmpty());
}

TEST(PathUtil, PathParts)
{
    struct Case
    {
        QString path, element, folder, extension;
    };
    const Case cases[] = {
        { u"C:\\Drv\\ABCD.tlv"_s, u"ABCD.tlv"_s, u"C:\\Drv\\"_s, u"tlv"_s },
        { u"/home/u/a.b.tlvd"_s, u"a.b.tlvd"_s, u"/home/u/"_s, u"tlvd"_s },
        { u"C:\\my.dir\\file"_s, u"file"_s, u"C:\\my.dir\\"_s, QString() },
        { u"mixed/a\\b.x"_s, u"b.x"_s, u"mixed/a\\"_s, u"x"_s },
        { u"plain"_s, u"plain"_s, QString(), QString() },
        { u"dir/"_s, QString(), u"dir/"_s, QString() },
    };
    for (const Case &c : cases) {
        EXPECT_EQ(lastPathElement(c.path), c.element) << c.path.toStdString();
        EXPECT_EQ(folderOf(c.path), c.folder) << c.path.toStdString();
        EXPECT_EQ(lastExtension(c.path), c.extension) << c.path.toStdString();
    }
}

TEST(PathUtil, ReplaceLastExtension)
{
    EXPECT_EQ(replaceLastExtension(u"C:\\Drv\\ABCD.tlv"_s, u"tlvd"_s), u"C:\\Drv\\ABCD.tlvd"_s);
    EXPECT_EQ(replaceLastExtension(u"a.b.txt"_s, u".tlvd"_s), u"a.b.tlvd"_s);
    // A dot in a folder name is not an extension.
    EXPECT_TRUE(replaceLastExtension(u"C:\\my.dir\\ABCD"_s, u"tlvd"_s).isEmpty());
    EXPECT_TRUE(replaceLastExtension(u"ABCD"_s, u"tlvd"_s).isEmpty());
}

TEST(PathUtil, TrailingSeparatorFollowsTheTextsOwnStyle)
{
    EXPECT_EQ(withTrailingSeparator(u"C:\\a"_s), u"C:\\a\\"_s);
    EXPECT_EQ(withTrailingSeparator(u"/home/u"_s), u"/home/u/"_s);
    EXPECT_EQ(withTrailingSeparator(u"/home/u/"_s), u"/home/u/"_s);
    EXPECT_EQ(withTrailingSeparator(u"C:\\a/"_s), u"C:\\a/"_s);
    EXPECT_EQ(withTrailingSeparator(u"rel"_s), u"rel\\"_s);
    EXPECT_EQ(withTrailingSeparator(QString()), QString());
    EXPECT_EQ(toLocalPath(u"..\\Lib\\x.sy5"_s), u"../Lib/x.sy5"_s);
}

TEST(PathUtil, CommonFoldersComeFromTheEnvironmentAndExist)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString data = temp.path() + u"/data/deeper"_s;
    qputenv("TOLVANE_COMMON_DIR", data.toUtf8());
    qputenv("TOLVANE_DOCUMENTS_DIR", temp.path().toUtf8());
    EXPECT_EQ(commonDataFolder(), data + u'/');
    EXPECT_TRUE(QDir(data).exists());
    EXPECT_EQ(commonDocumentsFolder(), temp.path() + u'/');

    qunsetenv("TOLVANE_COMMON_DIR");
    qputenv("XDG_DATA_HOME", temp.path().toUtf8());
    EXPECT_EQ(commonDataFolder(), temp.path() + u"/Varnok/Tolvane/"_s);
    EXPECT_TRUE(QDir(temp.path() + u"/Varnok/Tolvane"_s).exists());
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("TOLVANE_DOCUMENTS_DIR");
}
