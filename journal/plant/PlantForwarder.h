#pragma once

#include "journal/plant/ForwardWorker.h"

#include <QObject>
#include <QThread>

namespace tlv::plant {

// The recorder's side of forwarding: runs a ForwardWorker in a thread of its own, so a
// server that is down or a connection that hangs never holds up the recording.
class PlantForwarder : public QObject
{
    Q_OBJECT

public:
    explicit PlantForwarder(const ForwardWorker::Settings &settings, QObject *parent = nullptr);
    // Stops the thread; see stop().
    ~PlantForwarder() override;

    void start();
    // The journal committed rows: they are sent at once instead of at the next look.
    void rowsCommitted();
    // Sends what the journal holds now, waiting at most ms; true when the server has it all,
    // else left says how many rows still wait. With giveUp a problem ends the wait at once.
    bool finish(int ms, qint64 *left, bool giveUp = false);
    // Ends the thread, waiting at most ms. False when it is stuck in a call to the server:
    // then this object must outlive the process (the caller exits without destroying it).
    [[nodiscard]] bool stop(int ms);
    [[nodiscard]] qint64 held() const { return m_held; }

Q_SIGNALS:
    void problem(const QString &text);
    void mended(const QString &text);
    void refused(const QString &text, bool claimedBefore);
    void progress(qint64 held, qint64 newest);

private:
    QThread m_thread;
    ForwardWorker *m_worker = nullptr; // lives in m_thread
    qint64 m_held = 0;
    bool m_stopped = false;
};

} // namespace tlv::plant
