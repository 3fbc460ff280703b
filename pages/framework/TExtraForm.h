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
// after a failed poll, and runs the commands the page and the window hand over (1 read all,
// 2 write all, 3 and 7 the page's extra operations, 5 hide and pause, 6 stop), queued in
// the order they came, on the user-interface thread between two polls. Closing keeps
// serving the reader's hand-overs until it ends, and waits while the page's operation runs
// (the reader may be inside it). TPoller (Poller.h) is the thread machinery underneath.

#include "pages/framework/Outcome.h"
#include "pages/framework/Poller.h"
#include "pages/framework/TrendWindow.h"

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <deque>
#include <mutex>

class QGridLayout;
class QCheckBox;
class QLabel;
class TTrendPlot;
class QLineEdit;
class QTimer;
class QVBoxLayout;
class TComponentForm;
class TExtraForm;

class TFormThread : public TPoller
{
    Q_OBJECT
public:
    TFormThread(TComponentForm &page, TExtraForm &window);
    ~TFormThread() override;

    // Any thread. Commands queue in the order they were handed over; none overwrites
    // another (a coil click during a write-all runs after it). done, if given, hears what
    // the command came to once it has run (a read's or write's Outcome; Done for the
    // others), or Cancelled when the reader ended before it.
    void handOver(int command, quint8 argument = 0, OutcomeCallback done = {});
    // Commands handed over that have not run to their end (the one running included).
    int pendingCommands() const;
    // Any thread: pause after the commands of this cycle (an output test holds the line
    // until resumeReader()).
    void suspendAfterCommands() { m_suspendRequest.store(true); }

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

    qint16 values[4] = {};

private:
    struct Command {
        int number;
        quint8 argument;
        OutcomeCallback done;
    };
    bool nextCommand(Command &command) const;
    void commandDone();
    void runCommand(const Command &command);
    // Runs a page operation on the user-interface thread (the page counts it as busy),
    // then tells done what it came to.
    void onPage(const std::function<Outcome()> &operation, const OutcomeCallback &done);

    TComponentForm &m_page;
    TExtraForm &m_window;

    mutable std::mutex m_commandsMutex;
    std::deque<Command> m_commands;
    std::atomic<int> m_readCount{0};
    std::atomic<int> m_errorCount{0};
    std::atomic<bool> m_suspendRequest{false};
    bool m_errorFlag = false;
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
    // After a good poll's values were shown: their trend (user-interface thread).
    void sampleTrend();
    // The trend under the values, shown or hidden ("Zobrazit průběh").
    void setTrendShown(bool shown);
    TTrendPlot *trend() const { return m_trend; }
    // "Průběh": the trend in a window of its own (from the trend's button, a double-click
    // on it, or the window's context menu).
    void showTrendWindow();
    TTrendWindow *trendWindow() const { return m_trendWindow; }
    // Enables the resume timer (user-interface thread, after a failed poll).
    void startResumeTimer();
    static int resumeDelayMs() { return 550; }

    // Closing: stops the reader (serving its hand-overs meanwhile), writes the position
    // and, with notifyPage, runs liveWindowClosed and destroyLiveWindow. close() runs it,
    // once the page's operation in flight (if any) has ended.
    void shutdown(bool notifyPage);

    // Page side of closing: uncheck mmLoadExtra and show "Ukončuji načítání provozních dat".
    virtual void liveWindowClosed();
    virtual void destroyLiveWindow();

protected:
    void setReader(TFormThread *reader);
    // One measured value in row `row` of `grid`: the caption (named after the memo, "Memo"
    // -> "Label"), the read-only memo wide enough for `widest`, and the unit label (when
    // given), which keeps its place while hidden.
    struct MemoRow {
        QLabel *caption = nullptr;
        QLineEdit *memo = nullptr;
        QLabel *unit = nullptr;
    };
    MemoRow memoRow(QGridLayout &grid, int row, const QString &memoName, const QString &caption,
                    const QString &captionHint, const QString &memoHint, const QString &initial,
                    const QString &unitName = QString(), const QString &unit = QString(),
                    const QString &widest = QStringLiteral("-32767,0"));
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
    QVBoxLayout *m_outer = nullptr;
    TTrendPlot *m_trend = nullptr;
    QPointer<TTrendWindow> m_trendWindow;
    QCheckBox *m_trendShown = nullptr;
    std::atomic<bool> m_closing{false};
    bool m_closed = false;
    bool m_hiddenForMinimise = false;
};
