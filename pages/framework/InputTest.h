#pragma once

// The input-test window of the E-HB2 and E-HB5/HN9 pages: a thread polls the module without
// pause and hands what it read to the window; the page stays disabled while the window is open.
//
//   class Poll : public TInputTestPoll {
//       using TInputTestPoll::TInputTestPoll;
//       void poll() override {                 // poll thread; throw PageError to fail
//           checkIdentification(models);
//           const auto states = readRegisters(0x0000, 1);
//           show([&] { window.showStates(states); });
//       }
//   };
//   auto *w = new TcForm7TestDI(page);         // a TInputTestForm
//   w->start(new Poll(*w));                    // page disabled, thread running
//
// A failed poll shows its message (caption "Chyba") and ends the thread; Timer1 closes the
// window 100 ms later. Closing always stops the thread and waits for it, serving its
// hand-overs meanwhile, before the window goes; once the window is stopping, a late failure
// shows no box and starts no timer. Then the page is shown and enabled with its changed marker
// as it was at opening.

#include "pages/framework/Poller.h"
#include "pages/framework/TestWindow.h"

#include <memory>

class QTimer;
class TComponentForm;
class TInputTestForm;

class TInputTestPoll : public TPoller
{
    Q_OBJECT
public:
    explicit TInputTestPoll(TInputTestForm &window);

protected:
    void run() override;
    // One cycle on the poll thread; throws PageError for a failed poll.
    virtual void poll() = 0;
    // Runs f on the user-interface thread and waits for it, unless the window is stopping
    // (it no longer shows anything then, and may be on its way out).
    void show(const std::function<void()> &f);

private:
    TInputTestForm &m_window;
};

class TInputTestForm : public TTestWindow
{
    Q_OBJECT
public:
    TInputTestForm(TComponentForm &page, const QString &formName, const QString &caption);
    ~TInputTestForm() override;

    TInputTestPoll *poller() const { return m_poll.get(); }
    bool stopping() const { return m_stopping; }

    // Takes the poll, disables the page and starts polling.
    void start(TInputTestPoll *poll);
    // User-interface thread, from the poll: shows the error's message unless the window is
    // stopping, then starts Timer1, which closes the window.
    void pollFailed(int error);

    // Closes the window 100 ms after a failed poll.
    QTimer *Timer1;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<TInputTestPoll> m_poll;
    bool m_stopping = false;
    bool m_reporting = false;
    bool m_closed = false;
};
