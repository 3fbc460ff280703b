// The byte pipe to a transparent serial server: the RTU frames travel unchanged over one TCP
// connection, opened for an exchange and closed after it, as the serial port is. A
// connection on a local network costs about one round trip (a millisecond), far less than
// one reply's time-out, and most such servers take one client at a time: holding the
// connection between exchanges would lock out every other tool on the bus for nothing.

#include "link/GatewayDevice.h"
#include "link/SerialDevice.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QUrl>

GatewayAddress parseGatewayPath(const QString &path)
{
    GatewayAddress address;
    const QUrl url(path.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().compare(QLatin1String("tcp"), Qt::CaseInsensitive) != 0)
        return address;
    const int port = url.port(-1);
    if (port <= 0 || port > 65535 || !url.path().isEmpty())
        return address;
    address.host = url.host();
    address.port = static_cast<quint16>(port);
    return address;
}

namespace {

class GatewayDevice : public SerialDevice
{
public:
    bool open(const QString &path) override
    {
        const GatewayAddress address = parseGatewayPath(path);
        if (!address.valid())
            return false;
        m_socket.connectToHost(address.host, address.port);
        if (!m_socket.waitForConnected(kGatewayConnectMs)) {
            m_socket.abort();
            return false;
        }
        // Frames go out whole at drain(): no waiting for more bytes to fill a packet.
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return true;
    }

    // The line settings are the gateway's own; they are kept only to be reported back.
    Settings settings() const override { return m_settings; }
    void apply(const Settings &settings) override { m_settings = settings; }
    void setReadBufferSize(int) override {}

    int writeByte(quint8 byte, int) override
    {
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            return 0;
        m_pending.append(static_cast<char>(byte));
        return 1;
    }

    void drain() override
    {
        if (m_pending.isEmpty())
            return;
        m_socket.write(m_pending);
        m_pending.clear();
        QElapsedTimer timer;
        timer.start();
        while (m_socket.bytesToWrite() > 0 && timer.elapsed() < kGatewayConnectMs &&
               m_socket.waitForBytesWritten(kGatewayConnectMs - int(timer.elapsed()))) {
        }
    }

    int readByte(quint8 &byte, int budgetMs) override
    {
        drain();
        if (m_socket.bytesAvailable() == 0) {
            QElapsedTimer timer;
            timer.start();
            const int budget = budgetMs;
            // waitForReadyRead may return early (a signal, a closed connection): try again
            // within the budget.
            while (m_socket.bytesAvailable() == 0 && timer.elapsed() < budget &&
                   m_socket.state() == QAbstractSocket::ConnectedState)
                m_socket.waitForReadyRead(budget - int(timer.elapsed()));
            if (m_socket.bytesAvailable() == 0)
                return 0;
        }
        char c = 0;
        if (m_socket.read(&c, 1) != 1)
            return 0;
        byte = static_cast<quint8>(c);
        return 1;
    }

private:
    QTcpSocket m_socket;
    QByteArray m_pending;
    Settings m_settings;
};

} // namespace

std::unique_ptr<SerialDevice> createGatewayDevice()
{
    return std::make_unique<GatewayDevice>();
}
