#include "viewer/files/ExcelFile.h"

#include "common/Cp1252.h"
#include "common/Prompter.h"

#include <array>
#include <cmath>
#include <cstring>

namespace tlv::viewer {

namespace {

enum RecordId : quint16 {
    RowRecord = 0x0008,
    BofRecord = 0x0009,
    IntegerRecord = 0x0002,
    NumberRecord = 0x0003,
    LabelRecord = 0x0004,
    EofRecord = 0x000A,
    ColWidthRecord = 0x0024,
    DefaultRowHeightRecord = 0x0025,
    FormatRecord = 0x001E,
    FormatCountRecord = 0x001F,
    FontRecord = 0x0031,
    CodePageRecord = 0x0042,
    XfRecord = 0x0043,
};

// Worksheet, not the 0x000A that older notes give: readers refuse that one.
constexpr quint16 WorksheetType = 0x0010;
// BIFF2/3 code for Windows-1252.
constexpr quint16 Cp1252CodePage = 0x8001;
constexpr quint16 DefaultFontHeight = 200; // twips, 10 pt
constexpr int IntegerFormat = 1; // "0"

const std::array<const char *, ExcelFile::FormatCount> formats = {
    "General",
    "0",
    "0.00",
    "#,##0",
    "#,##0.00",
    "",
    "",
    "",
    "",
    "0%",
    "0.00%",
    "0.00E+00",
    "dd/mm/yy",
    "dd/-mmm\\-yy",
    "dd/-mmm",
    "mmm\\-yy",
    "h:mm\\ AM/PM",
    "h:mm:ss\\ AM/PM",
    "hh:mm",
    "hh:mm:ss",
    "dd/mm/yy\\ hh:mm",
    "##0.0E+0",
    "mm:ss",
    "@",
};

// Records collect here and go to the file in pieces of about this size.
constexpr size_t FlushSize = 64 * 1024;

void putU8(std::string &b, int v)
{
    b.push_back(char(quint8(v)));
}

void putU16(std::string &b, int v)
{
    b.push_back(char(quint8(v)));
    b.push_back(char(quint8(v >> 8)));
}

// Each format has the cell style of the same index; formats past the table use style 0.
int styleOf(int formatIndex)
{
    return formatIndex >= 0 && formatIndex < ExcelFile::FormatCount ? formatIndex : 0;
}

} // namespace

ExcelFile::ExcelFile(common::Prompter *prompter)
    : m_prompter(prompter)
{ }

ExcelFile::~ExcelFile() = default;

QString ExcelFile::formatString(int index)
{
    if (index < 0 || index >= FormatCount)
        return {};
    return QString::fromLatin1(formats[size_t(index)]);
}

bool ExcelFile::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool ExcelFile::beginRecord(quint16 id, int length)
{
    if (!isOpen())
        return fail(m_error.isEmpty() ? QStringLiteral("File not open") : m_error);
    if (m_pending.capacity() < FlushSize)
        m_pending.reserve(FlushSize + 1024);
    putU16(m_pending, id);
    putU16(m_pending, length);
    return true;
}

bool ExcelFile::endRecord()
{
    return m_pending.size() < FlushSize || flush();
}

bool ExcelFile::flush()
{
    if (m_pending.empty())
        return true;
    const bool ok
        = m_target.write(QByteArray::fromRawData(m_pending.data(), qsizetype(m_pending.size())));
    m_pending.clear();
    return ok || fail(m_target.errorString());
}

bool ExcelFile::OpenFile(const QString &fileName)
{
    m_fileName = fileName;
    m_error.clear();
    m_pending.clear();
    // Replaces any file left from an earlier run instead of writing over its head.
    if (!m_target.open(fileName)) {
        m_error = m_target.errorString();
        if (m_prompter)
            m_prompter->message(QStringLiteral("Open File : ") + fileName + QStringLiteral(" Error")
                    + QStringLiteral("\r\n") + m_error,
                QStringLiteral("Tolvane"), common::Prompter::Style::Critical);
        return false;
    }
    const auto bof = [this] {
        if (!beginRecord(BofRecord, 4))
            return false;
        putU16(m_pending, 2);
        putU16(m_pending, WorksheetType);
        return endRecord();
    };
    const auto codePage = [this] {
        if (!beginRecord(CodePageRecord, 2))
            return false;
        putU16(m_pending, Cp1252CodePage);
        return endRecord();
    };
    if (!bof() || !codePage() || !WriteDefaultFormats()) {
        if (m_prompter)
            m_prompter->message(QStringLiteral("WriteDefaultFormats Error : ") + m_error,
                QStringLiteral("Tolvane"), common::Prompter::Style::Critical);
        return false;
    }
    return true;
}

bool ExcelFile::WriteDefaultFormats()
{
    if (!beginRecord(FormatCountRecord, 2))
        return false;
    putU16(m_pending, FormatCount - 1); // the highest index, as peers write it
    if (!endRecord())
        return false;
    for (const char *format : formats) {
        const auto n = int(std::strlen(format));
        if (!beginRecord(FormatRecord, n + 1))
            return false;
        putU8(m_pending, n);
        m_pending.append(format, size_t(n));
        if (!endRecord())
            return false;
    }
    // Without a font and cell styles one reader drops every text and another
    // shows dates as plain numbers.
    const QByteArray fontName("Arial");
    if (!beginRecord(FontRecord, 5 + int(fontName.size())))
        return false;
    putU16(m_pending, DefaultFontHeight);
    putU16(m_pending, 0);
    putU8(m_pending, int(fontName.size()));
    m_pending.append(fontName.constData(), size_t(fontName.size()));
    if (!endRecord())
        return false;
    for (int i = 0; i < FormatCount; ++i) {
        if (!beginRecord(XfRecord, 4))
            return false;
        putU8(m_pending, 0); // font
        putU8(m_pending, 0);
        putU8(m_pending, i | 0x40); // format, locked
        putU8(m_pending, 0); // general alignment, no borders
        if (!endRecord())
            return false;
    }
    return true;
}

bool ExcelFile::SetDefaultRowHeight(int points)
{
    if (points < 0 || points * 20 > 32767) {
        fail(QStringLiteral("Overflow"));
    } else if (beginRecord(DefaultRowHeightRecord, 2)) {
        putU16(m_pending, points * 20);
        if (endRecord())
            return true;
    }
    if (m_prompter)
        m_prompter->message(QStringLiteral("SetDefaultRowHeight Error : ") + m_error,
            QStringLiteral("Tolvane"), common::Prompter::Style::Critical);
    return false;
}

bool ExcelFile::SetColumnWidth(int firstColumn, int lastColumn, int characters)
{
    if (firstColumn < 1 || firstColumn > MaxSheetColumn || lastColumn < 1
        || lastColumn > MaxSheetColumn || characters < 0 || characters * 256 > 32767)
        return fail(QStringLiteral("Overflow"));
    if (!beginRecord(ColWidthRecord, 4))
        return false;
    putU8(m_pending, firstColumn - 1);
    putU8(m_pending, lastColumn - 1);
    putU16(m_pending, characters * 256);
    return endRecord();
}

bool ExcelFile::SetRowHeight(qint32 row, int points)
{
    if (row < 1 || row > 65536 || points < 0 || points * 20 > 32767)
        return fail(QStringLiteral("Overflow"));
    if (!beginRecord(RowRecord, 16))
        return false;
    putU16(m_pending, row - 1);
    putU16(m_pending, 0);
    putU16(m_pending, 256);
    putU16(m_pending, points * 20);
    putU16(m_pending, 0);
    putU8(m_pending, 0);
    putU16(m_pending, 0);
    m_pending.append(3, '\0');
    return endRecord();
}

namespace {

// The cell records, shared by the file and its staged cells. Each returns why it refused,
// having written nothing then, or null.
const char *cellRefusal(int row, int column)
{
    if (row < 1 || row > ExcelFile::MaxRow || column < 1 || column > ExcelFile::MaxSheetColumn)
        return "Overflow";
    return nullptr;
}

void putHead(std::string &b, quint16 id, int length)
{
    putU16(b, id);
    putU16(b, length);
}

void putCellHead(std::string &b, int row, int column, int formatIndex)
{
    putU16(b, row - 1);
    putU16(b, column - 1);
    putU8(b, styleOf(formatIndex));
    putU8(b, formatIndex);
    putU8(b, 0);
}

const char *putString(std::string &b, int row, int column, QStringView text)
{
    if (const char *refusal = cellRefusal(row, column))
        return refusal;
    // One byte per character; a surrogate pair is one character.
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++n) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    }
    if (n > ExcelFile::MaxTextLength)
        return "Text longer than 255 characters";
    putHead(b, LabelRecord, 8 + int(n));
    putCellHead(b, row, column, 0);
    putU8(b, int(n));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        b.push_back(common::cp1252Byte(text[i].unicode()));
    }
    return nullptr;
}

const char *putNumber(std::string &b, int row, int column, double value, int formatIndex)
{
    if (const char *refusal = cellRefusal(row, column))
        return refusal;
    if (formatIndex < 0 || formatIndex > 255)
        return "Overflow";
    if (!std::isfinite(value))
        return "Invalid number";
    // The whole record at once: exports write hundreds of thousands of them.
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const quint8 style = quint8(styleOf(formatIndex));
    const char record[19] = { char(NumberRecord), 0, 15, 0, char(quint8(row - 1)),
        char(quint8((row - 1) >> 8)), char(quint8(column - 1)), char(quint8((column - 1) >> 8)),
        char(style), char(quint8(formatIndex)), 0, char(quint8(bits)), char(quint8(bits >> 8)),
        char(quint8(bits >> 16)), char(quint8(bits >> 24)), char(quint8(bits >> 32)),
        char(quint8(bits >> 40)), char(quint8(bits >> 48)), char(quint8(bits >> 56)) };
    b.append(record, sizeof record);
    return nullptr;
}

} // namespace

bool ExcelFile::checkCell(int row, int column)
{
    const char *refusal = cellRefusal(row, column);
    return !refusal || fail(QString::fromLatin1(refusal));
}

bool ExcelFile::cellWritten(const char *refusal, size_t mark)
{
    if (refusal)
        return fail(QString::fromLatin1(refusal));
    if (!isOpen()) {
        m_pending.resize(mark);
        return fail(m_error.isEmpty() ? QStringLiteral("File not open") : m_error);
    }
    return endRecord();
}

bool ExcelFile::EWriteString(int row, int column, QStringView text)
{
    const size_t mark = m_pending.size();
    return cellWritten(putString(m_pending, row, column, text), mark);
}

bool ExcelFile::EWriteInteger(int row, int column, qint32 value)
{
    if (!checkCell(row, column))
        return false;
    // Readers take the INTEGER value as unsigned; anything else would read back wrong.
    if (value < 0 || value > 65535)
        return EWriteDouble(row, column, double(value), IntegerFormat);
    if (!beginRecord(IntegerRecord, 9))
        return false;
    putCellHead(m_pending, row, column, IntegerFormat);
    putU16(m_pending, value);
    return endRecord();
}

bool ExcelFile::EWriteDouble(int row, int column, double value, int formatIndex)
{
    const size_t mark = m_pending.size();
    return cellWritten(putNumber(m_pending, row, column, value, formatIndex), mark);
}

void ExcelFile::Cells::reserve(qsizetype cells)
{
    // Most cells are numbers, 19 bytes each.
    m_bytes.reserve(size_t(cells) * 19);
}

bool ExcelFile::Cells::EWriteString(int row, int column, QStringView text)
{
    const char *refusal = putString(m_bytes, row, column, text);
    if (refusal)
        m_error = QString::fromLatin1(refusal);
    return !refusal;
}

bool ExcelFile::Cells::EWriteDouble(int row, int column, double value, int formatIndex)
{
    const char *refusal = putNumber(m_bytes, row, column, value, formatIndex);
    if (refusal)
        m_error = QString::fromLatin1(refusal);
    return !refusal;
}

void ExcelFile::Cells::moveToColumn(int column)
{
    // Every record here is a cell: id, length, row, then the column at bytes 6 and 7.
    for (size_t at = 0; at + 8 <= m_bytes.size();) {
        m_bytes[at + 6] = char(quint8(column - 1));
        m_bytes[at + 7] = char(quint8((column - 1) >> 8));
        at += 4 + (quint8(m_bytes[at + 2]) | (quint8(m_bytes[at + 3]) << 8));
    }
}

bool ExcelFile::writeCells(const Cells &cells)
{
    if (!isOpen())
        return fail(m_error.isEmpty() ? QStringLiteral("File not open") : m_error);
    if (!flush())
        return false;
    return m_target.write(
               QByteArray::fromRawData(cells.m_bytes.data(), qsizetype(cells.m_bytes.size())))
        || fail(m_target.errorString());
}

bool ExcelFile::CloseFile()
{
    if (!isOpen())
        return fail(m_error.isEmpty() ? QStringLiteral("File not open") : m_error);
    if (!beginRecord(EofRecord, 0) || !flush()) {
        discard();
        return false;
    }
    if (!m_target.commit())
        return fail(m_target.errorString());
    return true;
}

void ExcelFile::discard()
{
    m_pending.clear();
    m_target.discard();
}

} // namespace tlv::viewer
