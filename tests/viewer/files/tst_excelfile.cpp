#include "FilesTestSupport.h"

#include "viewer/files/ExcelFile.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

using namespace Qt::StringLiterals;

using tlv::viewer::ExcelFile;
using tlv::viewer::test::readBytes;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray doubleBytes(double v)
{
    quint64 bits = 0;
    std::memcpy(&bits, &v, 8);
    bits = qToLittleEndian(bits);
    return QByteArray(reinterpret_cast<const char *>(&bits), 8);
}

// What OpenFile writes: BOF, code page, format count and table, font, one style per format.
QByteArray preamble()
{
    QByteArray b = hex("0900040002001000") + hex("420002000180") + hex("1f0002001700");
    for (int i = 0; i < ExcelFile::FormatCount; ++i) {
        const QByteArray f = ExcelFile::formatString(i).toLatin1();
        b += hex("1e00") + char(f.size() + 1) + '\0' + char(f.size()) + f;
    }
    b += hex("31000a00c8000000")
        + "\x05"
          "Arial";
    for (int i = 0; i < ExcelFile::FormatCount; ++i)
        b += hex("43000400") + QByteArray("\0\0", 2) + char(i | 0x40) + '\0';
    return b;
}

using Write = std::function<bool(ExcelFile &)>;

} // namespace

TEST(ExcelFile, EmptyWorksheetIsFramedRecordByRecord)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"t.xls"_s);
    ExcelFile file;
    ASSERT_TRUE(file.OpenFile(path));
    ASSERT_TRUE(file.CloseFile());
    const QByteArray bytes = readBytes(path);
    EXPECT_EQ(bytes, preamble() + hex("0a000000"));

    // Every record's length must lead exactly to the next one.
    QMap<int, int> count;
    int emptyFormats = 0;
    qsizetype at = 0;
    while (at + 4 <= bytes.size()) {
        const int id = qFromLittleEndian<quint16>(bytes.constData() + at);
        const int length = qFromLittleEndian<quint16>(bytes.constData() + at + 2);
        ++count[id];
        emptyFormats += id == 0x1e && length == 1;
        at += 4 + length;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(count,
        (QMap<int, int> { { 0x09, 1 }, { 0x42, 1 }, { 0x1f, 1 }, { 0x1e, 24 }, { 0x31, 1 },
            { 0x43, 24 }, { 0x0a, 1 } }));
    EXPECT_EQ(emptyFormats, 4);
    EXPECT_EQ(ExcelFile::formatString(12), u"dd/mm/yy"_s);
    EXPECT_EQ(ExcelFile::formatString(20), u"dd/mm/yy\\ hh:mm"_s);
    EXPECT_EQ(ExcelFile::formatString(23), u"@"_s);
}

TEST(ExcelFile, EveryRecordHasItsBytesInCallOrder)
{
    const struct
    {
        const char *name;
        Write write;
        QByteArray bytes;
    } cases[] = {
        { "empty label", [](ExcelFile &f) { return f.EWriteString(1, 1, {}); },
            hex("040008000000000000000000") },
        { "cp1252 label", [](ExcelFile &f) { return f.EWriteString(2, 3, u"\u00e9\u20ac"_s); },
            hex("04000a00010002000000"
                "0002e980") },
        { "cp1252 label in bulk", [](ExcelFile &f) { return f.putLabel(2, 3, u"\u00e9\u20ac"_s); },
            hex("04000a00010002000000"
                "0002e980") },
        { "ascii label in bulk", [](ExcelFile &f) { return f.putLabel(2, 3, u"ab"_s); },
            hex("04000a000100020000000002") + "ab" },
        { "0.5 as dd/mm/yy", [](ExcelFile &f) { return f.EWriteDouble(2, 3, 0.5, 12); },
            hex("03000f00010002000c0c00") + doubleBytes(0.5) },
        { "0.5 as dd/mm/yy in bulk", [](ExcelFile &f) { return f.putNumber(2, 3, 0.5, 12); },
            hex("03000f00010002000c0c00") + doubleBytes(0.5) },
        { "format past the table", [](ExcelFile &f) { return f.EWriteDouble(1, 1, -2.25, 200); },
            hex("03000f000000000000c800") + doubleBytes(-2.25) },
        { "integer 65535", [](ExcelFile &f) { return f.EWriteInteger(5, 2, 65535); },
            hex("0200090004000100010100ffff") },
        { "negative integer", [](ExcelFile &f) { return f.EWriteInteger(1, 1, -1); },
            hex("03000f0000000000010100") + doubleBytes(-1) },
        { "integer past 65535", [](ExcelFile &f) { return f.EWriteInteger(1, 1, 70000); },
            hex("03000f0000000000010100") + doubleBytes(70000) },
        { "column width", [](ExcelFile &f) { return f.SetColumnWidth(1, 1, 10); },
            hex("240004000000000a") },
        { "widest columns", [](ExcelFile &f) { return f.SetColumnWidth(2, 256, 127); },
            hex("2400040001ff007f") },
        { "default row height", [](ExcelFile &f) { return f.SetDefaultRowHeight(14); },
            hex("250002001801") },
        { "last row height", [](ExcelFile &f) { return f.SetRowHeight(65536, 15); },
            hex("08001000ffff000000012c010000000000000000") },
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(u"t.xls"_s);
    QByteArray all;
    ExcelFile together;
    ASSERT_TRUE(together.OpenFile(dir.filePath(u"all.xls"_s)));
    for (const auto &c : cases) {
        ExcelFile file;
        ASSERT_TRUE(file.OpenFile(path));
        EXPECT_TRUE(c.write(file)) << c.name;
        ASSERT_TRUE(file.CloseFile());
        EXPECT_EQ(readBytes(path).mid(preamble().size()).toHex(),
            QByteArray(c.bytes + hex("0a000000")).toHex())
            << c.name;
        EXPECT_TRUE(c.write(together));
        all += c.bytes;
    }
    ASSERT_TRUE(together.CloseFile());
    EXPECT_EQ(readBytes(dir.filePath(u"all.xls"_s)), preamble() + all + hex("0a000000"));
}

TEST(ExcelFile, RefusedValuesWriteNothingAndKeepTheFileOpen)
{
    const struct
    {
        const char *name;
        Write write;
    } cases[] = {
        { "256 characters", [](ExcelFile &f) { return f.EWriteString(1, 1, QString(256, u'x')); } },
        { "row 0", [](ExcelFile &f) { return f.EWriteString(0, 1, u"a"_s); } },
        { "row 16385, past the worksheet",
            [](ExcelFile &f) { return f.EWriteDouble(16385, 1, 1.0, 0); } },
        { "row 32768", [](ExcelFile &f) { return f.EWriteDouble(32768, 1, 1.0, 0); } },
        { "column 0", [](ExcelFile &f) { return f.EWriteInteger(1, 0, 1); } },
        { "column 257", [](ExcelFile &f) { return f.EWriteString(1, 257, u"a"_s); } },
        { "format 256", [](ExcelFile &f) { return f.EWriteDouble(1, 1, 1.0, 256); } },
        { "format -1", [](ExcelFile &f) { return f.EWriteDouble(1, 1, 1.0, -1); } },
        { "not a number", [](ExcelFile &f) { return f.EWriteDouble(1, 1, std::nan(""), 0); } },
        { "width 128", [](ExcelFile &f) { return f.SetColumnWidth(1, 1, 128); } },
        { "width -1", [](ExcelFile &f) { return f.SetColumnWidth(1, 1, -1); } },
        { "column 257", [](ExcelFile &f) { return f.SetColumnWidth(1, 257, 5); } },
        { "row height on row 0", [](ExcelFile &f) { return f.SetRowHeight(0, 10); } },
        { "row height 1639", [](ExcelFile &f) { return f.SetRowHeight(1, 1639); } },
        { "default row height 1639", [](ExcelFile &f) { return f.SetDefaultRowHeight(1639); } },
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(u"t.xls"_s);
    for (const auto &c : cases) {
        ExcelFile file;
        ASSERT_TRUE(file.OpenFile(path));
        EXPECT_FALSE(c.write(file)) << c.name;
        const bool tooLong = std::strcmp(c.name, "256 characters") == 0;
        const bool nan = std::strcmp(c.name, "not a number") == 0;
        EXPECT_EQ(file.errorString(),
            tooLong ? u"Text longer than 255 characters"_s
                    : (nan ? u"Invalid number"_s : u"Overflow"_s))
            << c.name;
        EXPECT_TRUE(file.EWriteString(1, 1, QString(255, u'y'))) << c.name;
        ASSERT_TRUE(file.CloseFile());
        EXPECT_EQ(readBytes(path).size(), preamble().size() + 12 + 255 + 4) << c.name;
        // Only the default row height has words for the user; the cell writers just fail.
        EXPECT_EQ(file.failureText(),
            std::strncmp(c.name, "default", 7) == 0 ? u"SetDefaultRowHeight Error : Overflow"_s
                                                    : QString())
            << c.name;
    }
}

TEST(ExcelFile, OnlyAClosedFileReplacesTheTarget)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"t.xls"_s);
    const QByteArray old(5000, 'z');
    // 0640, and the same for us as its owner.
    const auto kept = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser
        | QFile::ReadGroup;
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
        f.setPermissions(kept);
    }
    {
        ExcelFile abandoned;
        ASSERT_TRUE(abandoned.OpenFile(path));
        ASSERT_TRUE(abandoned.EWriteString(1, 1, u"half"_s));
    }
    ExcelFile discarded;
    ASSERT_TRUE(discarded.OpenFile(path));
    discarded.discard();
    EXPECT_EQ(readBytes(path), old);

    ExcelFile file;
    ASSERT_TRUE(file.OpenFile(path));
    ASSERT_TRUE(file.CloseFile());
    EXPECT_EQ(readBytes(path), preamble() + hex("0a000000")); // nothing left of the longer file
    EXPECT_EQ(QFile::permissions(path), kept);
    // A new file gets what any new file gets; nothing else is left in the folder.
    ExcelFile fresh;
    ASSERT_TRUE(fresh.OpenFile(dir.filePath(u"new.xls"_s)));
    ASSERT_TRUE(fresh.CloseFile());
    QFile plain(dir.filePath(u"plain"_s));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    EXPECT_EQ(QFile::permissions(dir.filePath(u"new.xls"_s)), plain.permissions());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
        (QStringList { u"new.xls"_s, u"plain"_s, u"t.xls"_s }));

    ExcelFile bad;
    const QString missing = dir.filePath(u"missing/t.xls"_s);
    EXPECT_FALSE(bad.open(missing));
    EXPECT_TRUE(bad.failureText().startsWith(u"Open File : "_s + missing + u" Error\r\n"_s));
    EXPECT_FALSE(bad.failureText().endsWith(u'\n')); // the system's reason follows
    EXPECT_FALSE(bad.EWriteString(1, 1, u"a"_s));
    EXPECT_FALSE(bad.CloseFile());
    EXPECT_FALSE(QFile::exists(missing));
}
