#pragma once

#include <QString>

#include <array>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace tlv::viewer {

// Writes one Office Open XML worksheet (.xlsx) row by row, with constant memory however
// many rows it holds. Rows and columns count from 1 and must come in row order. The file
// goes to a temporary name beside the target and replaces it only at close(), so a failed
// or abandoned file never replaces a good one. Number formats are those of ExcelFile's
// format table, by the same indexes.
class XlsxFile
{
public:
    static constexpr int MaxRow = 1048576;
    static constexpr int MaxColumn = 16384;
    static constexpr int MaxTextLength = 32767;

    XlsxFile();
    ~XlsxFile();
    XlsxFile(const XlsxFile &) = delete;
    XlsxFile &operator=(const XlsxFile &) = delete;

    bool open(const QString &fileName);
    void setDefaultRowHeight(int points);
    bool setColumnWidth(int column, int characters);
    bool writeString(int row, int column, const QString &text);
    bool writeNumber(int row, int column, double value, int formatIndex);
    // Writes the file and puts it in place of the target; false when that fails.
    bool close();
    // Drops everything written; the target stays as it was.
    void discard();

    [[nodiscard]] QString errorString() const { return m_error; }

private:
    bool checkCell(int row, int column);
    bool fail(const QString &error);
    lxw_format *format(int index);

    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    std::array<lxw_format *, 24> m_formats {};
    QString m_target;
    QString m_temporary;
    QString m_error;
};

} // namespace tlv::viewer
