#pragma once

#include <QString>
#include <QtGlobal>
#include <chrono>
#include <memory>

class SerialDevice;

// One open COM port, moved a byte at a time with bounded waits. Knows nothing of Modbus.
class TSerial
{
public:
    // Opens COMn (resolved by comPortPath); throws TextError
    // "Sériový port COMn nelze otevřít" when it cannot.
    explicit TSerial(int portNumber);
    // Opens the given device under the name COMn (tests open a pseudo-terminal this way).
    TSerial(int portNumber, const QString &devicePath);
    ~TSerial();
    TSerial(const TSerial &) = delete;
    TSerial &operator=(const TSerial &) = delete;

    struct LineState {
        quint32 baudRate = 19200;
        quint8 byteSize = 8;
        quint8 parity = 0;   // 0 none
        quint8 stopBits = 0; // 0 one, 1 one and a half, 2 two
        bool abortOnError = false;
    };
    struct Timeouts {
        int readInterval = 0;
        int readTotalMultiplier = 0;
        int readTotalConstant = 0;
        int writeTotalMultiplier = 0;
        int writeTotalConstant = 0;
    };

    void readState();
    void writeState();
    void setBaudRate(quint32 baudRate);
    void setParity(quint8 parity);
    void setByteSize(quint8 byteSize);
    void setStopBits(quint8 stopBits);
    void setBuffers(int input, int output);

    void setReadIntervalTimeout(int ms);
    void setReadTotalTimeoutMultiplier(int ms);
    void setReadTotalTimeoutConstant(int ms);
    void setWriteTotalTimeoutMultiplier(int ms);
    void setWriteTotalTimeoutConstant(int ms);
    // The wait for the first byte after a request, instead of the read time-outs; 0 keeps
    // them. Later bytes follow the read time-outs.
    void setFirstByteTimeout(int ms);
    int firstByteTimeout() const { return m_firstByteTimeout; }

    // One byte; returns the number of bytes moved (0 or 1). `byte` stays as it was when
    // nothing arrived within the read time-outs.
    int writeByte(quint8 byte);
    int readByte(quint8 &byte);
    // Waits until the bytes written have left the port. The read time-outs after it count
    // from the moment the last of them is off the wire, also where the driver reports too
    // early: a device cannot answer before it has the whole request.
    void drain();
    // One byte within `ms`, whatever the time-outs (whether a frame goes on past its end).
    int readByteWithin(quint8 &byte, int ms);

    int portNumber() const { return m_portNumber; }
    const LineState &lineState() const { return m_state; }
    const Timeouts &timeouts() const { return m_timeouts; }

    // "COM3" for 3.
    static QString portName(int portNumber);
    // The device a COM name opens: serialPorts.ini in the working directory (section
    // "ports", key "COMn") or the default table.
    static QString comPortPath(int portNumber);
    // Whether a device path names a network gateway ("tcp://HOST:PORT").
    static bool isGatewayPath(const QString &path);
    // The first byte's time-out for COMn: serialPorts.ini (section "timeouts", key "COMn",
    // milliseconds), else 0 (the serial default) for a serial port and kGatewayFirstByteMs
    // for a gateway.
    static int firstByteTimeoutFor(int portNumber);
    static constexpr int kGatewayFirstByteMs = 500;

private:
    using Clock = std::chrono::steady_clock;
    // One character on the line with the current settings (start, data, parity, stop bits).
    std::chrono::microseconds characterTime() const;
    int readBudget() const;

    int m_portNumber;
    int m_firstByteTimeout = 0;
    bool m_gateway = false;
    bool m_awaitingFirst = false;
    std::unique_ptr<SerialDevice> m_device;
    LineState m_state;
    Timeouts m_timeouts;
    // The request being written: when its first byte went out, and how many followed.
    Clock::time_point m_sendingSince;
    int m_sending = 0;
    // The end of the last drained request on the wire; read time-outs start there.
    Clock::time_point m_sentAt;
};
