#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

// The byte pipe under TSerial. Two implementations: Qt Serial Port (portable) and a thin
// termios one for POSIX systems. The port is opened for every exchange, and Qt Serial Port
// takes a UUCP lock file for each open (write, fdatasync, unlink): several milliseconds per
// exchange on a disk-backed /run/lock, a quarter of a short read at 19200 Bd. The termios
// device locks the descriptor itself (TIOCEXCL and flock), which costs no disk access.
class SerialDevice
{
public:
    struct Settings {
        quint32 baudRate = 19200;
        quint8 byteSize = 8;
        quint8 parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
        quint8 stopBits = 0; // 0 one, 1 one and a half, 2 two
    };
    enum class Backend { Native, QtSerialPort };

    virtual ~SerialDevice() = default;

    // Opens exclusively; false when the device is missing, busy or not a terminal.
    virtual bool open(const QString &path) = 0;
    virtual Settings settings() const = 0;
    // Applies what the device supports and ignores the rest.
    virtual void apply(const Settings &settings) = 0;
    virtual void setReadBufferSize(int bytes) = 0;
    // One byte within the given time; returns the number of bytes moved (0 or 1).
    virtual int writeByte(quint8 byte, int budgetMs) = 0;
    virtual int readByte(quint8 &byte, int budgetMs) = 0;
    // Returns when the bytes written so far have left the port, as far as the driver can
    // tell (a pseudo-terminal or some USB adapters tell early).
    virtual void drain() = 0;

    // A device of the selected backend (Native where the platform has one), or of the
    // installed factory.
    static std::unique_ptr<SerialDevice> create();
    // The device that opens `path`: a network gateway for "tcp://HOST:PORT" (unless a
    // factory is installed), else create().
    static std::unique_ptr<SerialDevice> createFor(const QString &path);
    static void setBackend(Backend backend);
    static Backend backend();
    // Devices of this factory instead of a backend's (an in-memory line for the fuzz
    // targets); an empty factory goes back to the backends. Install it before any port
    // opens.
    using Factory = std::function<std::unique_ptr<SerialDevice>()>;
    static void setFactory(Factory factory);
};

std::unique_ptr<SerialDevice> createQtSerialDevice();
// Null where the platform has no native device.
std::unique_ptr<SerialDevice> createNativeSerialDevice();
// A transparent serial server on the network: the same bytes over one TCP connection.
std::unique_ptr<SerialDevice> createGatewayDevice();
