// Why a port will not open, on real pseudo-terminals and files whose permissions the test
// sets: a missing device (and which ones exist), no COM mapping, another process holding
// the line (and which one), permission denied (the group and the remedy), not a terminal,
// and a port that opens.
#include "link/PortDiagnosis.h"
#include "link/TSerial.h"
#include "tests/support/RawPty.h"
#include "tests/support/WorkingDir.h"

#include <QFile>
#include <QtTest>
#include <csignal>
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
        QVERIFY2(got.contains("sudo usermod -aG root $USER"), got);
        QVERIFY2(got.contains("přihlaste se znovu"), got);
    }
};

QTEST_GUILESS_MAIN(PortDiagnosisTest)
#include "tst_portdiagnosis.moc"
