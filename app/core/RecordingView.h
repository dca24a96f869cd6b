#pragma once

#include "app/core/JournalRows.h"
#include "app/core/RecordingHistory.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <memory>

namespace tlv::common {
class Prompter;
}
namespace tlv::viewer {
class ControlCore;
}

namespace tlv::app {

// A recording shown read-only in the control's grid and graph: a journal file or one source
// of the plant database. Showing the newest rows it follows what a recorder still writes
// (the plant's notifications, else polling); a time range shows the rows from there, and
// exports the rows the command line's journal export writes for that range.
class RecordingView : public QObject
{
    Q_OBJECT
public:
    // How often a recording is looked at for new rows when nothing tells.
    static constexpr int PollMs = 500;
    // Rows taken in one look, so a recorder far ahead never holds up the window.
    static constexpr qint64 RowsPerLook = 5000;
    // How often a lost server is tried again.
    static constexpr int RetryMs = 5000;

    RecordingView(
        common::Prompter &prompter, viewer::ControlCore &control, QObject *parent = nullptr);
    ~RecordingView() override;

    // A journal file (source empty) or a source of the plant database at the URI where:
    // its newest rows, as many as the grid holds. False with a message when refused; a view
    // already shown stays then.
    bool open(const QString &where, const QString &source);
    // Ends the view (a Start makes the grid the live recording's again).
    void close();
    [[nodiscard]] bool isOpen() const { return m_reader != nullptr; }
    // True while the newest rows are shown and new ones are added as they come.
    [[nodiscard]] bool tailing() const { return m_tailing; }

    // "Tolvane - demo.journal.db (read-only)"
    [[nodiscard]] QString title() const;
    // "Rows 12 to 511 of 2000"
    [[nodiscard]] QString shownText() const;
    // PC times (UTC ms) of the oldest and newest row shown; 0 when none.
    [[nodiscard]] qint64 firstShownMs() const { return m_shown.empty() ? 0 : m_shown.front().ms; }
    [[nodiscard]] qint64 lastShownMs() const { return m_shown.empty() ? 0 : m_shown.back().ms; }

    // The rows from fromMs to toMs (UTC ms, included), the oldest of them as many as the
    // grid holds; the view stops following until it is asked to show the newest again.
    bool showRange(qint64 fromMs, qint64 toMs);
    // Shows the newest rows again and follows them.
    bool showNewest();
    // Writes the rows from fromMs to toMs to target (.xls, .csv, .xlsx) with their stamps
    // and status; false with a message.
    bool exportRange(const QString &target, qint64 fromMs, qint64 toMs);

    // What a pager of the shown rows works with.
    [[nodiscard]] JournalRowsReader *reader() { return m_reader.get(); }
    [[nodiscard]] const journal::JournalBuffer &buffer() const { return m_buffer; }
    [[nodiscard]] int shownCount() const { return int(m_shown.size()); }
    // The row number (journal id, plant sequence) of a grid row.
    [[nodiscard]] qint64 shownId(int gridRow) const { return m_shown.at(size_t(gridRow)).id; }
    // The oldest and the newest row number of the recording as last read.
    [[nodiscard]] qint64 firstId() const { return m_firstId; }
    [[nodiscard]] qint64 lastReadId() const { return m_lastReadId; }
    // Rows of one buffer in place of the grid's, read elsewhere; follow: they end with the
    // newest and new ones are added as they come.
    void showRows(
        const journal::JournalBuffer &buffer, const QList<journal::JournalRow> &rows, bool follow);

public Q_SLOTS:
    // Adds the rows written since the last look; a new buffer shows its rows afresh.
    void poll();

Q_SIGNALS:
    // Which rows are shown changed (shownText()).
    void shownChanged();
    // A short outcome for the status bar.
    void message(const QString &text);
    // The view ended (close()).
    void closed();

private:
    bool refuse(const QString &text);
    bool loadNewest(JournalRowsReader &reader, const journal::JournalInfo &info);
    // Rows of one buffer in place of the grid's; follow: the newest, followed.
    void show(
        const journal::JournalBuffer &buffer, const QList<journal::JournalRow> &rows, bool follow);
    void append(const QList<journal::JournalRow> &rows);
    void listen();
    void look();

    common::Prompter &m_prompter;
    viewer::ControlCore &m_control;
    std::unique_ptr<JournalRowsReader> m_reader;
    QString m_where;
    QString m_source;
    journal::JournalBuffer m_buffer;
    QTimer m_poll;
    qint64 m_total = 0; // rows of the recording
    struct Shown
    {
        qint64 id = 0;
        qint64 ms = 0;
    };
    std::deque<Shown> m_shown; // per grid row, whatever removes grid rows
    qint64 m_firstId = 0; // oldest row of the recording
    qint64 m_lastReadId = 0; // newest row read so far
    bool m_tailing = false;
    bool m_polling = false;
    bool m_loading = false;
    QElapsedTimer m_retry;
    bool m_failing = false; // told once until a look works again
    RecordingHistory m_history; // the graph's view of the whole recording
};

} // namespace tlv::app
