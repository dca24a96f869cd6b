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

// Whether a cell is written as a number, and which; false for a text. decoded is the
// decoder's number for the cell where the column takes it, else null.
bool cellNumber(int gridColumn, ExportValues::CellKind kind, bool separatorRow, QStringView text,
    const std::optional<double> *decoded, double &number)
{
    // A text that is no value of the column's kind ("Invalid time", the
    // dashes of a separator) stays text instead of ending the column.
    if (gridColumn > 3 && separatorRow)
        return false;
    std::optional<double> value;
    // A PC date or time whose source keeps the moment itself, not only its text.
    if ((kind == ExportValues::CellKind::Date || kind == ExportValues::CellKind::Time)
        && gridColumn < 3 && decoded && *decoded) {
        number = **decoded;
        return true;
    }
    if (kind == ExportValues::CellKind::NumberOrText) {
        // A decimal column's number is the decoder's, not one read back from its text.
        if (decoded && *decoded) {
            number = **decoded;
            return true;
        }
        value = ExportValues::number(text);
    } else if (kind != ExportValues::CellKind::Text) {
        value = ExportValues::dateValue(kind, text);
    }
    number = value.value_or(0);
    return value.has_value();
}

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
    // Every column's width and header first: a column that cannot take them gives its
    // place to the next one.
    std::vector<SheetColumn> sheet(size_t(columns.size()));
    int used = 0;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        SheetColumn &column = sheet[size_t(i)];
        const int g = columns[i];
        const int k = used + 1;
        column.gridColumn = g;
        // A wide grid column is cut to the widest the record holds rather than lost.
        const int width = std::clamp(m_source.columnWidth(g) / 100, 0, MaxColumnWidth);
        if (!file.SetColumnWidth(k, k, width)
            || !file.EWriteString(1, k, m_source.headerText(g).left(ExcelFile::MaxTextLength))) {
            if (!file.isOpen()) {
                m_lastError = file.errorString();
                return Result::Failed;
            }
            column.error = file.errorString();
            continue;
        }
        column.sheetColumn = k;
        used = k;
        column.kind = ExportValues::kindOf(g, m_source.description(g));
        column.format = ExportValues::formatIndex(column.kind);
        column.decoderNumber = decoderNumbers(g);
        m_lastColumns.append(g);
    }
    if (!writeRows(file, sheet)) {
        m_lastError = file.errorString();
        return Result::Failed;
    }
    bool anyColumn = false;
    bool anyFailed = false;
    for (const SheetColumn &column : sheet) {
        if (column.error.isEmpty()) {
            anyColumn = true;
            continue;
        }
        anyFailed = true;
        m_lastError = QStringLiteral("WriteColumn ") + QString::number(column.gridColumn)
            + QStringLiteral(" Error : ") + column.error;
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

// Row by row through the file's one buffer: each grid row is read once, while it is at hand.
// Readers take the cells in any order.
bool Exporter::writeRows(ExcelFile &file, std::vector<SheetColumn> &columns) const
{
    std::vector<SheetColumn *> going;
    std::vector<int> gridColumns;
    for (SheetColumn &column : columns) {
        if (column.sheetColumn > 0) {
            going.push_back(&column);
            gridColumns.push_back(column.gridColumn);
        }
    }
    std::vector<QStringView> texts(going.size());
    std::vector<std::optional<double>> values(going.size());
    QStringList scratch;
    for (int r = 0; r < m_lastRows && !going.empty(); ++r) {
        const bool separator
            = m_source.readRow(r, gridColumns, texts.data(), values.data(), scratch)
            == ExportSource::RowKind::Separator;
        const int row = r + 2;
        bool stopped = false;
        for (size_t k = 0; k < going.size(); ++k) {
            SheetColumn &column = *going[k];
            const QStringView text = texts[k];
            if (text.isEmpty())
                continue;
            double number = 0;
            if (cellNumber(column.gridColumn, column.kind, separator, text,
                    column.decoderNumber ? &values[k] : nullptr, number)
                    ? file.putNumber(row, column.sheetColumn, number, column.format)
                    : file.putLabel(row, column.sheetColumn, text.left(ExcelFile::MaxTextLength)))
                continue;
            if (!file.isOpen())
                return false;
            // A column stops at a cell it cannot hold; its cells before that one stay.
            column.error = file.errorString();
            stopped = true;
        }
        if (stopped) {
            std::erase_if(going, [](const SheetColumn *c) { return !c->error.isEmpty(); });
            gridColumns.clear();
            for (const SheetColumn *column : going)
                gridColumns.push_back(column->gridColumn);
        }
    }
    return true;
}

bool Exporter::decoderNumbers(int gridColumn) const
{
    if (gridColumn == 1 || gridColumn == 2)
        return true;
    const ColumnDescription *description = m_source.description(gridColumn);
    return description && description->DataType != ColumnDescription::String
        && FormatText::conversion(description->Format) == u'd'
        && !description->Format.startsWith(u't') && !description->Format.startsWith(u'g');
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
            const std::optional<double> decoded
                = decoderNumber[k] ? m_source.cellValue(r, columns[k]) : std::nullopt;
            double number = 0;
            ok = cellNumber(columns[k], kinds[k], separator, text, &decoded, number)
                ? file.writeNumber(r + 2, k + 1, number, ExportValues::formatIndex(kinds[k]))
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
