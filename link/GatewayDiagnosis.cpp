#include "link/GatewayDevice.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>

PortDiagnosis diagnoseGateway(const QString &name, const QString &path)
{
    PortDiagnosis d;
    d.name = name;
    d.path = path;
    const GatewayAddress address = parseGatewayPath(path);
    if (!address.valid()) {
        d.problem = PortDiagnosis::Problem::Other;
        d.systemError = QStringLiteral("adresa brány musí mít tvar tcp://JMÉNO:PORT");
        return d;
    }
    // A name that does not resolve is told apart from a gateway that does not answer.
    if (QHostAddress(address.host).isNull()) {
        const QHostInfo info = QHostInfo::fromName(address.host);
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
            d.problem = PortDiagnosis::Problem::Unresolved;
            d.systemError = info.errorString();
            return d;
        }
    }
    QTcpSocket socket;
    socket.connectToHost(address.host, address.port);
    if (socket.waitForConnected(kGatewayConnectMs)) {
        socket.disconnectFromHost();
        return d;
    }
    switch (socket.error()) {
    case QAbstractSocket::ConnectionRefusedError:
        d.problem = PortDiagnosis::Problem::Refused;
        break;
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::NetworkError:
        d.problem = PortDiagnosis::Problem::TimedOut;
        break;
    case QAbstractSocket::HostNotFoundError:
        d.problem = PortDiagnosis::Problem::Unresolved;
        break;
    default:
        d.problem = PortDiagnosis::Problem::Other;
        break;
    }
    d.systemError = socket.errorString();
    socket.abort();
    return d;
}

QString gatewayDetails(const PortDiagnosis &d)
{
    const GatewayAddress address = parseGatewayPath(d.path);
    switch (d.problem) {
    case PortDiagnosis::Problem::Unresolved:
        return QStringLiteral("Jméno %1 nelze přeložit na adresu v síti. Zkontrolujte jméno "
                              "brány v souboru serialPorts.ini a nastavení DNS.")
            .arg(address.host);
    case PortDiagnosis::Problem::Refused:
        return QStringLiteral("Brána %1 odmítla spojení na portu %2. Zkontrolujte číslo portu "
                              "a zda brána neobsluhuje jiný program.")
            .arg(address.host)
            .arg(address.port);
    case PortDiagnosis::Problem::TimedOut:
        return QStringLiteral("Brána %1 na portu %2 neodpověděla do %3 s. Zkontrolujte, zda je "
                              "zapnutá a dosažitelná v síti (adresa, směrování, firewall).")
            .arg(address.host)
            .arg(address.port)
            .arg(kGatewayConnectMs / 1000);
    default:
        return d.systemError;
    }
}
