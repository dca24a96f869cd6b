#pragma once

#include "viewer/files/SaveTarget.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <string>

namespace tlv::common {
class Prompter;
}

namespace tlv::viewer {

// Writes one BIFF2 worksheet as a flat run of records, each call appending its
// records at once. Rows and columns count from 1. The target only takes the new
// content at CloseFile, so a failed or abandoned file never replaces a good one.
class ExcelFile
{
public:
    static constexpr int FormatCount = 24;
    static constexpr int MaxTextLength = 255;
    // A BIFF2 worksheet has 16384 rows and 256 columns; readers refuse a file
    // with a cell outside them.
    static constexpr int MaxRow = 16384;
    static constexpr int MaxSheetColumn = 256;

    // prompter may be null: the failures of OpenFile and SetDefaultRowHeight are then silent.
    explicit ExcelFile(common::Prompter *prompter = nullptr);
    ~ExcelFile();
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
    // Cells gathered apart from the file, for a writer that reads its grid row by row but
    // writes it column by column; writeCells() puts them in, in the order gathered.
    class Cells
    {
    public:
        bool EWriteString(int row, int column, QStringView text);
        bool EWriteDouble(int row, int column, double value, int formatIndex);
        void reserve(qsizetype cells);
        // Moves every cell gathered so far to another column.
        void moveToColumn(int column);
        [[nodiscard]] QString errorString() const { return m_error; }

    private:
        friend class ExcelFile;
        std::string m_bytes;
        QString m_error;
    };
    bool writeCells(const Cells &cells);
    // EOF, then the file replaces the target. False when that fails.
    bool CloseFile();
    // Drops everything written; the target stays as it was.
    void discard();

    [[nodiscard]] bool isOpen() const { return m_target.isOpen(); }
    [[nodiscard]] QString fileName() const { return m_fileName; }
    // Why the last failing operation failed.
    [[nodiscard]] QString errorString() const { return m_error; }

    [[nodiscard]] static QString formatString(int index);

private:
    bool WriteDefaultFormats();
    // A record is its id and length, then its data put by the caller, then endRecord().
    bool beginRecord(quint16 id, int length);
    bool endRecord();
    bool flush();
    bool checkCell(int row, int column);
    // After a cell record was put at mark (or refused): the record stays when the file is open.
    bool cellWritten(const char *refusal, size_t mark);
    bool fail(const QString &error);

    common::Prompter *m_prompter = nullptr;
    SaveTarget m_target;
    // Records not yet handed to the target, in call order.
    std::string m_pending;
    QString m_fileName;
    QString m_error;
};

} // namespace tlv::viewer
