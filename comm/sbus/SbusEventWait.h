#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace tlv::comm {

// Handles this thread's events, user input excluded, until `sender` emits `signal` or `ms`
// pass. Sockets, timers and an in-process peer on this thread keep working meanwhile.
// Returns true when the signal came. No nested event loop: quitting one wakes the thread
// once more for every telegram, and objects an outer loop was to delete later stay alive.
template<typename Sender, typename Signal> bool waitForSignal(Sender *sender, Signal signal, int ms)
{
    if (ms <= 0)
        return false;
    bool fired = false;
    const QPointer<QObject> watched(sender);
    const QMetaObject::Connection connection
        = QObject::connect(sender, signal, sender, [&fired] { fired = true; });
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    // Wakes the wait at the deadline when nothing else does.
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    timer.start(ms);
    while (!fired && watched && !deadline.hasExpired())
        QCoreApplication::processEvents(
            QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
    QObject::disconnect(connection);
    return fired;
}

} // namespace tlv::comm
