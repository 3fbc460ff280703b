#pragma once

#include "link/PortDiagnosis.h"

#include <QString>
#include <QtGlobal>

// A network gateway's address from a device path "tcp://HOST:PORT".
struct GatewayAddress {
    QString host;
    quint16 port = 0;
    bool valid() const { return !host.isEmpty() && port != 0; }
};
GatewayAddress parseGatewayPath(const QString &path);

// How long opening waits for the gateway to accept the connection.
constexpr int kGatewayConnectMs = 3000;
// A later byte of a reply may wait for the network too: a gateway can split a frame over
// two packets.
constexpr int kGatewayByteMs = 100;

// The lines of PortDiagnosis::details() for the problems of a gateway.
QString gatewayDetails(const PortDiagnosis &diagnosis);
