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
        ASSERT_TRUE(abandoned.addColumn(1, 5, u"x"_s));
    }
    EXPECT_EQ(readBytes(path), QByteArray("old content, longer than the new one"));

    CsvFile file;
    ASSERT_TRUE(file.open(path));
    ASSERT_TRUE(file.addColumn(1, 5, u"T\u00e9mp"_s));
    ASSERT_TRUE(file.addColumn(2, 5, u"\u20ac"_s));
    // Every row gets its line, empty cells their fields; numbers and dates as shown.
    ASSERT_TRUE(file.writeNumber(2, 1, 1.5, u"1.50"_s));
    ASSERT_TRUE(file.writeText(3, 2, {}));
    ASSERT_TRUE(file.writeDate(4, 2, 46361, 12, u"05/12/26"_s));
    EXPECT_FALSE(file.writeText(3, 1, u"back"_s));
    ASSERT_TRUE(file.close());
    EXPECT_FALSE(file.writeText(5, 1, u"late"_s));
    EXPECT_EQ(
        readBytes(path), QByteArray("T\xc3\xa9mp,\xe2\x82\xac\r\n1.50,\r\n,\r\n,05/12/26\r\n"));

    EXPECT_FALSE(file.open(dir.filePath(u"no/such/t.csv"_s)));
    EXPECT_FALSE(file.errorString().isEmpty());
}
