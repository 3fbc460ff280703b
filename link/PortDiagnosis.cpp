#include "link/PortDiagnosis.h"

#include "link/GatewayDevice.h"
#include "link/TSerial.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The pty number of /dev/pts/N, or -1.
int ptyIndexOf(const QString &canonicalPath)
{
    static const QString prefix = QStringLiteral("/dev/pts/");
    if (!canonicalPath.startsWith(prefix))
        return -1;
    bool ok = false;
    const int n = canonicalPath.mid(prefix.size()).toInt(&ok);
    return ok ? n : -1;
}

// Whether descriptor fd of process pid is the master of pty `index` (its fdinfo says so).
bool isMasterOf(const QString &pid, const QString &fd, int index)
{
    QFile info(QStringLiteral("/proc/%1/fdinfo/%2").arg(pid, fd));
    if (!info.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : info.readAll().split('\n'))
        if (line.startsWith("tty-index:"))
            return line.mid(10).trimmed().toInt() == index;
    return false;
}

QString nameOf(const QString &pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    QString name;
    if (comm.open(QIODevice::ReadOnly))
        name = QString::fromLocal8Bit(comm.readAll()).trimmed();
    return name.isEmpty() ? pid : pid + QLatin1Char(' ') + name;
}

QString nameOfUser(uid_t uid)
{
    if (const passwd *p = ::getpwuid(uid))
        return QString::fromLocal8Bit(p->pw_name);
    return QString::number(uid);
}

QString nameOfGroup(gid_t gid)
{
    if (const group *g = ::getgrgid(gid))
        return QString::fromLocal8Bit(g->gr_name);
    return QString::number(gid);
}

// The device's mode and owners, and the groups of the user who runs us.
PortAccess accessOf(const struct stat &st)
{
    PortAccess a;
    a.mode = st.st_mode & 07777;
    a.owner = nameOfUser(st.st_uid);
    a.group = nameOfGroup(st.st_gid);
    a.user = nameOfUser(::geteuid());
    if (const passwd *p = ::getpwuid(::geteuid())) {
        int count = 64;
        std::vector<gid_t> groups(static_cast<size_t>(count));
        if (::getgrouplist(p->pw_name, p->pw_gid, groups.data(), &count) < 0) {
            groups.resize(size_t(count));
            ::getgrouplist(p->pw_name, p->pw_gid, groups.data(), &count);
        }
        for (int i = 0; i < count && i < int(groups.size()); ++i)
            a.memberOf << nameOfGroup(groups[size_t(i)]);
    }
    const int n = ::getgroups(0, nullptr);
    std::vector<gid_t> session(static_cast<size_t>(std::max(n, 0)));
    if (n > 0 && ::getgroups(n, session.data()) == n)
        for (gid_t g : session)
            a.sessionGroups << nameOfGroup(g);
    a.sessionGroups << nameOfGroup(::getegid());
    return a;
}
#endif

QString modeText(unsigned mode)
{
    return QStringLiteral("%1").arg(mode & 0777, 4, 8, QLatin1Char('0'));
}

} // namespace

QStringList portHolders(const QString &path)
{
    QStringList holders;
#ifdef Q_OS_UNIX
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty())
        return holders;
    const int pty = ptyIndexOf(target);
    const QDir proc(QStringLiteral("/proc"));
    const QString self = QString::number(::getpid());
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        pid.toInt(&number);
        if (!number || pid == self)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        bool holds = false;
        bool peer = false;
        for (const QString &fd : fds.entryList(QDir::Files | QDir::System)) {
            const QString link = QFileInfo(fds.filePath(fd)).symLinkTarget();
            if (link == target)
                holds = true;
            else if (pty >= 0 && link.endsWith(QStringLiteral("ptmx")) && isMasterOf(pid, fd, pty))
                peer = true;
        }
        if (holds && !peer)
            holders << nameOf(pid);
    }
#else
    Q_UNUSED(path);
#endif
    return holders;
}

QStringList permissionAdvice(const PortAccess &a)
{
    static const QStringList administrators = {
        QStringLiteral("root"), QStringLiteral("wheel"), QStringLiteral("sudo"),
        QStringLiteral("admin"), QStringLiteral("adm"), QStringLiteral("disk"),
        QStringLiteral("kmem"), QStringLiteral("shadow")};
    QStringList lines;
    lines << QStringLiteral("Vlastník zařízení: %1, skupina: %2, práva %3.")
                 .arg(a.owner, a.group, modeText(a.mode));
    const bool ownerRw = (a.mode & 0600) == 0600;
    const bool groupRw = (a.mode & 0060) == 0060;
    const bool othersRw = (a.mode & 0006) == 0006;
    const bool inSession = a.sessionGroups.contains(a.group);
    const bool member = a.memberOf.contains(a.group) || inSession;
    if (othersRw || (a.user == a.owner && ownerRw) || (groupRw && inSession)) {
        lines << QStringLiteral("Podle práv zařízení by je uživatel %1 otevřít směl; přístup "
                                "odepřel systém jinak (zásady zabezpečení, ACL).")
                     .arg(a.user);
        return lines;
    }
    if (groupRw && member) {
        lines << QStringLiteral("Uživatel %1 už je ve skupině %2, ale program běží s právy z "
                                "doby před přidáním. Odhlaste se a přihlaste znovu.")
                     .arg(a.user, a.group);
        return lines;
    }
    if (groupRw && !administrators.contains(a.group)) {
        lines << QStringLiteral("Zařízení smějí otevřít členové skupiny %1. Přidejte uživatele "
                                "do této skupiny (sudo usermod -aG %1 $USER); změna platí až "
                                "po novém přihlášení.")
                     .arg(a.group);
        return lines;
    }
    QStringList who;
    if (ownerRw)
        who << QStringLiteral("uživatel %1").arg(a.owner);
    if (groupRw)
        who << QStringLiteral("členové skupiny %1").arg(a.group);
    if (who.isEmpty())
        lines << QStringLiteral("Číst a zapisovat do zařízení nesmí nikdo kromě správce.");
    else
        lines << QStringLiteral("Otevřít je smějí jen: %1.").arg(who.join(QStringLiteral(", ")));
    if (groupRw)
        lines << QStringLiteral("Přidat se do skupiny %1 není bezpečné.").arg(a.group);
    else if (member)
        lines << QStringLiteral("Členství ve skupině %1 nepomůže: skupina nemá právo čtení a "
                                "zápisu.")
                     .arg(a.group);
    lines << QStringLiteral("Požádejte správce, aby port zpřístupnil skupině dialout (pravidlo "
                            "udev s GROUP=\"dialout\", MODE=\"0660\").");
    return lines;
}

QStringList availableSerialDevices()
{
    QStringList found;
    const QDir dev(QStringLiteral("/dev"));
    for (const QString &name : dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                             QDir::System | QDir::Files, QDir::Name))
        found << dev.filePath(name);
    // Every ttyS node exists; a port is there where the system found a UART behind it.
    const QDir sys(QStringLiteral("/sys/class/tty"));
    QStringList ports = sys.entryList({QStringLiteral("ttyS*")},
                                      QDir::Dirs | QDir::System | QDir::NoDotAndDotDot);
    std::sort(ports.begin(), ports.end(), [](const QString &a, const QString &b) {
        return a.mid(4).toInt() < b.mid(4).toInt();
    });
    for (const QString &name : ports) {
        QFile type(sys.filePath(name + QStringLiteral("/type")));
        if (type.open(QIODevice::ReadOnly) && type.readAll().trimmed().toInt() != 0 &&
            QFileInfo::exists(dev.filePath(name)))
            found << dev.filePath(name);
    }
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
            d.access = accessOf(st);
            d.group = d.access.group;
        } else if (error == EBUSY) {
            d.problem = PortDiagnosis::Problem::Busy;
            d.holders = portHolders(path);
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
    }
    ::close(fd);
    // Busy: who holds the lock; free: who else has it open all the same.
    if (d.problem == PortDiagnosis::Problem::Busy || d.problem == PortDiagnosis::Problem::None)
        d.holders = portHolders(path);
#endif
    return d;
}

QString PortDiagnosis::summary() const
{
    switch (problem) {
    case Problem::None:
        return holders.isEmpty() ? QStringLiteral("lze otevřít")
                                 : QStringLiteral("lze otevřít, má je otevřené i jiný program");
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
        if (!holders.isEmpty())
            lines << QStringLiteral("Má je ale otevřené i jiný program, který může odpovědi "
                                    "zařízení odebírat: %1.")
                         .arg(holders.join(QStringLiteral(", ")));
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
        if (!access.owner.isEmpty())
            lines << permissionAdvice(access);
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

QString silenceDiagnosis(int portNumber)
{
    const QString path = TSerial::comPortPath(portNumber);
    if (path.isEmpty())
        return QString();
    const QStringList holders = portHolders(path);
    if (holders.isEmpty())
        return QString();
    return QStringLiteral("Port %1 (%2) má otevřený i jiný program, který může odpovědi "
                          "zařízení odebírat: %3. Ukončete jej a zkuste to znovu.")
        .arg(TSerial::portName(portNumber), path, holders.join(QStringLiteral(", ")));
}
