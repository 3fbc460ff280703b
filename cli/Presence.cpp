#include "cli/Presence.h"

#include "link/Messages.h"

WaitingLine::Step WaitingLine::seen(qint64 nowMs, int error)
{
    State state = State::BadReplies;
    if (error == 0)
        state = State::Answering;
    else if (error == ErrPortClosed)
        state = State::PortClosed;
    else if (error == ErrNoReply)
        state = State::Silent;
    Step step;
    if (state != m_state) {
        m_state = state;
        m_since = nowMs;
        switch (state) {
        case State::PortClosed:
            step.say = Say::PortClosed;
            break;
        case State::BadReplies:
            step.say = Say::BadReplies;
            break;
        case State::Silent:
            step.say = Say::Silent;
            break;
        case State::Unknown:
        case State::Answering:
            break;
        }
    }
    step.giveUp = state == State::PortClosed && nowMs - m_since >= m_giveUpMs;
    return step;
}

void DeviceWatch::handled(const QString &identification, qint64 nowMs)
{
    m_identification = identification;
    m_silentPolls = 0;
    m_silentSince = nowMs;
    m_interrupted = false;
}

DeviceWatch::Verdict DeviceWatch::seen(qint64 nowMs, int error, const QString &identification)
{
    // A port that cannot be opened hears no device either (an adapter pulled out).
    if (error == ErrNoReply || error == ErrPortClosed) {
        if (m_silentPolls++ == 0)
            m_silentSince = nowMs;
        m_interrupted = true;
        return m_silentPolls >= kSilentPolls && nowMs - m_silentSince >= kGapMs ? Verdict::Gone
                                                                               : Verdict::Silent;
    }
    // Something answers, if only with a damaged reply: no silence.
    m_silentPolls = 0;
    if (error != 0)
        return Verdict::Same;
    const bool afterSilence = m_interrupted;
    m_interrupted = false;
    if (identification != m_identification)
        return Verdict::Another;
    return afterSilence ? Verdict::Recheck : Verdict::Same;
}
