#pragma once

// What a batch makes of its identification polls, apart from the line and the clock, so
// the rules can be tested step by step.
//
// Waiting for a device (WaitingLine): silence is normal (nothing is connected yet); a port
// that cannot be opened, and replies that are damaged or refused, are said once each time
// they begin; a port that stays unopenable for the give-up time ends the batch.
//
// Watching the device just handled (DeviceWatch): one lost reply is no departure. A device
// is gone only after it stayed silent for the gap (a second) over several polls in a row.
// Until then, the same identification answering again is the same device; another
// identification is another device at once; the same identification after some silence
// is checked once more by its customer text (recheck).

#include <QString>
#include <QtGlobal>

class WaitingLine
{
public:
    explicit WaitingLine(qint64 giveUpMs) : m_giveUpMs(giveUpMs) {}

    enum class Say { Nothing, PortClosed, BadReplies, Silent };
    struct Step {
        Say say = Say::Nothing;
        bool giveUp = false; // the port stayed unopenable for the give-up time
    };
    // One identification read at nowMs with its error (0: a device answered).
    Step seen(qint64 nowMs, int error);

private:
    enum class State { Unknown, Answering, PortClosed, BadReplies, Silent };
    qint64 m_giveUpMs;
    State m_state = State::Unknown;
    qint64 m_since = 0;
};

class DeviceWatch
{
public:
    static constexpr qint64 kGapMs = 1000;
    static constexpr int kSilentPolls = 3;

    // The device that answered with this identification was handled at nowMs.
    void handled(const QString &identification, qint64 nowMs);

    enum class Verdict { Same, Recheck, Another, Silent, Gone };
    // One identification read (error 0: it answered with `identification`).
    Verdict seen(qint64 nowMs, int error, const QString &identification);

private:
    QString m_identification;
    int m_silentPolls = 0;
    qint64 m_silentSince = 0;
    bool m_interrupted = false; // silent polls since the last clean answer
};
