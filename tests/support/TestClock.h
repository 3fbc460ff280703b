#pragma once

#include "platform/Clock.h"

#include <QList>
#include <QMutex>

// Virtual time for tests: a wait advances the clock at once (and processes pending events
// once), so a 35-second output test runs in milliseconds. The waits are recorded, so a test
// can check that, say, the 500 ms pause before a read-back happened.
//
// Safe to use from a reader thread as well as the test's own.
class TestClock : public Clock
{
public:
    // Installs itself unless told otherwise; uninstalls when destroyed.
    explicit TestClock(bool installNow = true, qint64 startMs = 1000000);
    ~TestClock() override;

    void install();

    qint64 nowMs() override;
    void waitProcessingEvents(int ms) override;

    // Moves time on without a recorded wait (time spent elsewhere).
    void advance(qint64 ms);
    // The waits asked for, in order.
    QList<int> waits() const;
    qint64 totalWaited() const;
    bool waited(int ms) const { return waits().contains(ms); }
    void clearWaits();

private:
    mutable QMutex m_mutex;
    qint64 m_now;
    QList<int> m_waits;
};
