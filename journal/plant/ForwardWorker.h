#pragma once

#include "journal/JournalReader.h"
#include "journal/plant/PlantConnection.h"
#include "journal/plant/PlantUri.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QTimer>

namespace tlv::plant {

class PlantBatch;

// Sends the committed rows of a journal to the plant database, in its own thread: batches
// of one transaction each, from the newest row the server holds for the source. A server
// that is down, unreachable or refuses the login is tried again every few seconds; the
// problem is told once with libpq's words, and once more when it is mended.
class ForwardWorker : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        QString journal; // the local journal file
        PlantUri uri;
        QString source;
        QString application; // shown by the server beside the session
        int batchRows = 500;
    };

    explicit ForwardWorker(const Settings &settings, QObject *parent = nullptr);
    ~ForwardWorker() override;

public Q_SLOTS:
    void start();
    // The journal committed rows.
    void poke();
    // Sends what the journal holds now and then tells drained(); gives up at the deadline.
    void drain(qint64 deadlineMs);
    void shutdown();

Q_SIGNALS:
    void problem(const QString &text);
    void mended(const QString &text);
    // Another recorder holds the source; claimedBefore says this one had it earlier.
    void refused(const QString &text, bool claimedBefore);
    // The server holds the journal's rows up to held.
    void progress(qint64 held, qint64 newest);
    void drained(bool complete, qint64 left);

private:
    void work();
    bool openJournal();
    bool connectServer(int timeoutSeconds);
    // Sends one batch; false on any failure (told through fail()).
    bool sendBatch(bool *more);
    // The steps of a batch; each false once it has failed or lost the link.
    bool readBatch(
        qint64 to, QList<journal::JournalRow> *rows, PlantBatch *batch, QSet<qint64> *buffers);
    bool addPartitions(const PlantBatch &batch);
    bool putBatch(const PlantBatch &batch);
    // A statement failed: lost when the link went, else failed.
    void serverFailed(const QString &why);
    [[nodiscard]] qint64 newestRow();
    void fail(const QString &text);
    void lose(const QString &text);
    void schedule(int ms);

    Settings m_settings;
    journal::JournalReader m_reader;
    QSqlDatabase m_newest; // max(id) of the journal, read cheaply
    QString m_newestName;
    PlantConnection m_server;
    bool m_journalOpen = false;
    bool m_connected = false;
    bool m_claimedOnce = false;
    bool m_failing = false;
    bool m_refusedTold = false;
    bool m_beyondTold = false;
    bool m_draining = false;
    QDeadlineTimer m_drainDeadline;
    qint64 m_held = 0; // the newest row the server holds
    QSet<qint64> m_sentBuffers;
    QSet<qint64> m_knownDays;
    int m_retryMs = 1000;
    QDeadlineTimer m_nextTry;
    QTimer m_timer;
};

} // namespace tlv::plant
