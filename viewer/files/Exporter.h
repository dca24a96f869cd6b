#pragma once

#include "common/PromptMessage.h"
#include "viewer/files/ExportValues.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

namespace tlv::viewer {

class ExportSource;
class SheetWriter;
struct ColumnDescription;

// Writes the rows of the records grid to a spreadsheet file (comma-separated
// values for ".csv", Office Open XML for ".xlsx", else BIFF2): names the target, picks the
// columns, turns the texts into cells and leaves what the user is to be told
// in takeMessages().
class Exporter : public QObject
{
    Q_OBJECT

public:
    enum class Result {
        NoRecords, // the grid holds no row; nothing happened
        NoExportFile, // no file name and nobody to supply one
        Exported,
        Incomplete, // written, but a column failed: the records stay
        NoData, // no column written; nothing kept
        Failed, // the target is untouched; lastError() says why
        Busy, // another export is running
    };
    using Clock = std::function<QDateTime()>;

    explicit Exporter(const ExportSource &source, QObject *parent = nullptr);

    void setExportFile(const QString &file) { m_exportFile = file; }
    [[nodiscard]] QString exportFile() const { return m_exportFile; }
    void setAutoExport(bool on) { m_autoExport = on; }
    [[nodiscard]] bool autoExport() const { return m_autoExport; }
    void setIndexFile(qint16 mode) { m_indexFile = mode; }
    [[nodiscard]] qint16 indexFile() const { return m_indexFile; }
    // Whether the PC date, PC time and PCD status go out, whatever data columns are selected.
    void setStampColumns(bool date, bool time, bool status);
    // The export index word last read from the buffer header.
    void setExportIndex(qint32 index) { m_exportIndex = index; }
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // Folder for the default file name; the working directory when not set.
    void setDefaultFolder(const QString &folder) { m_defaultFolder = folder; }
    // Empties the grid after a good export.
    void setClearRecords(std::function<void()> clear) { m_clearRecords = std::move(clear); }
    // Drops the oldest rows after a good export that could write only those;
    // without it such rows stay in the grid.
    void setRemoveOldestRows(std::function<void(int)> remove)
    {
        m_removeOldestRows = std::move(remove);
    }

    // The Export button (pcdRequest false), PCD command 8 (true) and the grid-full
    // export. Messages come only for a PCD request with AutoExport off, except
    // "No export file defined !" which a user press gets.
    Result Export(bool pcdRequest = false);
    // What the exports so far have to tell, in order, and forgets it. A PCD's request is
    // told without waiting (notices): the reading goes on behind it.
    [[nodiscard]] common::PromptMessages takeMessages() { return std::exchange(m_messages, {}); }

    [[nodiscard]] QString lastTarget() const { return m_lastTarget; }
    [[nodiscard]] QString lastError() const { return m_lastError; }
    // Grid columns written by the last export, in spreadsheet order.
    [[nodiscard]] QList<int> lastColumns() const { return m_lastColumns; }
    // Grid rows the last export wrote, oldest first.
    [[nodiscard]] int lastRowCount() const { return m_lastRows; }

    // One line on how an export that ended with result went: the file and its rows, or
    // why nothing or not all was written. Empty when no export ran (no records, busy).
    [[nodiscard]] QString report(Result result) const;

    // Data rows a worksheet holds below its header row.
    static const int MaxWorksheetRows;

Q_SIGNALS:
    // The target name is fixed (and exportFile() completed); nothing written yet.
    void NewExportFile();
    // True while the file is written: the grid stops redrawing, the pointer shows busy.
    void busyChanged(bool busy);

private:
    [[nodiscard]] QList<int> columnsToExport() const;
    // A grid column as the sheet takes it.
    struct SheetColumn
    {
        int gridColumn = 0;
        int sheetColumn = 0; // 0 when it got no place
        ExportValues::CellKind kind = ExportValues::CellKind::Text;
        int format = 0;
        const ColumnDescription *description = nullptr;
        QString error; // why it stopped; empty while it goes on
    };
    // Sheet is a SheetWriter, taken by its own type so that the writer's cell calls inline.
    template<class Sheet>
    Result writeSheet(Sheet &sheet, const QString &path, const QList<int> &columns, bool tell);
    // The data rows, row by row; false when the file failed rather than a column.
    template<class Sheet> bool writeRows(Sheet &sheet, std::vector<SheetColumn> &columns) const;
    Result failed(const QString &description, bool tell);
    Result finish(Result written, bool tell);
    void say(const QString &text, const QString &title, common::PromptMessage::Style style);

    const ExportSource &m_source;
    common::PromptMessages m_messages;
    Clock m_clock;
    std::function<void()> m_clearRecords;
    std::function<void(int)> m_removeOldestRows;
    QString m_exportFile;
    QString m_defaultFolder;
    QString m_lastTarget;
    QString m_lastError;
    QList<int> m_lastColumns;
    qint32 m_exportIndex = 0;
    int m_lastRows = 0;
    qint16 m_indexFile = 0;
    bool m_autoExport = false;
    bool m_dateStampCol = false;
    bool m_timeStampCol = false;
    bool m_pcdStatusCol = false;
    bool m_running = false;
    bool m_pcdRequest = false;
};

} // namespace tlv::viewer
