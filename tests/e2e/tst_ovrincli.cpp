// ovrin-cli against simulated devices: read -> file -> write -> verify on every page that
// exists, the backup and the change list, batch over two devices in a row, and each
// failure kind with its exit status and the program's own text.

#include "pages/pages.h"
#include "shell/Identification.h"
#include "shell/PageRegistry.h"
#include "sim/Sim.h"
#include "tests/support/WorkingDir.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>
#include <csignal>

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
    QJsonObject json() const
    {
        return QJsonDocument::fromJson(out.trimmed().split('\n').last()).object();
    }
};

QString cli()
{
    return qEnvironmentVariable("OVRIN_BUILD_DIR") + QStringLiteral("/cli/ovrin-cli");
}

Run run(const QString &dir, const QStringList &args, int timeoutMs = 30000)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(cli(), args);
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class OvrinCliTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WorkingDir> dir;
    std::unique_ptr<sim::Server> server;

    // The device on COM1 through a fixed link, so a second device can take its place.
    bool serve(std::shared_ptr<sim::Device> device)
    {
        server = std::make_unique<sim::Server>(device);
        server->setTickInterval(0);
        server->setLinkPath(dir->file("device"));
        QString error;
        if (!server->start(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        return true;
    }
    std::shared_ptr<sim::Device> model(const QString &name)
    {
        return std::shared_ptr<sim::Device>(sim::createModel(name));
    }
    QString path() const { return QDir::currentPath(); }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(cli()), qPrintable(cli()));
        registerPages(PageRegistry::instance());
    }
    void init()
    {
        dir = std::make_unique<WorkingDir>();
        dir->write("serialPorts.ini", "[ports]\nCOM1=" + dir->file("device").toUtf8() + "\n");
    }
    void cleanup()
    {
        server.reset();
        dir.reset();
    }

    void roundTripOnEveryPage_data()
    {
        QTest::addColumn<QString>("name");
        for (int index : PageRegistry::instance().indices())
            QTest::newRow(qPrintable(componentNames().value(index)))
                << componentNames().value(index);
    }
    void roundTripOnEveryPage()
    {
        QFETCH(QString, name);
        QVERIFY(serve(model(name)));
        const Run detect = run(path(), {"detect", "--port", "COM1", "--json"});
        QCOMPARE(detect.status, 0);
        QCOMPARE(detect.json().value("model").toString(), name);

        const Run read = run(path(), {"read", "--port", "COM1", "-o", "device.ini"});
        QVERIFY2(read.status == 0, read.err.constData());
        QByteArray file = dir->read("device.ini");
        QVERIFY(file.startsWith('['));

        // The customer text changed in the file: listed as the one change, written, verified
        // and read back from the device.
        const int at = file.indexOf("ZdTextEdit=");
        QVERIFY(at > 0);
        const int end = file.indexOf('\n', at);
        file.replace(at, end - at, "ZdTextEdit=Kotelna 2");
        dir->write("changed.ini", file);
        const Run write = run(path(), {"write", "changed.ini", "--port", "COM1", "--json"});
        QVERIFY2(write.status == 0, write.out.constData());
        const QJsonObject result = write.json();
        QVERIFY(result.value("written").toBool());
        const QJsonArray changes = result.value("changes").toArray();
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0].toObject().value("caption").toString(),
                 QString("Zákaznické textové pole"));
        QCOMPARE(changes[0].toObject().value("new").toString(), QString("Kotelna 2"));
        const QString backup = result.value("backup").toString();
        QVERIFY(backup.startsWith("backups/" + QString(name).replace('/', '-') + "-"));
        QCOMPARE(dir->read(backup), dir->read("device.ini")); // the device before the write
        const Run again = run(path(), {"read", "--port", "COM1", "-o", "after.ini"});
        QCOMPARE(again.status, 0);
        QVERIFY(dir->read("after.ini").contains("ZdTextEdit=Kotelna 2"));
    }

    void failureKinds_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("silent device") << "silent" << 3
                                       << "Prvek na sériové lince neodpovídá. Zkontrolujte jeho "
                                          "správné nastavení";
        QTest::newRow("wrong model") << "wrong" << 4
                                     << "Zařízení, které máte připojeno, není vámi zvolená "
                                        "komponenta";
        QTest::newRow("refused block") << "refused" << 5
                                       << "Adresa registru, ke kterému chcete přistoupit je mimo "
                                          "rozsah";
        QTest::newRow("port cannot be opened")
            << "port" << 2 << "Sériová linka neodpovídá - zkontrolujte její připojení";
        QTest::newRow("file of no page")
            << "file" << 7 << "Soubor s konfigurací není určen pro tento formulář";
    }
    void failureKinds()
    {
        QFETCH(QString, what);
        QFETCH(int, status);
        QFETCH(QString, text);
        QVERIFY(serve(model("T4yJ")));
        QCOMPARE(run(path(), {"read", "--port", "COM1", "-o", "t4yj.ini"}).status, 0);
        if (what == "silent") {
            sim::Faults f;
            f.silent = true;
            server->setFaults(f);
        } else if (what == "wrong") {
            server.reset();
            QVERIFY(serve(model("ZK")));
        } else if (what == "refused") {
            server->setException(sim::Table::Holding, 0x2001, 0x200F, 2);
        } else if (what == "port") {
            dir->write("serialPorts.ini", "[ports]\nCOM1=" + dir->file("gone").toUtf8() + "\n");
        } else {
            dir->write("t4yj.ini", "[cForm99]\nx=1\n");
        }
        const Run plain = run(path(), {"write", "t4yj.ini", "--port", "COM1"});
        QCOMPARE(plain.status, status);
        QVERIFY2(QString::fromUtf8(plain.err).contains(text), plain.err.constData());
        const Run json = run(path(), {"write", "t4yj.ini", "--port", "COM1", "--json"});
        QCOMPARE(json.status, status);
        QCOMPARE(json.json().value("error").toString(), text);
        QCOMPARE(json.json().value("ok").toBool(), false);
        if (what == "port")
            QVERIFY(json.json().value("details").toString().contains("Takové zařízení neexistuje"));
        QVERIFY(json.err.isEmpty());
    }

    // Two devices one after the other; Ctrl+C ends the batch between devices.
    void batchOverTwoDevices()
    {
        QVERIFY(serve(model("T4yJ")));
        QCOMPARE(run(path(), {"read", "--port", "COM1", "-o", "base.ini"}).status, 0);
        QByteArray file = dir->read("base.ini");
        file.replace("c1ZdTextEdit=T4yJ", "c1ZdTextEdit=Provisioned");
        dir->write("batch.ini", file);

        QProcess batch;
        batch.setWorkingDirectory(path());
        batch.start(cli(), {"batch", "batch.ini", "--port", "COM1", "--log", "log.csv", "--json"});
        QVERIFY(batch.waitForStarted());
        auto lines = [&] { return dir->read("log.csv").count('\n'); };
        QTRY_VERIFY_WITH_TIMEOUT(lines() >= 2, 20000);                // header and the first device
        QCOMPARE(server->device()->holding(0x2001), quint16(0x5072)); // "Pr"
        // The next device: a factory-new one in its place, after the first was unplugged for
        // longer than the batch's half-second look at the line.
        server.reset();
        QTest::qWait(1500);
        auto second = model("T4yJ");
        QVERIFY(serve(second));
        QTRY_VERIFY_WITH_TIMEOUT(lines() >= 3, 20000);
        QCOMPARE(second->holding(0x2001), quint16(0x5072));
        ::kill(batch.processId(), SIGINT);
        QVERIFY(batch.waitForFinished(20000));
        QCOMPARE(batch.exitCode(), 0);
        const QStringList log =
            QString::fromUtf8(dir->read("log.csv")).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(log.size(), 3);
        QCOMPARE(log[0], QString("datum a čas;identifikace;firmware;adresa;výsledek"));
        for (int i = 1; i <= 2; ++i) {
            const QStringList cells = log[i].split(';');
            QCOMPARE(cells.size(), 5);
            QCOMPARE(cells[1], QString("T4yJ"));
            QCOMPARE(cells[2], QString("115"));
            QCOMPARE(cells[4], QString("Operace proběhla OK"));
        }
        QCOMPARE(QDir(path() + "/backups").entryList(QDir::Files).size(), 2);
        const QList<QByteArray> results = batch.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(results.size(), 2);
        QVERIFY(QJsonDocument::fromJson(results[1]).object().value("ok").toBool());
    }
};

QTEST_MAIN(OvrinCliTest)
#include "tst_ovrincli.moc"
