#pragma once

#include "common/SaveTarget.h"
#include "viewer/files/SheetWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <memory>

namespace tlv::viewer {

// Writes one BIFF2 worksheet as a flat run of records, each call appending its
// records at once. Rows and columns count from 1. The target only takes the new
// content at CloseFile, so a failed or abandoned file never replaces a good one.
class ExcelFile final : public SheetWriter
{
public:
    static constexpr int FormatCount = 24;
    static constexpr int MaxTextLength = 255;
    // A BIFF2 worksheet has 16384 rows and 256 columns; readers refuse a file
    // with a cell outside them.
    static constexpr int MaxRow = 16384;
    static constexpr int MaxSheetColumn = 256;

    // Points of every row of a sheet written through SheetWriter.
    static constexpr int DefaultRowHeight = 14;
    // Characters a COLWIDTH record holds.
    static constexpr int MaxColumnWidth = 127;

    ExcelFile();
    ~ExcelFile() override;
    ExcelFile(const ExcelFile &) = delete;
    ExcelFile &operator=(const ExcelFile &) = delete;

    // Header, code page, the format table, one font and one cell style per format.
    bool OpenFile(const QString &fileName);
    bool SetDefaultRowHeight(int points);
    bool SetColumnWidth(int firstColumn, int lastColumn, int characters);
    bool SetRowHeight(qint32 row, int points);
    bool EWriteString(int row, int column, QStringView text);
    // 0..65535 as an INTEGER cell, any other value as a NUMBER cell; both format "0".
    bool EWriteInteger(int row, int column, qint32 value);
    bool EWriteDouble(int row, int column, double value, int formatIndex);
    // EWriteDouble and EWriteString for a writer of many cells that keeps them inside the sheet
    // (rows 1 to MaxRow, columns 1 to MaxSheetColumn, formats 0 to 255), small enough to inline.
    bool putNumber(int row, int column, double value, int formatIndex);
    bool putLabel(int row, int column, QStringView text);
    // EOF, then the file replaces the target. False when that fails.
    bool CloseFile();
    // Drops everything written; the target stays as it was.
    void discard() override;

    // The sheet: OpenFile and the default row height; widths cut to what a record holds,
    // texts to 255 characters.
    bool open(const QString &fileName) override;
    [[nodiscard]] int rowLimit() const override { return MaxRow; }
    bool addColumn(int column, int characters, QStringView header) override;
    bool writeText(int row, int column, QStringView text) override;
    bool writeNumber(int row, int column, double value, QStringView shown) override;
    bool writeDate(int row, int column, double days, int formatIndex, QStringView shown) override;
    bool close() override { return CloseFile(); }

    // False after a write the target refused too: the file is dropped then, and every later
    // call fails with that error.
    [[nodiscard]] bool isOpen() const override { return m_open; }
    [[nodiscard]] QString fileName() const { return m_fileName; }
    // Why the last failing operation failed.
    [[nodiscard]] QString errorString() const override { return m_error; }
    // "Open File : ", "WriteDefaultFormats Error : " or "SetDefaultRowHeight Error : " and
    // the reason, after those failed; empty otherwise.
    [[nodiscard]] QString failureText() const override { return m_failureText; }

    [[nodiscard]] static QString formatString(int index);

private:
    bool WriteDefaultFormats();
    [[nodiscard]] static bool inSheet(int row, int column);
    // A record is put at record(), then committed with its full size: the buffer always has
    // room for the longest record.
    [[nodiscard]] char *record() { return m_buffer.get() + m_used; }
    bool commit(size_t bytes)
    {
        m_used += bytes;
        return m_used < FlushSize || flush();
    }
    bool flush();
    bool notOpen();
    bool fail(const QString &error);
    bool failWithText(const QString &text);

    // Records collect in the buffer and go to the file in pieces of about this size: a write
    // call costs the file system more than 64 KB cost to fill, and this still stays in cache.
    static constexpr size_t FlushSize = 256 * 1024;
    static constexpr quint16 NumberRecord = 0x0003;
    static constexpr quint16 LabelRecord = 0x0004;

    common::SaveTarget m_target;
    // Records not yet handed to the target, in call order: one buffer, reused.
    std::unique_ptr<char[]> m_buffer;
    size_t m_used = 0;
    bool m_open = false; // the target is, and takes every record
    QString m_fileName;
    QString m_error;
    QString m_failureText;
};

inline bool ExcelFile::inSheet(int row, int column)
{
    return row >= 1 && row <= MaxRow && column >= 1 && column <= MaxSheetColumn;
}

inline bool ExcelFile::writeText(int row, int column, QStringView text)
{
    if (text.isEmpty())
        return true;
    if (!inSheet(row, column))
        return EWriteString(row, column, text); // which says why not
    return putLabel(row, column, text.left(MaxTextLength));
}

inline bool ExcelFile::writeNumber(int row, int column, double value, QStringView)
{
    return inSheet(row, column) ? putNumber(row, column, value, 0)
                                : EWriteDouble(row, column, value, 0);
}

inline bool ExcelFile::writeDate(int row, int column, double days, int formatIndex, QStringView)
{
    return inSheet(row, column) && formatIndex >= 0 && formatIndex <= 255
        ? putNumber(row, column, days, formatIndex)
        : EWriteDouble(row, column, days, formatIndex);
}

inline bool ExcelFile::putNumber(int row, int column, double value, int formatIndex)
{
    Q_ASSERT(row >= 1 && row <= MaxRow && column >= 1 && column <= MaxSheetColumn
        && formatIndex >= 0 && formatIndex <= 255);
    if (!m_open || !std::isfinite(value))
        return EWriteDouble(row, column, value, formatIndex); // which says why not
    char *to = record();
    qToLittleEndian<quint16>(NumberRecord, to);
    qToLittleEndian<quint16>(15, to + 2);
    qToLittleEndian<quint16>(quint16(row - 1), to + 4);
    qToLittleEndian<quint16>(quint16(column - 1), to + 6);
    // Each format has the cell style of the same index; formats past the table use style 0.
    to[8] = char(formatIndex < FormatCount ? formatIndex : 0);
    to[9] = char(formatIndex);
    to[10] = 0;
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    qToLittleEndian<quint64>(bits, to + 11);
    return commit(19);
}

inline bool ExcelFile::putLabel(int row, int column, QStringView text)
{
    Q_ASSERT(row >= 1 && row <= MaxRow && column >= 1 && column <= MaxSheetColumn);
    const qsizetype n = text.size();
    if (!m_open || n > MaxTextLength)
        return EWriteString(row, column, text); // which says why not
    // An ASCII text is its bytes; any other goes the general way.
    char *to = record();
    const char16_t *from = text.utf16();
    char16_t any = 0;
    for (qsizetype i = 0; i < n; ++i) {
        any |= from[i];
        to[12 + i] = char(from[i]);
    }
    if (any >= 0x80)
        return EWriteString(row, column, text);
    qToLittleEndian<quint16>(LabelRecord, to);
    qToLittleEndian<quint16>(quint16(8 + n), to + 2);
    qToLittleEndian<quint16>(quint16(row - 1), to + 4);
    qToLittleEndian<quint16>(quint16(column - 1), to + 6);
    to[8] = 0; // style and format General
    to[9] = 0;
    to[10] = 0;
    to[11] = char(n);
    return commit(size_t(12 + n));
}

} // namespace tlv::viewer
