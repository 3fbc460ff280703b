#pragma once

#include <QtGlobal>

// The one place where the program waits or asks the time, so tests can run long waits
// (a 35-second output test, a 6-second pause after a write) in milliseconds.
class Clock
{
public:
    virtual ~Clock() = default;

    // Milliseconds on a monotonic clock.
    virtual qint64 nowMs() = 0;
    // Waits until `ms` have passed, processing pending events of the calling thread
    // all the while, so a window stays responsive.
    virtual void waitProcessingEvents(int ms) = 0;

    // The installed clock (a real one unless a test installed its own).
    static Clock &instance();
    // Installs `clock` (not owned); nullptr goes back to the real clock.
    static void install(Clock *clock);
};

// The real clock.
class SystemClock : public Clock
{
public:
    qint64 nowMs() override;
    void waitProcessingEvents(int ms) override;
};
