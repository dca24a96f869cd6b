#include "app/core/RecordingView.h"

#include "common/PromptMessage.h"
#include "journal/JournalSource.h"
#include "journal/plant/PlantBatch.h"
#include "viewer/core/ControlCore.h"
#include "viewer/core/ReadingCycle.h"
#include "viewer/files/ExportNaming.h"
#include "viewer/files/Exporter.h"

#include <QFileInfo>
#include <QSqlDriver>

#include <climits>

namespace tlv::app {

namespace {
const QString Title = QStringLiteral("Tolvane");
const QString ExportTitle = QStringLiteral("Tolvane exportation");
const QString Channel = QStringLiteral("tolvane_rows");
using Style = common::Prompter::Style;
} // namespace

RecordingView::RecordingView(
    common::Prompter &prompter, viewer::ControlCore &control, QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
    , m_control(control)
    , m_history(control)
{
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &RecordingView::look);
    // Ticking "Follow newest" again returns to the newest rows from a time range.
    connect(&m_control, &viewer::ControlCore::followNewestChanged, this, [this](bool on) {
        if (on && isOpen() && !m_tailing && !m_loading)
            showNewest();
    });
    // The grid's rows go by a clear, an export or the oldest giving way.
    viewer::RowStore *grid = &m_control.rows();
    connect(grid, &QAbstractItemModel::modelReset, this, [this] { m_shown.clear(); });
    connect(grid, &QAbstractItemModel::rowsRemoved, this,
        [this](const QModelIndex &, int first, int last) {
            if (first < 0 || qsizetype(m_shown.size()) <= last)
                m_shown.clear();
            else
                m_shown.erase(m_shown.begin() + first, m_shown.begin() + last + 1);
        });
    connect(&m_control, &viewer::ControlCore::Status, this, [this](qint16 state) {
        if (state == viewer::ReadingCycle::WaitStartRegister && isOpen())
            close();
    });
}

RecordingView::~RecordingView() = default;

bool RecordingView::refuse(const QString &text)
{
    m_prompter.message(text, Title, Style::Exclamation);
    return false;
}

bool RecordingView::open(const QString &where, const QString &source)
{
    auto reader = std::make_unique<JournalRowsReader>();
    journal::JournalInfo info;
    if (!reader->open(where, source) || !reader->info(&info))
        return refuse(reader->errorString());
    if (info.rows == 0) {
        m_prompter.message(
            QStringLiteral("The journal ") + where + QStringLiteral(" holds no rows."), Title,
            Style::Information);
        return false;
    }
    if (!loadNewest(*reader, info))
        return refuse(reader->errorString());
    m_poll.stop();
    m_failing = false;
    m_reader = std::move(reader);
    m_where = where;
    m_source = source;
    m_history.open(where, source);
    listen();
    m_poll.start();
    Q_EMIT shownChanged();
    return true;
}

void RecordingView::listen()
{
    plant::PlantReader *server = m_reader->server();
    if (!server)
        return;
    // Told at once after each batch a recorder sends; the polling covers a link that
    // delivers no notifications.
    QSqlDriver *driver = server->driver();
    if (driver && driver->subscribeToNotification(Channel)) {
        connect(driver, &QSqlDriver::notification, this,
            [this](const QString &name, QSqlDriver::NotificationSource, const QVariant &payload) {
                if (name == Channel && payload.toString() == m_source)
                    poll();
            });
    }
}

// A link to the server that broke is made again here, outside any of its own signals, and
// at most every few seconds: a connection attempt may wait for its timeout.
void RecordingView::look()
{
    if (m_failing && m_reader && m_reader->server()) {
        if (m_retry.isValid() && !m_retry.hasExpired(RetryMs))
            return;
        m_retry.start();
        auto fresh = std::make_unique<JournalRowsReader>();
        if (!fresh->open(m_where, m_source))
            return;
        m_reader = std::move(fresh);
        listen();
    }
    poll();
}

void RecordingView::close()
{
    if (!m_reader)
        return;
    m_poll.stop();
    m_history.close();
    m_reader.reset();
    m_failing = false;
    m_tailing = false;
    Q_EMIT closed();
}

bool RecordingView::loadNewest(JournalRowsReader &reader, const journal::JournalInfo &info)
{
    const qint64 room = std::max<qint64>(m_control.maxRows(), 1);
    RowRange range;
    range.from = std::max(info.firstId, info.lastId - room + 1);
    range.to = info.lastId;
    QList<journal::JournalRow> rows;
    journal::JournalBuffer buffer;
    if (!reader.rows(range, &rows)
        || (!rows.isEmpty() && !reader.buffer(rows.last().bufferId, &buffer)))
        return false;
    // Rows of an older buffer have other columns.
    qsizetype first = rows.size();
    while (first > 0 && rows[first - 1].bufferId == buffer.id)
        --first;
    rows.remove(0, first);
    m_total = info.rows;
    m_firstId = info.firstId;
    m_lastReadId = info.lastId;
    m_tailing = true;
    show(buffer, rows, true);
    return true;
}

bool RecordingView::showNewest()
{
    if (!m_reader)
        return false;
    journal::JournalInfo info;
    if (!m_reader->info(&info) || !loadNewest(*m_reader, info))
        return refuse(m_reader->errorString());
    Q_EMIT shownChanged();
    return true;
}

bool RecordingView::showRange(qint64 fromMs, qint64 toMs)
{
    if (!m_reader)
        return false;
    RowRange range;
    range.fromMs = fromMs;
    range.toMs = toMs;
    qint64 first = 0;
    qint64 last = -1;
    if (!m_reader->span(range, &first, &last))
        return refuse(m_reader->errorString());
    // The oldest rows of the range, read a grid's worth at a time: memory stays bounded
    // however many rows the range holds.
    const qint64 room = std::max<qint64>(m_control.maxRows(), 1);
    QList<journal::JournalRow> rows;
    for (qint64 from = first; from <= last && rows.size() < room; from += room) {
        RowRange piece = range;
        piece.from = from;
        piece.to = std::min(last, from + room - 1);
        if (!m_reader->rows(piece, &rows))
            return refuse(m_reader->errorString());
    }
    if (rows.isEmpty()) {
        Q_EMIT message(QStringLiteral("The recording holds no rows ") + range.describe());
        return false;
    }
    rows.resize(std::min<qsizetype>(rows.size(), room));
    // The columns are those of the range's first row; rows of another buffer stay out.
    journal::JournalBuffer buffer;
    if (!m_reader->buffer(rows.first().bufferId, &buffer))
        return refuse(m_reader->errorString());
    qsizetype same = 0;
    while (same < rows.size() && rows[same].bufferId == buffer.id)
        ++same;
    rows.resize(same);
    m_tailing = false;
    // Looking at the past: the view holds still until follow is ticked again.
    show(buffer, rows, false);
    Q_EMIT shownChanged();
    return true;
}

bool RecordingView::exportRange(const QString &target, qint64 fromMs, qint64 toMs)
{
    if (!m_reader)
        return false;
    if (const QString why = viewer::ExportNaming::unwritableReason(target); !why.isEmpty()) {
        m_prompter.message(why, ExportTitle, Style::Exclamation);
        return false;
    }
    RowRange range;
    range.fromMs = fromMs;
    range.toMs = toMs;
    qint64 first = 0;
    qint64 last = -1;
    QList<journal::JournalRow> rows;
    if (!m_reader->span(range, &first, &last))
        return refuse(m_reader->errorString());
    range.from = std::max<qint64>(first, 1);
    range.to = last;
    if (last >= first && !m_reader->rows(range, &rows))
        return refuse(m_reader->errorString());
    if (rows.isEmpty()) {
        range.from = 1;
        range.to = std::numeric_limits<qint64>::max();
        Q_EMIT message(QStringLiteral("The recording holds no rows ") + range.describe());
        return false;
    }
    journal::JournalBuffer buffer;
    if (!m_reader->buffer(rows.first().bufferId, &buffer))
        return refuse(m_reader->errorString());
    journal::JournalSource source(buffer, rows);
    viewer::Exporter exporter(source);
    exporter.setExportFile(QFileInfo(target).absoluteFilePath());
    // Everything a row holds, as the command line's journal export writes it.
    exporter.setStampColumns(true, true, true);
    const viewer::Exporter::Result result = exporter.Export();
    common::tell(m_prompter, exporter.takeMessages());
    if (result != viewer::Exporter::Result::Exported) {
        m_prompter.message(QStringLiteral("Export aborted : ") + exporter.lastError(), ExportTitle,
            Style::Exclamation);
        return false;
    }
    Q_EMIT message(QString::number(exporter.lastRowCount()) + QStringLiteral(" rows (")
        + QString::number(rows.first().id) + QStringLiteral(" to ")
        + QString::number(rows[exporter.lastRowCount() - 1].id) + QStringLiteral(") exported to : ")
        + exporter.lastTarget());
    return true;
}

void RecordingView::poll()
{
    // A notification may come while a look is under way (the driver's events).
    if (!m_reader || m_polling)
        return;
    m_polling = true;
    RowRange range;
    range.from = m_lastReadId + 1;
    range.to = m_lastReadId + RowsPerLook;
    QList<journal::JournalRow> rows;
    const bool ok = m_reader->rows(range, &rows);
    m_polling = false;
    if (!ok) {
        // A server that went away is tried again at the next look.
        if (!std::exchange(m_failing, true)) {
            m_retry.invalidate();
            Q_EMIT message(m_reader->errorString());
        }
        return;
    }
    if (std::exchange(m_failing, false))
        Q_EMIT message(QStringLiteral("The recording is read again."));
    if (rows.isEmpty())
        return;
    m_lastReadId = rows.last().id;
    m_total += rows.size();
    if (!m_tailing)
        return;
    if (rows.last().bufferId != m_buffer.id) {
        // The recorder's columns changed: the newest rows of the new buffer, afresh.
        showNewest();
        return;
    }
    append(rows);
    Q_EMIT shownChanged();
    if (rows.size() == RowsPerLook)
        QTimer::singleShot(0, this, &RecordingView::poll);
}

void RecordingView::showRows(
    const journal::JournalBuffer &buffer, const QList<journal::JournalRow> &rows, bool follow)
{
    m_tailing = follow;
    show(buffer, rows, follow);
    Q_EMIT shownChanged();
}

void RecordingView::show(
    const journal::JournalBuffer &buffer, const QList<journal::JournalRow> &rows, bool follow)
{
    m_buffer = buffer;
    m_control.showBufferTitle(buffer.title, buffer.headerVersion);
    m_control.setRunMode(0);
    viewer::RowStore &grid = m_control.rows();
    QList<viewer::RowStore::DataColumn> columns;
    for (const journal::JournalColumn &c : buffer.columns)
        columns.append({ c.number, c.title, c.width });
    // The export, graph and conversion window find the columns' types and formats there.
    m_control.cycle().showColumns(journal::JournalSource::columnTable(buffer));
    grid.setColumns(columns);
    grid.clear();
    m_shown.clear();
    // A grid that follows scrolls at every row: a grid's worth at once scrolls once, after.
    m_loading = true;
    m_control.setFollowNewest(false);
    append(rows);
    m_control.setFollowNewest(follow);
    m_loading = false;
}

void RecordingView::append(const QList<journal::JournalRow> &rows)
{
    viewer::RowStore &grid = m_control.rows();
    // The oldest rows give way here, never through the grid's automatic export: these rows
    // are the recording's, not this program's to export.
    const qint64 over = qint64(grid.dataRowCount()) + rows.size() - m_control.maxRows();
    if (over > 0 && grid.dataRowCount() > 0) {
        const int drop = int(std::min<qint64>(over, grid.dataRowCount()));
        grid.removeOldestRows(drop);
    }
    const qsizetype skip = std::max<qint64>(0, qint64(rows.size()) - m_control.maxRows());
    const QString status = grid.statusText();
    for (qsizetype i = skip; i < rows.size(); ++i) {
        const journal::JournalRow &r = rows[i];
        m_shown.push_back({ r.id, plant::PlantBatch::rowMillis(r) });
        // A separator repeats the number before it; the others count on to their own.
        if (r.kind == journal::RowKind::Record || r.kind == journal::RowKind::Status)
            grid.setRecordCount(qint32(std::clamp<qint64>(r.recordNumber - 1, 0, INT_MAX)));
        else
            grid.setRecordCount(qint32(std::clamp<qint64>(r.recordNumber, 0, INT_MAX)));
        switch (r.kind) {
        case journal::RowKind::Miss:
        case journal::RowKind::Restart:
            grid.addSeparator(
                r.kind, r.status, journal::shownDate(r), journal::shownTime(r), r.pcMillis);
            break;
        case journal::RowKind::Status:
            grid.setStatusText(r.status);
            grid.addStatusRow(journal::shownDate(r), journal::shownTime(r), r.pcMillis);
            break;
        case journal::RowKind::Record:
            grid.setStatusText(r.status);
            grid.addRecord(journal::JournalSource::decodedRecord(r));
            break;
        }
    }
    grid.setStatusText(status);
    Q_EMIT m_control.graphRedrawRequested();
}

QString RecordingView::title() const
{
    if (m_source.isEmpty())
        return Title + QStringLiteral(" - ") + QFileInfo(m_where).fileName()
            + QStringLiteral(" (read-only)");
    return Title + QStringLiteral(" - source ") + m_source + QStringLiteral(" of ") + m_where
        + QStringLiteral(" (read-only)");
}

QString RecordingView::shownText() const
{
    if (!isOpen() || m_shown.empty())
        return QString();
    return QStringLiteral("Rows ") + QString::number(m_shown.front().id) + QStringLiteral(" to ")
        + QString::number(m_shown.back().id) + QStringLiteral(" of ") + QString::number(m_total);
}

} // namespace tlv::app
