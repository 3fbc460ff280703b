// The page's busy state and the calls and closes that wait for it to end.

#include "pages/framework/Busy.h"

#include "shell/Shell.h"

#include <QTimer>
#include <algorithm>

PageBusy::PageBusy(QObject *parent, std::function<bool()> commandsQueued,
                   std::function<void()> wakeReader)
    : QObject(parent), m_commandsQueued(std::move(commandsQueued)),
      m_wakeReader(std::move(wakeReader)), m_retry(new QTimer(this))
{
    m_retry->setSingleShot(true);
    m_retry->setInterval(10);
    connect(m_retry, &QTimer::timeout, this, [this] { runIdleCalls(); });
}

void PageBusy::enter()
{
    ++m_operations;
}

void PageBusy::leave()
{
    // From the event loop: what waited (a close) must not run inside the stack that is
    // still unwinding from the operation (a reader's hand-over, a test step).
    if (--m_operations == 0 && !m_idleCalls.empty())
        QTimer::singleShot(0, this, [this] { runIdleCalls(); });
}

bool PageBusy::busy() const
{
    return m_operations > 0 || (Shell::isInstalled() && Shell::instance().inExchangeOnThisThread());
}

void PageBusy::whenIdle(std::function<void()> f, bool afterCommands)
{
    m_idleCalls.push_back({std::move(f), afterCommands});
    if (m_operations == 0)
        QTimer::singleShot(0, this, [this] { runIdleCalls(); });
}

void PageBusy::closeWhenIdle(QWidget &window, bool afterCommands)
{
    if (closePending(window))
        return;
    m_closes.emplace_back(&window);
    QPointer<QWidget> target(&window);
    whenIdle(
        [this, target] {
            m_closes.erase(std::remove(m_closes.begin(), m_closes.end(), target), m_closes.end());
            if (target)
                target->close();
        },
        afterCommands);
}

bool PageBusy::closePending(const QWidget &window) const
{
    return std::any_of(m_closes.begin(), m_closes.end(),
                       [&window](const QPointer<QWidget> &w) { return w == &window; });
}

void PageBusy::runIdleCalls()
{
    if (m_idleCalls.empty())
        return;
    if (busy()) {
        // Only an exchange outside an operation can be left (its coil pause runs events):
        // look again shortly after.
        if (m_operations == 0)
            m_retry->start();
        return;
    }
    std::vector<IdleCall> ready;
    std::vector<IdleCall> waiting;
    const bool queued = m_commandsQueued();
    for (auto &call : m_idleCalls)
        (call.afterCommands && queued ? waiting : ready).push_back(std::move(call));
    m_idleCalls = std::move(waiting);
    if (!m_idleCalls.empty()) {
        // The reader runs its commands between two polls; one paused (after a failed poll,
        // or while the page was minimised) is woken, so what waits for them does not wait
        // for ever.
        m_wakeReader();
        m_retry->start();
    }
    for (auto &call : ready)
        call.run();
}
