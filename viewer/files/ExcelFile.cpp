#include "viewer/files/ExcelFile.h"

#include "common/Cp1252.h"
#include "common/Prompter.h"

#include <QtEndian>

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

void putU8(QByteArray &b, int v)
{
    b.append(char(quint8(v)));
}

void putU16(QByteArray &b, int v)
{
    const quint16 le = qToLittleEndian(quint16(v));
    b.append(reinterpret_cast<const char *>(&le), 2);
}

void putDouble(QByteArray &b, double v)
{
    quint64 bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    bits = qToLittleEndian(bits);
    b.append(reinterpret_cast<const char *>(&bits), 8);
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

bool ExcelFile::writeRecord(quint16 id, const QByteArray &data)
{
    if (!isOpen())
        return fail(m_error.isEmpty() ? QStringLiteral("File not open") : m_error);
    QByteArray record;
    record.reserve(4 + data.size());
    putU16(record, id);
    putU16(record, int(data.size()));
    record.append(data);
    if (!m_target.write(record))
        return fail(m_target.errorString());
    return true;
}

bool ExcelFile::OpenFile(const QString &fileName)
{
    m_fileName = fileName;
    m_error.clear();
    // Replaces any file left from an earlier run instead of writing over its head.
    if (!m_target.open(fileName)) {
        m_error = m_target.errorString();
        if (m_prompter)
            m_prompter->message(QStringLiteral("Open File : ") + fileName + QStringLiteral(" Error")
                    + QStringLiteral("\r\n") + m_error,
                QStringLiteral("Tolvane"), common::Prompter::Style::Critical);
        return false;
    }
    QByteArray bof;
    putU16(bof, 2);
    putU16(bof, WorksheetType);
    QByteArray codePage;
    putU16(codePage, Cp1252CodePage);
    if (!writeRecord(BofRecord, bof) || !writeRecord(CodePageRecord, codePage)
        || !WriteDefaultFormats()) {
        if (m_prompter)
            m_prompter->message(QStringLiteral("WriteDefaultFormats Error : ") + m_error,
                QStringLiteral("Tolvane"), common::Prompter::Style::Critical);
        return false;
    }
    return true;
}

bool ExcelFile::WriteDefaultFormats()
{
    QByteArray count;
    putU16(count, FormatCount - 1); // the highest index, as peers write it
    if (!writeRecord(FormatCountRecord, count))
        return false;
    for (const char *format : formats) {
        QByteArray data;
        const auto n = int(std::strlen(format));
        putU8(data, n);
        data.append(format, n);
        if (!writeRecord(FormatRecord, data))
            return false;
    }
    // Without a font and cell styles one reader drops every text and another
    // shows dates as plain numbers.
    QByteArray font;
    const QByteArray fontName("Arial");
    putU16(font, DefaultFontHeight);
    putU16(font, 0);
    putU8(font, int(fontName.size()));
    font.append(fontName);
    if (!writeRecord(FontRecord, font))
        return false;
    for (int i = 0; i < FormatCount; ++i) {
        QByteArray xf;
        putU8(xf, 0); // font
        putU8(xf, 0);
        putU8(xf, i | 0x40); // format, locked
        putU8(xf, 0); // general alignment, no borders
        if (!writeRecord(XfRecord, xf))
            return false;
    }
    return true;
}

bool ExcelFile::SetDefaultRowHeight(int points)
{
    if (points < 0 || points * 20 > 32767) {
        fail(QStringLiteral("Overflow"));
    } else {
        QByteArray data;
        putU16(data, points * 20);
        if (writeRecord(DefaultRowHeightRecord, data))
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
    QByteArray data;
    putU8(data, firstColumn - 1);
    putU8(data, lastColumn - 1);
    putU16(data, characters * 256);
    return writeRecord(ColWidthRecord, data);
}

bool ExcelFile::SetRowHeight(qint32 row, int points)
{
    if (row < 1 || row > 65536 || points < 0 || points * 20 > 32767)
        return fail(QStringLiteral("Overflow"));
    QByteArray data;
    putU16(data, row - 1);
    putU16(data, 0);
    putU16(data, 256);
    putU16(data, points * 20);
    putU16(data, 0);
    putU8(data, 0);
    putU16(data, 0);
    data.append(3, '\0');
    return writeRecord(RowRecord, data);
}

bool ExcelFile::checkCell(int row, int column)
{
    if (row < 1 || row > MaxRow || column < 1 || column > MaxSheetColumn)
        return fail(QStringLiteral("Overflow"));
    return true;
}

QByteArray ExcelFile::cellHead(int row, int column, int formatIndex)
{
    QByteArray data;
    putU16(data, row - 1);
    putU16(data, column - 1);
    putU8(data, styleOf(formatIndex));
    putU8(data, formatIndex);
    putU8(data, 0);
    return data;
}

bool ExcelFile::EWriteString(int row, int column, const QString &text)
{
    if (!checkCell(row, column))
        return false;
    const QByteArray bytes = common::toCp1252(text);
    if (bytes.size() > MaxTextLength)
        return fail(QStringLiteral("Text longer than 255 characters"));
    QByteArray data = cellHead(row, column, 0);
    putU8(data, int(bytes.size()));
    data.append(bytes);
    return writeRecord(LabelRecord, data);
}

bool ExcelFile::EWriteInteger(int row, int column, qint32 value)
{
    if (!checkCell(row, column))
        return false;
    // Readers take the INTEGER value as unsigned; anything else would read back wrong.
    if (value < 0 || value > 65535)
        return EWriteDouble(row, column, double(value), IntegerFormat);
    QByteArray data = cellHead(row, column, IntegerFormat);
    putU16(data, value);
    return writeRecord(IntegerRecord, data);
}

bool ExcelFile::EWriteDouble(int row, int column, double value, int formatIndex)
{
    if (!checkCell(row, column))
        return false;
    if (formatIndex < 0 || formatIndex > 255)
        return fail(QStringLiteral("Overflow"));
    if (!std::isfinite(value))
        return fail(QStringLiteral("Invalid number"));
    QByteArray data = cellHead(row, column, formatIndex);
    putDouble(data, value);
    return writeRecord(NumberRecord, data);
}

bool ExcelFile::CloseFile()
{
    if (!isOpen())
        return fail(m_error.isEmpty() ? QStringLiteral("File not open") : m_error);
    if (!writeRecord(EofRecord, {})) {
        discard();
        return false;
    }
    if (!m_target.commit())
        return fail(m_target.errorString());
    return true;
}

void ExcelFile::discard()
{
    m_target.discard();
}

} // namespace tlv::viewer
