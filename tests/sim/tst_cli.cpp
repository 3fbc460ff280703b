#include "sim/Sim.h"
#include "tests/sim/RawPort.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

namespace {

QString simBinary()
{
    const QString dir = qEnvironmentVariable("OVRIN_BUILD_DIR");
    if (!dir.isEmpty())
        return dir + QStringLiteral("/sim/ovrin-sim");
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/ovrin-sim");
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private:
    // Starts ovrin-sim and returns the pty path it printed first.
    QString startSim(QProcess &process, const QStringList &args)
    {
        process.start(simBinary(), args);
        if (!process.waitForStarted(3000) || !process.waitForReadyRead(3000))
            return QString();
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }

    bool endSim(QProcess &process, int signal)
    {
        ::kill(pid_t(process.processId()), signal);
        return process.waitForFinished(2000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(simBinary()).isExecutable(),
                 qPrintable(simBinary() + " missing: build the ovrin-sim target"));
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("model without name") << QStringList{"--model"};
        QTest::newRow("unknown model") << QStringList{"--model", "T9"};
        QTest::newRow("address too big") << QStringList{"--model", "ZK", "--address", "300"};
        QTest::newRow("address 255") << QStringList{"--model", "ZK", "--address", "255"};
        QTest::newRow("delay not a number") << QStringList{"--model", "ZK", "--delay", "x"};
        QTest::newRow("bad exception") << QStringList{"--model", "ZK", "--exception", "holding:1"};
        QTest::newRow("unknown option") << QStringList{"--model", "ZK", "--fast"};
        QTest::newRow("odd hex") << QStringList{"--model", "ZK", "--id-hex", "5a4"};
    }

    void badArguments()
    {
        QFETCH(QStringList, args);
        QProcess process;
        process.start(simBinary(), args);
        QVERIFY(process.waitForFinished(3000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardOutput().isEmpty());
        QVERIFY(process.readAllStandardError().contains("usage: ovrin-sim --model NAME"));
    }

    void servesWithLinkAndLogUntilTerminated()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("ttySIM0");
        const QString log = dir.filePath("frames.log");
        QProcess process;
        const QString path =
            startSim(process, {"--model", "e-hb5-hn9", "--link", link, "--log", log, "--address",
                               "9", "--id", "E HB5/HN9", "--exception", "holding:0x2000-0x2001:4"});
        QVERIFY2(path.startsWith("/dev/pts/"), qPrintable(path));
        QCOMPARE(QFileInfo(link).symLinkTarget(), path);
        {
            RawPort port(link);
            QVERIFY(port.isOpen());
            QCOMPARE(port.exchange(QByteArray::fromHex("ff0400010008b5d2"), 21).mid(3, 16),
                     QByteArray("E HB5/HN9       "));
            QCOMPARE(port.exchange(rtu("090320000001"), 5), rtu("098304"));
            QCOMPARE(port.exchange(rtu("0a0320000001"), 5, 60), QByteArray());
        }
        QVERIFY(endSim(process, SIGTERM));
        QVERIFY(!QFileInfo(link).isSymLink());

        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QByteArray("rx FF 04 00 01 00 08 B5 D2"));
        QVERIFY(lines[1].startsWith("tx FF 04 10 45 20 48 42 35 2F 48 4E 39 20"));
        QCOMPARE(lines[2], "rx " + rtu("090320000001").toHex(' ').toUpper());
        QCOMPARE(lines[3], "tx " + rtu("098304").toHex(' ').toUpper());
        QCOMPARE(lines[4], "rx " + rtu("0a0320000001").toHex(' ').toUpper());
    }

    void faultOptions()
    {
        QProcess silent;
        QString path = startSim(silent, {"--model", "ZG", "--silent"});
        QVERIFY(!path.isEmpty());
        {
            RawPort port(path);
            QCOMPARE(port.exchange(QByteArray::fromHex("ff0400010008b5d2"), 21, 80), QByteArray());
        }
        QVERIFY(endSim(silent, SIGINT));

        QProcess paced;
        path = startSim(paced, {"--model", "ZG", "--wire-timing", "--delay", "5", "--no-id",
                                "--new-id-hex", "5a4700"});
        QVERIFY(!path.isEmpty());
        {
            RawPort port(path);
            QCOMPARE(port.exchange(QByteArray::fromHex("ff0400010008b5d2"), 5), rtu("ff8402"));
            const QByteArray reply = port.exchange(rtu("ff0400100008"), 21);
            QCOMPARE(reply.mid(3, 16), QByteArray("ZG\0             ", 16));
            const double wireUs = (8 + 21) * sim::kCharMicros + 5000;
            QVERIFY2(port.elapsedUs >= wireUs - 300, qPrintable(QString::number(port.elapsedUs)));
        }
        QVERIFY(endSim(paced, SIGTERM));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
