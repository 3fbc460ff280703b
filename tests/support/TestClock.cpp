#include "TestClock.h"

#include <QCoreApplication>
#include <QMutexLocker>

TestClock::TestClock(bool installNow, qint64 startMs) : m_now(startMs)
{
    if (installNow)
        install();
}

TestClock::~TestClock()
{
    if (&Clock::instance() == this)
        Clock::install(nullptr);
}

void TestClock::install()
{
    Clock::install(this);
}

qint64 TestClock::nowMs()
{
    QMutexLocker lock(&m_mutex);
    return m_now;
}

void TestClock::waitProcessingEvents(int ms)
{
    {
        QMutexLocker lock(&m_mutex);
        m_waits.append(ms);
        if (ms > 0)
            m_now += ms;
    }
    // Outside the lock: an event handler may ask the time or wait itself.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TestClock::advance(qint64 ms)
{
    QMutexLocker lock(&m_mutex);
    m_now += ms;
}

QList<int> TestClock::waits() const
{
    QMutexLocker lock(&m_mutex);
    return m_waits;
}

qint64 TestClock::totalWaited() const
{
    QMutexLocker lock(&m_mutex);
    qint64 sum = 0;
    for (int w : m_waits)
        sum += w;
    return sum;
}

void TestClock::clearWaits()
{
    QMutexLocker lock(&m_mutex);
    m_waits.clear();
}
