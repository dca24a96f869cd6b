#include "viewer/files/Exporter.h"

#include "common/PathUtil.h"
#include "viewer/core/ColumnTable.h"
#include "viewer/files/CsvFile.h"
#include "viewer/files/ExcelFile.h"
#include "viewer/files/ExportNaming.h"
#include "viewer/files/ExportSource.h"
#include "viewer/files/ExportValues.h"
#include "viewer/files/XlsxFile.h"

#include <QDate>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <limits>
#include <type_traits>

namespace tlv::viewer {

namespace {

using Style = common::PromptMessage::Style;
using Kind = ExportValues::CellKind;

const QString exportTitle = QStringLiteral("Tolvane exportation");
const QString abortedTitle = QStringLiteral("Tolvane exportation aborted !");

// The PC date and time of a row as the grid shows them (local time, whole seconds),
// worked out once a second: neighbouring rows mostly share theirs.
class RowMoment
{
public:
    // False when the row's time is unknown.
    bool set(qint64 msecs)
    {
        if (msecs == 0)
            return false;
        const qint64 second = msecs >= 0 ? msecs / 1000 : (msecs - 999) / 1000;
        if (second != m_second) {
            const QDateTime local = QDateTime::fromMSecsSinceEpoch(second * 1000);
            m_second = second;
            date = double(QDate(1899, 12, 30).daysTo(local.date()));
            time = local.time().msecsSinceStartOfDay() / 86400000.0;
            year = local.date().year();
        }
        return true;
    }

    double date = 0;
    double time = 0;
    int year = 0;

private:
    qint64 m_second = std::numeric_limits<qint64>::min();
};

} // namespace

const int Exporter::MaxWorksheetRows = ExcelFile::MaxRow - 1;

Exporter::Exporter(const ExportSource &source, QObject *parent)
    : QObject(parent)
    , m_source(source)
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
            say(QStringLiteral("No export file defined !"), QStringLiteral("Tolvane Export File"),
                Style::Information);
            return Result::NoExportFile;
        }
        const QString folder = m_defaultFolder.isEmpty() ? QDir::currentPath() : m_defaultFolder;
        m_exportFile = common::withTrailingSeparator(folder) + ExportNaming::defaultFileName();
    }
    m_exportFile = ExportNaming::completed(m_exportFile);
    if (const QString refused = ExportNaming::unwritableReason(m_exportFile); !refused.isEmpty()) {
        m_lastTarget = m_exportFile;
        m_lastError = refused;
        // Told as a missing file name is; unattended exports leave it to their host.
        if (!m_autoExport)
            say(refused, pcdRequest ? abortedTitle : QStringLiteral("Tolvane Export File"),
                Style::Exclamation);
        return Result::Failed;
    }
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
    Q_EMIT busyChanged(true);
    Result result = Result::Failed;
    if (ExportNaming::isCsv(m_lastTarget)) {
        CsvFile sheet;
        result = writeSheet(sheet, path, columns, tell);
    } else if (ExportNaming::isXlsx(m_lastTarget)) {
        XlsxFile sheet;
        result = writeSheet(sheet, path, columns, tell);
    } else {
        ExcelFile sheet;
        result = writeSheet(sheet, path, columns, tell);
    }
    Q_EMIT busyChanged(false);
    if (result == Result::Failed)
        return failed(m_lastError, tell);
    return finish(result, tell);
}

Exporter::Result Exporter::finish(Result written, bool tell)
{
    if (written == Result::NoData) {
        if (tell)
            say(QStringLiteral("Export aborted : No data to export !"), exportTitle,
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
        if (!m_autoExport)
            say(m_lastError, exportTitle, Style::Exclamation);
    }
    if (tell)
        say(QStringLiteral("Successful export to file : ") + m_lastTarget, exportTitle,
            Style::Information);
    return Result::Exported;
}

Exporter::Result Exporter::failed(const QString &description, bool tell)
{
    m_lastError = QStringLiteral("ExportExcelFile Error ") + description;
    if (tell)
        say(m_lastError, abortedTitle, Style::Exclamation);
    return Result::Failed;
}

void Exporter::say(const QString &text, const QString &title, Style style)
{
    // A PCD's request is told without waiting: reading goes on behind it.
    m_messages.append({ text, title, style, m_pcdRequest });
}

QList<int> Exporter::columnsToExport() const
{
    // The last two grid columns hold the raw and comment lines.
    const int last = m_source.gridColumnCount() - 3;
    bool anyData = false;
    for (int g = 4; g <= last && !anyData; ++g)
        anyData = m_source.isSelected(g);
    // The graph selects data columns only: the stamps the settings ask for stay whatever
    // it chose, and a stamp column the user selected goes as well.
    const bool stampOn[] = { m_dateStampCol, m_timeStampCol, m_pcdStatusCol };
    QList<int> columns;
    for (int g = 1; g <= last; ++g) {
        const bool take
            = g < 4 ? stampOn[g - 1] || m_source.isSelected(g) : !anyData || m_source.isSelected(g);
        if (take)
            columns.append(g);
    }
    return columns;
}

template<class Sheet>
Exporter::Result Exporter::writeSheet(
    Sheet &sheet, const QString &path, const QList<int> &columns, bool tell)
{
    static_assert(std::is_base_of_v<SheetWriter, Sheet>);
    // Rows past what a sheet holds stay in the grid for the next export.
    m_lastRows = std::min(m_source.rowCount(), sheet.rowLimit() - 1);
    // Nothing to write: the older file stays.
    if (columns.isEmpty())
        return Result::NoData;
    if (!sheet.open(path)) {
        m_lastError = sheet.errorString();
        // A user's press hears the writer's own words; unattended exports run on
        // (a failure is told without waiting afterwards).
        if (!m_autoExport && !m_pcdRequest && !sheet.failureText().isEmpty())
            say(sheet.failureText(), QStringLiteral("Tolvane"), Style::Critical);
        return Result::Failed;
    }
    // Every column's width and header first: a column that cannot take them gives its
    // place to the next one.
    std::vector<SheetColumn> sheetColumns(size_t(columns.size()));
    int used = 0;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        SheetColumn &column = sheetColumns[size_t(i)];
        const int g = columns[i];
        const int k = used + 1;
        column.gridColumn = g;
        if (!sheet.addColumn(k, m_source.columnWidth(g) / 100, m_source.headerText(g))) {
            if (!sheet.isOpen()) {
                m_lastError = sheet.errorString();
                return Result::Failed;
            }
            column.error = sheet.errorString();
            continue;
        }
        column.sheetColumn = k;
        used = k;
        column.description = m_source.description(g);
        column.kind = ExportValues::kindOf(g, column.description);
        column.format = ExportValues::formatIndex(column.kind);
        m_lastColumns.append(g);
    }
    if (!writeRows(sheet, sheetColumns)) {
        m_lastError = sheet.errorString();
        return Result::Failed;
    }
    bool anyColumn = false;
    bool anyFailed = false;
    for (const SheetColumn &column : sheetColumns) {
        if (column.error.isEmpty()) {
            anyColumn = true;
            continue;
        }
        anyFailed = true;
        m_lastError = QStringLiteral("WriteColumn ") + QString::number(column.gridColumn)
            + QStringLiteral(" Error : ") + column.error;
        if (tell)
            say(m_lastError, abortedTitle, Style::Exclamation);
    }
    if (!anyColumn) {
        sheet.discard();
        return Result::NoData;
    }
    if (!sheet.close()) {
        m_lastError = sheet.errorString();
        return Result::Failed;
    }
    return anyFailed ? Result::Incomplete : Result::Exported;
}

// Row by row: each grid row is read once, while it is at hand. A cell with a value of its
// column's kind goes out as that value, any other as the text the grid shows.
template<class Sheet>
bool Exporter::writeRows(Sheet &sheet, std::vector<SheetColumn> &columns) const
{
    std::vector<SheetColumn *> going;
    std::vector<int> gridColumns;
    bool dated = false;
    for (SheetColumn &column : columns) {
        if (column.sheetColumn > 0) {
            going.push_back(&column);
            gridColumns.push_back(column.gridColumn);
            dated = dated
                || (column.kind != Kind::Text && column.kind != Kind::Number
                    && column.kind != Kind::Listed);
        }
    }
    std::vector<ExportSource::Cell> cells(going.size());
    QStringList scratch;
    RowMoment moment;
    for (int r = 0; r < m_lastRows && !going.empty(); ++r) {
        m_source.readRow(r, gridColumns, cells.data(), scratch);
        const bool known = dated && moment.set(m_source.rowMsecs(r));
        const int row = r + 2;
        bool stopped = false;
        for (size_t k = 0; k < going.size(); ++k) {
            SheetColumn &column = *going[k];
            const ExportSource::Cell &cell = cells[k];
            const int c = column.sheetColumn;
            const QStringView text = cell.text;
            bool ok = false;
            switch (text.isEmpty() ? Kind::Text : column.kind) {
            case Kind::Text:
                ok = sheet.writeText(row, c, text);
                break;
            case Kind::Number:
                ok = cell.number ? sheet.writeNumber(row, c, *cell.number, text)
                                 : sheet.writeText(row, c, text);
                break;
            case Kind::Listed:
                ok = cell.number && ExportValues::showsItself(*cell.number, text)
                    ? sheet.writeNumber(row, c, *cell.number, text)
                    : sheet.writeText(row, c, text);
                break;
            case Kind::Date:
            case Kind::Time:
            case Kind::DateTime: {
                std::optional<double> value;
                if (column.gridColumn < 3) {
                    if (known)
                        value = column.gridColumn == 1 ? moment.date : moment.time;
                } else if (cell.raw && (known || column.kind == Kind::Time)) {
                    // A PCD time shows the year of the row it came in.
                    value = ExportValues::pcdTime(*cell.raw, column.kind, moment.year);
                }
                ok = value ? sheet.writeDate(row, c, *value, column.format, text)
                           : sheet.writeText(row, c, text);
                break;
            }
            }
            if (ok)
                continue;
            if (!sheet.isOpen())
                return false;
            // A column stops at a cell it cannot hold; its cells before that one stay.
            column.error = sheet.errorString();
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

QString Exporter::report(Result result) const
{
    // A status line: the message texts' line breaks become blanks.
    const QString error = QString(m_lastError).replace(u'\r', u' ');
    const QString rows = QStringLiteral(" (") + QString::number(m_lastRows)
        + (m_lastRows == 1 ? QStringLiteral(" row)") : QStringLiteral(" rows)"));
    switch (result) {
    case Result::Exported:
        return QStringLiteral("Successful export to file : ") + m_lastTarget + rows
            + (error.isEmpty() ? QString() : QStringLiteral(" ") + error);
    case Result::Incomplete:
        return QStringLiteral("Incomplete export to file : ") + m_lastTarget + rows
            + QStringLiteral(", the records stay : ") + error;
    case Result::NoData:
        return QStringLiteral("Export aborted : No data to export !");
    case Result::NoExportFile:
        return QStringLiteral("No export file defined !");
    case Result::Failed:
        if (m_lastTarget.isEmpty() || error.contains(m_lastTarget))
            return QStringLiteral("Export aborted : ") + error;
        return QStringLiteral("Export aborted : ") + m_lastTarget + QStringLiteral(" : ") + error;
    case Result::NoRecords:
    case Result::Busy:
        break;
    }
    return {};
}

} // namespace tlv::viewer
