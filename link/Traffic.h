#pragma once

// Every request and reply on the line, for the traffic monitor: the exchanges of the pages,
// the live readers and the test windows alike, from any thread. Recording is off until a
// monitor asks for it, and then costs one short lock per exchange.
//
//   Traffic::setRecording(true);
//   for (const Traffic::Frame &f : Traffic::since(lastSeen, &lastSeen)) ...

#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <vector>

namespace Traffic {

struct Frame {
    quint64 number = 0; // counts from 1, never reused
    qint64 timeMs = 0;  // since the epoch: when the request went out / the reply was in
    bool reply = false; // false: request to the device
    QByteArray bytes;
    int error = 0; // replies: the exchange's outcome (0: OK)
};

// At most this many frames are kept; older ones go first.
constexpr int kCapacity = 10000;

bool recording();
void setRecording(bool on);
// One exchange: the request, then what came back (empty when nothing did) and the outcome.
void record(const QByteArray &request, const QByteArray &reply, int error, qint64 sentMs,
            qint64 receivedMs);
// The time stamp of now, as record() takes it (cheap: no time zone involved).
qint64 nowMs();
// The frames after `after` (0: all kept); `last` gets the newest number.
std::vector<Frame> since(quint64 after, quint64 *last = nullptr);
void clear();
// The frames after `after`, which are then no longer kept (a long run that counts every
// exchange without holding them); `last` gets the newest number.
std::vector<Frame> take(quint64 after, quint64 *last = nullptr);

} // namespace Traffic
