#pragma once

#include "common/SaveTarget.h"
#include "viewer/files/SheetWriter.h"

#include <QString>

#include <array>
#include <memory>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;
class QTemporaryFile;

namespace tlv::viewer {

// Writes one Office Open XML worksheet (.xlsx) row by row, with constant memory however
// many rows it holds. Rows and columns count from 1 and must come in row order. The
// workbook is made in a temporary file and replaces the target only at close(), so a
// failed or abandoned file never replaces a good one. Number formats are those of
// ExcelFile's format table, by the same indexes.
class XlsxFile final : public SheetWriter
{
public:
    static constexpr int MaxRow = 1048576;
    static constexpr int MaxColumn = 16384;
    static constexpr int MaxTextLength = 32767;

    XlsxFile();
    ~XlsxFile() override;
    XlsxFile(const XlsxFile &) = delete;
    XlsxFile &operator=(const XlsxFile &) = delete;

    bool open(const QString &fileName) override;
    [[nodiscard]] int rowLimit() const override { return MaxRow; }
    bool addColumn(int column, int characters, QStringView header) override;
    bool writeText(int row, int column, QStringView text) override;
    bool writeNumber(int row, int column, double value, QStringView shown) override;
    bool writeDate(int row, int column, double days, int formatIndex, QStringView shown) override;
    // Writes the workbook and puts it in place of the target; false when that fails.
    bool close() override;
    void discard() override;

    [[nodiscard]] bool isOpen() const override { return m_sheet != nullptr; }
    [[nodiscard]] QString errorString() const override { return m_error; }

private:
    bool checkCell(int row, int column);
    bool fail(const QString &error);
    // A library error costs the whole file: nothing says which cells it kept.
    bool failed(int libraryError);
    bool write(int row, int column, double value, int formatIndex);
    lxw_format *format(int index);

    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    std::array<lxw_format *, 24> m_formats {};
    std::unique_ptr<QTemporaryFile> m_workbook;
    common::SaveTarget m_target;
    QString m_error;
};

} // namespace tlv::viewer
