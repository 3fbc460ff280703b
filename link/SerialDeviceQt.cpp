#include "link/SerialDevice.h"

#include <QSerialPort>
#include <atomic>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <termios.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace {

std::atomic<SerialDevice::Backend> g_backend{SerialDevice::Backend::Native};

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

class QtSerialDevice : public SerialDevice
{
public:
    bool open(const QString &path) override
    {
        m_port.setPortName(path);
        if (path.isEmpty() || !m_port.open(QIODevice::ReadWrite))
            return false;
        // As the native backend: bytes from before the open answer no request of ours.
        m_port.clear(QSerialPort::Input);
        return true;
    }

    Settings settings() const override
    {
        Settings s;
        s.baudRate = static_cast<quint32>(m_port.baudRate());
        s.byteSize = static_cast<quint8>(m_port.dataBits());
        s.parity = parityCode(m_port.parity());
        s.stopBits = m_port.stopBits() == QSerialPort::TwoStop ? 2 : 0;
        return s;
    }

    void apply(const Settings &s) override
    {
        // Every setter costs system calls: only what differs goes to the driver.
        const auto baud = static_cast<qint32>(s.baudRate);
        if (m_port.baudRate() != baud)
            m_port.setBaudRate(baud);
        const auto dataBits = static_cast<QSerialPort::DataBits>(s.byteSize);
        if (m_port.dataBits() != dataBits)
            m_port.setDataBits(dataBits);
        if (m_port.parity() != qtParity(s.parity))
            m_port.setParity(qtParity(s.parity));
        // No one-and-a-half stop bits here: code 1 keeps one stop bit.
        const auto stopBits = s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop;
        if (m_port.stopBits() != stopBits)
            m_port.setStopBits(stopBits);
        if (m_port.flowControl() != QSerialPort::NoFlowControl)
            m_port.setFlowControl(QSerialPort::NoFlowControl);
        m_port.clearError();
    }

    void setReadBufferSize(int bytes) override { m_port.setReadBufferSize(bytes > 0 ? bytes : 0); }

    int writeByte(quint8 byte, int budgetMs) override
    {
        const char c = static_cast<char>(byte);
        if (m_port.write(&c, 1) != 1)
            return 0;
        while (m_port.bytesToWrite() > 0) {
            if (!m_port.waitForBytesWritten(budgetMs))
                return 0;
        }
        return 1;
    }

    int readByte(quint8 &byte, int budgetMs) override
    {
        if (m_port.bytesAvailable() == 0 && !m_port.waitForReadyRead(budgetMs))
            return 0;
        char c;
        if (m_port.read(&c, 1) != 1)
            return 0;
        byte = static_cast<quint8>(c);
        return 1;
    }

    void drain() override
    {
        // Qt's own wait ends when the driver has the bytes, not when the line sent them: the
        // handle's drain does the rest.
        m_port.flush();
        while (m_port.bytesToWrite() > 0) {
            if (!m_port.waitForBytesWritten(kDrainBudgetMs))
                return;
        }
#if defined(Q_OS_UNIX)
        while (::tcdrain(m_port.handle()) != 0 && errno == EINTR) {
        }
#elif defined(Q_OS_WIN)
        ::FlushFileBuffers(m_port.handle());
#endif
    }

private:
    // The longest request (263 bytes) needs 2.3 s at 1200 Bd.
    static constexpr int kDrainBudgetMs = 3000;
    QSerialPort m_port;
};

} // namespace

std::unique_ptr<SerialDevice> createQtSerialDevice()
{
    return std::make_unique<QtSerialDevice>();
}

static SerialDevice::Factory &installedFactory()
{
    static SerialDevice::Factory factory;
    return factory;
}

std::unique_ptr<SerialDevice> SerialDevice::create()
{
    if (const Factory &factory = installedFactory())
        return factory();
    if (g_backend.load() == Backend::Native) {
        if (auto native = createNativeSerialDevice())
            return native;
    }
    return createQtSerialDevice();
}

std::unique_ptr<SerialDevice> SerialDevice::createFor(const QString &path)
{
    if (!installedFactory() && path.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive))
        return createGatewayDevice();
    return create();
}

void SerialDevice::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}

void SerialDevice::setBackend(Backend backend)
{
    g_backend.store(backend);
}

SerialDevice::Backend SerialDevice::backend()
{
    return g_backend.load();
}
