#include "link/TTransmit.h"

#include "link/Messages.h"
#include "link/PortOwner.h"
#include "link/TSerial.h"
#include "link/Traffic.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/TextError.h"

namespace {

constexpr int kCoilPauseMs = 100;
// Shortest reply we ever evaluate: address, function, code and CRC.
constexpr int kMinimumReplyLength = 5;

// Raised inside an exchange; the error number travels in the result beside it.
struct OkwFailure {
};

bool arrivedNothing(const std::vector<quint8> &reply)
{
    for (quint8 b : reply)
        if (b != 0)
            return false;
    return true;
}

// A whole reply that names another device than the one asked is not the asked one's answer
// (a stray frame on a bus). A request to 255 may be answered under any address.
bool fromAnotherDevice(quint8 replyAddress, quint8 requestAddress)
{
    return requestAddress != 255 && replyAddress != requestAddress;
}

} // namespace

TTransmit::TTransmit(PortOwner &owner) : m_owner(owner) {}

void TTransmit::usePortSettings(const PortSettings &settings)
{
    m_portSettings = settings;
}

void TTransmit::pinTarget(const LineTarget &target)
{
    m_pinned = target;
}

LineTarget TTransmit::line() const
{
    return m_pinned ? *m_pinned : m_owner.target();
}

quint8 TTransmit::frameAddress() const
{
    return m_addressSet ? m_address : line().address;
}

void TTransmit::openPort()
{
    // The owner's own opening already follows its target; only a copy of its settings (a
    // thread's) or a pinned target needs the rate put in here.
    std::optional<PortSettings> settings = m_portSettings;
    if (!settings && m_pinned)
        settings = m_owner.portSettings();
    if (!settings) {
        m_owner.openPort();
        return;
    }
    settings->baudRate = line().baudRate;
    m_owner.openPortWith(*settings);
}

bool TTransmit::replyRunsOn(TSerial &port) const
{
    // Three and a half character times is the frame gap; allow the driver a little more.
    const quint32 baud = port.lineState().baudRate ? port.lineState().baudRate : 19200;
    const int gapMs = static_cast<int>(35000 / baud) + 5;
    quint8 extra = 0;
    return port.readByteWithin(extra, gapMs) == 1;
}

int TTransmit::readReply(TSerial &port, int length, std::vector<quint8> &reply,
                         bool repeatMissing, QByteArray *arrived)
{
    // The reply begins with the first byte that comes. A device that starts late (a busy
    // device, a loaded machine) would otherwise be read one place off, and its function
    // byte taken for an exception code; its last bytes would be left for the next exchange.
    // The start is awaited no longer than the whole reply could have taken, so a silent
    // device costs what it always did.
    reply.assign(static_cast<size_t>(length), 0);
    int got = 0;
    int misses = 0;
    quint8 byte = 0;
    for (int i = 0; i < length;) {
        if (port.readByte(byte) == 1) {
            ++got;
            if (arrived)
                arrived->append(static_cast<char>(byte));
        } else if (got == 0) {
            if (++misses >= length)
                break;
            continue;
        } else if (!repeatMissing) {
            byte = 0;
        }
        reply[static_cast<size_t>(i++)] = byte;
    }
    return got;
}

void TTransmit::clear()
{
    m_request.clear();
    m_reply.clear();
    m_values.clear();
    m_fifo.clear();
    m_addressSet = false;
    m_function = 0;
    m_start = -1;
    m_count = 0;
    m_coil = false;
}

void TTransmit::setAddress(quint8 address)
{
    m_address = address;
    m_addressSet = true;
}

void TTransmit::setFunction(quint8 function)
{
    m_function = function;
}
void TTransmit::setStart(qint32 start)
{
    m_start = start;
}
void TTransmit::setCount(qint16 count)
{
    m_count = count;
}
void TTransmit::setCoil(bool on)
{
    m_coil = on;
}
void TTransmit::addValue(qint16 value)
{
    m_values.push_back(value);
}

bool TTransmit::buildRequest()
{
    std::vector<quint8> frame;
    auto word = [&frame](int value) {
        frame.push_back(static_cast<quint8>((value >> 8) & 0xFF));
        frame.push_back(static_cast<quint8>(value & 0xFF));
    };

    frame.push_back(frameAddress());
    if (m_function == 0)
        return false;
    frame.push_back(m_function);
    if (m_start == -1)
        return false;
    word(m_start & 0xFFFF);

    switch (m_function) {
    case 3:
        word(m_count);
        break;
    case 4:
    case 6:
        for (qint16 v : m_values)
            word(v);
        break;
    case 5:
        word(m_coil ? 0xFF00 : 0x0000);
        break;
    case 16: {
        const int n = static_cast<int>(m_values.size());
        if (n == 0 || 2 * n > 255)
            return false;
        word(n);
        frame.push_back(static_cast<quint8>(2 * n));
        for (qint16 v : m_values)
            word(v);
        break;
    }
    default:
        return false;
    }

    quint8 high = 0, low = 0;
    crc16(frame.data(), static_cast<int>(frame.size()), high, low);
    frame.push_back(low);
    frame.push_back(high);
    m_request.insert(m_request.end(), frame.begin(), frame.end());
    return true;
}

TransmitResult TTransmit::transact(TransmitProgress *bar)
{
    TransmitResult result;
    m_collided = false;
    if (bar) {
        bar->setMaximum(3);
        bar->setPosition(1);
        bar->setBarVisible(true);
    }
    auto hideBar = [&]() {
        if (bar)
            bar->setBarVisible(false);
        return result;
    };
    // Nothing to send: the port is not touched (it may be another exchange's).
    if (m_request.empty())
        return hideBar();
    const ExchangeScope exclusive(m_owner);
    if (!exclusive) {
        qWarning("TTransmit: an exchange was started inside another one; refused");
        result.error = ErrInternal;
        return hideBar();
    }
    // The traffic monitor sees the request and the bytes that really came back.
    const bool watched = Traffic::recording();
    QByteArray arrived;
    const qint64 sent = watched ? Traffic::nowMs() : 0;
    auto finish = [&]() {
        m_owner.closePort();
        if (watched)
            Traffic::record(QByteArray(reinterpret_cast<const char *>(m_request.data()),
                                       static_cast<int>(m_request.size())),
                            arrived, result.error, sent, Traffic::nowMs());
        return hideBar();
    };

    try {
        try {
            openPort();
        } catch (...) {
            result.error = ErrPortClosed;
            throw OkwFailure();
        }
        if (!m_owner.serial) {
            result.error = ErrPortClosed;
            throw OkwFailure();
        }
        setPortTimeouts();
        TSerial &port = *m_owner.serial;

        for (quint8 b : m_request)
            port.writeByte(b);
        // The reply's time-outs begin once the request is off the wire: a long write takes
        // most of the first byte's 60 ms to send at 19200 Bd.
        port.drain();
        if (bar)
            bar->setPosition(bar->position() + 1);

        // The request's function decides the reply length; a function-3 count is signed.
        int expected = 8;
        if (m_function == 3)
            expected = 2 * static_cast<int>(m_count) + 5;
        if (expected < kMinimumReplyLength)
            expected = kMinimumReplyLength;
        if (m_function == 5)
            Clock::instance().waitProcessingEvents(kCoilPauseMs);

        // A byte that does not arrive repeats the one before it; nothing at all reads as 0,
        // which is no function code, so a silent device ends in error 6.
        readReply(port, expected, m_reply, true, watched ? &arrived : nullptr);

        result.error = checkReplyFunction(m_reply[1]);
        result.value = m_reply[2];
        if (bar)
            bar->setPosition(bar->position() + 1);
        if (result.error != 0) {
            result.error = mapException(m_reply[2]);
            if (result.error == ErrNoReply && !arrivedNothing(m_reply))
                m_collided = replyRunsOn(port);
            throw OkwFailure();
        }

        const int n = static_cast<int>(m_reply.size());
        if (m_function == 3) {
            quint8 high = 0, low = 0;
            crc16(m_reply.data(), n - 2, high, low);
            if (m_reply[n - 2] != low || m_reply[n - 1] != high) {
                result.error = ErrCrc;
                m_collided = replyRunsOn(port) || m_reply[0] != m_request[0];
                throw OkwFailure();
            }
            if (fromAnotherDevice(m_reply[0], m_request[0])) {
                result.error = ErrNoReply;
                throw OkwFailure();
            }
            for (int i = 3; i + 1 < n - 2; i += 2)
                m_fifo.push(static_cast<qint16>(joinBytes(m_reply[i], m_reply[i + 1])));
        } else {
            quint8 high = 0, low = 0;
            crc16(m_reply.data(), 6, high, low);
            if (m_reply[6] != low || m_reply[7] != high) {
                result.error = ErrCrc;
                m_collided = replyRunsOn(port) || m_reply[0] != m_request[0];
                throw OkwFailure();
            }
            if (fromAnotherDevice(m_reply[0], m_request[0])) {
                result.error = ErrNoReply;
                throw OkwFailure();
            }
        }
    } catch (const OkwFailure &) {
        // The error number is already in the result.
    } catch (...) {
        if (result.error == 0)
            result.error = ErrNoReply;
    }
    const bool wrote = result.error == ErrOk && !m_addressSet && (m_function == 16 || m_function == 6);
    finish();
    if (wrote)
        m_owner.deviceWritten(m_start, m_values);
    return result;
}

TransmitResult TTransmit::fixedRead(quint8 startLow, quint8 count, int replyLength, QString *text,
                                    TextDecoding decoding)
{
    TransmitResult result;
    m_collided = false;
    quint8 request[8] = {frameAddress(), 4, 0, startLow, 0, count, 0, 0};
    quint8 high = 0, low = 0;
    crc16(request, 6, high, low);
    request[6] = low;
    request[7] = high;

    const ExchangeScope exclusive(m_owner);
    if (!exclusive) {
        qWarning("TTransmit: a fixed read was started inside another exchange; refused");
        result.error = ErrInternal;
        return result;
    }
    const bool watched = Traffic::recording();
    const qint64 sent = watched ? Traffic::nowMs() : 0;
    const QByteArray requestBytes(reinterpret_cast<const char *>(request), 8);
    auto portClosed = [&] {
        result.error = ErrPortClosed;
        if (watched)
            Traffic::record(requestBytes, QByteArray(), result.error, sent, Traffic::nowMs());
        return result;
    };
    try {
        openPort();
    } catch (...) {
        m_owner.closePort();
        return portClosed();
    }
    if (!m_owner.serial)
        return portClosed();

    std::vector<quint8> reply(static_cast<size_t>(replyLength), 0);
    int arrived = 0;
    bool runsOn = false;
    try {
        setPortTimeouts();
        TSerial &port = *m_owner.serial;
        for (quint8 b : request)
            port.writeByte(b);
        port.drain();
        arrived = readReply(port, replyLength, reply, false, nullptr);
        if (arrived == replyLength) {
            crc16(reply.data(), replyLength - 2, high, low);
            const bool crcFits = reply[static_cast<size_t>(replyLength - 2)] == low &&
                                 reply[static_cast<size_t>(replyLength - 1)] == high;
            if (!crcFits)
                runsOn = replyRunsOn(port);
        }
    } catch (...) {
        // Whatever did not arrive stays 0.
    }
    m_owner.closePort();

    // The payload goes to the caller even when the reply is bad.
    if (text) {
        const QByteArray payload(reinterpret_cast<const char *>(reply.data()) + 3, replyLength - 5);
        // The firmware text is in the devices' code page, as is the customer text; the
        // identification is compared with the model names byte for byte.
        text->append(decoding == TextDecoding::CodePage ? fromWindows1250(payload)
                                                        : QString::fromLatin1(payload));
    }

    result.error = checkReplyFunction(reply[1]);
    if (result.error != 0) {
        result.error = mapException(reply[2]);
    } else {
        crc16(reply.data(), replyLength - 2, high, low);
        if (reply[static_cast<size_t>(replyLength - 2)] != low ||
            reply[static_cast<size_t>(replyLength - 1)] != high) {
            result.error = ErrCrc;
            m_collided = runsOn || reply[0] != request[0];
        } else if (fromAnotherDevice(reply[0], request[0])) {
            result.error = ErrNoReply;
        }
    }
    result.value = text ? reply[2] : joinBytes(reply[3], reply[4]);
    if (watched)
        Traffic::record(requestBytes,
                        QByteArray(reinterpret_cast<const char *>(reply.data()), arrived),
                        result.error, sent, Traffic::nowMs());
    return result;
}

TTransmit::Probe TTransmit::probe(quint8 function, quint16 start, quint8 count, int firstByteMs)
{
    Probe probe;
    m_collided = false;
    const quint8 address = frameAddress();
    quint8 request[8] = {address,
                         function,
                         static_cast<quint8>(start >> 8),
                         static_cast<quint8>(start & 0xFF),
                         0,
                         count,
                         0,
                         0};
    quint8 high = 0, low = 0;
    crc16(request, 6, high, low);
    request[6] = low;
    request[7] = high;

    const ExchangeScope exclusive(m_owner);
    if (!exclusive) {
        probe.kind = Probe::Kind::PortClosed;
        return probe;
    }
    const bool watched = Traffic::recording();
    const qint64 sent = watched ? Traffic::nowMs() : 0;
    try {
        openPort();
    } catch (...) {
        m_owner.closePort();
        probe.kind = Probe::Kind::PortClosed;
        return probe;
    }
    if (!m_owner.serial) {
        probe.kind = Probe::Kind::PortClosed;
        return probe;
    }
    TSerial &port = *m_owner.serial;
    setPortTimeouts();
    port.setFirstByteTimeout(qMax(firstByteMs, 1));
    for (quint8 b : request)
        port.writeByte(b);
    port.drain();

    // A normal reply is 5 + 2 x count bytes, an exception reply 5; the second byte tells.
    int expected = 5 + 2 * count;
    quint8 byte = 0;
    for (int i = 0; i < expected; ++i) {
        if (port.readByte(byte) != 1)
            break;
        probe.bytes.append(static_cast<char>(byte));
        if (i == 1 && byte == (function | 0x80))
            expected = 5;
    }
    const bool runsOn = !probe.bytes.isEmpty() && replyRunsOn(port);
    m_owner.closePort();

    const QByteArray &r = probe.bytes;
    const int n = static_cast<int>(r.size());
    if (n == 0) {
        probe.kind = Probe::Kind::Silent;
    } else if (runsOn || quint8(r[0]) != address ||
               (n >= 2 && quint8(r[1]) != function && quint8(r[1]) != (function | 0x80))) {
        // More than one frame on the line, or none that a single device sends.
        probe.kind = Probe::Kind::Collision;
        m_collided = true;
    } else {
        crc16(reinterpret_cast<const quint8 *>(r.constData()), qMax(n - 2, 0), high, low);
        if (n < expected || quint8(r[n - 2]) != low || quint8(r[n - 1]) != high) {
            probe.kind = Probe::Kind::Crc;
        } else if (quint8(r[1]) == (function | 0x80)) {
            probe.kind = Probe::Kind::Exception;
            probe.exceptionCode = quint8(r[2]);
        } else if (quint8(r[2]) != 2 * count) {
            probe.kind = Probe::Kind::Collision;
            m_collided = true;
        } else {
            probe.kind = Probe::Kind::Ok;
            for (int i = 0; i < count; ++i)
                probe.values.push_back(joinBytes(quint8(r[3 + 2 * i]), quint8(r[4 + 2 * i])));
        }
    }
    if (watched) {
        const int error = probe.kind == Probe::Kind::Ok          ? ErrOk
                          : probe.kind == Probe::Kind::Crc ||
                                  probe.kind == Probe::Kind::Collision
                              ? ErrCrc
                          : probe.kind == Probe::Kind::Exception ? mapException(quint8(r[2]))
                                                                 : ErrNoReply;
        Traffic::record(QByteArray(reinterpret_cast<const char *>(request), 8), probe.bytes,
                        error, sent, Traffic::nowMs());
    }
    return probe;
}

TransmitResult TTransmit::readFirmwareNumber()
{
    return fixedRead(0x00, 1, 7, nullptr);
}

TransmitResult TTransmit::readFirmwareText(QString &text)
{
    return fixedRead(0x18, 4, 13, &text, TextDecoding::CodePage);
}

TransmitResult TTransmit::readIdentification(QString &identification)
{
    return fixedRead(0x01, 8, 21, &identification);
}

TransmitResult TTransmit::readNewIdentification(QString &identification)
{
    return fixedRead(0x10, 8, 21, &identification);
}

qint16 TTransmit::nextValue()
{
    return m_fifo.pop();
}

void TTransmit::splitWord(qint16 value, quint8 &high, quint8 &low)
{
    const quint16 v = static_cast<quint16>(value);
    high = static_cast<quint8>(v >> 8);
    low = static_cast<quint8>(v & 0xFF);
}

quint16 TTransmit::joinBytes(quint8 high, quint8 low)
{
    return static_cast<quint16>(high * 256 + low);
}

void TTransmit::crc16(const quint8 *bytes, int count, quint8 &high, quint8 &low)
{
    quint16 reg = 0xFFFF;
    for (int i = 0; i < count; ++i) {
        reg ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            if (reg & 1)
                reg = static_cast<quint16>((reg >> 1) ^ 0xA001);
            else
                reg >>= 1;
        }
    }
    high = static_cast<quint8>(reg >> 8);
    low = static_cast<quint8>(reg & 0xFF);
}

int TTransmit::checkReplyFunction(quint8 function)
{
    switch (function) {
    case 3:
    case 4:
    case 5:
    case 6:
    case 16:
        return 0;
    case 0x83:
    case 0x84:
    case 0x85:
    case 0x86:
    case 0x90:
        return 1;
    default:
        return ErrNoReply;
    }
}

int TTransmit::mapException(quint8 code)
{
    switch (code) {
    case 1:
        return 2;
    case 2:
        return 3;
    case 3:
        return 4;
    case 4:
        return 5;
    case 8:
        return 8;
    default:
        return ErrNoReply;
    }
}

void TTransmit::setPortTimeouts()
{
    TSerial *port = m_owner.serial;
    if (!port)
        return;
    port->setReadIntervalTimeout(5);
    port->setReadTotalTimeoutMultiplier(10);
    port->setReadTotalTimeoutConstant(50);
    port->setWriteTotalTimeoutMultiplier(10);
    port->setWriteTotalTimeoutConstant(50);
}
