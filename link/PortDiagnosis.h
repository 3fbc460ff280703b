#pragma once

// Why a serial port will not open, in words a technician can act on: the device path the
// COM name resolves to, whether such a device exists (and which serial devices do), whether
// permission is denied (who may open it and what helps), whether another process holds it
// (and which one, where that can be found).
//
//   const PortDiagnosis d = diagnosePort(3);
//   if (d.problem != PortDiagnosis::Problem::None) box.setDetailedText(d.details());
//
// A port that opens can still be read by another program that has it open without a lock
// (a terminal program, a modem manager): the replies go to whoever reads first. When a
// device stays silent, silenceDiagnosis() names such programs.

#include <QString>
#include <QStringList>

// Who may open a device by its mode bits, and who asks.
struct PortAccess {
    unsigned mode = 0;          // permission bits (0660)
    QString owner;              // user owning the device
    QString group;              // group owning the device
    QString user;               // who asks
    QStringList memberOf;       // the user's groups in the group database
    QStringList sessionGroups;  // the groups the running program has (as of its login)
};

// Czech lines that say who may open the device and what the user can do. A group is
// advised only where it has read and write rights, the user is not in it yet, and joining
// it is safe (never root or another group of administrators).
QStringList permissionAdvice(const PortAccess &access);

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
    PortAccess access;     // NoPermission
    QStringList holders;   // "1234 minicom": Busy, and None where others have it open too
    QStringList available; // serial devices that exist (/dev/ttyUSB0, /dev/serial/by-id/...)
    QString systemError;   // the system's own words (Other)

    // Czech lines for the details of a message box, and for `ovrin-cli ports`.
    QString details() const;
    // One short Czech line: "lze otevřít", "zařízení neexistuje", ...
    QString summary() const;
};

// Tries the device the way an exchange opens it, without keeping it open.
PortDiagnosis diagnosePort(int portNumber);
PortDiagnosis diagnosePath(const QString &name, const QString &path);
// The same for a gateway: resolves the name and connects once.
PortDiagnosis diagnoseGateway(const QString &name, const QString &path);
// The serial devices that exist: USB and ACM adapters, ttyS ports with a UART behind them,
// and the stable names under /dev/serial/by-id.
QStringList availableSerialDevices();
// Other processes that have the device open ("1234 minicom"), found in /proc (those of
// other users stay unseen without the rights to look). This process and the far end of a
// pseudo-terminal (the process holding its master: the device's side) do not count.
QStringList portHolders(const QString &path);
// Czech lines on why a device on this port may stay silent, where something was found
// (other programs that have the port open); empty otherwise.
QString silenceDiagnosis(int portNumber);
