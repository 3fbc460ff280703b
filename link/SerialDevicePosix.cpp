#include "link/SerialDevice.h"

#ifdef Q_OS_UNIX

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct BaudCode {
    quint32 baud;
    speed_t code;
};

constexpr BaudCode kBauds[] = {{1200, B1200},   {2400, B2400},     {4800, B4800},
                               {9600, B9600},   {19200, B19200},   {38400, B38400},
                               {57600, B57600}, {115200, B115200}, {230400, B230400}};

quint32 baudOf(speed_t code)
{
    for (const BaudCode &b : kBauds)
        if (b.code == code)
            return b.baud;
    return 0;
}

bool codeOf(quint32 baud, speed_t &code)
{
    for (const BaudCode &b : kBauds) {
        if (b.baud == baud) {
            code = b.code;
            return true;
        }
    }
    return false;
}

// Waits until the descriptor is ready for `events`, at most `ms`; retries after signals.
bool waitFor(int fd, short events, int ms)
{
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, ms);
        if (n > 0)
            return (p.revents & events) != 0;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

class PosixSerialDevice : public SerialDevice
{
public:
    ~PosixSerialDevice() override
    {
        if (m_fd >= 0) {
            ::ioctl(m_fd, TIOCNXCL);
            ::close(m_fd);
        }
    }

    bool open(const QString &path) override
    {
        if (path.isEmpty())
            return false;
        const QByteArray native = path.toLocal8Bit();
        const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        termios tio{};
        // Exclusive, like the classic driver: another program (or another of our exchanges)
        // cannot share the line.
        if (::tcgetattr(fd, &tio) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
            ::ioctl(fd, TIOCEXCL) != 0) {
            ::close(fd);
            return false;
        }
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ::tcsetattr(fd, TCSANOW, &tio);
        // Whatever arrived before this open answers no request of ours: a late reply to an
        // exchange that gave up must not pass for the reply to the next one.
        ::tcflush(fd, TCIFLUSH);
        m_fd = fd;
        return true;
    }

    Settings settings() const override
    {
        Settings s;
        termios tio{};
        if (::tcgetattr(m_fd, &tio) != 0)
            return s;
        s.baudRate = baudOf(::cfgetospeed(&tio));
        switch (tio.c_cflag & CSIZE) {
        case CS5:
            s.byteSize = 5;
            break;
        case CS6:
            s.byteSize = 6;
            break;
        case CS7:
            s.byteSize = 7;
            break;
        default:
            s.byteSize = 8;
        }
        s.parity = (tio.c_cflag & PARENB) ? ((tio.c_cflag & PARODD) ? 1 : 2) : 0;
        s.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;
        return s;
    }

    void apply(const Settings &s) override
    {
        termios tio{};
        if (::tcgetattr(m_fd, &tio) != 0)
            return;
        const termios before = tio;
        speed_t code;
        if (codeOf(s.baudRate, code)) {
            ::cfsetispeed(&tio, code);
            ::cfsetospeed(&tio, code);
        }
        if (s.byteSize >= 5 && s.byteSize <= 8) {
            const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
            tio.c_cflag = (tio.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | sizes[s.byteSize - 5];
        }
        // Mark and space parity are not offered here; they leave the parity as it was.
        if (s.parity <= 2) {
            tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
            if (s.parity == 1)
                tio.c_cflag |= PARENB | PARODD;
            else if (s.parity == 2)
                tio.c_cflag |= PARENB;
        }
        // No one-and-a-half stop bits here: code 1 keeps one stop bit.
        if (s.stopBits == 2)
            tio.c_cflag |= CSTOPB;
        else
            tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
        if (std::memcmp(&before, &tio, sizeof tio) != 0)
            ::tcsetattr(m_fd, TCSANOW, &tio);
    }

    void setReadBufferSize(int) override {}

    int writeByte(quint8 byte, int budgetMs) override
    {
        for (;;) {
            const ssize_t n = ::write(m_fd, &byte, 1);
            if (n == 1)
                return 1;
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN && waitFor(m_fd, POLLOUT, budgetMs)) {
                budgetMs = 0; // one wait only: the budget covers the whole byte
                continue;
            }
            return 0;
        }
    }

    void drain() override
    {
        while (::tcdrain(m_fd) != 0 && errno == EINTR) {
        }
    }

    int readByte(quint8 &byte, int budgetMs) override
    {
        bool waited = false;
        for (;;) {
            quint8 c;
            const ssize_t n = ::read(m_fd, &c, 1);
            if (n == 1) {
                byte = c;
                return 1;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (waited || !waitFor(m_fd, POLLIN, budgetMs))
                return 0;
            waited = true;
        }
    }

private:
    int m_fd = -1;
};

} // namespace

std::unique_ptr<SerialDevice> createNativeSerialDevice()
{
    return std::make_unique<PosixSerialDevice>();
}

#else

std::unique_ptr<SerialDevice> createNativeSerialDevice()
{
    return nullptr;
}

#endif
