#include "pages/framework/Poller.h"

#include "link/Messages.h"
#include "pages/framework/Exchanges.h"
#include "shell/Shell.h"

#include <QEventLoop>

TPoller::TPoller(QObject &context)
    : m_context(context), m_transmit(Shell::instance()), m_relay(*this)
{
    m_relay.moveToThread(context.thread());
    // The thread's very last step, on the thread itself, under our mutex: whoever takes the
    // mutex after joining sees everything the thread did (QThread's own join is out of a race
    // detector's sight in an uninstrumented Qt).
    connect(
        this, &QThread::finished, this, [this] { const std::lock_guard<std::mutex> last(m_mutex); },
        Qt::DirectConnection);
}

TPoller::~TPoller()
{
    if (isRunning() && QThread::currentThread() == m_context.thread())
        stopAndJoin();
    requestStop();
    wait();
    // The thread's last steps were under the mutex: taking it once orders them before the
    // members go (QThread::wait orders them too, out of a race detector's sight).
    const std::lock_guard<std::mutex> ended(m_mutex);
}

// Both notify under the mutex, so the poller's last touch of the condition is ordered by the
// mutex before whoever takes it next (the destructor).
void TPoller::requestStop()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_stop.store(true);
    m_wake.notify_all();
}

void TPoller::resumeReader()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    // One kept resume at most: a resume that comes early is not lost, and a second one
    // does not skip a later pause.
    m_resumes = 1;
    m_wake.notify_all();
}

void TPoller::pause()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_paused.store(true);
    m_wake.wait(lock, [this] { return m_resumes > 0 || m_stop.load(); });
    if (m_resumes > 0)
        --m_resumes;
    m_paused.store(false);
}

void TPoller::join()
{
    if (!isRunning())
        return;
    QEventLoop loop;
    connect(this, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    if (!isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    wait();
    const std::lock_guard<std::mutex> ended(m_mutex); // as in the destructor
}

void TPoller::stopAndJoin()
{
    requestStop();
    join();
}

namespace {

// Page code that throws inside a hand-over ends what it was doing with its error box; the
// hand-over itself completes, so the poller goes on and a close can still join it.
void runHandedOver(const std::function<void()> &f)
{
    try {
        f();
    } catch (const PageError &e) {
        Shell::reportError(e.error);
    } catch (...) {
        Shell::reportError(ErrInternal);
    }
}

} // namespace

void TPoller::onUiThread(const std::function<void()> &f)
{
    if (QThread::currentThread() == m_context.thread()) {
        runHandedOver(f);
        return;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_handed = &f;
    m_handDone = false;
    QMetaObject::invokeMethod(&m_relay, "serve", Qt::QueuedConnection);
    m_handCondition.wait(lock, [this] { return m_handDone; });
    m_handed = nullptr;
}

void TPollerRelay::serve()
{
    const std::function<void()> *f = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_poller.m_mutex);
        f = m_poller.m_handed;
    }
    if (f)
        runHandedOver(*f);
    const std::lock_guard<std::mutex> lock(m_poller.m_mutex);
    m_poller.m_handDone = true;
    m_poller.m_handCondition.notify_all();
}

QString TPoller::checkIdentification(const QStringList &models, bool newer)
{
    result = TransmitResult{};
    try {
        return exchange::identification(m_transmit, models, newer);
    } catch (const PageError &e) {
        result.error = e.error;
        throw;
    }
}

std::vector<quint16> TPoller::readRegisters(int start, int count)
{
    result = TransmitResult{};
    try {
        return exchange::readHolding(m_transmit, start, count);
    } catch (const PageError &e) {
        result.error = e.error;
        throw;
    }
}
