#pragma once

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>
#include <qnamespace.h>

class TSerial;

// What an exchange opens the port with: the COM number, the device it opens
// (TSerial::comPortPath) and the line settings as TSerial takes them.
struct PortSettings {
    int portNumber = 0;
    QString devicePath;
    quint32 baudRate = 19200;
    quint8 parity = 0;
    quint8 byteSize = 8;
    quint8 stopBits = 1;
    // The device an exchange addresses when its caller names none: 255 (every device
    // answers it, the bench) or a device's own address on an installed bus.
    quint8 address = 255;
    // The wait for a reply's first byte; 0 keeps the serial default (60 ms). A gateway on
    // the network needs more (TSerial::firstByteTimeoutFor).
    int firstByteTimeoutMs = 0;
};

// The device the tool works with: its address and the rate it talks at.
struct LineTarget {
    quint8 address = 255;
    quint32 baudRate = 19200;
    bool operator==(const LineTarget &o) const
    {
        return address == o.address && baudRate == o.baudRate;
    }
    bool operator!=(const LineTarget &o) const { return !(*this == o); }
};

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

    // The settings openPort() would apply now. Where they live in windows (the main
    // window's lists) only the user-interface thread may ask: a thread that polls takes
    // them before it starts and opens with openPortWith(). Empty: openPort() reads nothing
    // that changes, and a thread uses it as the user-interface thread does.
    virtual std::optional<PortSettings> portSettings() const { return std::nullopt; }
    // Closes any earlier port, creates the port into `serial` with these settings and
    // driver buffers of 200 bytes; throws TextError when it cannot be opened.
    void openPortWith(const PortSettings &settings);

    TSerial *serial = nullptr;

    // A write to the target device (no address named by the caller) was acknowledged. The
    // main window looks there whether the write gave the device a new address or rate.
    virtual void deviceWritten(qint32 start, const std::vector<qint16> &values)
    {
        Q_UNUSED(start);
        Q_UNUSED(values);
    }

    // Where exchanges go: any thread may ask, so a polling thread follows a move (a write
    // that gave the device a new address) that happens while it runs.
    LineTarget target() const;
    void setTarget(const LineTarget &target);

    // False (and nothing held) when the calling thread is inside an exchange already.
    bool beginExchange();
    void endExchange();
    // Whether the calling thread is inside an exchange (a wait inside it runs events).
    bool inExchangeOnThisThread() const;

private:
    mutable std::mutex m_targetMutex;
    LineTarget m_target;
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
