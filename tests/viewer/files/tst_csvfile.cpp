#include "FilesTestSupport.h"

#include "viewer/files/CsvFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using tlv::viewer::CsvFile;
using tlv::viewer::test::readBytes;
using tlv::viewer::test::writeBytes;

TEST(CsvFile, FieldsAreQuotedOnlyWhenTheyMustBe)
{
    const struct
    {
        QString field, written;
    } cases[] = {
        { u"plain 12.5"_s, u"plain 12.5"_s },
        { QString(), QString() },
        { u"a,b"_s, u"\"a,b\""_s },
        { u"say \"hi\""_s, u"\"say \"\"hi\"\"\""_s },
        { u"two\nlines"_s, u"\"two\nlines\""_s },
        { u"cr\rhere"_s, u"\"cr\rhere\""_s },
        { u"caf\u00e9;x "_s, u"caf\u00e9;x "_s },
    };
    for (const auto &c : cases)
        EXPECT_EQ(CsvFile::quoted(c.field), c.written) << qPrintable(c.field);
}

TEST(CsvFile, WritesUtf8AndReplacesTheTargetOnlyOnClose)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"t.csv"_s);
    writeBytes(path, "old content, longer than the new one");
    {
        CsvFile abandoned;
        ASSERT_TRUE(abandoned.open(path));
        ASSERT_TRUE(abandoned.writeLine({ u"x"_s }));
    }
    EXPECT_EQ(readBytes(path), QByteArray("old content, longer than the new one"));

    CsvFile file;
    ASSERT_TRUE(file.open(path));
    ASSERT_TRUE(file.writeLine({ u"T\u00e9mp"_s, u"\u20ac"_s }));
    ASSERT_TRUE(file.close());
    EXPECT_FALSE(file.writeLine({ u"late"_s }));
    EXPECT_EQ(readBytes(path), QByteArray("T\xc3\xa9mp,\xe2\x82\xac\r\n"));

    EXPECT_FALSE(file.open(dir.filePath(u"no/such/t.csv"_s)));
    EXPECT_FALSE(file.errorString().isEmpty());
}
