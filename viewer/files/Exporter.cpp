#include "viewer/files/Exporter.h"

#include "common/PathUtil.h"
#include "common/Prompter.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/core/FormatText.h"
#include "viewer/files/CsvFile.h"
#include "viewer/files/ExcelFile.h"
#include "viewer/files/ExportNaming.h"
#include "viewer/files/ExportSource.h"
#include "viewer/files/ExportValues.h"
#include "viewer/files/XlsxFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace tlv::viewer {

namespace {

using Style = common::Prompter::Style;

const QString exportTitle = QStringLiteral("Tolvane exportation");
const QString abortedTitle = QStringLiteral("Tolvane exportation aborted !");

constexpr int DefaultRowHeight = 14; // points
constexpr int MaxColumnWidth = 127; // characters a COLWIDTH record holds

} // namespace

const int Exporter::MaxWorksheetRows = ExcelFile::MaxRow - 1;

Exporter::Exporter(const ExportSource &source, common::Prompter *prompter, QObject *parent)
    : QObject(parent)
    , m_source(source)
    , m_prompter(prompter)
    , m_clock([] { return QDateTime::currentDateTime(); })
{ }

void Exporter::setStampColumns(bool date, bool time, bool status)
{
    m_dateStampCol = date;
    m_timeStampCol = time;
    m_pcdStatusCol = status;
}

Exporter::Result Exporter::Export(bool pcdRequest)
{
    if (m_running)
        return Result::Busy;
    if (m_source.rowCount() < 1)
        return Result::NoRecords;
    m_running = true;
    m_lastError.clear();
    m_lastTarget.clear();
    m_lastColumns.clear();
    m_lastRows = 0;
    // Only a PCD's request is told, and without waiting: reading goes on.
    const bool tell = !m_autoExport && pcdRequest;
    m_pcdRequest = pcdRequest;
    struct Running
    {
        bool &flag;
        ~Running() { flag = false; }
    } running { m_running };

    if (m_exportFile.isEmpty()) {
        if (!m_autoExport && !pcdRequest) {
            if (m_prompter)
                m_prompter->message(QStringLiteral("No export file defined !"),
                    QStringLiteral("Tolvane Export File"), Style::Information);
            return Result::NoExportFile;
        }
        const QString folder = m_defaultFolder.isEmpty() ? QDir::currentPath() : m_defaultFolder;
        m_exportFile = common::withTrailingSeparator(folder) + ExportNaming::defaultFileName();
    }
    m_exportFile = ExportNaming::completed(m_exportFile);
    m_lastTarget = ExportNaming::target(m_exportFile, m_indexFile, m_clock(), m_exportIndex);
    const QString path = common::toLocalPath(m_lastTarget);

    if (m_indexFile != ExportNaming::DateStamp && m_indexFile != ExportNaming::PcdIndex
        && QFile::exists(path)) {
        // Another program holding the file must not cost the records.
        QFile check(path);
        if (!check.open(QIODevice::WriteOnly | QIODevice::Append))
            return failed(check.errorString(), tell);
        check.close();
    }
    Q_EMIT NewExportFile();

    const QList<int> columns = columnsToExport();
    const bool csv = ExportNaming::isCsv(m_lastTarget);
    const bool xlsx = ExportNaming::isXlsx(m_lastTarget);
    // Rows past what a worksheet holds stay in the grid for the next export.
    const int sheetRows = xlsx ? XlsxFile::MaxRow - 1 : MaxWorksheetRows;
    m_lastRows = csv ? m_source.rowCount() : std::min(m_source.rowCount(), sheetRows);
    Q_EMIT busyChanged(true);
    const Result result = csv ? writeCsv(path, columns)
        : xlsx                ? writeXlsx(path, columns)
                              : writeWorksheet(path, columns, tell);
    Q_EMIT busyChanged(false);
    if (result == Result::Failed)
        return failed(m_lastError, tell);
    return finish(result, tell);
}

Exporter::Result Exporter::finish(Result written, bool tell)
{
    if (written == Result::NoData) {
        if (tell && m_prompter)
            m_prompter->notice(QStringLiteral("Export aborted : No data to export !"), exportTitle,
                Style::Exclamation);
        return Result::NoData;
    }
    // The file lacks a column: the records are not safe anywhere else yet.
    if (written == Result::Incomplete)
        return Result::Incomplete;
    const int rows = m_source.rowCount();
    if (m_lastRows >= rows) {
        if (m_clearRecords)
            m_clearRecords();
    } else {
        if (m_removeOldestRows)
            m_removeOldestRows(m_lastRows);
        m_lastError = QStringLiteral("Export limited : ") + QString::number(m_lastRows)
            + QStringLiteral(" of ") + QString::number(rows)
            + QStringLiteral(" rows written, the file holds no more.")
            + QStringLiteral("\rThe other rows stay in the grid.");
        // Told without waiting while the PCD asked: reading goes on behind it.
        if (!m_autoExport && m_prompter && m_pcdRequest)
            m_prompter->notice(m_lastError, exportTitle, Style::Exclamation);
        else if (!m_autoExport && m_prompter)
            m_prompter->message(m_lastError, exportTitle, Style::Exclamation);
    }
    if (tell && m_prompter)
        m_prompter->notice(QStringLiteral("Successful export to file : ") + m_lastTarget,
            exportTitle, Style::Information);
    return Result::Exported;
}

Exporter::Result Exporter::failed(const QString &description, bool tell)
{
    m_lastError = QStringLiteral("ExportExcelFile Error ") + description;
    if (tell && m_prompter)
        m_prompter->notice(m_lastError, abortedTitle, Style::Exclamation);
    return Result::Failed;
}

QList<int> Exporter::columnsToExport() const
{
    // The last two grid columns hold the raw and comment lines.
    const int last = m_source.gridColumnCount() - 3;
    QList<int> columns;
    for (int g = 1; g <= last; ++g) {
        if (m_source.isSelected(g))
            columns.append(g);
    }
    if (!columns.isEmpty())
        return columns;
    for (int g = 1; g <= last; ++g) {
        if ((g == 1 && !m_dateStampCol) || (g == 2 && !m_timeStampCol)
            || (g == 3 && !m_pcdStatusCol))
            continue;
        columns.append(g);
    }
    return columns;
}

Exporter::Result Exporter::writeWorksheet(const QString &path, const QList<int> &columns, bool tell)
{
    // AutoExport and the PCD's exports run unattended: no box may stop them
    // (a failure is told without waiting afterwards).
    ExcelFile file(m_autoExport || m_pcdRequest ? nullptr : m_prompter);
    if (!file.OpenFile(path)) {
        m_lastError = file.errorString();
        return Result::Failed;
    }
    if (!file.SetDefaultRowHeight(DefaultRowHeight)) {
        m_lastError = file.errorString();
        file.discard();
        return Result::Failed;
    }
    std::vector<StagedColumn> staged = stageCells(columns);
    int used = 0;
    bool anyColumn = false;
    bool anyFailed = false;
    for (StagedColumn &column : staged) {
        const int g = column.gridColumn;
        bool started = false;
        QString error;
        const bool ok = writeColumn(file, column, used + 1, &started, &error);
        if (started) {
            // A column that stopped part-way keeps its place, so the next one
            // does not land on its cells.
            ++used;
            m_lastColumns.append(g);
        }
        if (ok) {
            anyColumn = true;
            continue;
        }
        anyFailed = true;
        m_lastError = QStringLiteral("WriteColumn ") + QString::number(g)
            + QStringLiteral(" Error : ") + error;
        if (tell && m_prompter)
            m_prompter->notice(m_lastError, abortedTitle, Style::Exclamation);
    }
    if (!anyColumn) {
        file.discard();
        return Result::NoData;
    }
    if (!file.CloseFile()) {
        m_lastError = file.errorString();
        return Result::Failed;
    }
    return anyFailed ? Result::Incomplete : Result::Exported;
}

// The grid is read row by row, each row once, while the sheet is written column by column:
// every column's cells are gathered first, as if every column before it were written.
std::vector<Exporter::StagedColumn> Exporter::stageCells(const QList<int> &columns) const
{
    std::vector<StagedColumn> staged(size_t(columns.size()));
    for (qsizetype i = 0; i < columns.size(); ++i) {
        StagedColumn &column = staged[size_t(i)];
        column.gridColumn = columns[i];
        column.sheetColumn = int(i) + 1;
        column.kind
            = ExportValues::kindOf(column.gridColumn, m_source.description(column.gridColumn));
        column.format = ExportValues::formatIndex(column.kind);
        column.decoderNumber = decoderNumbers(column.gridColumn);
        column.cells.reserve(m_lastRows);
    }
    QString scratch;
    for (int r = 0; r < m_lastRows; ++r) {
        const bool separator = m_source.rowKind(r) == ExportSource::RowKind::Separator;
        const int row = r + 2;
        for (StagedColumn &column : staged) {
            if (column.failed)
                continue;
            const QStringView text = m_source.cellView(r, column.gridColumn, scratch);
            if (text.isEmpty())
                continue;
            const std::optional<double> value = cellValue(
                r, column.gridColumn, column.kind, column.decoderNumber, separator, text);
            // A column stops at a cell it cannot hold.
            column.failed = !(value
                    ? column.cells.EWriteDouble(row, column.sheetColumn, *value, column.format)
                    : column.cells.EWriteString(
                        row, column.sheetColumn, text.left(ExcelFile::MaxTextLength)));
        }
    }
    return staged;
}

// started tells whether the column left anything in the file.
bool Exporter::writeColumn(
    ExcelFile &file, StagedColumn &column, int spreadsheetColumn, bool *started, QString *error)
{
    const int k = spreadsheetColumn;
    const int g = column.gridColumn;
    // A wide grid column is cut to the widest the record holds rather than lost.
    const int width = std::clamp(m_source.columnWidth(g) / 100, 0, MaxColumnWidth);
    if (!file.SetColumnWidth(k, k, width)
        || !file.EWriteString(1, k, m_source.headerText(g).left(ExcelFile::MaxTextLength))) {
        *error = file.errorString();
        return false;
    }
    *started = true;
    // A column before this one left no place.
    if (k != column.sheetColumn)
        column.cells.moveToColumn(k);
    if (!file.writeCells(column.cells)) {
        *error = file.errorString();
        return false;
    }
    if (column.failed) {
        *error = column.cells.errorString();
        return false;
    }
    return true;
}

bool Exporter::decoderNumbers(int gridColumn) const
{
    const ColumnDescription *description = m_source.description(gridColumn);
    return description && description->DataType != ColumnDescription::String
        && FormatText::conversion(description->Format) == u'd'
        && !description->Format.startsWith(u't') && !description->Format.startsWith(u'g');
}

std::optional<double> Exporter::cellValue(int row, int gridColumn, ExportValues::CellKind kind,
    bool decoderNumber, bool separatorRow, QStringView text) const
{
    // A text that is no value of the column's kind ("Invalid time", the
    // dashes of a separator) stays text instead of ending the column.
    if (gridColumn > 3 && separatorRow)
        return std::nullopt;
    if (kind == ExportValues::CellKind::NumberOrText) {
        // A decimal column's number is the decoder's, not one read back from its text.
        std::optional<double> value;
        if (decoderNumber)
            value = m_source.cellValue(row, gridColumn);
        return value ? value : ExportValues::number(text);
    }
    if (kind != ExportValues::CellKind::Text)
        return ExportValues::dateValue(kind, text);
    return std::nullopt;
}

// Row by row, so a sheet of a million rows needs no more memory than one of ten.
Exporter::Result Exporter::writeXlsx(const QString &path, const QList<int> &columns)
{
    if (columns.isEmpty())
        return Result::NoData;
    XlsxFile file;
    if (!file.open(path)) {
        m_lastError = file.errorString();
        return Result::Failed;
    }
    file.setDefaultRowHeight(DefaultRowHeight);
    QList<ExportValues::CellKind> kinds;
    QList<bool> decoderNumber;
    bool ok = true;
    for (int k = 0; ok && k < columns.size(); ++k) {
        const int g = columns[k];
        kinds.append(ExportValues::kindOf(g, m_source.description(g)));
        decoderNumber.append(decoderNumbers(g));
        ok = file.setColumnWidth(k + 1, m_source.columnWidth(g) / 100)
            && file.writeString(1, k + 1, m_source.headerText(g));
    }
    for (int r = 0; ok && r < m_lastRows; ++r) {
        const bool separator = m_source.rowKind(r) == ExportSource::RowKind::Separator;
        for (int k = 0; ok && k < columns.size(); ++k) {
            const QString text = m_source.cellText(r, columns[k]);
            if (text.isEmpty())
                continue;
            const std::optional<double> value
                = cellValue(r, columns[k], kinds[k], decoderNumber[k], separator, text);
            ok = value ? file.writeNumber(r + 2, k + 1, *value, ExportValues::formatIndex(kinds[k]))
                       : file.writeString(r + 2, k + 1, text);
        }
    }
    if (!ok || !file.close()) {
        m_lastError = file.errorString();
        file.discard();
        return Result::Failed;
    }
    m_lastColumns = columns;
    return Result::Exported;
}

Exporter::Result Exporter::writeCsv(const QString &path, const QList<int> &columns)
{
    if (columns.isEmpty())
        return Result::NoData;
    CsvFile file;
    if (!file.open(path)) {
        m_lastError = file.errorString();
        return Result::Failed;
    }
    QStringList fields;
    for (int g : columns)
        fields.append(m_source.headerText(g));
    bool ok = file.writeLine(fields);
    for (int r = 0; ok && r < m_lastRows; ++r) {
        fields.clear();
        for (int g : columns)
            fields.append(m_source.cellText(r, g));
        ok = file.writeLine(fields);
    }
    if (!ok || !file.close()) {
        m_lastError = file.errorString();
        file.discard();
        return Result::Failed;
    }
    m_lastColumns = columns;
    return Result::Exported;
}

} // namespace tlv::viewer
