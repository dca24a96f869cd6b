#pragma once

#include "journal/CellWriter.h"
#include "journal/JournalDatabase.h"
#include "journal/JournalSummary.h"
#include "journal/JournalTypes.h"

#include <QObject>
#include <QSqlQuery>

#include <deque>
#include <memory>

namespace tlv::viewer {
class ControlCore;
class RowStore;
} // namespace tlv::viewer

namespace tlv::journal {

// Appends every row the grid receives to a journal file: records, status rows and
// separators, with the columns of their buffer. Rows are kept in memory until the tick
// ends and then written in one transaction, so what a tick showed is on the disk before
// the next tick reads. A write that fails (disk full, file locked) costs no row: they wait
// for the next try, and the recording itself never stops for the journal.
class JournalWriter : public QObject
{
    Q_OBJECT

public:
    // Rows kept for a journal that cannot be written; the oldest go beyond this.
    static constexpr int MaxPendingRows = 50000;

    explicit JournalWriter(QObject *parent = nullptr);
    ~JournalWriter() override;

    // Opens or creates the journal; false with errorString() (nothing is kept then).
    bool open(const QString &path);
    // Writes what waits and marks the journal as closed in good order.
    void close();
    [[nodiscard]] bool isOpen() const { return m_db.isOpen(); }
    [[nodiscard]] QString path() const { return m_db.path(); }
    [[nodiscard]] QString errorString() const { return m_error; }
    // How the journal was left last time: false after a crash or a kill.
    [[nodiscard]] bool previousCloseClean() const { return m_previousClean; }

    // Follows the control's grid: rows, column changes, tick ends and exports.
    void attach(viewer::ControlCore &core);

    // The buffer of the rows added from now on.
    void setBuffer(const JournalBuffer &buffer);
    // Queues a row for the next write; its id is returned.
    qint64 addRow(JournalRow row);
    // Marks rows as written to an export file (ids from, to).
    void markExported(qint64 from, qint64 to);
    // Writes what waits in one transaction; false when the journal refused it.
    bool flush();
    [[nodiscard]] int pendingRows() const { return int(m_pending.size()); }
    // While paused the grid's rows are not journaled (a journal shown in the grid).
    void setPaused(bool paused) { m_paused = paused; }
    [[nodiscard]] bool paused() const { return m_paused; }

    [[nodiscard]] static JournalRow rowFrom(const viewer::RowStore &rows, int row);
    [[nodiscard]] static JournalBuffer bufferFrom(viewer::ControlCore &core);

Q_SIGNALS:
    // The journal could not be written; said once until it works again.
    void problem(const QString &text);
    // It works again after a problem.
    void recovered(const QString &text);
    // A write was tried (after every flush with rows).
    void flushed(bool ok);

private:
    void scheduleFlush();
    bool writePending();
    bool insertRow(const JournalRow &row, QString *why);
    bool insertBuffer(const JournalBuffer &buffer);
    bool startSummary(QString *why);
    void failed(const QString &text);
    void onGridRemoval(int first, int last);
    [[nodiscard]] JournalBuffer lastStoredBuffer();

    JournalDatabase m_db;
    std::unique_ptr<QSqlQuery> m_insertRow;
    CellWriter m_cells;
    JournalSummary m_summary;
    QString m_error;
    JournalBuffer m_buffer; // of the rows added now
    JournalBuffer m_stored; // the newest buffer in the file
    std::deque<JournalBuffer> m_newBuffers; // not yet in the file
    std::deque<JournalRow> m_pending;
    std::deque<std::pair<qint64, qint64>> m_marks;
    std::deque<qint64> m_gridIds; // journal id of each grid row
    qint64 m_nextRowId = 1;
    qint64 m_nextBufferId = 1;
    qint64 m_dropped = 0;
    bool m_previousClean = true;
    bool m_failing = false;
    bool m_flushQueued = false;
    bool m_exportRunning = false;
    bool m_paused = false;
};

} // namespace tlv::journal
