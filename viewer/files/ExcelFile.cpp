#include "viewer/files/ExcelFile.h"

#include "common/Cp1252.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace tlv::viewer {

namespace {

enum RecordId : quint16 {
    RowRecord = 0x0008,
    BofRecord = 0x0009,
    IntegerRecord = 0x0002,
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

// The longest record: a label of the longest text.
constexpr size_t LongestRecord = 4 + 8 + ExcelFile::MaxTextLength;

char *putU8(char *to, int v)
{
    *to = char(quint8(v));
    return to + 1;
}

char *putU16(char *to, int v)
{
    qToLittleEndian<quint16>(quint16(v), to);
    return to + 2;
}

char *putHead(char *to, quint16 id, int length)
{
    return putU16(putU16(to, id), length);
}

// Each format has the cell style of the same index; formats past the table use style 0.
int styleOf(int formatIndex)
{
    return formatIndex >= 0 && formatIndex < ExcelFile::FormatCount ? formatIndex : 0;
}

// Why a cell cannot go there, or null.
const char *cellRefusal(int row, int column)
{
    if (row < 1 || row > ExcelFile::MaxRow || column < 1 || column > ExcelFile::MaxSheetColumn)
        return "Overflow";
    return nullptr;
}

char *putCellHead(char *to, int row, int column, int formatIndex)
{
    to = putU16(to, row - 1);
    to = putU16(to, column - 1);
    to = putU8(to, styleOf(formatIndex));
    to = putU8(to, formatIndex);
    return putU8(to, 0);
}

// The text in CP1252 at to, one byte per character (a surrogate pair is one character);
// -1 when it has more characters than a label holds.
qsizetype putText(char *to, QStringView text)
{
    const char16_t *from = text.utf16();
    const qsizetype size = text.size();
    qsizetype n = 0;
    for (qsizetype i = 0; i < size; ++i, ++n) {
        if (n == ExcelFile::MaxTextLength)
            return -1;
        char16_t c = from[i];
        if (c < 0x80) {
            to[n] = char(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(from[i + 1]))
            c = from[++i];
        to[n] = common::cp1252Byte(c);
    }
    return n;
}

} // namespace

ExcelFile::ExcelFile() = default;

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

// A failure the user is told of in the system's words, beside the plain reason.
bool ExcelFile::failWithText(const QString &text)
{
    m_failureText = text + m_error;
    return false;
}

bool ExcelFile::notOpen()
{
    // An earlier failure says more than that the file is closed.
    return fail(m_error.isEmpty() ? QStringLiteral("File not open") : m_error);
}

bool ExcelFile::flush()
{
    if (m_used == 0)
        return true;
    const bool ok = m_target.write(m_buffer.get(), qsizetype(m_used));
    m_used = 0;
    if (ok)
        return true;
    // The file misses these records now: it can never be whole.
    fail(m_target.errorString());
    discard();
    return false;
}

bool ExcelFile::OpenFile(const QString &fileName)
{
    discard();
    m_fileName = fileName;
    m_error.clear();
    m_failureText.clear();
    if (!m_buffer)
        m_buffer = std::make_unique_for_overwrite<char[]>(FlushSize + LongestRecord);
    // Replaces any file left from an earlier run instead of writing over its head.
    if (!m_target.open(fileName)) {
        fail(m_target.errorString());
        return failWithText(QStringLiteral("Open File : ") + fileName + QStringLiteral(" Error")
            + QStringLiteral("\r\n"));
    }
    m_open = true;
    char *to = putHead(record(), BofRecord, 4);
    to = putU16(to, 2);
    putU16(to, WorksheetType);
    bool ok = commit(8);
    if (ok) {
        putU16(putHead(record(), CodePageRecord, 2), Cp1252CodePage);
        ok = commit(6);
    }
    if (!ok || !WriteDefaultFormats())
        return failWithText(QStringLiteral("WriteDefaultFormats Error : "));
    return true;
}

bool ExcelFile::WriteDefaultFormats()
{
    if (!isOpen())
        return notOpen();
    putU16(putHead(record(), FormatCountRecord, 2), FormatCount - 1); // the highest index
    if (!commit(6))
        return false;
    for (const char *format : formats) {
        const auto n = int(std::strlen(format));
        char *to = putU8(putHead(record(), FormatRecord, n + 1), n);
        std::memcpy(to, format, size_t(n));
        if (!commit(size_t(5 + n)))
            return false;
    }
    // Without a font and cell styles one reader drops every text and another
    // shows dates as plain numbers.
    static const char fontName[] = "Arial";
    const int nameLength = int(sizeof fontName) - 1;
    char *to = putHead(record(), FontRecord, 5 + nameLength);
    to = putU16(to, DefaultFontHeight);
    to = putU16(to, 0);
    to = putU8(to, nameLength);
    std::memcpy(to, fontName, size_t(nameLength));
    if (!commit(size_t(9 + nameLength)))
        return false;
    for (int i = 0; i < FormatCount; ++i) {
        to = putHead(record(), XfRecord, 4);
        to = putU8(to, 0); // font
        to = putU8(to, 0);
        to = putU8(to, i | 0x40); // format, locked
        putU8(to, 0); // general alignment, no borders
        if (!commit(8))
            return false;
    }
    return true;
}

bool ExcelFile::SetDefaultRowHeight(int points)
{
    if (points < 0 || points * 20 > 32767) {
        fail(QStringLiteral("Overflow"));
    } else if (!isOpen()) {
        notOpen();
    } else {
        putU16(putHead(record(), DefaultRowHeightRecord, 2), points * 20);
        if (commit(6))
            return true;
    }
    return failWithText(QStringLiteral("SetDefaultRowHeight Error : "));
}

bool ExcelFile::SetColumnWidth(int firstColumn, int lastColumn, int characters)
{
    if (firstColumn < 1 || firstColumn > MaxSheetColumn || lastColumn < 1
        || lastColumn > MaxSheetColumn || characters < 0 || characters * 256 > 32767)
        return fail(QStringLiteral("Overflow"));
    if (!isOpen())
        return notOpen();
    char *to = putHead(record(), ColWidthRecord, 4);
    to = putU8(to, firstColumn - 1);
    to = putU8(to, lastColumn - 1);
    putU16(to, characters * 256);
    return commit(8);
}

bool ExcelFile::SetRowHeight(qint32 row, int points)
{
    if (row < 1 || row > 65536 || points < 0 || points * 20 > 32767)
        return fail(QStringLiteral("Overflow"));
    if (!isOpen())
        return notOpen();
    char *to = putHead(record(), RowRecord, 16);
    to = putU16(to, row - 1);
    to = putU16(to, 0);
    to = putU16(to, 256);
    to = putU16(to, points * 20);
    std::memset(to, 0, 8); // reserved, flags, cell styles
    return commit(20);
}

bool ExcelFile::EWriteString(int row, int column, QStringView text)
{
    if (const char *refusal = cellRefusal(row, column))
        return fail(QString::fromLatin1(refusal));
    if (!isOpen())
        return notOpen();
    // The text goes straight to its place; the head follows once its length is known.
    char *to = record();
    const qsizetype n = putText(to + 12, text);
    if (n < 0)
        return fail(QStringLiteral("Text longer than 255 characters"));
    putU8(putCellHead(putHead(to, LabelRecord, 8 + int(n)), row, column, 0), int(n));
    return commit(size_t(12 + n));
}

bool ExcelFile::EWriteInteger(int row, int column, qint32 value)
{
    if (const char *refusal = cellRefusal(row, column))
        return fail(QString::fromLatin1(refusal));
    // Readers take the INTEGER value as unsigned; anything else would read back wrong.
    if (value < 0 || value > 65535)
        return EWriteDouble(row, column, double(value), IntegerFormat);
    if (!isOpen())
        return notOpen();
    putU16(putCellHead(putHead(record(), IntegerRecord, 9), row, column, IntegerFormat), value);
    return commit(13);
}

bool ExcelFile::EWriteDouble(int row, int column, double value, int formatIndex)
{
    const char *refusal = cellRefusal(row, column);
    if (!refusal && (formatIndex < 0 || formatIndex > 255))
        refusal = "Overflow";
    if (!refusal && !std::isfinite(value))
        refusal = "Invalid number";
    if (refusal)
        return fail(QString::fromLatin1(refusal));
    if (!isOpen())
        return notOpen();
    return putNumber(row, column, value, formatIndex);
}

bool ExcelFile::CloseFile()
{
    if (!isOpen())
        return notOpen();
    putHead(record(), EofRecord, 0);
    if (!commit(4) || !flush()) {
        discard();
        return false;
    }
    m_open = false;
    if (!m_target.commit())
        return fail(m_target.errorString());
    return true;
}

void ExcelFile::discard()
{
    m_open = false;
    m_used = 0;
    m_target.discard();
}

bool ExcelFile::open(const QString &fileName)
{
    if (!OpenFile(fileName))
        return false;
    if (SetDefaultRowHeight(DefaultRowHeight))
        return true;
    discard();
    return false;
}

bool ExcelFile::addColumn(int column, int characters, QStringView header)
{
    // A wide grid column is cut to the widest the record holds rather than lost.
    return SetColumnWidth(column, column, std::clamp(characters, 0, MaxColumnWidth))
        && EWriteString(1, column, header.left(MaxTextLength));
}

} // namespace tlv::viewer
