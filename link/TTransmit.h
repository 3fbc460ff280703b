#pragma once

#include "link/PortOwner.h"
#include "link/Queue.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

// What every exchange fills: error 0 is success, any other value indexes messageTable.
struct TransmitResult {
    qint32 value = 0;
    qint32 error = 0;
};

// The progress bar a transaction advances (the progress dialog's bar, or nothing).
class TransmitProgress
{
public:
    virtual ~TransmitProgress() = default;
    virtual void setMaximum(int maximum) = 0;
    virtual void setPosition(int position) = 0;
    virtual int position() const = 0;
    virtual void setBarVisible(bool visible) = 0;
};

// Modbus RTU master: one request, one transaction at a time, through the port owner.
class TTransmit
{
public:
    explicit TTransmit(PortOwner &owner);

    // Opens the port with these settings rather than the owner's current ones: a thread of
    // its own is handed a copy taken on the user-interface thread.
    void usePortSettings(const PortSettings &settings);
    // Talks to this device at this rate whatever the owner's target (a bus scan).
    void pinTarget(const LineTarget &target);
    // The address and rate of the next exchange: the pinned ones, else the owner's target.
    LineTarget line() const;

    void clear();
    void setAddress(quint8 address);
    void setFunction(quint8 function);
    void setStart(qint32 start);
    void setCount(qint16 count);
    void setCoil(bool on);
    void addValue(qint16 value);
    // Builds the request frame; false when it cannot be built.
    bool buildRequest();

    // Runs the built request. Never throws.
    TransmitResult transact(TransmitProgress *bar = nullptr);
    // Fixed reads of input registers at the target address (255 unless the session names a
    // device). Never throw.
    TransmitResult readFirmwareNumber();
    TransmitResult readFirmwareText(QString &text);
    TransmitResult readIdentification(QString &identification);
    TransmitResult readNewIdentification(QString &identification);

    // Whether the last exchange's reply went on past its end or had a header of no single
    // device: several devices answered at once (address 255 on a bus). Looked at only when
    // the reply failed, so a good exchange costs nothing.
    bool lastReplyCollided() const { return m_collided; }

    // One read (function 3 or 4) of a bus scan: waits `firstByteMs` for the reply to start
    // and gives up at once when it does not, so a silent address costs only that.
    struct Probe {
        enum class Kind { Silent, Ok, Exception, Crc, Collision, PortClosed };
        Kind kind = Kind::Silent;
        int exceptionCode = 0;
        std::vector<quint16> values;
        QByteArray bytes;
    };
    Probe probe(quint8 function, quint16 start, quint8 count, int firstByteMs);

    // The next register value of the last read; throws TextError "Fronta je prázdná".
    qint16 nextValue();

    static void splitWord(qint16 value, quint8 &high, quint8 &low);
    static quint16 joinBytes(quint8 high, quint8 low);
    static void crc16(const quint8 *bytes, int count, quint8 &high, quint8 &low);
    static int checkReplyFunction(quint8 function);
    static int mapException(quint8 code);

    const std::vector<quint8> &request() const { return m_request; }
    const std::vector<quint8> &reply() const { return m_reply; }
    int queuedValues() const { return m_fifo.size(); }

private:
    void openPort();
    void setPortTimeouts();
    quint8 frameAddress() const;
    // After a reply that failed: more bytes within a few character times mean a collision.
    bool replyRunsOn(TSerial &port) const;
    // Reads a reply of `length` bytes from its first byte on; a byte missing after that
    // repeats the one before it (or is 0). Returns how many bytes arrived.
    static int readReply(TSerial &port, int length, std::vector<quint8> &reply, bool repeatMissing,
                         QByteArray *arrived);
    enum class TextDecoding { Latin1, CodePage };
    TransmitResult fixedRead(quint8 startLow, quint8 count, int replyLength, QString *text,
                             TextDecoding decoding = TextDecoding::Latin1);

    PortOwner &m_owner;
    std::optional<PortSettings> m_portSettings;
    std::optional<LineTarget> m_pinned;
    bool m_collided = false;
    std::vector<quint8> m_request;
    std::vector<quint8> m_reply;
    std::vector<qint16> m_values;
    Queue m_fifo;
    bool m_addressSet = false;
    quint8 m_address = 0;
    quint8 m_function = 0;
    qint16 m_count = 0;
    qint32 m_start = -1;
    bool m_coil = false;
};
