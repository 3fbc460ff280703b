#include "link/PortOwner.h"

#include "link/TSerial.h"

#include <QThread>

void PortOwner::openPortWith(const PortSettings &settings)
{
    // An earlier port left open would keep the device busy for the new one.
    closePort();
    serial = new TSerial(settings.portNumber, settings.devicePath);
    serial->setBaudRate(settings.baudRate);
    serial->setParity(settings.parity);
    serial->setByteSize(settings.byteSize);
    serial->setStopBits(settings.stopBits);
    serial->setBuffers(200, 200);
    serial->setFirstByteTimeout(settings.firstByteTimeoutMs);
}

LineTarget PortOwner::target() const
{
    const std::lock_guard<std::mutex> lock(m_targetMutex);
    return m_target;
}

void PortOwner::setTarget(const LineTarget &target)
{
    const std::lock_guard<std::mutex> lock(m_targetMutex);
    m_target = target;
}

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
