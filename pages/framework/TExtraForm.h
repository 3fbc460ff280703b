#pragma once

// TExtraForm: the live-data window ("Provozní data") of a page, and TFormThread: its reader.
//
// A page's live window derives from TExtraForm, adds its content to contentLayout() and
// gives itself a reader derived from TFormThread:
//
//   class Tc1extThread : public TFormThread {
//       using TFormThread::TFormThread;
//       qint16 temperature = 0;
//       bool readValues() override {        // reader thread: poll once, true when good
//           checkIdentification({"T4yJ", "T4yJN"});
//           temperature = qint16(readRegisters(0x0000, 1)[0]);
//           return true;                    // throwing counts as a failed poll, too
//       }
//       void showValues() override { ... } // user-interface thread
//   };
//   Tc1extForm::Tc1extForm(TComponentForm &page) : TExtraForm(page) {
//       ... contentLayout()->addWidget(...);
//       setReader(new Tc1extThread(page, *this));
//   }
//
// The page opens it (openLiveWindow), positions it and starts the reader. The reader polls
// without pauses between good cycles, hands counters and showValues() to the
// user-interface thread with one blocking call per cycle, pauses 550 ms (resumeDelayMs())
// after a failed poll, and runs the commands the page hands over (1 read all, 2 write all,
// 3 and 7 the page's extra operations, 5 hide and pause, 6 stop) on the user-interface
// thread between two polls. Closing keeps serving the reader's hand-overs until it ends.

#include "link/TTransmit.h"

#include <QThread>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

class QLabel;
class QTimer;
class QVBoxLayout;
class TComponentForm;
class TExtraForm;

class TFormThread : public QThread
{
    Q_OBJECT
public:
    TFormThread(TComponentForm &page, TExtraForm &window);
    ~TFormThread() override;

    // User-interface thread. The number first, then the pending flag (release order).
    void handOver(int command, quint8 argument = 0);
    // Wakes a pause; a resume that arrives before the pause is kept (one at most).
    void resumeReader();
    void requestStop();
    bool isPaused() const { return m_paused.load(); }

    int readCount() const { return m_readCount.load(); }
    int errorCount() const { return m_errorCount.load(); }
    void resetErrorCount() { m_errorCount.store(0); }

    TComponentForm &page() const { return m_page; }
    TExtraForm &window() const { return m_window; }

protected:
    void run() override;

    // Reader thread: poll once. Return false or throw for a failed poll.
    virtual bool readValues() = 0;
    // User-interface thread: show the last polled values.
    virtual void showValues() {}
    // Reader thread: send what the window's controls asked for since the last cycle. A
    // throw fails the cycle like a failed poll.
    virtual void writeRequests() {}

    // Helpers for readValues (reader thread; throw on failure).
    TTransmit &transmit() { return m_transmit; }
    // Classic identification read unless newer; models padded to 16 characters.
    QString checkIdentification(const QStringList &models, bool newer = false);
    std::vector<quint16> readRegisters(int start, int count);
    // Runs f on the user-interface thread and waits for it.
    void onUiThread(const std::function<void()> &f);

    TransmitResult result;
    qint16 values[4] = {};

private:
    void pause();
    void runCommand(int command, quint8 argument);

    TComponentForm &m_page;
    TExtraForm &m_window;
    TTransmit m_transmit;

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_commandPending{false};
    std::atomic<int> m_command{0}; // number | argument << 8
    std::atomic<int> m_readCount{0};
    std::atomic<int> m_errorCount{0};
    std::atomic<bool> m_suspendRequest{false};
    std::atomic<bool> m_paused{false};
    std::atomic<int> m_handover{0};
    bool m_errorFlag = false;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_resumes = 0;
};

class TExtraForm : public QWidget
{
    Q_OBJECT
public:
    explicit TExtraForm(TComponentForm &page, QWidget *parent = nullptr);
    ~TExtraForm() override;

    TComponentForm &page() const { return m_page; }
    TFormThread *reader() const { return m_reader; }
    QVBoxLayout *contentLayout() const { return m_content; }
    bool closing() const { return m_closing.load(); }

    // Places the window at the page's right edge and reads its saved position.
    void placeAtPage();
    void startReading();
    // Command 5 of the reader: hide; the page resumes with showAgain().
    void hideForMinimise();
    void showAgain();
    // Counters into the labels (user-interface thread).
    void showCounts();
    // Enables the resume timer (user-interface thread, after a failed poll).
    void startResumeTimer();
    static int resumeDelayMs() { return 550; }

    // Closing: stops the reader (serving its hand-overs meanwhile), writes the position
    // and, with notifyPage, runs liveWindowClosed and destroyLiveWindow. close() runs it.
    void shutdown(bool notifyPage);

    // Page side of closing: uncheck mmLoadExtra and show "Ukončuji načítání provozních dat".
    virtual void liveWindowClosed();
    virtual void destroyLiveWindow();

protected:
    void setReader(TFormThread *reader);
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    QLabel *eCounterReadingLabel;
    QLabel *eCounterReadingNumberLabel;
    QLabel *eCounterErrorLabel;
    QLabel *eCounterErrorNumberLabel;
    QTimer *Timer;
    QTimer *ShowTimer;

private:
    void eCounterErrorLabelClick();
    void stopReader();

    TComponentForm &m_page;
    TFormThread *m_reader = nullptr;
    QVBoxLayout *m_content;
    std::atomic<bool> m_closing{false};
    bool m_closed = false;
    bool m_hiddenForMinimise = false;
};
