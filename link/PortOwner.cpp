#include "link/PortOwner.h"

#include <QThread>

bool PortOwner::beginExchange()
{
    const Qt::HANDLE self = QThread::currentThreadId();
    if (m_exchangeThread.load(std::memory_order_acquire) == self)
        return false;
    m_exchange.lock();
    m_exchangeThread.store(self, std::memory_order_release);
    return true;
}

void PortOwner::endExchange()
{
    m_exchangeThread.store(nullptr, std::memory_order_release);
    m_exchange.unlock();
}

bool PortOwner::inExchangeOnThisThread() const
{
    return m_exchangeThread.load(std::memory_order_acquire) == QThread::currentThreadId();
}
