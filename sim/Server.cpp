#include "sim/Sim.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <random>
#include <pthread.h>
#include <sched.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {

quint16 crcStep(quint16 crc, char c)
{
    crc ^= quint8(c);
    for (int i = 0; i < 8; ++i)
        crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    return crc;
}

} // namespace

quint16 crc16(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (char c : bytes)
        crc = crcStep(crc, c);
    return crc;
}

QByteArray appendCrc(QByteArray frame)
{
    const quint16 crc = crc16(frame);
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}

namespace {

// Bytes left over from a broken frame are dropped after this much silence. Frames are found
// by their length and CRC, so this only cleans up; it is generous because a master writing
// byte by byte on a loaded machine (or under a sanitizer) can pause for tens of
// milliseconds inside a frame, where a real line would carry the frame whole.
constexpr qint64 kGapUs = 300000;
constexpr int kMaxFrame = 9 + 255;
// Requests of functions we do not serve have no known length; their CRC tells it. Longer ones
// are not looked for, as every extra length is one more chance for noise to pass the CRC.
constexpr int kMaxUnknownFrame = 64;
constexpr int kMaxLog = 100000;

bool crcOk(const QByteArray &buf, int offset, int length)
{
    if (length < 4 || offset + length > buf.size())
        return false;
    quint16 crc = 0xFFFF;
    for (int i = offset; i < offset + length - 2; ++i)
        crc = crcStep(crc, buf[i]);
    return quint8(buf[offset + length - 2]) == (crc & 0xFF) &&
           quint8(buf[offset + length - 1]) == (crc >> 8);
}

// Length of a request with a known function code starting at offset: >0 the length,
// 0 when more bytes are needed to tell, -1 for an unknown function.
int requestLength(const QByteArray &buf, int offset)
{
    if (buf.size() - offset < 2)
        return 0;
    switch (quint8(buf[offset + 1])) {
    case 3:
    case 4:
    case 5:
    case 6:
        return 8;
    case 16:
        return buf.size() - offset < 7 ? 0 : 9 + quint8(buf[offset + 6]);
    default:
        return -1;
    }
}

int word(const QByteArray &f, int i)
{
    return (quint8(f[i]) << 8) | quint8(f[i + 1]);
}

void putWord(QByteArray &f, int v)
{
    f.append(char((v >> 8) & 0xFF));
    f.append(char(v & 0xFF));
}

// The rate a termios speed code stands for; 0 for one we do not know.
quint32 rateOf(speed_t code)
{
    struct Rate {
        speed_t code;
        quint32 baud;
    };
    static const Rate rates[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},
                                 {B9600, 9600},   {B19200, 19200}, {B38400, 38400},
                                 {B57600, 57600}, {B115200, 115200}};
    for (const Rate &r : rates)
        if (r.code == code)
            return r.baud;
    return 0;
}

// Several devices sending at once: each starts a little later than the one before (a
// character here), and a dominant 0 bit wins over the idle 1.
QByteArray collide(const std::vector<QByteArray> &frames)
{
    int length = 0;
    for (size_t k = 0; k < frames.size(); ++k)
        length = qMax(length, int(frames[k].size() + k));
    QByteArray line(length, char(0xFF));
    for (size_t k = 0; k < frames.size(); ++k)
        for (int j = 0; j < frames[k].size(); ++j)
            line[j + int(k)] = char(quint8(line[j + int(k)]) & quint8(frames[k][j]));
    return line;
}

// Bytes a master reads as a function code, an exception code or an exception number: line
// noise made of other bytes reads as noise whatever the master takes for the header.
bool meansSomething(quint8 b)
{
    switch (b) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 8: case 16:
    case 0x83: case 0x84: case 0x85: case 0x86: case 0x90:
        return true;
    default:
        return false;
    }
}

// Whether `cut`, completed to `length` bytes by repeating its last byte or with zeros (the
// two ways a master fills bytes that never came), would pass as a whole frame.
bool passesAsWhole(const QByteArray &cut, int length)
{
    if (cut.isEmpty())
        return false;
    const QByteArray repeated = cut + QByteArray(length - cut.size(), cut.back());
    const QByteArray zeros = cut + QByteArray(length - cut.size(), char(0));
    return crcOk(repeated, 0, length) || crcOk(zeros, 0, length);
}

struct ExceptionRange {
    Table table;
    int first;
    int last;
    int code;
    bool writesOnly;
};

} // namespace

struct Server::Private {
    std::vector<BusMember> members; // rates change on the server thread, under the mutex
    QString linkPath;
    bool tcp = false;
    quint16 tcpPort = 0;
    quint32 lineRate = 19200;
    int listener = -1;
    std::function<void(const Frame &)> observer;
    std::atomic<int> tickMs{200};

    int master = -1; // the line: the pty's master side, or the TCP client
    int slaveKeep = -1; // keeps the pty from hanging up between the master's opens
    int wakeRead = -1;
    int wakeWrite = -1;
    int opens = -1; // inotify: the master opened the pty
    QString path;
    bool linked = false;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::chrono::steady_clock::time_point t0;

    mutable std::mutex mutex; // guards everything below
    mutable std::condition_variable logChanged;
    Faults faults;
    std::vector<ExceptionRange> exceptions;
    QList<Frame> frames;
    QList<Frame> replies;
    qint64 dropped = 0;
    RandomFaults random;
    std::mt19937 rng{1};
    std::array<qint64, kFaultKinds> injected{};

    // Server thread only.
    QByteArray buf;
    std::vector<qint64> arrival; // time each buffered byte was read

    qint64 nowUs() const
    {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now() - t0)
            .count();
    }

    void closeAll();
    void run();
    void process();
    void dropFront(int n, bool garbage);
    void handle(const QByteArray &request, qint64 firstUs);
    QByteArray answer(Device &device, const QByteArray &request, const Faults &f, bool *reply);
    quint32 currentRate() const;
    bool startPty(QString *error);
    bool startTcp(QString *error);
    void acceptClient();
    int configuredException(Table table, int first, int count, bool write) const;
    bool waitUntil(qint64 targetUs);
    bool writeByte(char c);
    bool writeAll(const QByteArray &bytes);
    void log(const Frame &frame);
    bool unpluggedAt(qint64 us) const;
    int drawFault(int address); // under the mutex; -1 for none
    QByteArray spoil(QByteArray frame, FaultKind kind, int requestAddress);
};

Server::Server(std::shared_ptr<Device> device) : d(new Private)
{
    if (device)
        d->members.push_back({std::move(device), 0});
}

Server::Server(std::vector<BusMember> members) : d(new Private)
{
    for (BusMember &m : members)
        if (m.device)
            d->members.push_back(std::move(m));
}

Server::~Server()
{
    stop();
}

void Server::setLinkPath(const QString &path)
{
    d->linkPath = path;
}

void Server::setObserver(std::function<void(const Frame &)> observer)
{
    d->observer = std::move(observer);
}

void Server::setTickInterval(int ms)
{
    d->tickMs = qMax(ms, 0);
}

void Server::setTcpPort(quint16 port)
{
    d->tcp = true;
    d->tcpPort = port;
}

void Server::setLineRate(quint32 baudRate)
{
    d->lineRate = baudRate;
}

quint16 Server::tcpPort() const
{
    return d->tcpPort;
}

std::shared_ptr<Device> Server::device(int member) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (member < 0 || member >= int(d->members.size()))
        return nullptr;
    return d->members[size_t(member)].device;
}

std::vector<BusMember> Server::members() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->members;
}

QString Server::path() const
{
    return d->path;
}

bool Server::isRunning() const
{
    return d->thread.joinable();
}

bool Server::start(QString *error)
{
    auto fail = [&](const QString &what) {
        if (error)
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
        d->closeAll();
        return false;
    };
    if (isRunning())
        return true;
    if (d->members.empty()) {
        if (error)
            *error = QStringLiteral("no device");
        return false;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail(QStringLiteral("pipe"));
    d->wakeRead = pipeFds[0];
    d->wakeWrite = pipeFds[1];
    if (!(d->tcp ? d->startTcp(error) : d->startPty(error)))
        return false;

    d->stopping = false;
    d->t0 = std::chrono::steady_clock::now();
    d->thread = std::thread([this] { d->run(); });
    return true;
}

bool Server::Private::startTcp(QString *error)
{
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        if (error)
            *error = QStringLiteral("socket: ") + QString::fromLocal8Bit(strerror(errno));
        closeAll();
        return false;
    }
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    local.sin_port = htons(tcpPort);
    socklen_t size = sizeof local;
    if (::bind(listener, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0 ||
        ::listen(listener, 4) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&local), &size) != 0) {
        if (error)
            *error = QStringLiteral("listen on 127.0.0.1:%1: ").arg(tcpPort) +
                     QString::fromLocal8Bit(strerror(errno));
        closeAll();
        return false;
    }
    tcpPort = ntohs(local.sin_port);
    path = QStringLiteral("tcp://127.0.0.1:%1").arg(tcpPort);
    return true;
}

void Server::Private::acceptClient()
{
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (client < 0)
        return;
    const int on = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // A serial server serves one client: the newest connection takes the line.
    if (master >= 0)
        ::close(master);
    master = client;
    buf.clear();
    arrival.clear();
}

bool Server::Private::startPty(QString *error)
{
    auto fail = [&](const QString &what) {
        if (error)
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
        closeAll();
        return false;
    };
    Private *d = this;
    d->master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (d->master < 0)
        return fail(QStringLiteral("posix_openpt"));
    if (grantpt(d->master) != 0 || unlockpt(d->master) != 0)
        return fail(QStringLiteral("grantpt/unlockpt"));
    char name[128];
    if (ptsname_r(d->master, name, sizeof name) != 0)
        return fail(QStringLiteral("ptsname"));
    d->path = QString::fromLocal8Bit(name);

    // On a pty the master's termios is the slave's: raw, so nothing is echoed or translated
    // before the client sets its own line settings.
    termios tio;
    if (tcgetattr(d->master, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B19200);
        cfsetospeed(&tio, B19200);
        tcsetattr(d->master, TCSANOW, &tio);
    }
    d->slaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (d->slaveKeep < 0)
        return fail(QStringLiteral("open ") + d->path);
    fcntl(d->master, F_SETFL, fcntl(d->master, F_GETFL) | O_NONBLOCK);

    // A reply the master gave up on stays in the pty, where a real port would have lost it
    // while closed; so it is thrown away whenever the master opens the port anew. Without
    // inotify the simulator still works, only late replies survive.
    d->opens = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (d->opens >= 0 && inotify_add_watch(d->opens, name, IN_OPEN) < 0) {
        ::close(d->opens);
        d->opens = -1;
    }

    if (!d->linkPath.isEmpty()) {
        const QByteArray link = QFile::encodeName(d->linkPath);
        if (QFileInfo(d->linkPath).isSymLink())
            ::unlink(link.constData());
        if (::symlink(name, link.constData()) != 0)
            return fail(QStringLiteral("symlink ") + d->linkPath);
        d->linked = true;
    }
    return true;
}

void Server::stop()
{
    if (d->thread.joinable()) {
        d->stopping = true;
        const char c = 'x';
        while (::write(d->wakeWrite, &c, 1) < 0 && errno == EINTR) {
        }
        d->thread.join();
    }
    d->closeAll();
}

void Server::Private::closeAll()
{
    if (linked) {
        // Only our own link: someone may have replaced it meanwhile.
        const QByteArray link = QFile::encodeName(linkPath);
        if (QFileInfo(linkPath).symLinkTarget() == QFileInfo(path).absoluteFilePath())
            ::unlink(link.constData());
        linked = false;
    }
    for (int *fd : {&master, &slaveKeep, &wakeRead, &wakeWrite, &opens, &listener}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    buf.clear();
    arrival.clear();
}

void Server::setFaults(const Faults &faults)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->faults = faults;
}

Faults Server::faults() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->faults;
}

void Server::failNextRequests(int count, int exceptionCode)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->faults.failNextRequests = qMax(count, 0);
    d->faults.failExceptionCode = exceptionCode;
}

const char *faultName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::BadCrc: return "bad-crc";
    case FaultKind::Silence: return "silence";
    case FaultKind::ShortReply: return "short-reply";
    case FaultKind::ForeignAddress: return "foreign-address";
    case FaultKind::GarbageBurst: return "garbage-burst";
    case FaultKind::Unplugged: return "unplugged";
    }
    return "?";
}

void Server::setRandomFaults(const RandomFaults &faults)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->random = faults;
    d->rng.seed(faults.seed);
    d->injected.fill(0);
}

std::array<qint64, kFaultKinds> Server::injectedFaults() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->injected;
}

bool Server::unplugged() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->unpluggedAt(d->nowUs());
}

bool Server::Private::unpluggedAt(qint64 us) const
{
    if (random.unplugEveryMs <= 0 || random.unplugForMs <= 0)
        return false;
    const qint64 phase = (us / 1000) % random.unplugEveryMs;
    return phase >= random.unplugEveryMs - random.unplugForMs;
}

int Server::Private::drawFault(int address)
{
    if (unpluggedAt(nowUs()))
        return int(FaultKind::Unplugged);
    if (random.rate <= 0 || std::uniform_real_distribution<double>(0, 1)(rng) >= random.rate)
        return -1;
    // A reply to 255 may carry any address: there a foreign one is no fault.
    int kinds[kFaultKinds];
    int n = 0;
    for (int k = 0; k < int(FaultKind::Unplugged); ++k)
        if ((random.kinds & (1u << k)) && !(address == 255 && k == int(FaultKind::ForeignAddress)))
            kinds[n++] = k;
    return n ? kinds[std::uniform_int_distribution<int>(0, n - 1)(rng)] : -1;
}

QByteArray Server::Private::spoil(QByteArray frame, FaultKind kind, int requestAddress)
{
    std::lock_guard<std::mutex> lock(mutex);
    const int n = frame.size();
    switch (kind) {
    case FaultKind::BadCrc:
        frame[n - 2] = char(~quint8(frame[n - 2]));
        frame[n - 1] = char(~quint8(frame[n - 1]));
        break;
    case FaultKind::ShortReply: {
        // Cut after the header at least; where the rest could be filled in to a good frame
        // (one in 256 cuts of the last byte), cut elsewhere.
        int keep = std::uniform_int_distribution<int>(3, qMax(3, n - 1))(rng);
        while (keep > 3 && passesAsWhole(frame.left(keep), n))
            --keep;
        frame.truncate(keep);
        break;
    }
    case FaultKind::ForeignAddress:
        frame[0] = char(requestAddress % 254 + 1);
        frame = appendCrc(frame.left(n - 2));
        break;
    case FaultKind::GarbageBurst: {
        QByteArray noise;
        const int length = std::uniform_int_distribution<int>(1, n)(rng);
        while (noise.size() < length) {
            const quint8 b = quint8(rng());
            if (!meansSomething(b))
                noise.append(char(b));
        }
        frame = noise;
        break;
    }
    case FaultKind::Silence:
    case FaultKind::Unplugged:
        frame.clear();
        break;
    }
    return frame;
}

void Server::setException(Table table, int first, int last, int code, bool writesOnly)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->exceptions.push_back({table, qMin(first, last), qMax(first, last), code, writesOnly});
}

void Server::clearExceptions()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->exceptions.clear();
}

// A list of its own, not one that shares the log's storage: the server thread appends to
// the log while the caller walks its copy.
static QList<Frame> ownCopy(const QList<Frame> &log)
{
    QList<Frame> copy;
    copy.reserve(log.size());
    for (const Frame &f : log)
        copy.append(f);
    return copy;
}

QList<Frame> Server::frames() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return ownCopy(d->frames);
}

QList<Frame> Server::replies() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return ownCopy(d->replies);
}

qint64 Server::droppedBytes() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->dropped;
}

void Server::clearLog()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->frames.clear();
    d->replies.clear();
    d->dropped = 0;
}

bool Server::waitForFrames(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(d->mutex);
    return d->logChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return d->frames.size() >= count; });
}

bool Server::waitForReplies(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(d->mutex);
    return d->logChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return d->replies.size() >= count; });
}

void Server::Private::log(const Frame &frame)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        QList<Frame> &list = frame.reply ? replies : frames;
        // A simulator left running for hours must not grow without bound.
        if (list.size() >= kMaxLog)
            list.removeFirst();
        list.append(frame);
    }
    logChanged.notify_all();
    if (observer)
        observer(frame);
}

void Server::Private::run()
{
    // Sleeps end close to their deadline; byte pacing needs tens of microseconds.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    // A real device answers in its own time whatever the PC is doing; where the system lets
    // us (as root), the simulated one is not held back by a loaded machine either.
    sched_param realtime{};
    realtime.sched_priority = 1;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &realtime);
    qint64 lastTick = nowUs();
    char chunk[512];
    while (!stopping) {
        const qint64 now = nowUs();
        qint64 timeoutUs = -1;
        if (!buf.isEmpty())
            timeoutUs = qMax<qint64>(0, arrival.back() + kGapUs - now);
        const int tick = tickMs;
        if (tick > 0) {
            const qint64 untilTick = qMax<qint64>(0, lastTick + tick * 1000LL - now);
            timeoutUs = timeoutUs < 0 ? untilTick : qMin(timeoutUs, untilTick);
        }
        // A negative descriptor (no TCP client yet) is left out by poll().
        pollfd fds[3] = {{master, POLLIN, 0}, {wakeRead, POLLIN, 0}, {tcp ? listener : opens, POLLIN, 0}};
        const int timeoutMs = timeoutUs < 0 ? -1 : int((timeoutUs + 999) / 1000);
        const int n = ::poll(fds, fds[2].fd >= 0 ? 3 : 2, timeoutMs);
        if (n < 0 && errno != EINTR)
            break;
        if (stopping || (n > 0 && (fds[1].revents & POLLIN)))
            break;
        if (n > 0 && tcp && (fds[2].revents & POLLIN)) {
            acceptClient();
            continue;
        }
        if (n > 0 && !tcp && opens >= 0 && (fds[2].revents & POLLIN)) {
            char events[1024];
            while (::read(opens, events, sizeof events) > 0) {
            }
            tcflush(slaveKeep, TCIFLUSH);
        }
        if (n > 0 && (fds[0].revents & POLLIN)) {
            const ssize_t got = ::read(master, chunk, sizeof chunk);
            if (got > 0) {
                const qint64 t = nowUs();
                if (!buf.isEmpty() && t - arrival.back() > kGapUs)
                    dropFront(buf.size(), true);
                buf.append(chunk, int(got));
                arrival.insert(arrival.end(), size_t(got), t);
                process();
            } else if (tcp && (got == 0 || (errno != EAGAIN && errno != EINTR))) {
                // The client went away; the next one starts on a quiet line.
                ::close(master);
                master = -1;
                buf.clear();
                arrival.clear();
            }
        } else if (n > 0 && (fds[0].revents & (POLLHUP | POLLERR))) {
            // Cannot happen while slaveKeep is open; never spin if it does.
            ::usleep(1000);
        }
        const qint64 after = nowUs();
        if (!buf.isEmpty() && after - arrival.back() >= kGapUs) {
            // A broken frame that will never complete: rescan from each next byte.
            while (!buf.isEmpty()) {
                dropFront(1, true);
                process();
            }
        }
        if (tickMs > 0 && after - lastTick >= tickMs * 1000LL) {
            for (const BusMember &m : members)
                m.device->tick(int((after - lastTick) / 1000));
            lastTick = after;
        }
    }
}

void Server::Private::dropFront(int n, bool garbage)
{
    n = qMin(n, int(buf.size()));
    buf.remove(0, n);
    arrival.erase(arrival.begin(), arrival.begin() + n);
    if (garbage) {
        std::lock_guard<std::mutex> lock(mutex);
        dropped += n;
    }
}

void Server::Private::process()
{
    while (buf.size() >= 4 && !stopping) {
        const int length = requestLength(buf, 0);
        if (length > 0 && buf.size() >= length) {
            if (crcOk(buf, 0, length)) {
                const QByteArray request = buf.left(length);
                const qint64 first = arrival.front();
                dropFront(length, false);
                handle(request, first);
            } else {
                dropFront(1, true);
            }
            continue;
        }
        if (length < 0) {
            // Unknown function: its length is whatever the CRC says (one pass, running CRC).
            const int function = quint8(buf[1]);
            int found = 0;
            if (function >= 1 && function < 0x80) {
                quint16 crc = crcStep(crcStep(0xFFFF, buf[0]), buf[1]);
                const int limit = qMin(int(buf.size()), kMaxUnknownFrame);
                for (int n = 4; n <= limit && !found; ++n) {
                    if (quint8(buf[n - 2]) == (crc & 0xFF) && quint8(buf[n - 1]) == (crc >> 8))
                        found = n;
                    crc = crcStep(crc, buf[n - 2]);
                }
            }
            if (found) {
                const QByteArray request = buf.left(found);
                const qint64 first = arrival.front();
                dropFront(found, false);
                handle(request, first);
                continue;
            }
            if (function == 0 || function >= 0x80 || buf.size() >= kMaxUnknownFrame) {
                dropFront(1, true); // cannot start a request
                continue;
            }
        }
        // The head is incomplete (or unknown). A whole request further on means the head was
        // garbage: skip to it instead of waiting for the gap.
        int skip = 0;
        for (int k = 1; k + 8 <= buf.size() && !skip; ++k) {
            const int len = requestLength(buf, k);
            if (len > 0 && k + len <= buf.size() && crcOk(buf, k, len))
                skip = k;
        }
        if (!skip)
            return;
        dropFront(skip, true);
    }
}

int Server::Private::configuredException(Table table, int first, int count, bool write) const
{
    std::lock_guard<std::mutex> lock(mutex);
    const int last = first + count - 1;
    for (const ExceptionRange &r : exceptions) {
        if (r.writesOnly && !write)
            continue;
        if (r.table == table && first <= r.last && last >= r.first)
            return r.code;
    }
    return 0;
}

quint32 Server::Private::currentRate() const
{
    if (tcp)
        return lineRate;
    // The master's settings are the slave side's termios, which our kept descriptor shares.
    termios tio;
    if (slaveKeep < 0 || tcgetattr(slaveKeep, &tio) != 0)
        return 0;
    return rateOf(cfgetospeed(&tio));
}

QByteArray Server::Private::answer(Device &device, const QByteArray &request, const Faults &f,
                                   bool *reply)
{
    *reply = true;
    const quint8 function = quint8(request[1]);
    auto exception = [&](int code) {
        QByteArray r;
        r.append(request[0]);
        r.append(char(function | 0x80));
        r.append(char(code));
        return r;
    };
    if (f.failNextRequests > 0) {
        if (f.failExceptionCode == 0)
            *reply = false;
        return exception(f.failExceptionCode);
    }

    switch (function) {
    case 3:
    case 4: {
        const Table table = function == 3 ? Table::Holding : Table::Input;
        const int start = word(request, 2);
        const int count = word(request, 4);
        if (count < 1 || count > 125)
            return exception(3);
        if (int code = configuredException(table, start, count, false))
            return exception(code);
        QVector<quint16> values;
        if (int code = device.read(table, start, count, &values))
            return exception(code);
        QByteArray r = request.left(2);
        r.append(char(2 * count));
        for (quint16 v : values)
            putWord(r, v);
        return r;
    }
    case 5: {
        const int coil = word(request, 2);
        const int value = word(request, 4);
        if (value != 0xFF00 && value != 0x0000)
            return exception(3);
        if (int code = configuredException(Table::Coil, coil, 1, true))
            return exception(code);
        if (int code = device.writeCoil(coil, value == 0xFF00))
            return exception(code);
        return request.left(6);
    }
    case 6: {
        const int reg = word(request, 2);
        if (int code = configuredException(Table::Holding, reg, 1, true))
            return exception(code);
        if (int code = device.writeHoldings(reg, {quint16(word(request, 4))}))
            return exception(code);
        return request.left(6);
    }
    case 16: {
        const int start = word(request, 2);
        const int count = word(request, 4);
        if (count < 1 || count > 123 || quint8(request[6]) != 2 * count)
            return exception(3);
        if (int code = configuredException(Table::Holding, start, count, true))
            return exception(code);
        QVector<quint16> values;
        for (int i = 0; i < count; ++i)
            values.append(quint16(word(request, 7 + 2 * i)));
        if (int code = device.writeHoldings(start, values))
            return exception(code);
        return request.left(6);
    }
    default:
        return exception(1);
    }
}

void Server::Private::handle(const QByteArray &request, qint64 firstUs)
{
    const quint32 rate = currentRate();
    log({request, firstUs, false, rate});
    const int address = quint8(request[0]);

    // Who hears the request (a device at another rate gets garbage) and is addressed.
    std::vector<size_t> addressed;
    Faults f;
    int fault = -1;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (size_t i = 0; i < members.size(); ++i) {
            const BusMember &m = members[i];
            if (m.baudRate != 0 && rate != 0 && m.baudRate != rate)
                continue;
            const int own = m.device->address();
            if (address == 255 || (own != 0 && address == own))
                addressed.push_back(i);
        }
        if (addressed.empty())
            return;
        f = faults;
        if (faults.failNextRequests > 0)
            --faults.failNextRequests;
        fault = drawFault(address);
        if (fault >= 0)
            ++injected[size_t(fault)];
    }
    // An unplugged device hears nothing; a silent one did the request and its reply is lost.
    if (fault == int(FaultKind::Unplugged))
        return;
    std::vector<QByteArray> sent;
    for (size_t i : addressed) {
        bool reply = true;
        QByteArray frame = answer(*members[i].device, request, f, &reply);
        if (!reply || f.silent)
            continue;
        if (f.wrongFunction >= 0 && f.wrongFunction <= 255)
            frame[1] = char(f.wrongFunction);
        if (f.replyAddress >= 0 && f.replyAddress <= 255)
            frame[0] = char(f.replyAddress);
        frame = appendCrc(frame);
        if (f.badCrc) {
            frame[frame.size() - 2] = char(~quint8(frame[frame.size() - 2]));
            frame[frame.size() - 1] = char(~quint8(frame[frame.size() - 1]));
        }
        if (f.dropLastBytes > 0)
            frame.chop(qMin(f.dropLastBytes, int(frame.size())));
        if (!frame.isEmpty())
            sent.push_back(frame);
    }
    // A rate written to a device on a bus is its rate from the end of its reply on; a
    // device alone on the bench keeps answering at any rate.
    auto takeRates = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        for (size_t i : addressed) {
            const quint32 written = members[i].device->takeNewLineRate();
            if (written != 0 && members[i].baudRate != 0)
                members[i].baudRate = written;
        }
    };
    if (sent.empty()) {
        takeRates();
        return;
    }
    QByteArray frame = sent.size() == 1 ? sent.front() : collide(sent);
    if (fault >= 0)
        frame = spoil(frame, FaultKind(fault), address);
    if (frame.isEmpty()) {
        takeRates();
        return;
    }
    const double charUs = charMicros(rate);

    const qint64 delayUs = qMax(f.replyDelayMs, 0) * 1000LL;
    qint64 sentAt = 0;
    if (f.wireTiming) {
        // The request occupied the line for its own length; each reply byte is available
        // only at the end of its character time.
        const double start = double(firstUs) + request.size() * charUs + double(delayUs);
        for (int i = 0; i < frame.size(); ++i) {
            if (!waitUntil(qint64(start + (i + 1) * charUs)))
                return;
            if (i == 0)
                sentAt = nowUs();
            if (!writeByte(frame[i]))
                return;
        }
    } else {
        if (delayUs > 0 && !waitUntil(nowUs() + delayUs))
            return;
        sentAt = nowUs();
        if (!writeAll(frame))
            return;
    }
    log({frame, sentAt, true, rate});
    takeRates();
}

bool Server::Private::waitUntil(qint64 targetUs)
{
    for (;;) {
        if (stopping)
            return false;
        const qint64 left = targetUs - nowUs();
        if (left <= 0)
            return true;
        if (left > 3000) {
            // Long waits (reply delay) stay interruptible by stop().
            pollfd p = {wakeRead, POLLIN, 0};
            if (::poll(&p, 1, int((left - 2000) / 1000)) > 0)
                return false;
        } else if (left > 150) {
            timespec ts = {0, long(left - 100) * 1000L};
            nanosleep(&ts, nullptr);
        }
        // The last ~100 us are spun: a sleep cannot promise that precision.
    }
}

bool Server::Private::writeByte(char c)
{
    return writeAll(QByteArray(1, c));
}

bool Server::Private::writeAll(const QByteArray &bytes)
{
    int done = 0;
    int stalls = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        // Nobody reads the pty and its buffer is full: give up rather than hang.
        pollfd p[2] = {{master, POLLOUT, 0}, {wakeRead, POLLIN, 0}};
        if (++stalls > 10 || ::poll(p, 2, 10) < 0 || (p[1].revents & POLLIN))
            return false;
    }
    return true;
}

} // namespace sim
