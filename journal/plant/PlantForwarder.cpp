#include "journal/plant/PlantForwarder.h"

#include <QEventLoop>
#include <QTimer>

namespace tlv::plant {

PlantForwarder::PlantForwarder(const ForwardWorker::Settings &settings, QObject *parent)
    : QObject(parent)
    , m_worker(new ForwardWorker(settings))
{
    m_thread.setObjectName(QStringLiteral("forward"));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &ForwardWorker::problem, this, &PlantForwarder::problem);
    connect(m_worker, &ForwardWorker::mended, this, &PlantForwarder::mended);
    connect(m_worker, &ForwardWorker::refused, this, &PlantForwarder::refused);
    connect(m_worker, &ForwardWorker::progress, this, [this](qint64 held, qint64 newest) {
        m_held = held;
        Q_EMIT progress(held, newest);
    });
}

PlantForwarder::~PlantForwarder()
{
    if (!m_stopped)
        (void)stop(15000);
}

void PlantForwarder::start()
{
    m_thread.start();
    QMetaObject::invokeMethod(m_worker, &ForwardWorker::start, Qt::QueuedConnection);
}

void PlantForwarder::rowsCommitted()
{
    QMetaObject::invokeMethod(m_worker, &ForwardWorker::poke, Qt::QueuedConnection);
}

bool PlantForwarder::finish(int ms, qint64 *left, bool giveUp)
{
    bool complete = false;
    *left = -1;
    QEventLoop loop;
    const auto done = connect(m_worker, &ForwardWorker::drained, &loop, [&](bool all, qint64 rest) {
        complete = all;
        *left = rest;
        loop.quit();
    });
    QMetaObject::Connection trouble, refusal;
    if (giveUp) {
        trouble = connect(this, &PlantForwarder::problem, &loop, &QEventLoop::quit);
        refusal = connect(this, &PlantForwarder::refused, &loop, &QEventLoop::quit);
    }
    QTimer bound;
    bound.setSingleShot(true);
    connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    // A little beyond the worker's own deadline, for its last answer to arrive.
    bound.start(ms + 500);
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, ms] { worker->drain(ms); }, Qt::QueuedConnection);
    loop.exec();
    disconnect(done);
    disconnect(trouble);
    disconnect(refusal);
    return complete;
}

bool PlantForwarder::stop(int ms)
{
    if (m_stopped || !m_thread.isRunning()) {
        m_stopped = true;
        return true;
    }
    QMetaObject::invokeMethod(m_worker, &ForwardWorker::shutdown, Qt::QueuedConnection);
    m_thread.quit();
    if (!m_thread.wait(QDeadlineTimer(ms)))
        return false;
    m_stopped = true;
    return true;
}

} // namespace tlv::plant
