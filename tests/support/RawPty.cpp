#include "tests/support/RawPty.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

RawPty::RawPty()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return;
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        ::close(m_master);
        m_master = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
    // Holding the slave open keeps queued bytes and the raw settings between the link's
    // open and close of the port.
    m_keepSlave = ::open(ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    if (m_keepSlave >= 0 && tcgetattr(m_keepSlave, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_keepSlave, TCSANOW, &tio);
    }
}

RawPty::~RawPty()
{
    waitAnswered();
    if (m_keepSlave >= 0)
        ::close(m_keepSlave);
    if (m_master >= 0)
        ::close(m_master);
}

void RawPty::send(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_master, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return;
        }
        p += n;
        left -= n;
    }
}

QByteArray RawPty::drain()
{
    QByteArray out;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, static_cast<qsizetype>(n));
    }
    return out;
}

void RawPty::discardPending()
{
    if (m_keepSlave >= 0)
        tcflush(m_keepSlave, TCIOFLUSH);
    drain();
}

void RawPty::answerNextRequest(const QByteArray &reply)
{
    waitAnswered();
    m_answer = std::thread([this, reply] {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, 3000) <= 0)
            return;
        drain();
        send(reply);
    });
}

void RawPty::waitAnswered()
{
    if (m_answer.joinable())
        m_answer.join();
}
