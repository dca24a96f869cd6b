#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>

namespace tlv::comm {

// Runs a local event loop, user input excluded, until `sender` emits `signal` or `ms` pass.
// Sockets, timers and an in-process peer on this thread keep working meanwhile.
// Returns true when the signal came.
template<typename Sender, typename Signal> bool waitForSignal(Sender *sender, Signal signal, int ms)
{
    if (ms <= 0)
        return false;
    QEventLoop loop;
    bool fired = false;
    QObject::connect(sender, signal, &loop, [&] {
        fired = true;
        loop.quit();
    });
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return fired;
}

} // namespace tlv::comm
