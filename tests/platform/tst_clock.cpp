#include "platform/Clock.h"
#include "tests/support/TestClock.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <ctime>

namespace {

qint64 processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

class tst_Clock : public QObject
{
    Q_OBJECT

private slots:
    void systemWaitKeepsEventsFlowingWithoutSpinning()
    {
        SystemClock clock;
        int fired = 0;
        QTimer::singleShot(30, this, [&] { ++fired; });
        QMetaObject::invokeMethod(
            this, [&] { ++fired; }, Qt::QueuedConnection);

        const qint64 wallStart = clock.nowMs();
        const qint64 cpuStart = processCpuMs();
        clock.waitProcessingEvents(400);
        const qint64 wall = clock.nowMs() - wallStart;
        const qint64 cpu = processCpuMs() - cpuStart;

        QCOMPARE(fired, 2);
        QVERIFY2(wall >= 400, qPrintable(QString::number(wall)));
        QVERIFY2(wall < 400 + 250, qPrintable(QString::number(wall)));
        // A spinning wait burns the whole 400 ms of a core.
        QVERIFY2(cpu < 80, qPrintable(QString("%1 ms CPU in a 400 ms wait").arg(cpu)));
    }

    void zeroWaitStillProcessesPendingEvents()
    {
        SystemClock clock;
        bool ran = false;
        QMetaObject::invokeMethod(
            this, [&] { ran = true; }, Qt::QueuedConnection);
        QElapsedTimer t;
        t.start();
        clock.waitProcessingEvents(0);
        QVERIFY(ran);
        QVERIFY(t.elapsed() < 50);
        // Monotonic and in milliseconds.
        const qint64 a = clock.nowMs();
        QThread::msleep(20);
        const qint64 b = clock.nowMs();
        QVERIFY2(b - a >= 19 && b - a < 500, qPrintable(QString::number(b - a)));
    }

    void installedClockIsSeenFromAReaderThread()
    {
        QVERIFY(dynamic_cast<SystemClock *>(&Clock::instance()));
        {
            TestClock clock; // installs itself
            std::atomic<Clock *> seen{nullptr};
            std::atomic<qint64> readerNow{0};
            QThread *reader = QThread::create([&] {
                seen = &Clock::instance();
                Clock::instance().waitProcessingEvents(6000);
                readerNow = Clock::instance().nowMs();
            });
            const qint64 start = clock.nowMs();
            reader->start();
            QVERIFY(reader->wait(5000));
            delete reader;
            QCOMPARE(seen.load(), static_cast<Clock *>(&clock));
            QCOMPARE(readerNow.load(), start + 6000);
            QCOMPARE(clock.waits(), QList<int>({6000}));
        }
        // Destroying the test clock puts the real one back.
        QVERIFY(dynamic_cast<SystemClock *>(&Clock::instance()));
    }
};

QTEST_GUILESS_MAIN(tst_Clock)
#include "tst_clock.moc"
