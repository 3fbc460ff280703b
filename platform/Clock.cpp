#include "platform/Clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <atomic>

namespace {

std::atomic<Clock *> g_installed{nullptr};

SystemClock &systemClock()
{
    static SystemClock clock;
    return clock;
}

const QElapsedTimer &epoch()
{
    // Started once, on first use; elapsed() is safe to call from any thread.
    static const QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}

} // namespace

Clock &Clock::instance()
{
    if (Clock *clock = g_installed.load(std::memory_order_acquire))
        return *clock;
    return systemClock();
}

void Clock::install(Clock *clock)
{
    g_installed.store(clock, std::memory_order_release);
}

qint64 SystemClock::nowMs()
{
    return epoch().elapsed();
}

void SystemClock::waitProcessingEvents(int ms)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const qint64 remaining = ms - timer.elapsed();
        // Events are processed at least once, even for a zero wait.
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(std::max<qint64>(remaining, 0)));
        const qint64 left = ms - timer.elapsed();
        if (left <= 0)
            return;
        // processEvents returns as soon as nothing is pending; sleep a little instead of
        // spinning a core for the rest of a multi-second wait.
        QThread::usleep(quint64(std::min<qint64>(left, 1) * 1000));
    }
}
