#include "viewer/files/XlsxFile.h"

#include "viewer/files/ExcelFile.h"

#include <QFile>
#include <QTemporaryFile>

#include <xlsxwriter.h>

namespace tlv::viewer {

XlsxFile::XlsxFile() = default;

XlsxFile::~XlsxFile()
{
    discard();
}

bool XlsxFile::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool XlsxFile::failed(int libraryError)
{
    fail(QString::fromUtf8(lxw_strerror(lxw_error(libraryError))));
    discard();
    return false;
}

bool XlsxFile::open(const QString &fileName)
{
    discard();
    m_error.clear();
    // The target is claimed first: a folder that is missing or not writable fails here.
    if (!m_target.open(fileName))
        return fail(m_target.errorString());
    // The library writes a workbook only under a name of its own, at its close.
    m_workbook = std::make_unique<QTemporaryFile>();
    if (!m_workbook->open()) {
        fail(QStringLiteral("The worksheet cannot be prepared (temporary files)"));
        discard();
        return false;
    }
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE;
    const QByteArray name = QFile::encodeName(m_workbook->fileName());
    m_book = workbook_new_opt(name.constData(), &options);
    m_sheet = m_book ? workbook_add_worksheet(m_book, nullptr) : nullptr;
    if (!m_sheet) {
        discard();
        return fail(QStringLiteral("The worksheet cannot be prepared"));
    }
    worksheet_set_default_row(m_sheet, ExcelFile::DefaultRowHeight, LXW_FALSE);
    return true;
}

lxw_format *XlsxFile::format(int index)
{
    if (index <= 0 || index >= int(m_formats.size()))
        return nullptr;
    lxw_format *&f = m_formats[size_t(index)];
    if (!f) {
        f = workbook_add_format(m_book);
        const QByteArray text = ExcelFile::formatString(index).toUtf8();
        format_set_num_format(f, text.constData());
    }
    return f;
}

bool XlsxFile::checkCell(int row, int column)
{
    if (!m_sheet)
        return fail(m_error.isEmpty() ? QStringLiteral("File not open") : m_error);
    if (row < 1 || row > MaxRow || column < 1 || column > MaxColumn)
        return fail(QStringLiteral("Cell outside the worksheet"));
    return true;
}

bool XlsxFile::addColumn(int column, int characters, QStringView header)
{
    if (!checkCell(1, column))
        return false;
    const lxw_error e = worksheet_set_column(
        m_sheet, lxw_col_t(column - 1), lxw_col_t(column - 1), characters, nullptr);
    return e == LXW_NO_ERROR ? writeText(1, column, header) : failed(e);
}

bool XlsxFile::writeText(int row, int column, QStringView text)
{
    if (!checkCell(row, column))
        return false;
    if (text.isEmpty())
        return true;
    const QByteArray utf8 = text.left(MaxTextLength).toUtf8();
    const lxw_error e = worksheet_write_string(
        m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), utf8.constData(), nullptr);
    return e == LXW_NO_ERROR || failed(e);
}

bool XlsxFile::write(int row, int column, double value, int formatIndex)
{
    if (!checkCell(row, column))
        return false;
    const lxw_error e = worksheet_write_number(
        m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), value, format(formatIndex));
    return e == LXW_NO_ERROR || failed(e);
}

bool XlsxFile::writeNumber(int row, int column, double value, QStringView)
{
    return write(row, column, value, 0);
}

bool XlsxFile::writeDate(int row, int column, double days, int formatIndex, QStringView)
{
    return write(row, column, days, formatIndex);
}

bool XlsxFile::close()
{
    if (!m_book)
        return fail(m_error.isEmpty() ? QStringLiteral("File not open") : m_error);
    const lxw_error e = workbook_close(m_book);
    m_book = nullptr;
    m_sheet = nullptr;
    m_formats = {};
    if (e != LXW_NO_ERROR)
        return failed(e);
    // The workbook goes into the target's own new content, in pieces.
    QFile workbook(m_workbook->fileName());
    bool copied = workbook.open(QIODevice::ReadOnly);
    QString why = workbook.errorString();
    for (QByteArray piece; copied && !(piece = workbook.read(1 << 20)).isEmpty();) {
        copied = m_target.write(piece);
        why = m_target.errorString();
    }
    if (!copied) {
        fail(why);
        discard();
        return false;
    }
    const bool committed = m_target.commit() || fail(m_target.errorString());
    discard();
    return committed;
}

void XlsxFile::discard()
{
    if (m_book) {
        // The library writes only at close: close into the temporary name, which goes.
        workbook_close(m_book);
        m_book = nullptr;
    }
    m_sheet = nullptr;
    m_formats = {};
    m_workbook.reset();
    m_target.discard();
}

} // namespace tlv::viewer
