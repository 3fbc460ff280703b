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
    // Fixed reads of input registers at address 255. Never throw.
    TransmitResult readFirmwareNumber();
    TransmitResult readFirmwareText(QString &text);
    TransmitResult readIdentification(QString &identification);
    TransmitResult readNewIdentification(QString &identification);

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
    enum class TextDecoding { Latin1, CodePage };
    TransmitResult fixedRead(quint8 startLow, quint8 count, int replyLength, QString *text,
                             TextDecoding decoding = TextDecoding::Latin1);

    PortOwner &m_owner;
    std::optional<PortSettings> m_portSettings;
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
