#pragma once

// Why a serial port will not open, in words a technician can act on: the device path the
// COM name resolves to, whether such a device exists (and which serial devices do), whether
// permission is denied (the group that owns the device and the usual remedy), whether
// another process holds it (and which one, where that can be found).
//
//   const PortDiagnosis d = diagnosePort(3);
//   if (d.problem != PortDiagnosis::Problem::None) box.setDetailedText(d.details());

#include <QString>
#include <QStringList>

struct PortDiagnosis {
    enum class Problem {
        None,
        NotConfigured,
        Missing,
        NoPermission,
        Busy,
        NotATerminal,
        Other,
        // A network gateway (tcp://HOST:PORT): the name does not resolve, the gateway
        // refuses the connection, or nothing answers within the connect time-out.
        Unresolved,
        Refused,
        TimedOut,
    };

    QString name; // "COM3"
    QString path; // what it resolves to
    Problem problem = Problem::None;
    QString group;         // the device's group (NoPermission)
    QStringList holders;   // "1234 minicom" (Busy), where they can be found
    QStringList available; // serial devices that exist (/dev/ttyUSB0, /dev/serial/by-id/...)
    QString systemError;   // the system's own words (Other)

    // Czech lines for the details of a message box, and for `ovrin-cli ports`.
    QString details() const;
    // One short Czech line: "v pořádku", "zařízení neexistuje", ...
    QString summary() const;
};

// Tries the device the way an exchange opens it, without keeping it open.
PortDiagnosis diagnosePort(int portNumber);
PortDiagnosis diagnosePath(const QString &name, const QString &path);
// The same for a gateway: resolves the name and connects once.
PortDiagnosis diagnoseGateway(const QString &name, const QString &path);
// The serial devices that exist (ttyS only where they answer as terminals).
QStringList availableSerialDevices();
