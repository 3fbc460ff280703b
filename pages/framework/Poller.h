#pragma once

// TPoller: a thread that polls the device over the shared port and hands its display
// updates to the user-interface thread. The live reader (TFormThread) and the input-test
// threads build on it.
//
//   class InputPoll : public TPoller {
//       using TPoller::TPoller;
//       void run() override {
//           while (!stopping()) {
//               try { ...readRegisters(0x0000, 1)...; onUiThread([&] { show(); }); }
//               catch (const PageError &e) {
//                   if (!stopping()) onUiThread([&] { report(e.error); });
//                   return;
//               }
//           }
//       }
//   };
//   poll.start();  ...  poll.stopAndJoin();   // user-interface thread, serves hand-overs
//
// Hand-overs are blocking: the poller waits until its function has run on the
// user-interface thread. Pauses wait for resumeReader() or a stop; a resume that arrives
// before the pause is kept (one at most).

#include "link/TTransmit.h"

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

class TPoller;

// Runs the poller's hand-overs on the user-interface thread. A named slot rather than a
// functor: the hand-over then rests on our own mutex and condition alone, which a race
// detector sees (Qt's own queue and semaphore it cannot see in an uninstrumented Qt).
class TPollerRelay : public QObject
{
    Q_OBJECT
public:
    explicit TPollerRelay(TPoller &poller) : m_poller(poller) {}
public slots:
    void serve();

private:
    TPoller &m_poller;
};

class TPoller : public QThread
{
    Q_OBJECT
public:
    // `context` lives on the user-interface thread, which runs the hand-overs. Built on
    // that thread: it takes the port settings the thread will use.
    explicit TPoller(QObject &context);
    // Stops and joins (serving hand-overs when called on the user-interface thread).
    ~TPoller() override;

    void requestStop();
    bool stopping() const { return m_stop.load(); }
    // Wakes a pause; a resume that arrives before the pause is kept (one at most).
    void resumeReader();
    bool isPaused() const { return m_paused.load(); }

    // User-interface thread: waits until the thread has ended, carrying out its hand-overs
    // meanwhile (user input stays out), so its last cycle can finish. The hand-overs are run
    // directly, so a join from inside any event (a posted one too) ends.
    void join();
    void stopAndJoin();

protected:
    // Waits for resumeReader() or a stop.
    void pause();
    // Runs f on the user-interface thread and waits for it. What f throws ends f with its
    // error box (caption "Chyba"; a PageError's message, else the internal error) and stays
    // on the user-interface thread.
    void onUiThread(const std::function<void()> &f);

    // Helpers for the poll (throw PageError on failure).
    TTransmit &transmit() { return m_transmit; }
    // Classic identification place unless newer; models padded to 16 characters.
    QString checkIdentification(const QStringList &models, bool newer = false);
    std::vector<quint16> readRegisters(int start, int count);

    TransmitResult result;

private:
    friend class TPollerRelay;
    // User-interface thread: runs the hand-over waiting, unless it is taken already. True
    // when it ran one.
    bool serveHandOver();

    QObject &m_context;
    TTransmit m_transmit;
    TPollerRelay m_relay;
    const std::function<void()> *m_handed = nullptr; // under m_mutex
    bool m_handTaken = false;                        // under m_mutex: run or running
    bool m_handDone = false;                         // under m_mutex
    bool m_ended = false; // under m_mutex: run() has returned (a poller runs once)
    std::condition_variable m_handCondition;
    std::condition_variable m_joinWake; // a hand-over waits, or the thread has ended

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_paused{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_resumes = 0;
};
