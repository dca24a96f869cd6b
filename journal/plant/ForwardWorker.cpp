#include "journal/plant/ForwardWorker.h"

#include "journal/plant/PlantBatch.h"
#include "journal/plant/PlantLog.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlQuery>

namespace tlv::plant {

namespace {

QAtomicInteger<quint64> journals;
constexpr int PollMs = 250; // rows committed without a poke are found this late
constexpr int MaxRetryMs = 5000;

} // namespace

ForwardWorker::ForwardWorker(const Settings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_newestName(QStringLiteral("tolvane-forward-") + QString::number(++journals))
    , m_timer(this)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ForwardWorker::work);
}

ForwardWorker::~ForwardWorker()
{
    shutdown();
}

void ForwardWorker::shutdown()
{
    m_timer.stop();
    m_server.close();
    if (m_newest.isValid()) {
        m_newest.close();
        m_newest = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_newestName);
    }
}

void ForwardWorker::start()
{
    work();
}

void ForwardWorker::poke()
{
    if (!m_timer.isActive() || m_timer.remainingTime() > 0)
        schedule(m_connected ? 0 : std::max(0, int(m_nextTry.remainingTime())));
}

void ForwardWorker::drain(qint64 deadlineMs)
{
    m_draining = true;
    m_drainDeadline = QDeadlineTimer(std::max<qint64>(0, deadlineMs));
    // The last word may come now: no waiting for the next retry.
    m_nextTry = QDeadlineTimer(0);
    schedule(0);
}

void ForwardWorker::schedule(int ms)
{
    m_timer.start(ms);
}

void ForwardWorker::fail(const QString &text)
{
    if (!m_failing) {
        m_failing = true;
        Q_EMIT problem(text);
    }
}

// The link or the login failed: try again later.
void ForwardWorker::lose(const QString &text)
{
    qCInfo(lcPlant).noquote() << "server lost, next try in" << m_retryMs << "ms:" << text;
    fail(text);
    m_server.close();
    m_connected = false;
    m_nextTry = QDeadlineTimer(m_retryMs);
    m_retryMs = std::min(m_retryMs * 2, MaxRetryMs);
}

bool ForwardWorker::openJournal()
{
    if (m_journalOpen)
        return true;
    if (!m_reader.open(m_settings.journal)) {
        fail(m_reader.errorString());
        return false;
    }
    m_newest = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_newestName);
    m_newest.setDatabaseName(m_settings.journal);
    m_newest.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=250"));
    if (!m_newest.open()) {
        fail(QStringLiteral("The journal ") + m_settings.journal
            + QStringLiteral(" cannot be read: ") + m_newest.lastError().text());
        return false;
    }
    m_journalOpen = true;
    return true;
}

qint64 ForwardWorker::newestRow()
{
    QSqlQuery q(m_newest);
    if (!q.exec(QStringLiteral("SELECT IFNULL(MAX(id), 0) FROM rows")) || !q.next())
        return -1;
    return q.value(0).toLongLong();
}

bool ForwardWorker::connectServer(int timeoutSeconds)
{
    PlantUri uri = m_settings.uri;
    if (timeoutSeconds > 0)
        uri.setDefault(QStringLiteral("connect_timeout"), QString::number(timeoutSeconds));
    if (!m_server.open(uri, m_settings.application)) {
        lose(QStringLiteral("forward: ") + m_server.errorString());
        return false;
    }
    QSqlQuery claim(m_server.db());
    claim.prepare(QStringLiteral("SELECT claimed, held FROM tolvane.claim_source(?)"));
    claim.addBindValue(m_settings.source);
    if (!claim.exec() || !claim.next()) {
        QString why = PlantConnection::describe(claim.lastError());
        if (why.contains(QLatin1String("does not exist")))
            why += QStringLiteral(" (tolvane-cli plant init makes the plant's tables)");
        else if (why.contains(QLatin1String("permission denied")))
            why += QStringLiteral(" (the login role wants the group role tolvane_recorder)");
        lose(QStringLiteral("forward: ") + why);
        return false;
    }
    if (!claim.value(0).toBool()) {
        const QString text = QStringLiteral("forward: the source \"") + m_settings.source
            + QStringLiteral("\" is being recorded by another recorder at ") + m_settings.uri.text()
            + QStringLiteral("; one recorder per source.");
        m_server.close();
        m_nextTry = QDeadlineTimer(MaxRetryMs);
        if (!m_refusedTold) {
            m_refusedTold = true;
            Q_EMIT refused(text, m_claimedOnce);
        }
        return false;
    }
    m_held = claim.value(1).toLongLong();
    m_connected = true;
    m_claimedOnce = true;
    m_refusedTold = false;
    m_retryMs = 1000;
    m_sentBuffers.clear();
    return true;
}

void ForwardWorker::work()
{
    if (!openJournal()) {
        schedule(MaxRetryMs);
        return;
    }
    if (!m_connected) {
        if (!m_nextTry.hasExpired() && !m_draining) {
            schedule(int(m_nextTry.remainingTime()));
            return;
        }
        int timeout = 0;
        if (m_draining) {
            const qint64 left = m_drainDeadline.remainingTime() / 1000;
            if (left < 1) {
                const qint64 newest = newestRow();
                Q_EMIT drained(false, std::max<qint64>(0, newest - m_held));
                return;
            }
            timeout = int(std::min<qint64>(left, 5));
        }
        if (!connectServer(timeout)) {
            if (m_draining && m_drainDeadline.hasExpired()) {
                Q_EMIT drained(false, std::max<qint64>(0, newestRow() - m_held));
                return;
            }
            schedule(m_draining ? std::min(500, int(m_nextTry.remainingTime()))
                                : int(m_nextTry.remainingTime()));
            return;
        }
    }
    bool more = false;
    if (!sendBatch(&more)) {
        if (m_draining && m_drainDeadline.hasExpired()) {
            Q_EMIT drained(false, std::max<qint64>(0, newestRow() - m_held));
            return;
        }
        schedule(m_connected ? PollMs : std::max(0, int(m_nextTry.remainingTime())));
        return;
    }
    if (more) {
        schedule(0);
        return;
    }
    if (m_draining) {
        Q_EMIT drained(true, 0);
        m_draining = false;
    }
    schedule(PollMs);
}

bool ForwardWorker::sendBatch(bool *more)
{
    *more = false;
    const qint64 newest = newestRow();
    if (newest < 0) {
        fail(QStringLiteral("forward: the journal ") + m_settings.journal
            + QStringLiteral(" cannot be read: ") + m_newest.lastError().text());
        return false;
    }
    if (newest < m_held) {
        if (!m_beyondTold) {
            m_beyondTold = true;
            Q_EMIT problem(QStringLiteral("forward: the server holds rows of \"")
                + m_settings.source + QStringLiteral("\" up to row ") + QString::number(m_held)
                + QStringLiteral(", beyond this journal's newest row ") + QString::number(newest)
                + QStringLiteral("; only rows after ") + QString::number(m_held)
                + QStringLiteral(" are sent. Is ") + m_settings.journal
                + QStringLiteral(" the journal of this source?"));
        }
        return true;
    }
    if (newest == m_held) {
        Q_EMIT progress(m_held, newest);
        return true;
    }
    const qint64 to = std::min(newest, m_held + m_settings.batchRows);
    QList<journal::JournalRow> rows;
    PlantBatch batch;
    QSet<qint64> buffers;
    if (!readBatch(to, &rows, &batch, &buffers) || !addPartitions(batch) || !putBatch(batch))
        return false;
    m_sentBuffers.unite(buffers);
    const qint64 sent = rows.isEmpty() ? to : rows.last().id;
    m_held = std::max(sent, to);
    if (m_failing) {
        m_failing = false;
        Q_EMIT mended(QStringLiteral("forward: the rows go to ") + m_settings.uri.text()
            + QStringLiteral(" again (") + QString::number(newest - m_held)
            + QStringLiteral(" more waiting)"));
    }
    Q_EMIT progress(m_held, newest);
    *more = m_held < newest;
    return true;
}

// The rows after the held one up to row to, with the buffers the server has not had yet.
bool ForwardWorker::readBatch(
    qint64 to, QList<journal::JournalRow> *rows, PlantBatch *batch, QSet<qint64> *buffers)
{
    if (!m_reader.rows(m_held + 1, to, rows)) {
        fail(QStringLiteral("forward: ") + m_reader.errorString());
        return false;
    }
    for (const journal::JournalRow &row : std::as_const(*rows)) {
        if (!m_sentBuffers.contains(row.bufferId) && !buffers->contains(row.bufferId)) {
            journal::JournalBuffer buffer;
            if (!m_reader.buffer(row.bufferId, &buffer)) {
                fail(QStringLiteral("forward: ") + m_reader.errorString());
                return false;
            }
            buffer.id = row.bufferId;
            batch->addBuffer(buffer);
            buffers->insert(row.bufferId);
        }
        batch->addRow(row);
    }
    return true;
}

bool ForwardWorker::addPartitions(const PlantBatch &batch)
{
    for (const qint64 day : batch.days()) {
        if (m_knownDays.contains(day))
            continue;
        QSqlQuery partition(m_server.db());
        partition.prepare(QStringLiteral("SELECT tolvane.add_partition(timestamptz 'epoch' + "
                                         "?::bigint * interval '1 millisecond')"));
        partition.addBindValue(day);
        if (!partition.exec()) {
            serverFailed(PlantConnection::describe(partition.lastError()));
            return false;
        }
        m_knownDays.insert(day);
    }
    return true;
}

bool ForwardWorker::putBatch(const PlantBatch &batch)
{
    QSqlQuery put(m_server.db());
    put.prepare(QStringLiteral("SELECT tolvane.put_rows(?, ?::jsonb)"));
    put.addBindValue(m_settings.source);
    put.addBindValue(QString::fromUtf8(batch.json()));
    if (!put.exec()) {
        // A server that went away mid-batch rolled it back; the rows go again.
        serverFailed(PlantConnection::describe(put.lastError()));
        return false;
    }
    return true;
}

void ForwardWorker::serverFailed(const QString &why)
{
    if (m_server.linkLost())
        lose(QStringLiteral("forward: ") + why);
    else
        fail(QStringLiteral("forward: ") + why);
}

} // namespace tlv::plant
