#include "viewer/files/Exporter.h"

#include "common/PathUtil.h"
#include "common/Prompter.h"
#include "viewer/files/CsvFile.h"
#include "viewer/files/ExcelFile.h"
#include "viewer/files/ExportNaming.h"
#include "viewer/files/ExportSource.h"
#include "viewer/files/ExportValues.h"

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
    const bool tell = !m_autoExport && pcdRequest;
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
    // Rows past what a worksheet holds stay in the grid for the next export.
    m_lastRows = csv ? m_source.rowCount() : std::min(m_source.rowCount(), MaxWorksheetRows);
    Q_EMIT busyChanged(true);
    const Result result = csv ? writeCsv(path, columns) : writeWorksheet(path, columns, tell);
    Q_EMIT busyChanged(false);
    if (result == Result::Failed)
        return failed(m_lastError, tell);
    return finish(result, tell);
}

Exporter::Result Exporter::finish(Result written, bool tell)
{
    if (written == Result::NoData) {
        if (tell && m_prompter)
            m_prompter->message(QStringLiteral("Export aborted : No data to export !"), exportTitle,
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
        if (!m_autoExport && m_prompter)
            m_prompter->message(m_lastError, exportTitle, Style::Exclamation);
    }
    if (tell && m_prompter)
        m_prompter->message(QStringLiteral("Successful export to file : ") + m_lastTarget,
            exportTitle, Style::Information);
    return Result::Exported;
}

Exporter::Result Exporter::failed(const QString &description, bool tell)
{
    m_lastError = QStringLiteral("ExportExcelFile Error ") + description;
    if (tell && m_prompter)
        m_prompter->message(m_lastError, abortedTitle, Style::Exclamation);
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
    // AutoExport runs unattended: no box may stop it.
    ExcelFile file(m_autoExport ? nullptr : m_prompter);
    if (!file.OpenFile(path)) {
        m_lastError = file.errorString();
        return Result::Failed;
    }
    if (!file.SetDefaultRowHeight(DefaultRowHeight)) {
        m_lastError = file.errorString();
        file.discard();
        return Result::Failed;
    }
    findSeparators();
    int used = 0;
    bool anyColumn = false;
    bool anyFailed = false;
    for (int g : columns) {
        bool started = false;
        const bool ok = writeColumn(file, g, used + 1, &started);
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
            + QStringLiteral(" Error : ") + file.errorString();
        if (tell && m_prompter)
            m_prompter->message(m_lastError, abortedTitle, Style::Exclamation);
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

void Exporter::findSeparators()
{
    m_separatorRows.resize(m_lastRows);
    for (int r = 0; r < m_lastRows; ++r)
        m_separatorRows[r] = m_source.rowKind(r) == ExportSource::RowKind::Separator;
}

// started tells whether the column left anything in the file.
bool Exporter::writeColumn(ExcelFile &file, int gridColumn, int spreadsheetColumn, bool *started)
{
    const int k = spreadsheetColumn;
    // A wide grid column is cut to the widest the record holds rather than lost.
    const int width = std::clamp(m_source.columnWidth(gridColumn) / 100, 0, MaxColumnWidth);
    if (!file.SetColumnWidth(k, k, width))
        return false;
    if (!file.EWriteString(1, k, m_source.headerText(gridColumn).left(ExcelFile::MaxTextLength)))
        return false;
    *started = true;

    const ExportValues::CellKind kind
        = ExportValues::kindOf(gridColumn, m_source.description(gridColumn));
    const int format = ExportValues::formatIndex(kind);
    QString scratch;
    for (int r = 0; r < m_lastRows; ++r) {
        const QStringView text = m_source.cellView(r, gridColumn, scratch);
        if (text.isEmpty())
            continue;
        const int row = r + 2;
        std::optional<double> value;
        const bool separatorData = gridColumn > 3 && m_separatorRows[r];
        if (!separatorData) {
            if (kind == ExportValues::CellKind::NumberOrText)
                value = ExportValues::number(text);
            else if (kind != ExportValues::CellKind::Text)
                value = ExportValues::dateValue(kind, text);
        }
        // A text that is no value of the column's kind ("Invalid time", the
        // dashes of a separator) stays text instead of ending the column.
        const bool ok = value ? file.EWriteDouble(row, k, *value, format)
                              : file.EWriteString(row, k, text.left(ExcelFile::MaxTextLength));
        if (!ok)
            return false;
    }
    return true;
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
