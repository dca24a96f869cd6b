#pragma once

#include <QString>
#include <QStringView>

namespace tlv::viewer {

// One worksheet written cell by cell, whatever the file format. Rows and columns count
// from 1; row 1 holds the column headers. The target keeps what it held until close()
// succeeds, so a failed or dropped sheet never replaces a good file. Writers tell nobody:
// a failing call returns false and leaves its reason in errorString().
class SheetWriter
{
public:
    virtual ~SheetWriter() = default;

    virtual bool open(const QString &fileName) = 0;
    // Rows a sheet holds, the header row included.
    [[nodiscard]] virtual int rowLimit() const = 0;
    // A column's width in characters and its header in row 1.
    virtual bool addColumn(int column, int characters, QStringView header) = 0;
    // An empty text leaves the cell empty.
    virtual bool writeText(int row, int column, QStringView text) = 0;
    // shown is the text the grid shows for the value, for a format that keeps texts.
    virtual bool writeNumber(int row, int column, double value, QStringView shown) = 0;
    // days since 30 December 1899, the time of day as the fraction; formatIndex into the
    // format table of ExcelFile.
    virtual bool writeDate(int row, int column, double days, int formatIndex, QStringView shown)
        = 0;
    virtual bool close() = 0;
    // Drops everything written; the target stays as it was.
    virtual void discard() = 0;

    // False once a failure cost the whole file rather than one cell.
    [[nodiscard]] virtual bool isOpen() const = 0;
    [[nodiscard]] virtual QString errorString() const = 0;
    // The failure of open() as the format words it for the user; empty when errorString()
    // is all there is to say.
    [[nodiscard]] virtual QString failureText() const { return {}; }
};

} // namespace tlv::viewer
