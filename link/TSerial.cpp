#include "link/TSerial.h"

#include "platform/Profile.h"
#include "platform/TextError.h"

#include <QSerialPort>

namespace {

// Without any total time-out the classic driver would block forever; we never want that.
constexpr int kUnboundedWaitCapMs = 1000;

QSerialPort::StopBits qtStopBits(quint8 code)
{
    // Linux has no one-and-a-half stop bits. The classic driver refuses code 1 with 8 data
    // bits and keeps the earlier setting, which on a fresh port is one stop bit.
    return code == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop;
}

QSerialPort::Parity qtParity(quint8 code)
{
    switch (code) {
    case 1:
        return QSerialPort::OddParity;
    case 2:
        return QSerialPort::EvenParity;
    case 3:
        return QSerialPort::MarkParity;
    case 4:
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

quint8 parityCode(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::OddParity:
        return 1;
    case QSerialPort::EvenParity:
        return 2;
    case QSerialPort::MarkParity:
        return 3;
    case QSerialPort::SpaceParity:
        return 4;
    default:
        return 0;
    }
}

} // namespace

TSerial::TSerial(int portNumber) : TSerial(portNumber, comPortPath(portNumber)) {}

TSerial::TSerial(int portNumber, const QString &devicePath)
    : m_portNumber(portNumber), m_port(new QSerialPort)
{
    m_port->setPortName(devicePath);
    if (devicePath.isEmpty() || !m_port->open(QIODevice::ReadWrite)) {
        delete m_port;
        throw TextError(QStringLiteral("Sériový port ") + portName(portNumber) +
                        QStringLiteral(" nelze otevřít"));
    }
    readState();
    writeState();
}

TSerial::~TSerial()
{
    m_port->close();
    delete m_port;
}

void TSerial::readState()
{
    m_state.baudRate = static_cast<quint32>(m_port->baudRate());
    m_state.byteSize = static_cast<quint8>(m_port->dataBits());
    m_state.parity = parityCode(m_port->parity());
    m_state.stopBits = m_port->stopBits() == QSerialPort::TwoStop ? 2 : 0;
}

void TSerial::writeState()
{
    // The platform's verdict is ignored: a refused setting leaves the earlier one in force.
    // Only what differs goes to the driver: every setting costs system calls, and the port
    // is opened and configured for every exchange.
    m_state.abortOnError = false;
    const auto baud = static_cast<qint32>(m_state.baudRate);
    if (m_port->baudRate() != baud)
        m_port->setBaudRate(baud);
    const auto dataBits = static_cast<QSerialPort::DataBits>(m_state.byteSize);
    if (m_port->dataBits() != dataBits)
        m_port->setDataBits(dataBits);
    const QSerialPort::Parity parity = qtParity(m_state.parity);
    if (m_port->parity() != parity)
        m_port->setParity(parity);
    const QSerialPort::StopBits stopBits = qtStopBits(m_state.stopBits);
    if (m_port->stopBits() != stopBits)
        m_port->setStopBits(stopBits);
    if (m_port->flowControl() != QSerialPort::NoFlowControl)
        m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->clearError();
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
    // Qt has no driver queue sizes; its own read buffer is the closest equivalent.
    m_port->setReadBufferSize(input > 0 ? input : 0);
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

int TSerial::writeByte(quint8 byte)
{
    const char c = static_cast<char>(byte);
    if (m_port->write(&c, 1) != 1)
        return 0;
    int budget = m_timeouts.writeTotalMultiplier + m_timeouts.writeTotalConstant;
    if (budget <= 0)
        budget = kUnboundedWaitCapMs;
    while (m_port->bytesToWrite() > 0) {
        if (!m_port->waitForBytesWritten(budget))
            return 0;
    }
    return 1;
}

int TSerial::readByte(quint8 &byte)
{
    if (m_port->bytesAvailable() == 0) {
        // One byte: the total time-out is multiplier x 1 + constant.
        int budget = m_timeouts.readTotalMultiplier + m_timeouts.readTotalConstant;
        if (budget <= 0)
            budget = m_timeouts.readInterval > 0 ? m_timeouts.readInterval : kUnboundedWaitCapMs;
        if (!m_port->waitForReadyRead(budget))
            return 0;
    }
    char c;
    if (m_port->read(&c, 1) != 1)
        return 0;
    byte = static_cast<quint8>(c);
    return 1;
}

QString TSerial::portName(int portNumber)
{
    return QStringLiteral("COM%1").arg(portNumber);
}

QString TSerial::comPortPath(int portNumber)
{
    const Profile map(workingFile(QStringLiteral("serialPorts.ini")));
    const QString configured =
        map.readString(QStringLiteral("ports"), portName(portNumber), QString());
    if (!configured.trimmed().isEmpty())
        return configured.trimmed();
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
