#include "link/PortDiagnosis.h"

#include "link/GatewayDevice.h"
#include "link/TSerial.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// Processes that have the device open, from /proc (those of other users stay unseen
// without the rights to look).
QStringList holdersOf(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    QStringList holders;
    const QDir proc(QStringLiteral("/proc"));
    const QString self = QString::number(::getpid());
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        pid.toInt(&number);
        if (!number || pid == self)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QString &fd : fds.entryList(QDir::Files | QDir::System)) {
            if (QFileInfo(fds.filePath(fd)).symLinkTarget() != target)
                continue;
            QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
            QString name;
            if (comm.open(QIODevice::ReadOnly))
                name = QString::fromLocal8Bit(comm.readAll()).trimmed();
            holders << (name.isEmpty() ? pid : pid + QLatin1Char(' ') + name);
            break;
        }
    }
    return holders;
}

QString groupOf(const QString &path)
{
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    if (const group *g = ::getgrgid(st.st_gid))
        return QString::fromLocal8Bit(g->gr_name);
    return QString::number(st.st_gid);
}
#endif

} // namespace

QStringList availableSerialDevices()
{
    QStringList found;
    const QDir dev(QStringLiteral("/dev"));
    for (const QString &name : dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                             QDir::System | QDir::Files, QDir::Name))
        found << dev.filePath(name);
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QString &name : byId.entryList(QDir::System | QDir::Files, QDir::Name))
        found << byId.filePath(name);
    return found;
}

PortDiagnosis diagnosePort(int portNumber)
{
    return diagnosePath(TSerial::portName(portNumber), TSerial::comPortPath(portNumber));
}

PortDiagnosis diagnosePath(const QString &name, const QString &path)
{
    PortDiagnosis d;
    d.name = name;
    d.path = path;
    if (path.isEmpty()) {
        d.problem = PortDiagnosis::Problem::NotConfigured;
        d.available = availableSerialDevices();
        return d;
    }
    if (TSerial::isGatewayPath(path))
        return diagnoseGateway(name, path);
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    struct stat st {
    };
    if (::stat(native.constData(), &st) != 0) {
        d.problem = errno == EACCES ? PortDiagnosis::Problem::NoPermission
                                    : PortDiagnosis::Problem::Missing;
        d.available = availableSerialDevices();
        return d;
    }
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM) {
            d.problem = PortDiagnosis::Problem::NoPermission;
            d.group = groupOf(path);
        } else if (error == EBUSY) {
            d.problem = PortDiagnosis::Problem::Busy;
            d.holders = holdersOf(path);
        } else if (error == ENOENT || error == ENXIO || error == ENODEV) {
            d.problem = PortDiagnosis::Problem::Missing;
            d.available = availableSerialDevices();
        } else {
            d.problem = PortDiagnosis::Problem::Other;
            d.systemError = QString::fromLocal8Bit(std::strerror(error));
        }
        return d;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        d.problem = PortDiagnosis::Problem::NotATerminal;
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another program that opened the line as we do holds its lock.
        d.problem = PortDiagnosis::Problem::Busy;
        d.holders = holdersOf(path);
    }
    ::close(fd);
#endif
    return d;
}

QString PortDiagnosis::summary() const
{
    switch (problem) {
    case Problem::None:
        return QStringLiteral("lze otevřít");
    case Problem::NotConfigured:
        return QStringLiteral("port není přiřazen žádnému zařízení");
    case Problem::Missing:
        return QStringLiteral("zařízení neexistuje");
    case Problem::NoPermission:
        return QStringLiteral("přístup odepřen");
    case Problem::Busy:
        return QStringLiteral("port používá jiný program");
    case Problem::NotATerminal:
        return QStringLiteral("zařízení není sériový port");
    case Problem::Unresolved:
        return QStringLiteral("jméno brány nelze přeložit");
    case Problem::Refused:
        return QStringLiteral("brána odmítla spojení");
    case Problem::TimedOut:
        return QStringLiteral("brána neodpovídá");
    case Problem::Other:
        break;
    }
    return QStringLiteral("nelze otevřít: ") + systemError;
}

QString PortDiagnosis::details() const
{
    QStringList lines;
    lines << QStringLiteral("Port %1 odpovídá zařízení %2.")
                 .arg(name, path.isEmpty() ? QStringLiteral("(žádnému)") : path);
    switch (problem) {
    case Problem::None:
        lines << (TSerial::isGatewayPath(path)
                      ? QStringLiteral("Síťová brána přijala spojení.")
                      : QStringLiteral("Zařízení existuje a lze je otevřít."));
        break;
    case Problem::Unresolved:
    case Problem::Refused:
    case Problem::TimedOut:
        lines << gatewayDetails(*this);
        break;
    case Problem::NotConfigured:
        lines << QStringLiteral("Port není přiřazen žádnému zařízení (soubor serialPorts.ini, "
                                "sekce [ports]).");
        break;
    case Problem::Missing:
        lines << QStringLiteral("Takové zařízení neexistuje. Zkontrolujte, zda je převodník "
                                "připojen.");
        break;
    case Problem::NoPermission:
        lines << QStringLiteral("Přístup k zařízení byl odepřen.");
        if (!group.isEmpty())
            lines << QStringLiteral("Zařízení patří skupině %1. Přidejte uživatele do této "
                                    "skupiny (sudo usermod -aG %1 $USER) a přihlaste se znovu.")
                         .arg(group);
        break;
    case Problem::Busy:
        lines << QStringLiteral("Port právě používá jiný program.");
        if (!holders.isEmpty())
            lines << QStringLiteral("Drží jej proces: %1.").arg(holders.join(QStringLiteral(", ")));
        else
            lines << QStringLiteral("Který program to je, se zjistit nepodařilo.");
        break;
    case Problem::NotATerminal:
        lines << QStringLiteral("Zařízení není sériový port.");
        break;
    case Problem::Other:
        lines << QStringLiteral("Systém hlásí: %1.").arg(systemError);
        break;
    }
    if ((problem == Problem::Missing || problem == Problem::NotConfigured)) {
        if (available.isEmpty())
            lines << QStringLiteral("Žádné sériové zařízení USB nebylo nalezeno.");
        else
            lines << QStringLiteral("Nalezená sériová zařízení: %1.")
                         .arg(available.join(QStringLiteral(", ")));
    }
    return lines.join(QLatin1Char('\n'));
}
