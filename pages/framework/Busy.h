#pragma once

// PageBusy: what a page is busy with (operations in flight, an exchange on this thread) and
// what waits for it to end: calls that run once it is idle, and the closes of its windows
// (the page, its live window, its output and input tests) asked for meanwhile. One close
// per window waits; asking again adds nothing.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

class QTimer;

class PageBusy : public QObject
{
public:
    // commandsQueued: commands handed to the live reader have yet to run.
    // wakeReader: a paused reader is resumed so that its queued commands run.
    PageBusy(QObject *parent, std::function<bool()> commandsQueued,
             std::function<void()> wakeReader);

    void enter();
    void leave();
    // An operation runs, or this thread is inside an exchange (a wait in it runs events).
    bool busy() const;

    // Runs f from the event loop once nothing is busy (and, with afterCommands, once the
    // reader's queued commands have run).
    void whenIdle(std::function<void()> f, bool afterCommands = false);
    // window->close() from the event loop at that time.
    void closeWhenIdle(QWidget &window, bool afterCommands = false);
    bool closePending(const QWidget &window) const;

private:
    void runIdleCalls();

    struct IdleCall {
        std::function<void()> run;
        bool afterCommands;
    };
    std::function<bool()> m_commandsQueued;
    std::function<void()> m_wakeReader;
    int m_operations = 0;
    std::vector<IdleCall> m_idleCalls;
    std::vector<QPointer<QWidget>> m_closes;
    QTimer *m_retry;
};
