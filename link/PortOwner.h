#pragma once

#include <QtGlobal>
#include <atomic>
#include <mutex>
#include <qnamespace.h>

class TSerial;

// The owner of the program's one serial port field. Every exchange opens the port through
// openPort() and closes it with closePort(); nothing holds it open in between.
//
// Exchanges never overlap on the port: each one holds the owner's exchange gate. A thread
// that is already inside an exchange (a wait that processes window messages ran a second
// one) is refused; another thread waits until the running exchange has ended.
class PortOwner
{
public:
    virtual ~PortOwner() = default;

    // Creates the port into `serial` and applies the line settings; throws TextError
    // ("Sériový port COMn nelze otevřít") when it cannot be opened.
    virtual void openPort() = 0;
    // Deletes the port in `serial` (if any) and sets it to null.
    virtual void closePort() = 0;

    TSerial *serial = nullptr;

    // False (and nothing held) when the calling thread is inside an exchange already.
    bool beginExchange();
    void endExchange();
    // Whether the calling thread is inside an exchange (a wait inside it runs events).
    bool inExchangeOnThisThread() const;

private:
    std::mutex m_exchange;
    std::atomic<Qt::HANDLE> m_exchangeThread{nullptr};
};

// Holds the gate for one exchange; check it before touching the port.
class ExchangeScope
{
public:
    explicit ExchangeScope(PortOwner &owner) : m_owner(owner), m_held(owner.beginExchange()) {}
    ~ExchangeScope()
    {
        if (m_held)
            m_owner.endExchange();
    }
    ExchangeScope(const ExchangeScope &) = delete;
    ExchangeScope &operator=(const ExchangeScope &) = delete;
    explicit operator bool() const { return m_held; }

private:
    PortOwner &m_owner;
    bool m_held;
};
