#pragma once

#include <QByteArray>
#include <QString>

// The master side of a raw pseudo-terminal, driven by the test itself: replies can be queued
// before an exchange, so any byte sequence (also a broken one) reaches the link without
// threads or timing.
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

private:
    int m_master = -1;
    int m_keepSlave = -1;
    QString m_slavePath;
};
