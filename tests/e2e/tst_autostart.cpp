// The built program, offscreen, in a working directory whose saved settings name COM1 (the
// simulator's pty), detect the device and read it at start: without any input it must
// identify the device, open its page and read the page's register block. The simulator's
// log shows the frames that went over the line.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString buildDir()
{
    return qEnvironmentVariable("OVRIN_BUILD_DIR");
}

QStringList logLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Ends a process we started: SIGTERM, then SIGKILL if it lingers.
void stop(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(3000)) {
        p.kill();
        p.waitForFinished(3000);
    }
}

} // namespace

class AutostartTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!buildDir().isEmpty(), "OVRIN_BUILD_DIR is not set");
        QVERIFY(QFile::exists(buildDir() + "/sim/ovrin-sim"));
        QVERIFY(QFile::exists(buildDir() + "/shell/ovrin"));
    }

    void detectsOpensAndReads_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("read");  // the page's read of its block
        QTest::addColumn<QString>("reply"); // start of the device's answer to it
        // The request before the block, and one that comes only after a good block (the
        // firmware read of the classic pages, the next block of the newer ones).
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        const QString ident = "FF 04 00 01 00 08 B5 D2";
        const QString firmware = "FF 04 00 00 00 01 24 14";
        const QString from2001 = "FF 03 20 01 00 0F 4A 10";
        QTest::newRow("T4yJ") << "T4yJ" << from2001 << "FF 03 1E 54 34 79 4A" << ident << firmware;
        QTest::newRow("ZK") << "ZK" << from2001 << "FF 03 1E 5A 4B 00 00" << ident << firmware;
        QTest::newRow("T4yG") << "T4yG"
                              << "FF 03 20 00 00 0E DA 10"
                              << "FF 03 1C 00 00 54 34" << ident << firmware;
        QTest::newRow("ZG") << "ZG"
                            << "FF 03 20 00 00 10 5A 18"
                            << "FF 03 20 01 00 5A 47" << ident << firmware;
        QTest::newRow("E-UV6") << "E-UV6"
                               << "FF 03 20 01 00 14 0A 1B"
                               << "FF 03 28 45 2D 55 56" << ident << firmware;
        QTest::newRow("T6yR") << "T6yR"
                              << "FF 03 20 01 00 09 CA 12"
                              << "FF 03 12 54 36 79 52" << ident << firmware;
        QTest::newRow("CWR1") << "CWR1" << "FF 03 00 08 00 02 50 17" << "FF 03 04 00 00 00 32"
                              << "FF 04 00 18 00 04 64 10" << "FF 03 00 1D 00 05 00 11";
        QTest::newRow("GWR1") << "GWR1" << "FF 03 00 08 00 02 50 17" << "FF 03 04 00 00 00 00"
                              << "FF 04 00 18 00 04 64 10" << "FF 03 00 1D 00 05 00 11";
        QTest::newRow("E-7PZ") << "E-7PZ"
                               << "FF 03 20 00 00 14 5B DB"
                               << "FF 03 28 00 40 45 2D" << ident << firmware;
        QTest::newRow("T4yR") << "T4yR"
                              << "FF 03 20 01 00 09 CA 12"
                              << "FF 03 12 54 34 79 52" << ident << firmware;
        QTest::newRow("KQLx") << "KQLx"
                              << "FF 03 20 01 00 09 CA 12"
                              << "FF 03 12 4B 51 4C 78" << ident << firmware;
        QTest::newRow("VTx") << "VTx"
                             << "FF 03 20 01 00 09 CA 12"
                             << "FF 03 12 56 54 78 00" << ident << firmware;
        QTest::newRow("ZSL") << "ZSL"
                             << "FF 03 20 00 00 11 9B D8"
                             << "FF 03 22 01 00 5A 53" << ident << firmware;
    }
    void detectsOpensAndReads()
    {
        QFETCH(QString, model);
        QFETCH(QString, read);
        QFETCH(QString, reply);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString log = dir.filePath("frames.log");

        QProcess sim;
        sim.setProgram(buildDir() + "/sim/ovrin-sim");
        sim.setArguments({"--model", model, "--wire-timing", "--log", log});
        sim.start();
        QVERIFY(sim.waitForStarted(3000));
        QVERIFY(sim.waitForReadyRead(5000));
        const QString pty = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QVERIFY2(pty.startsWith("/dev/"), qPrintable(pty));

        QFile ports(dir.filePath("serialPorts.ini"));
        QVERIFY(ports.open(QIODevice::WriteOnly));
        ports.write("[ports]\r\nCOM1=" + pty.toLocal8Bit() + "\r\n");
        ports.close();
        QFile settings(dir.filePath("mFormSave.ini"));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[mForm]\r\nserialNameComboBox=0\r\nmmLoadLast=1\r\nmmShowHint=1\r\n"
                       "mmAutoComponent=1\r\nmmLoadDataAfterStart=1\r\n");
        settings.close();

        QProcess app;
        app.setProgram(buildDir() + "/shell/ovrin");
        app.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.start();
        QVERIFY(app.waitForStarted(5000));

        // The page's read is answered and followed by its firmware read, which comes only
        // after a good block.
        auto finished = [&](const QStringList &lines) {
            const int answer = lines.indexOf(QRegularExpression("^tx " + reply + ".*"));
            return answer >= 0 && lines.indexOf("rx " + after, answer) > answer;
        };
        QElapsedTimer waited;
        waited.start();
        while (!finished(logLines(log)) && waited.elapsed() < 12000 &&
               app.state() == QProcess::Running)
            QTest::qWait(50);
        const QStringList lines = logLines(log);
        const QByteArray output = app.readAll();
        stop(app);
        stop(sim);
        QVERIFY2(finished(lines),
                 qPrintable(lines.join('\n') + "\n" + QString::fromLocal8Bit(output)));

        QStringList requests;
        for (const QString &line : lines)
            if (line.startsWith("rx "))
                requests << line.mid(3);
        // Detection: the first identification read, answered with the model's name.
        QVERIFY(requests.size() >= 3);
        QCOMPARE(requests.first(), QStringLiteral("FF 04 00 01 00 08 B5 D2"));
        // The page: its identification check, then its block.
        const int block = requests.indexOf(read);
        QVERIFY2(block >= 2, qPrintable(requests.join('\n')));
        QCOMPARE(requests[block - 1], before);
    }
};

QTEST_MAIN(AutostartTest)
#include "tst_autostart.moc"
