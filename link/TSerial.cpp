#include "link/TSerial.h"

#include "link/GatewayDevice.h"
#include "link/SerialDevice.h"
#include "platform/Profile.h"
#include "platform/TextError.h"

#include <algorithm>

namespace {

// Without any total time-out the classic driver would block forever; we never want that.
constexpr int kUnboundedWaitCapMs = 1000;

} // namespace

TSerial::TSerial(int portNumber) : TSerial(portNumber, comPortPath(portNumber)) {}

TSerial::TSerial(int portNumber, const QString &devicePath)
    : m_portNumber(portNumber), m_device(SerialDevice::createFor(devicePath))
{
    m_gateway = isGatewayPath(devicePath);
    if (!m_device->open(devicePath)) {
        throw TextError(QStringLiteral("Sériový port ") + portName(portNumber) +
                        QStringLiteral(" nelze otevřít"));
    }
    readState();
    writeState();
}

TSerial::~TSerial() = default;

void TSerial::readState()
{
    const SerialDevice::Settings s = m_device->settings();
    m_state.baudRate = s.baudRate;
    m_state.byteSize = s.byteSize;
    m_state.parity = s.parity;
    m_state.stopBits = s.stopBits;
}

void TSerial::writeState()
{
    // The platform's verdict is ignored: a refused setting leaves the earlier one in force.
    m_state.abortOnError = false;
    SerialDevice::Settings s;
    s.baudRate = m_state.baudRate;
    s.byteSize = m_state.byteSize;
    s.parity = m_state.parity;
    s.stopBits = m_state.stopBits;
    m_device->apply(s);
}

void TSerial::setBaudRate(quint32 baudRate)
{
    readState();
    m_state.baudRate = baudRate;
    writeState();
}

void TSerial::setParity(quint8 parity)
{
    readState();
    m_state.parity = parity;
    writeState();
}

void TSerial::setByteSize(quint8 byteSize)
{
    readState();
    m_state.byteSize = byteSize;
    writeState();
}

void TSerial::setStopBits(quint8 stopBits)
{
    readState();
    m_state.stopBits = stopBits;
    writeState();
}

void TSerial::setBuffers(int input, int /*output*/)
{
    m_device->setReadBufferSize(input);
}

void TSerial::setReadIntervalTimeout(int ms)
{
    m_timeouts.readInterval = ms;
}
void TSerial::setReadTotalTimeoutMultiplier(int ms)
{
    m_timeouts.readTotalMultiplier = ms;
}
void TSerial::setReadTotalTimeoutConstant(int ms)
{
    m_timeouts.readTotalConstant = ms;
}
void TSerial::setWriteTotalTimeoutMultiplier(int ms)
{
    m_timeouts.writeTotalMultiplier = ms;
}
void TSerial::setWriteTotalTimeoutConstant(int ms)
{
    m_timeouts.writeTotalConstant = ms;
}
void TSerial::setFirstByteTimeout(int ms)
{
    m_firstByteTimeout = qMax(ms, 0);
}

int TSerial::writeByte(quint8 byte)
{
    // One byte: the total time-out is multiplier x 1 + constant.
    int budget = m_timeouts.writeTotalMultiplier + m_timeouts.writeTotalConstant;
    if (budget <= 0)
        budget = kUnboundedWaitCapMs;
    const int written = m_device->writeByte(byte, budget);
    if (written == 1) {
        if (m_sending == 0)
            m_sendingSince = Clock::now();
        ++m_sending;
    }
    return written;
}

void TSerial::drain()
{
    m_device->drain();
    // The bytes went to the driver at once and left one character time apart from the
    // first on. A driver that says "sent" before that (a pseudo-terminal, some USB
    // adapters) would start the reply's time-out while the device still receives.
    const Clock::time_point onWire = m_sendingSince + m_sending * characterTime();
    m_sentAt = std::max(Clock::now(), onWire);
    m_sending = 0;
    m_awaitingFirst = true;
}

int TSerial::readByteWithin(quint8 &byte, int ms)
{
    m_sending = 0;
    m_awaitingFirst = false;
    return m_device->readByte(byte, qMax(ms, 0));
}

int TSerial::readByte(quint8 &byte)
{
    m_sending = 0;
    const int budget = readBudget();
    m_awaitingFirst = false;
    return m_device->readByte(byte, budget);
}

int TSerial::readBudget() const
{
    int budget = m_timeouts.readTotalMultiplier + m_timeouts.readTotalConstant;
    if (m_awaitingFirst && m_firstByteTimeout > 0)
        budget = m_firstByteTimeout;
    else if (budget <= 0)
        budget = m_timeouts.readInterval > 0 ? m_timeouts.readInterval : kUnboundedWaitCapMs;
    else if (m_gateway)
        budget = std::max(budget, kGatewayByteMs);
    // Before the request is off the wire the time-out has not begun.
    const auto ahead = m_sentAt - Clock::now();
    if (ahead > Clock::duration::zero())
        budget += static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(ahead).count());
    return budget;
}

std::chrono::microseconds TSerial::characterTime() const
{
    if (m_state.baudRate == 0)
        return std::chrono::microseconds(0);
    // Port layers without one and a half stop bits send one for code 1.
    const int bits =
        1 + m_state.byteSize + (m_state.parity != 0 ? 1 : 0) + (m_state.stopBits == 2 ? 2 : 1);
    return std::chrono::microseconds(bits * 1000000LL / m_state.baudRate);
}

QString TSerial::portName(int portNumber)
{
    return QStringLiteral("COM%1").arg(portNumber);
}

bool TSerial::isGatewayPath(const QString &path)
{
    return path.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive);
}

int TSerial::firstByteTimeoutFor(int portNumber)
{
    const Profile map(workingFile(QStringLiteral("serialPorts.ini")));
    const int configured =
        map.readInteger(QStringLiteral("timeouts"), portName(portNumber), -1);
    if (configured > 0)
        return configured;
    return isGatewayPath(comPortPath(portNumber)) ? kGatewayFirstByteMs : 0;
}

QString TSerial::comPortPath(int portNumber)
{
    const Profile map(workingFile(QStringLiteral("serialPorts.ini")));
    const QString configured =
        map.readString(QStringLiteral("ports"), portName(portNumber), QString()).trimmed();
    if (!configured.isEmpty())
        return configured;
#ifdef Q_OS_WIN
    return portName(portNumber);
#else
    if (portNumber >= 1 && portNumber <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
    if (portNumber >= 5 && portNumber <= 12)
        return QStringLiteral("/dev/ttyUSB%1").arg(portNumber - 5);
    if (portNumber >= 13 && portNumber <= 20)
        return QStringLiteral("/dev/ttyACM%1").arg(portNumber - 13);
    return QString();
#endif
}
