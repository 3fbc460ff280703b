// Why a port will not open, on real pseudo-terminals and files whose permissions the test
// sets: a missing device (and which ones exist), no COM mapping, another process holding
// the line (and which one), permission denied (who may open it and what helps), not a
// terminal, and a port that opens but that another program has open without a lock (a
// terminal program): named, while the far end of a pseudo-terminal is not.
#include "link/PortDiagnosis.h"
#include "link/TSerial.h"
#include "tests/support/RawPty.h"
#include "tests/support/WorkingDir.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using Problem = PortDiagnosis::Problem;

namespace {

// Runs the diagnosis in a child process of another user (nobody), as a technician without
// the rights would; the child reports the problem and the group through a pipe.
QByteArray diagnoseAsNobody(const QString &path)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        QByteArray out = "nobody";
        if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
            const PortDiagnosis d = diagnosePath(QStringLiteral("COM2"), path);
            out = QByteArray::number(int(d.problem)) + ' ' + d.group.toUtf8() + '\n' +
                  d.details().toUtf8();
        }
        (void)!::write(fds[1], out.constData(), size_t(out.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray got;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        got.append(buffer, int(n));
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    return got;
}

} // namespace

class PortDiagnosisTest : public QObject
{
    Q_OBJECT

private slots:
    void missingAndNotConfigured()
    {
        WorkingDir dir;
        dir.write("serialPorts.ini", "[ports]\nCOM3=/dev/ovrin-no-such-device\n");
        const PortDiagnosis missing = diagnosePort(3);
        QCOMPARE(missing.name, QString("COM3"));
        QCOMPARE(missing.path, QString("/dev/ovrin-no-such-device"));
        QCOMPARE(missing.problem, Problem::Missing);
        QVERIFY(
            missing.details().contains("Port COM3 odpovídá zařízení /dev/ovrin-no-such-device."));
        QVERIFY(missing.details().contains("Takové zařízení neexistuje"));
        // Which serial devices exist is said either way.
        QVERIFY(missing.details().contains(missing.available.isEmpty()
                                               ? "Žádné sériové zařízení USB nebylo nalezeno."
                                               : "Nalezená sériová zařízení:"));
        const PortDiagnosis none = diagnosePath("COM4", QString());
        QCOMPARE(none.problem, Problem::NotConfigured);
        QCOMPARE(none.summary(), QString("port není přiřazen žádnému zařízení"));
    }

    // ttyS ports are listed where the system found a UART behind them (every ttyS node
    // exists, most of them without one).
    void serialDevicesWithTtyS()
    {
        const QStringList found = availableSerialDevices();
        const QDir sys("/sys/class/tty");
        const QStringList ports = sys.entryList({"ttyS*"}, QDir::Dirs | QDir::System);
        if (ports.isEmpty())
            QSKIP("no ttyS ports on this machine");
        for (const QString &name : ports) {
            QFile type(sys.filePath(name + "/type"));
            QVERIFY(type.open(QIODevice::ReadOnly));
            const bool uart = type.readAll().trimmed().toInt() != 0;
            QCOMPARE(found.contains("/dev/" + name), uart && QFile::exists("/dev/" + name));
        }
    }

    void freeBusyAndNotATerminal()
    {
        RawPty pty;
        QVERIFY(pty.isOpen());
        QCOMPARE(diagnosePath("COM1", pty.slavePath()).problem, Problem::None);

        // Another process holds the line as the program does (exclusively, locked).
        int ready[2];
        QVERIFY(::pipe(ready) == 0);
        const pid_t holder = ::fork();
        if (holder == 0) {
            ::close(ready[0]);
            // The test's own pty master stays behind: the holder is a program on our end.
            for (int fd = 3; fd < 1024; ++fd)
                if (fd != ready[1])
                    ::close(fd);
            try {
                TSerial port(1, pty.slavePath());
                (void)!::write(ready[1], "1", 1);
                ::pause();
            } catch (...) {
                (void)!::write(ready[1], "0", 1);
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        char opened = 0;
        QCOMPARE(::read(ready[0], &opened, 1), ssize_t(1));
        ::close(ready[0]);
        QCOMPARE(opened, '1');
        const PortDiagnosis busy = diagnosePath("COM1", pty.slavePath());
        ::kill(holder, SIGTERM);
        ::waitpid(holder, nullptr, 0);
        QCOMPARE(busy.problem, Problem::Busy);
        QVERIFY2(!busy.holders.isEmpty() &&
                     busy.holders.first().startsWith(QString::number(holder)),
                 qPrintable(busy.holders.join(',')));
        QVERIFY(busy.details().contains("Drží jej proces: " + QString::number(holder)));
        QCOMPARE(diagnosePath("COM1", pty.slavePath()).problem, Problem::None);

        QTemporaryDir dir;
        const QString file = dir.filePath("plain");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(diagnosePath("COM1", file).problem, Problem::NotATerminal);
    }

    // A program that opened the line without a lock (a terminal program): the port opens
    // for us, and the program is named, in the port's details and when a device stays
    // silent. The process on the other end of the pty (the device's side) is no such program.
    void unlockedHolderNamed()
    {
        RawPty pty;
        QVERIFY(pty.isOpen());
        WorkingDir dir;
        dir.write("serialPorts.ini", "[ports]\nCOM2=" + pty.slavePath().toUtf8() + "\n");
        QCOMPARE(portHolders(pty.slavePath()), QStringList()); // the test holds the master
        QCOMPARE(silenceDiagnosis(2), QString());
        // A child that opens the line plainly, as a terminal program does, and waits.
        int ready[2];
        QVERIFY(::pipe(ready) == 0);
        const pid_t terminal = ::fork();
        if (terminal == 0) {
            for (int fd = 3; fd < 1024; ++fd)
                if (fd != ready[1])
                    ::close(fd);
            const int line = ::open(QFile::encodeName(pty.slavePath()).constData(),
                                    O_RDWR | O_NOCTTY);
            (void)!::write(ready[1], line >= 0 ? "1" : "0", 1);
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char opened = 0;
        QCOMPARE(::read(ready[0], &opened, 1), ssize_t(1));
        ::close(ready[0]);
        QCOMPARE(opened, '1');
        const QString pid = QString::number(terminal);
        const QStringList holders = portHolders(pty.slavePath());
        const PortDiagnosis d = diagnosePort(2);
        const QString silent = silenceDiagnosis(2);
        ::kill(terminal, SIGTERM);
        ::waitpid(terminal, nullptr, 0);
        QCOMPARE(holders.size(), 1);
        QVERIFY2(holders.first().startsWith(pid + ' '), qPrintable(holders.join(',')));
        QCOMPARE(d.problem, Problem::None);
        QCOMPARE(d.holders, holders);
        QCOMPARE(d.summary(), QString("lze otevřít, má je otevřené i jiný program"));
        QVERIFY2(d.details().contains("jiný program, který může odpovědi zařízení odebírat: " +
                                      holders.first()),
                 qPrintable(d.details()));
        QVERIFY2(silent.contains(holders.first()), qPrintable(silent));
        QCOMPARE(portHolders(pty.slavePath()), QStringList());

        // A process with both ends open is the device's side (a simulator): no competitor.
        const pid_t device = ::fork();
        if (device == 0) {
            ::pause();
            ::_exit(0);
        }
        QTest::qWait(100);
        const QStringList peers = portHolders(pty.slavePath());
        ::kill(device, SIGTERM);
        ::waitpid(device, nullptr, 0);
        QCOMPARE(peers, QStringList());
    }

    // Who may open a device by its mode bits and the user's groups: the group is advised only
    // where it may read and write, the user is not in it, and it is no group of
    // administrators.
    void permissionAdvice_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("memberOf");
        QTest::addColumn<QString>("session");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("never");
        QTest::newRow("dialout 0660, not a member")
            << 0660 << "root" << "dialout" << "tech" << "tech"
            << "Přidejte uživatele do této skupiny (sudo usermod -aG dialout $USER); změna "
               "platí až po novém přihlášení."
            << "";
        QTest::newRow("dialout 0660, joined, not logged in again")
            << 0660 << "root" << "dialout" << "tech,dialout" << "tech"
            << "už je ve skupině dialout, ale program běží s právy z doby před přidáním. "
               "Odhlaste se a přihlaste znovu."
            << "usermod";
        QTest::newRow("dialout 0660, member in this login")
            << 0660 << "root" << "dialout" << "tech,dialout" << "tech,dialout"
            << "by je uživatel tech otevřít směl" << "usermod";
        QTest::newRow("dialout 0600, member already")
            << 0600 << "root" << "dialout" << "tech,dialout" << "tech,dialout"
            << "Otevřít je smějí jen: uživatel root.\nČlenství ve skupině dialout nepomůže"
            << "usermod";
        QTest::newRow("dialout 0600, not a member")
            << 0600 << "root" << "dialout" << "tech" << "tech"
            << "Otevřít je smějí jen: uživatel root.\nPožádejte správce" << "usermod";
        QTest::newRow("root-owned 0660")
            << 0660 << "root" << "root" << "tech" << "tech"
            << "Otevřít je smějí jen: uživatel root, členové skupiny root.\nPřidat se do "
               "skupiny root není bezpečné."
            << "usermod";
        QTest::newRow("wheel 0660") << 0660 << "root" << "wheel" << "tech" << "tech"
                                    << "Přidat se do skupiny wheel není bezpečné." << "usermod";
        QTest::newRow("no rights at all") << 0000 << "root" << "dialout" << "tech" << "tech"
                                          << "nesmí nikdo kromě správce" << "usermod";
        QTest::newRow("another user's terminal, group may only write")
            << 0620 << "anna" << "tty" << "tech" << "tech"
            << "Otevřít je smějí jen: uživatel anna." << "usermod";
        QTest::newRow("everyone may: denied elsewhere")
            << 0666 << "root" << "dialout" << "tech" << "tech" << "směl" << "usermod";
        QTest::newRow("the owner may: denied elsewhere")
            << 0600 << "tech" << "dialout" << "tech" << "tech" << "směl" << "usermod";
    }
    void permissionAdvice()
    {
        QFETCH(int, mode);
        QFETCH(QString, owner);
        QFETCH(QString, group);
        QFETCH(QString, memberOf);
        QFETCH(QString, session);
        QFETCH(QString, says);
        QFETCH(QString, never);
        PortAccess a;
        a.mode = unsigned(mode);
        a.owner = owner;
        a.group = group;
        a.user = "tech";
        a.memberOf = memberOf.split(',');
        a.sessionGroups = session.split(',');
        const QString text = ::permissionAdvice(a).join('\n');
        QVERIFY2(text.startsWith(QStringLiteral("Vlastník zařízení: %1, skupina: %2, práva %3.")
                                     .arg(owner, group)
                                     .arg(mode, 4, 8, QLatin1Char('0'))),
                 qPrintable(text));
        QVERIFY2(text.contains(says), qPrintable(text));
        if (!never.isEmpty())
            QVERIFY2(!text.contains(never), qPrintable(text));
    }

    // The same on a real device as another user (nobody) sees it: a root-owned port is no
    // reason to join the group root.
    void permissionDenied()
    {
        if (::getuid() != 0)
            QSKIP("needs root to act as another user");
        RawPty pty;
        QVERIFY(pty.isOpen());
        const QByteArray path = QFile::encodeName(pty.slavePath());
        QVERIFY(::chmod(path.constData(), 0660) == 0);
        QVERIFY(::chown(path.constData(), 0, 0) == 0); // group root, as the test sets it
        const QByteArray got = diagnoseAsNobody(pty.slavePath());
        QVERIFY2(got.startsWith(QByteArray::number(int(Problem::NoPermission)) + " root\n"), got);
        QVERIFY2(got.contains("Vlastník zařízení: root, skupina: root, práva 0660."), got);
        QVERIFY2(got.contains("Otevřít je smějí jen: uživatel root, členové skupiny root."), got);
        QVERIFY2(!got.contains("usermod"), got);
    }
};

QTEST_GUILESS_MAIN(PortDiagnosisTest)
#include "tst_portdiagnosis.moc"
