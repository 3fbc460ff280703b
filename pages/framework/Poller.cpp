#include "pages/framework/Poller.h"

#include "link/Messages.h"
#include "pages/framework/Exchanges.h"
#include "shell/Shell.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>

TPoller::TPoller(QObject &context)
    : m_context(context), m_transmit(Shell::instance()), m_relay(*this)
{
    m_relay.moveToThread(context.thread());
    // The port settings live in the main window's lists, which the user-interface thread
    // may rewrite at any time: the thread gets a copy taken here, on that thread.
    if (const std::optional<PortSettings> settings = Shell::instance().portSettings())
        m_transmit.usePortSettings(*settings);
    // The thread's very last step, on the thread itself, under our mutex: a join learns here
    // that the thread has ended, and whoever takes the mutex after joining sees everything the
    // thread did (QThread's own join is out of a race detector's sight in an uninstrumented Qt).
    connect(
        this, &QThread::finished, this,
        [this] {
            const std::lock_guard<std::mutex> last(m_mutex);
            m_ended = true;
            m_joinWake.notify_all();
        },
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
    // The hand-overs are served here directly, not through the event queue: a join entered
    // from a posted event (a deferred close) would never see the hand-over queued behind it,
    // and the poller would wait for it for ever.
    for (;;) {
        if (serveHandOver())
            continue;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_joinWake.wait_for(lock, std::chrono::milliseconds(10),
                                [this] { return m_ended || (m_handed && !m_handTaken); });
            if (m_ended && !(m_handed && !m_handTaken))
                break;
            if (m_handed && !m_handTaken)
                continue;
        }
        // The windows keep painting meanwhile; user input stays out.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
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
    m_handTaken = false;
    m_handDone = false;
    QMetaObject::invokeMethod(&m_relay, "serve", Qt::QueuedConnection);
    m_joinWake.notify_all();
    m_handCondition.wait(lock, [this] { return m_handDone; });
    m_handed = nullptr;
}

bool TPoller::serveHandOver()
{
    const std::function<void()> *f = nullptr;
    {
        // Whoever comes first runs it (the relay's queued call or a join); the other finds
        // it taken.
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_handed || m_handTaken)
            return false;
        f = m_handed;
        m_handTaken = true;
    }
    runHandedOver(*f);
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_handDone = true;
    m_handCondition.notify_all();
    return true;
}

void TPollerRelay::serve()
{
    m_poller.serveHandOver();
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
