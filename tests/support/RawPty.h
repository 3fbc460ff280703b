#pragma once

#include <QByteArray>
#include <QString>
#include <thread>

// The master side of a raw pseudo-terminal, driven by the test itself: any byte sequence
// (also a broken one) reaches the link as the answer to its request.
class RawPty
{
public:
    RawPty();
    ~RawPty();
    RawPty(const RawPty &) = delete;
    RawPty &operator=(const RawPty &) = delete;

    bool isOpen() const { return m_master >= 0; }
    const QString &slavePath() const { return m_slavePath; }

    // Queues bytes for the slave side to read.
    void send(const QByteArray &bytes);
    // Everything the slave side wrote so far.
    QByteArray drain();
    // Drops bytes queued for the slave side that nobody read.
    void discardPending();
    // Sends `reply` once the slave side has written a request (as a device answers), on a
    // thread of its own; the next call or the destructor waits for it.
    void answerNextRequest(const QByteArray &reply);
    void waitAnswered();

private:
    int m_master = -1;
    int m_keepSlave = -1;
    QString m_slavePath;
    std::thread m_answer;
};
