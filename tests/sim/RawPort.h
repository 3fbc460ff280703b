#pragma once

// A bare pty client for the simulator tests: raw termios, frames written by hand, its own
// CRC, so the simulator is checked against an implementation that is not its own.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

inline quint16 referenceCrc(const QByteArray &bytes)
{
    // Table-free reflected CRC-16/MODBUS (polynomial 0x8005 reversed).
    quint32 crc = 0xFFFF;
    for (unsigned char b : bytes) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = ((crc ^ (b >> bit)) & 1) != 0;
            crc >>= 1;
            if (mix)
                crc ^= 0xA001;
        }
    }
    return quint16(crc);
}

// Hex without CRC -> frame with CRC (low byte first).
inline QByteArray rtu(const char *hex)
{
    QByteArray f = QByteArray::fromHex(hex);
    const quint16 crc = referenceCrc(f);
    f.append(char(crc & 0xFF));
    f.append(char(crc >> 8));
    return f;
}

inline bool crcValid(const QByteArray &frame)
{
    if (frame.size() < 4)
        return false;
    const quint16 crc = referenceCrc(frame.left(frame.size() - 2));
    return quint8(frame[frame.size() - 2]) == (crc & 0xFF) &&
           quint8(frame[frame.size() - 1]) == (crc >> 8);
}

class RawPort
{
public:
    explicit RawPort(const QString &path)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return;
        termios tio;
        tcgetattr(m_fd, &tio);
        cfmakeraw(&tio);
        cfsetispeed(&tio, B19200);
        cfsetospeed(&tio, B19200);
        tcsetattr(m_fd, TCSANOW, &tio);
    }
    ~RawPort()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RawPort(const RawPort &) = delete;
    RawPort &operator=(const RawPort &) = delete;

    bool isOpen() const { return m_fd >= 0; }

    bool send(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // Reads until `count` bytes came or nothing more arrives for quietMs (or totalMs passed).
    QByteArray read(int count, int totalMs, int quietMs = -1)
    {
        QByteArray out;
        QElapsedTimer total, quiet;
        total.start();
        quiet.start();
        while (out.size() < count) {
            int wait = totalMs - int(total.elapsed());
            if (quietMs >= 0 && !out.isEmpty())
                wait = qMin(wait, quietMs - int(quiet.elapsed()));
            if (wait <= 0)
                break;
            pollfd p = {m_fd, POLLIN, 0};
            if (::poll(&p, 1, wait) <= 0)
                continue;
            char buf[512];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0) {
                out.append(buf, int(n));
                quiet.restart();
                lastByteNs = total.nsecsElapsed();
            }
        }
        return out;
    }

    // Sends a request and reads the reply; `count` is the expected length, extra bytes that
    // arrive within a short quiet time are returned too, so overlong replies show up.
    QByteArray exchange(const QByteArray &request, int count, int totalMs = 500,
                        bool catchExtra = true)
    {
        tcflush(m_fd, TCIFLUSH);
        QElapsedTimer t;
        t.start();
        send(request);
        QByteArray reply = read(count, totalMs, 20); // a short reply ends in a silence
        elapsedUs = t.nsecsElapsed() / 1000;
        if (reply.size() >= count && catchExtra)
            reply += read(1, 5);
        return reply;
    }

    qint64 elapsedUs = 0;  // of the last exchange
    qint64 lastByteNs = 0; // of the last read, since its start

private:
    int m_fd = -1;
};
