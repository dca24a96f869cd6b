#include "viewer/files/CsvFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tlv::viewer::CsvFile;

TEST(CsvFile, FieldsAreQuotedOnlyWhenTheyMustBe)
{
    const struct
    {
        QString field, written;
    } cases[] = {
        { QStringLiteral("plain 12.5"), QStringLiteral("plain 12.5") },
        { QString(), QString() },
        { QStringLiteral("a,b"), QStringLiteral("\"a,b\"") },
        { QStringLiteral("say \"hi\""), QStringLiteral("\"say \"\"hi\"\"\"") },
        { QStringLiteral("two\nlines"), QStringLiteral("\"two\nlines\"") },
        { QStringLiteral("cr\rhere"), QStringLiteral("\"cr\rhere\"") },
        { QStringLiteral("caf\u00e9;x "), QStringLiteral("caf\u00e9;x ") },
    };
    for (const auto &c : cases)
        EXPECT_EQ(CsvFile::quoted(c.field), c.written) << qPrintable(c.field);
    EXPECT_EQ(CsvFile::line({ QStringLiteral("a"), QString(), QStringLiteral("b,c") }),
        QStringLiteral("a,,\"b,c\"\r\n"));
}

TEST(CsvFile, WritesUtf8AndReplacesTheTargetOnlyOnClose)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.csv"));
    const auto content = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old content, longer than the new one");
    }
    {
        CsvFile abandoned;
        ASSERT_TRUE(abandoned.open(path));
        ASSERT_TRUE(abandoned.writeLine({ QStringLiteral("x") }));
    }
    EXPECT_EQ(content(), QByteArray("old content, longer than the new one"));

    CsvFile file;
    ASSERT_TRUE(file.open(path));
    ASSERT_TRUE(file.writeLine({ QStringLiteral("T\u00e9mp"), QStringLiteral("\u20ac") }));
    ASSERT_TRUE(file.close());
    EXPECT_FALSE(file.writeLine({ QStringLiteral("late") }));
    EXPECT_EQ(content(), QByteArray("T\xc3\xa9mp,\xe2\x82\xac\r\n"));

    EXPECT_FALSE(file.open(dir.filePath(QStringLiteral("no/such/t.csv"))));
    EXPECT_FALSE(file.errorString().isEmpty());
}
