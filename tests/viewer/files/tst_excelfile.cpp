#include "common/Prompter.h"
#include "viewer/files/ExcelFile.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using tlv::viewer::ExcelFile;

namespace {

struct RecordingPrompter : tlv::common::Prompter
{
    struct Shown
    {
        QString text, title;
        Style style;
    };
    QList<Shown> shown;
    Answer message(const QString &text, const QString &title, Style style, Buttons) override
    {
        shown.append({ text, title, style });
        return Answer::Ok;
    }
    QString openFile(const FileRequest &) override { return {}; }
    QString saveFile(const FileRequest &) override { return {}; }
};

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

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Everything OpenFile writes, as the readers need it.
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

class ExcelFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("t.xls"));
};

} // namespace

TEST_F(ExcelFileTest, EmptyWorksheetHoldsHeaderFormatsStylesAndEof)
{
    ExcelFile file;
    ASSERT_TRUE(file.OpenFile(path));
    ASSERT_TRUE(file.CloseFile());
    const QByteArray bytes = readAll(path);
    EXPECT_EQ(bytes, preamble() + hex("0a000000"));

    // Walk the framing: every record's length must lead exactly to the next one.
    QMap<int, int> count;
    int emptyFormats = 0;
    qsizetype at = 0;
    while (at + 4 <= bytes.size()) {
        const int id = qFromLittleEndian<quint16>(bytes.constData() + at);
        const int length = qFromLittleEndian<quint16>(bytes.constData() + at + 2);
        ++count[id];
        if (id == 0x1e && length == 1)
            ++emptyFormats;
        at += 4 + length;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(count.value(0x1e), 24);
    EXPECT_EQ(emptyFormats, 4);
    EXPECT_EQ(count.value(0x43), 24);
    EXPECT_EQ(count.value(0x1f), 1);
    EXPECT_EQ(count.value(0x0a), 1);
    EXPECT_EQ(ExcelFile::formatString(12), QStringLiteral("dd/mm/yy"));
    EXPECT_EQ(ExcelFile::formatString(19), QStringLiteral("hh:mm:ss"));
    EXPECT_EQ(ExcelFile::formatString(20), QStringLiteral("dd/mm/yy\\ hh:mm"));
    EXPECT_EQ(ExcelFile::formatString(23), QStringLiteral("@"));
    for (int i = 5; i <= 8; ++i)
        EXPECT_TRUE(ExcelFile::formatString(i).isEmpty()) << i;
}

TEST_F(ExcelFileTest, EveryRecordHasItsBytes)
{
    struct Case
    {
        const char *name;
        std::function<bool(ExcelFile &)> write;
        QByteArray bytes;
    };
    const QList<Case> cases = {
        { "empty label", [](ExcelFile &f) { return f.EWriteString(1, 1, {}); },
            hex("040008000000000000000000") },
        { "label", [](ExcelFile &f) { return f.EWriteString(2, 3, QStringLiteral("Ab")); },
            hex("04000a00010002000000000241"
                "62") },
        { "label in cp1252",
            [](ExcelFile &f) { return f.EWriteString(1, 1, QStringLiteral("\u00e9\u20ac")); },
            hex("04000a0000000000000000"
                "02e980") },
        { "number 0.5 as dd/mm/yy", [](ExcelFile &f) { return f.EWriteDouble(2, 3, 0.5, 12); },
            hex("03000f00010002000c0c00") + doubleBytes(0.5) },
        { "number with a format past the table",
            [](ExcelFile &f) { return f.EWriteDouble(1, 1, -2.25, 200); },
            hex("03000f0000000000"
                "00c800")
                + doubleBytes(-2.25) },
        { "integer 0", [](ExcelFile &f) { return f.EWriteInteger(1, 1, 0); },
            hex("0200090000000000010100"
                "0000") },
        { "integer 65535", [](ExcelFile &f) { return f.EWriteInteger(5, 2, 65535); },
            hex("0200090004000100010100"
                "ffff") },
        { "negative integer becomes a number",
            [](ExcelFile &f) { return f.EWriteInteger(1, 1, -1); },
            hex("03000f00000000000101"
                "00")
                + doubleBytes(-1) },
        { "integer past 65535 becomes a number",
            [](ExcelFile &f) { return f.EWriteInteger(1, 1, 70000); },
            hex("03000f00000000000101"
                "00")
                + doubleBytes(70000) },
        { "column width", [](ExcelFile &f) { return f.SetColumnWidth(1, 1, 10); },
            hex("2400040000000"
                "00a") },
        { "column width range", [](ExcelFile &f) { return f.SetColumnWidth(2, 256, 127); },
            hex("2400040001ff007f") },
        { "default row height", [](ExcelFile &f) { return f.SetDefaultRowHeight(14); },
            hex("250002001801") },
        { "row height on the last row", [](ExcelFile &f) { return f.SetRowHeight(65536, 15); },
            hex("08001000ffff000000012c0100000000000000"
                "00") },
    };
    for (const Case &c : cases) {
        ExcelFile file;
        ASSERT_TRUE(file.OpenFile(path));
        EXPECT_TRUE(c.write(file)) << c.name;
        ASSERT_TRUE(file.CloseFile());
        EXPECT_EQ(readAll(path).toHex(), QByteArray(preamble() + c.bytes + hex("0a000000")).toHex())
            << c.name;
    }
}

TEST_F(ExcelFileTest, RefusedValuesWriteNothingAndKeepTheFileOpen)
{
    struct Case
    {
        const char *name;
        std::function<bool(ExcelFile &)> write;
    };
    const QList<Case> cases = {
        { "256 characters", [](ExcelFile &f) { return f.EWriteString(1, 1, QString(256, u'x')); } },
        { "row 0", [](ExcelFile &f) { return f.EWriteString(0, 1, QStringLiteral("a")); } },
        { "row 32768", [](ExcelFile &f) { return f.EWriteDouble(32768, 1, 1.0, 0); } },
        { "column 0", [](ExcelFile &f) { return f.EWriteInteger(1, 0, 1); } },
        { "format 256", [](ExcelFile &f) { return f.EWriteDouble(1, 1, 1.0, 256); } },
        { "format -1", [](ExcelFile &f) { return f.EWriteDouble(1, 1, 1.0, -1); } },
        { "not a number", [](ExcelFile &f) { return f.EWriteDouble(1, 1, std::nan(""), 0); } },
        { "width 128", [](ExcelFile &f) { return f.SetColumnWidth(1, 1, 128); } },
        { "width -1", [](ExcelFile &f) { return f.SetColumnWidth(1, 1, -1); } },
        { "first column 0", [](ExcelFile &f) { return f.SetColumnWidth(0, 1, 5); } },
        { "last column 257", [](ExcelFile &f) { return f.SetColumnWidth(1, 257, 5); } },
        { "row height on row 0", [](ExcelFile &f) { return f.SetRowHeight(0, 10); } },
        { "row height 1639", [](ExcelFile &f) { return f.SetRowHeight(1, 1639); } },
    };
    for (const Case &c : cases) {
        RecordingPrompter prompter;
        ExcelFile file(&prompter);
        ASSERT_TRUE(file.OpenFile(path));
        EXPECT_FALSE(c.write(file)) << c.name;
        EXPECT_FALSE(file.errorString().isEmpty()) << c.name;
        EXPECT_TRUE(file.isOpen()) << c.name;
        EXPECT_TRUE(file.EWriteString(1, 1, QString(255, u'y'))) << c.name;
        ASSERT_TRUE(file.CloseFile());
        EXPECT_EQ(readAll(path).size(), preamble().size() + 12 + 255 + 4) << c.name;
        EXPECT_TRUE(prompter.shown.isEmpty()) << c.name;
    }
}

TEST_F(ExcelFileTest, DefaultRowHeightFailureIsShown)
{
    RecordingPrompter prompter;
    ExcelFile file(&prompter);
    ASSERT_TRUE(file.OpenFile(path));
    EXPECT_TRUE(file.SetDefaultRowHeight(1638));
    EXPECT_FALSE(file.SetDefaultRowHeight(1639));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("SetDefaultRowHeight Error : Overflow"));
    ASSERT_TRUE(file.CloseFile());
    EXPECT_EQ(readAll(path), preamble() + hex("25000200f87f") + hex("0a000000"));
}

TEST_F(ExcelFileTest, UnwritableTargetIsShownAndLaterWritesFail)
{
    RecordingPrompter prompter;
    ExcelFile file(&prompter);
    const QString bad = dir.filePath(QStringLiteral("missing/t.xls"));
    EXPECT_FALSE(file.OpenFile(bad));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.startsWith(
        QStringLiteral("Open File : ") + bad + QStringLiteral(" Error\r\n")));
    EXPECT_GT(
        prompter.shown[0].text.size(), QString(QStringLiteral("Open File : ") + bad).size() + 8);
    EXPECT_FALSE(file.EWriteString(1, 1, QStringLiteral("a")));
    EXPECT_FALSE(file.SetColumnWidth(1, 1, 1));
    EXPECT_FALSE(file.CloseFile());
    EXPECT_FALSE(QFile::exists(bad));
    EXPECT_EQ(prompter.shown.size(), 1);
}

TEST_F(ExcelFileTest, OldContentIsReplacedOnlyByAClosedFile)
{
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(5000, 'z'));
    }
    {
        ExcelFile abandoned;
        ASSERT_TRUE(abandoned.OpenFile(path));
        ASSERT_TRUE(abandoned.EWriteString(1, 1, QStringLiteral("half")));
    }
    EXPECT_EQ(readAll(path), QByteArray(5000, 'z'));
    {
        ExcelFile discarded;
        ASSERT_TRUE(discarded.OpenFile(path));
        discarded.discard();
        EXPECT_FALSE(discarded.isOpen());
    }
    EXPECT_EQ(readAll(path), QByteArray(5000, 'z'));

    ExcelFile file;
    ASSERT_TRUE(file.OpenFile(path));
    ASSERT_TRUE(file.CloseFile());
    EXPECT_EQ(readAll(path), preamble() + hex("0a000000")); // nothing of the longer old file
}

TEST_F(ExcelFileTest, RecordsFollowCallOrder)
{
    ExcelFile file;
    ASSERT_TRUE(file.OpenFile(path));
    ASSERT_TRUE(file.EWriteString(3, 2, QStringLiteral("x")));
    ASSERT_TRUE(file.SetColumnWidth(2, 2, 3));
    ASSERT_TRUE(file.EWriteString(1, 2, QStringLiteral("y")));
    ASSERT_TRUE(file.CloseFile());
    EXPECT_EQ(readAll(path).mid(preamble().size()).toHex(),
        QByteArray(hex("040009000200010000000001") + "x" + hex("2400040001010003")
            + hex("040009000000010000000001") + "y" + hex("0a000000"))
            .toHex());
}
