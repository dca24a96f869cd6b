#include "viewer/files/XlsxFile.h"

#include "viewer/files/ExcelFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

bool XlsxFile::open(const QString &fileName)
{
    discard();
    m_error.clear();
    const QFileInfo info(fileName);
    if (!info.dir().exists())
        return fail(
            QStringLiteral("The folder of ") + fileName + QStringLiteral(" does not exist"));
    if (info.exists() && !info.isWritable())
        return fail(fileName + QStringLiteral(" is not writable"));
    m_target = info.absoluteFilePath();
    m_temporary = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".")
        + QString::number(QCoreApplication::applicationPid()) + QStringLiteral(".part");
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE;
    const QByteArray name = QFile::encodeName(m_temporary);
    m_book = workbook_new_opt(name.constData(), &options);
    if (!m_book)
        return fail(QStringLiteral("The worksheet cannot be prepared (temporary files)"));
    m_sheet = workbook_add_worksheet(m_book, nullptr);
    if (!m_sheet) {
        discard();
        return fail(QStringLiteral("The worksheet cannot be prepared"));
    }
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

void XlsxFile::setDefaultRowHeight(int points)
{
    if (m_sheet)
        worksheet_set_default_row(m_sheet, points, LXW_FALSE);
}

bool XlsxFile::checkCell(int row, int column)
{
    if (!m_sheet)
        return fail(QStringLiteral("File not open"));
    if (row < 1 || row > MaxRow || column < 1 || column > MaxColumn)
        return fail(QStringLiteral("Cell outside the worksheet"));
    return true;
}

bool XlsxFile::setColumnWidth(int column, int characters)
{
    if (!checkCell(1, column))
        return false;
    const lxw_error e = worksheet_set_column(
        m_sheet, lxw_col_t(column - 1), lxw_col_t(column - 1), characters, nullptr);
    return e == LXW_NO_ERROR || fail(QString::fromUtf8(lxw_strerror(e)));
}

bool XlsxFile::writeString(int row, int column, const QString &text)
{
    if (!checkCell(row, column))
        return false;
    const QByteArray utf8 = text.left(MaxTextLength).toUtf8();
    const lxw_error e = worksheet_write_string(
        m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), utf8.constData(), nullptr);
    return e == LXW_NO_ERROR || fail(QString::fromUtf8(lxw_strerror(e)));
}

bool XlsxFile::writeNumber(int row, int column, double value, int formatIndex)
{
    if (!checkCell(row, column))
        return false;
    const lxw_error e = worksheet_write_number(
        m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), value, format(formatIndex));
    return e == LXW_NO_ERROR || fail(QString::fromUtf8(lxw_strerror(e)));
}

bool XlsxFile::close()
{
    if (!m_book)
        return fail(QStringLiteral("File not open"));
    const lxw_error e = workbook_close(m_book);
    m_book = nullptr;
    m_sheet = nullptr;
    m_formats = {};
    const QByteArray from = QFile::encodeName(m_temporary);
    if (e != LXW_NO_ERROR) {
        std::remove(from.constData());
        return fail(QString::fromUtf8(lxw_strerror(e)));
    }
    // rename() replaces the target in one step.
    const QByteArray to = QFile::encodeName(m_target);
    if (std::rename(from.constData(), to.constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        std::remove(from.constData());
        return fail(m_target + QStringLiteral(": ") + why);
    }
    return true;
}

void XlsxFile::discard()
{
    if (!m_book)
        return;
    // The library writes only at close: close into the temporary name and drop it.
    workbook_close(m_book);
    m_book = nullptr;
    m_sheet = nullptr;
    m_formats = {};
    std::remove(QFile::encodeName(m_temporary).constData());
}

} // namespace tlv::viewer
