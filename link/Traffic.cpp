#include "link/Traffic.h"

#include <QDateTime>
#include <deque>
#include <mutex>

namespace Traffic {

namespace {

struct Log {
    std::mutex mutex;
    std::deque<Frame> frames;
    quint64 next = 1;
};

Log &log()
{
    static Log l;
    return l;
}

std::atomic<bool> g_recording{false};

void push(Log &l, Frame &&f)
{
    f.number = l.next++;
    l.frames.push_back(std::move(f));
    while (l.frames.size() > size_t(kCapacity))
        l.frames.pop_front();
}

} // namespace

bool recording()
{
    return g_recording.load(std::memory_order_relaxed);
}

void setRecording(bool on)
{
    g_recording.store(on, std::memory_order_relaxed);
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

void record(const QByteArray &request, const QByteArray &reply, int error, qint64 sent,
            qint64 received)
{
    Log &l = log();
    const std::lock_guard<std::mutex> lock(l.mutex);
    push(l, Frame{0, sent, false, request, 0});
    push(l, Frame{0, received, true, reply, error});
}

std::vector<Frame> since(quint64 after, quint64 *last)
{
    Log &l = log();
    const std::lock_guard<std::mutex> lock(l.mutex);
    std::vector<Frame> out;
    for (const Frame &f : l.frames)
        if (f.number > after)
            out.push_back(f);
    if (last)
        *last = l.next - 1;
    return out;
}

std::vector<Frame> take(quint64 after, quint64 *last)
{
    Log &l = log();
    const std::lock_guard<std::mutex> lock(l.mutex);
    std::vector<Frame> out;
    for (Frame &f : l.frames)
        if (f.number > after)
            out.push_back(std::move(f));
    l.frames.clear();
    if (last)
        *last = l.next - 1;
    return out;
}

void clear()
{
    Log &l = log();
    const std::lock_guard<std::mutex> lock(l.mutex);
    l.frames.clear();
}

} // namespace Traffic
