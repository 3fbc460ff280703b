// ovrin-cli against simulated devices: read -> file -> write -> verify on every page, the
// backup and the change list, each failure kind with its exit status and the program's own
// text, files that would write defaults, dry runs, writes acknowledged but not verified,
// batches over several devices (of another model, on a line that drops a reply, on a port
// that is not there, with damaged replies), other programs on the port, permissions, and
// the Czech usage.

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
#include <atomic>
#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
    QJsonObject json() const
    {
        return QJsonDocument::fromJson(out.trimmed().split('\n').last()).object();
    }
    QString error() const { return QString::fromUtf8(err); }
};

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

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

// A batch running in the background; what it said so far, and Ctrl+C.
class Batch
{
public:
    Batch(const QString &dir, const QStringList &args)
    {
        m_p.setWorkingDirectory(dir);
        m_p.start(cli(), QStringList{"batch"} + args);
    }
    ~Batch()
    {
        if (m_p.state() != QProcess::NotRunning) {
            m_p.kill();
            m_p.waitForFinished();
        }
    }
    bool started() { return m_p.waitForStarted(); }
    QString err()
    {
        m_err += m_p.readAllStandardError();
        return QString::fromUtf8(m_err);
    }
    QByteArray out()
    {
        m_out += m_p.readAllStandardOutput();
        return m_out;
    }
    bool waitForErr(const QString &text, int count = 1, int timeoutMs = 30000)
    {
        QElapsedTimer t;
        t.start();
        while (err().count(text) < count) {
            if (t.elapsed() > timeoutMs || m_p.state() == QProcess::NotRunning)
                return err().count(text) >= count;
            QTest::qWait(50);
        }
        return true;
    }
    // Ctrl+C; the exit status (-1 when it did not end).
    int interrupt()
    {
        ::kill(pid_t(m_p.processId()), SIGINT);
        return finished();
    }
    int finished(int timeoutMs = 30000)
    {
        if (!m_p.waitForFinished(timeoutMs))
            return -1;
        out();
        err();
        return m_p.exitStatus() == QProcess::NormalExit ? m_p.exitCode() : -1;
    }
    QList<QJsonObject> results()
    {
        QList<QJsonObject> list;
        for (const QByteArray &line : out().split('\n'))
            if (!line.trimmed().isEmpty())
                list << QJsonDocument::fromJson(line).object();
        return list;
    }

private:
    QProcess m_p;
    QByteArray m_out;
    QByteArray m_err;
};

const QByteArray kBom = "\xEF\xBB\xBF";

} // namespace

class OvrinCliTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WorkingDir> dir;
    std::unique_ptr<sim::Server> server;

    // The device on COM1 through a fixed link, so a second device can take its place.
    bool serve(std::shared_ptr<sim::Device> device,
               std::function<void(const sim::Frame &)> observer = {})
    {
        server.reset();
        server = std::make_unique<sim::Server>(device);
        server->setTickInterval(0);
        server->setLinkPath(dir->file("device"));
        if (observer)
            server->setObserver(std::move(observer));
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
    // The settings of the device on the line, read into a file.
    QByteArray readDevice(const QString &file)
    {
        const Run r = run(path(), {"read", "--port", "COM1", "-o", file});
        if (r.status != 0)
            qWarning("%s", r.err.constData());
        return dir->read(file);
    }
    static QByteArray withKey(QByteArray file, const QByteArray &key, const QByteArray &value)
    {
        const int at = file.indexOf("\n" + key + "=") + 1;
        if (at <= 0)
            return file;
        const int end = file.indexOf('\n', at);
        return file.replace(at, end - at, key + "=" + value);
    }
    static QByteArray withoutKey(QByteArray file, const QByteArray &key)
    {
        const int at = file.indexOf("\n" + key + "=") + 1;
        if (at <= 0)
            return file;
        return file.remove(at, file.indexOf('\n', at) - at + 1);
    }
    // The batch log without its byte-order mark, a line a list of cells.
    QList<QStringList> logLines(const QString &name = "log.csv")
    {
        QByteArray text = dir->read(name);
        if (text.startsWith(kBom))
            text = text.mid(3);
        QList<QStringList> lines;
        for (const QString &line : QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts))
            lines << line.split(';');
        return lines;
    }
    // Requests that would change a device (functions 5, 6, 16) the simulator received.
    int writeRequests() const
    {
        int n = 0;
        for (const sim::Frame &f : server->frames())
            if (f.bytes.size() > 1 && (f.bytes[1] == 5 || f.bytes[1] == 6 || f.bytes[1] == 16))
                ++n;
        return n;
    }

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

        QByteArray file = readDevice("device.ini");
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
        QVERIFY(result.value("verified").toBool());
        const QJsonArray changes = result.value("changes").toArray();
        QCOMPARE(changes.size(), 1);
        const QJsonObject change = changes[0].toObject();
        QCOMPARE(change.value("caption").toString(), QString("Zákaznické textové pole"));
        QVERIFY(!change.value("group").toString().isEmpty());
        QCOMPARE(change.value("name").toString(),
                 change.value("group").toString() + " › Zákaznické textové pole");
        QCOMPARE(change.value("new").toString(), QString("Kotelna 2"));
        const QString backup = result.value("backup").toString();
        QVERIFY(backup.startsWith("backups/" + QString(name).replace('/', '-') + "-"));
        // The device before the write, and whose it is.
        QVERIFY(dir->read(backup).startsWith(dir->read("device.ini")));
        QVERIFY(dir->read(backup).contains("[backup]"));
        QVERIFY(readDevice("after.ini").contains("ZdTextEdit=Kotelna 2"));
    }

    void failureKinds_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("details");
        QTest::newRow("silent device") << "silent" << 3
                                       << "Prvek na sériové lince neodpovídá. Zkontrolujte jeho "
                                          "správné nastavení"
                                       << "";
        QTest::newRow("wrong model") << "wrong" << 4
                                     << "Zařízení, které máte připojeno, není vámi zvolená "
                                        "komponenta"
                                     << "";
        QTest::newRow("refused block") << "refused" << 5
                                       << "Adresa registru, ke kterému chcete přistoupit je mimo "
                                          "rozsah"
                                       << "";
        QTest::newRow("port cannot be opened")
            << "port" << 2 << "Sériová linka neodpovídá - zkontrolujte její připojení"
            << "Takové zařízení neexistuje";
        QTest::newRow("file of no page")
            << "file" << 7 << "Soubor s konfigurací není určen pro tento formulář" << "";
        QTest::newRow("file missing") << "missing" << 7 << "Soubor t4yj.ini neexistuje" << "";
    }
    void failureKinds()
    {
        QFETCH(QString, what);
        QFETCH(int, status);
        QFETCH(QString, text);
        QFETCH(QString, details);
        QVERIFY(serve(model("T4yJ")));
        readDevice("t4yj.ini");
        if (what == "silent") {
            sim::Faults f;
            f.silent = true;
            server->setFaults(f);
        } else if (what == "wrong") {
            QVERIFY(serve(model("ZK")));
        } else if (what == "refused") {
            server->setException(sim::Table::Holding, 0x2001, 0x200F, 2);
        } else if (what == "port") {
            dir->write("serialPorts.ini", "[ports]\nCOM1=" + dir->file("gone").toUtf8() + "\n");
        } else if (what == "missing") {
            QVERIFY(QFile::remove(dir->file("t4yj.ini")));
        } else {
            dir->write("t4yj.ini", "[cForm99]\nx=1\n");
        }
        const Run plain = run(path(), {"write", "t4yj.ini", "--port", "COM1"});
        QCOMPARE(plain.status, status);
        QVERIFY2(plain.error().contains(text), plain.err.constData());
        QVERIFY2(plain.error().count(text) == 1, plain.err.constData());
        // The port's diagnosis on the terminal as with detect and read.
        if (!details.isEmpty())
            QVERIFY2(plain.error().contains(details), plain.err.constData());
        const Run json = run(path(), {"write", "t4yj.ini", "--port", "COM1", "--json"});
        QCOMPARE(json.status, status);
        QCOMPARE(json.json().value("error").toString(), text);
        QCOMPARE(json.json().value("ok").toBool(), false);
        QCOMPARE(json.json().value("status").toInt(), status);
        if (!details.isEmpty())
            QVERIFY(json.json().value("details").toString().contains(details));
        QVERIFY(json.err.isEmpty());
    }

    // A file lacking keys, or holding a non-number, would write the page's defaults: write
    // and batch refuse it, naming the keys, before a single request goes out.
    void incompleteFileRefused_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QStringList>("named");
        QTest::newRow("one key only") << "one key"
                                      << QStringList{"c1ZdOffScrollBar", "c1SkSpdComboBox",
                                                     "c1SkAdrComboBox"};
        QTest::newRow("junk after the header")
            << "junk" << QStringList{"c1ZdTextEdit", "c1SkSpdComboBox", "c1AuFhScrollBar"};
        QTest::newRow("speed missing") << "speed" << QStringList{"c1SkSpdComboBox"};
        QTest::newRow("not a number") << "nan" << QStringList{"c1ZdOffScrollBar"};
    }
    void incompleteFileRefused()
    {
        QFETCH(QString, what);
        QFETCH(QStringList, named);
        QVERIFY(serve(model("T4yJ")));
        const QByteArray full = readDevice("full.ini");
        QByteArray file;
        if (what == "one key")
            file = "[cForm1]\nc1ZdTextEdit=Kotelna\n";
        else if (what == "junk")
            file = "[cForm1]\nnothing to see=here\n";
        else if (what == "speed")
            file = withoutKey(full, "c1SkSpdComboBox");
        else
            file = withKey(full, "c1ZdOffScrollBar", "1,5");
        dir->write("partial.ini", file);
        server->clearLog();
        for (const char *command : {"write", "batch"}) {
            const Run r = run(path(), {command, "partial.ini", "--port", "COM1", "--json"});
            QCOMPARE(r.status, 7);
            const QJsonObject json = r.json();
            QVERIFY(json.value("error").toString().startsWith("Soubor s konfigurací je neúplný"));
            for (const QString &key : named)
                QVERIFY2(json.value("error").toString().contains(key),
                         qPrintable(json.value("error").toString()));
            const QJsonObject section = json.value("problems").toObject().value("cForm1").toObject();
            const QString kind = what == "nan" ? "notNumbers" : "missingKeys";
            for (const QString &key : named)
                QVERIFY(section.value(kind).toArray().contains(key));
        }
        QCOMPARE(server->frames().size(), 0); // nothing sent
        QVERIFY(!dir->exists("backups"));
        // Asked for, the page's defaults go in.
        if (what == "speed") {
            const Run r = run(path(), {"write", "partial.ini", "--port", "COM1", "--allow-defaults"});
            QCOMPARE(r.status, 0);
        }
    }

    // A dry run runs every check the write runs, up to the first request that would change
    // the device; what the write refuses, the dry run refuses alike.
    void dryRunChecksAsTheWriteDoes()
    {
        QVERIFY(serve(model("T4yJ")));
        const QByteArray full = readDevice("full.ini");
        dir->write("good.ini", withKey(full, "c1ZdTextEdit", "Suche"));
        // An address the list does not have: no selection, which the write refuses.
        dir->write("bad.ini", withKey(full, "c1SkAdrComboBox", "300"));
        server->clearLog();
        for (const QStringList &extra : {QStringList{"--dry-run"}, QStringList{}}) {
            const Run bad = run(path(), QStringList{"write", "bad.ini", "--port", "COM1",
                                                    "--json"} + extra);
            QCOMPARE(bad.status, 8);
            QCOMPARE(bad.json().value("error").toString(),
                     QString("Všechna pole musí být korektně vyplněna"));
            QVERIFY(!bad.json().value("ok").toBool());
        }
        const Run good = run(path(), {"write", "good.ini", "--port", "COM1", "--dry-run", "--json"});
        QCOMPARE(good.status, 0);
        QVERIFY(good.json().value("ok").toBool());
        QVERIFY(good.json().value("checked").toBool());
        QVERIFY(!good.json().value("written").toBool());
        QCOMPARE(good.json().value("changes").toArray().size(), 1);
        QCOMPARE(writeRequests(), 0);
        QVERIFY(server->frames().size() > 0);
        QVERIFY(!readDevice("after.ini").contains("Suche"));
    }

    // Every changed setting is listed under its group and caption, the picture lists of the
    // wall modules by the symbol's number.
    void changeListNamesEverySetting()
    {
        QVERIFY(serve(model("CWR1")));
        QByteArray file = readDevice("cwr1.ini");
        file = withKey(file, "c13Symbol3Mode2ComboBoxEx", "12");
        file = withKey(file, "c13Symbol1Mode1ComboBoxEx", "5");
        dir->write("symbols.ini", file);
        const Run json = run(path(), {"write", "symbols.ini", "--port", "COM1", "--dry-run", "--json"});
        QCOMPARE(json.status, 0);
        const QJsonArray changes = json.json().value("changes").toArray();
        QCOMPARE(changes.size(), 2);
        QStringList lines;
        for (const QJsonValue &c : changes)
            lines << c.toObject().value("name").toString() + ": " +
                         c.toObject().value("old").toString() + " -> " +
                         c.toObject().value("new").toString();
        QVERIFY2(lines.contains("Nastavení režimu 1 › Symbol 1: symbol 1 -> symbol 5"),
                 qPrintable(lines.join('\n')));
        QVERIFY2(lines.contains("Nastavení režimu 2 › Symbol 3: symbol 0 -> symbol 12"),
                 qPrintable(lines.join('\n')));
        const Run text = run(path(), {"write", "symbols.ini", "--port", "COM1", "--dry-run"});
        QCOMPARE(text.status, 0);
        QVERIFY2(QString::fromUtf8(text.out).contains("  Nastavení režimu 2 › Symbol 3: symbol 0 "
                                                      "-> symbol 12\n"),
                 text.out.constData());
        QVERIFY(!text.out.contains("beze změn"));

        // A unit only where the page shows one: a ZG with a voltage input has none.
        QVERIFY(serve(model("ZG")));
        QByteArray zg = readDevice("zg.ini");
        zg = withKey(zg, "c11ZdIntComboBox", "6"); // "napětí 0-10 V"
        zg = withKey(zg, "c11AuI1ScrollBar", "-20000");
        dir->write("volts.ini", zg);
        const Run volts = run(path(), {"write", "volts.ini", "--port", "COM1", "--dry-run", "--json"});
        QCOMPARE(volts.status, 0);
        bool listed = false;
        for (const QJsonValue &c : volts.json().value("changes").toArray())
            if (c.toObject().value("key").toString() == "c11AuI1ScrollBar") {
                listed = true;
                QCOMPARE(c.toObject().value("new").toString(), QString("-20000"));
            }
        QVERIFY(listed);
    }

    // The device acknowledges the write and falls silent before the read-back: the write and
    // the verification are reported apart.
    void writeAcknowledgedButNotVerified()
    {
        QVERIFY(serve(model("T4yJ")));
        QByteArray file = withKey(readDevice("t4yj.ini"), "c1ZdTextEdit", "Kotelna");
        dir->write("new.ini", file);
        // The simulator's thread silences it once the write's reply is out.
        std::atomic<sim::Server *> line{nullptr};
        QVERIFY(serve(model("T4yJ"), [&line](const sim::Frame &f) {
            sim::Server *s = line.load();
            if (f.reply && f.bytes.size() > 1 && f.bytes[1] == 16 && s) {
                sim::Faults silent;
                silent.silent = true;
                s->setFaults(silent);
            }
        }));
        line.store(server.get());
        const Run r = run(path(), {"write", "new.ini", "--port", "COM1", "--json"});
        QCOMPARE(r.status, 3);
        const QJsonObject json = r.json();
        QVERIFY(!json.value("ok").toBool());
        QVERIFY(json.value("written").toBool());
        QCOMPARE(json.value("sentWrites").toInt(), 1);
        QCOMPARE(json.value("acknowledgedWrites").toInt(), 1);
        QVERIFY(!json.value("verified").toBool());
        QVERIFY(json.contains("backup"));
        QCOMPARE(server->device()->holding(0x2001), quint16(0x4B6F)); // "Ko"
        server.reset(); // its thread ends before `line` goes
    }

    // Two devices one after the other; Ctrl+C ends the batch between devices.
    void batchOverTwoDevices()
    {
        QVERIFY(serve(model("T4yJ")));
        QByteArray file = readDevice("base.ini");
        file.replace("c1ZdTextEdit=T4yJ", "c1ZdTextEdit=Provisioned");
        dir->write("batch.ini", file);

        Batch batch(path(), {"batch.ini", "--port", "COM1", "--log", "log.csv", "--json",
                             "--protocols", "protocols"});
        QVERIFY(batch.started());
        QTRY_VERIFY_WITH_TIMEOUT(logLines().size() >= 2, 30000); // header, the first device
        QCOMPARE(server->device()->holding(0x2001), quint16(0x5072)); // "Pr"
        // The next device: a factory-new one, after the first was unplugged long enough.
        server.reset();
        QVERIFY2(batch.waitForErr("zařízení 1 odpojeno"), qPrintable(batch.err()));
        auto second = model("T4yJ");
        QVERIFY(serve(second));
        QTRY_VERIFY_WITH_TIMEOUT(logLines().size() >= 3, 30000);
        QCOMPARE(second->holding(0x2001), quint16(0x5072));
        QCOMPARE(batch.interrupt(), 0);
        QVERIFY(dir->read("log.csv").startsWith(kBom + "datum a čas;"));
        const QList<QStringList> log = logLines();
        QCOMPARE(log.size(), 3);
        QCOMPARE(log[0].join(';'), QString("datum a čas;model;identifikace;firmware;adresa;"
                                           "zapsáno;ověřeno;výsledek;návratový kód"));
        for (int i = 1; i <= 2; ++i) {
            QCOMPARE(log[i].size(), 9);
            QCOMPARE(log[i][1], QString("T4yJ"));
            QCOMPARE(log[i][2], QString("T4yJ"));
            QCOMPARE(log[i][3], QString("115"));
            QCOMPARE(log[i].mid(5), (QStringList{"ano", "ano", "Operace proběhla OK", "0"}));
        }
        QCOMPARE(QDir(path() + "/backups").entryList(QDir::Files).size(), 2);
        const QList<QJsonObject> results = batch.results();
        QCOMPARE(results.size(), 2);
        QVERIFY(results[1].value("ok").toBool());
        QCOMPARE(results[1].value("device").toInt(), 2);
        // One protocol per device, of what it holds after the verified write.
        QCOMPARE(QDir(path() + "/protocols").entryList({"*.pdf"}, QDir::Files).size(), 2);
        const QString text = pdfText(results[1].value("protocol").toString());
        QVERIFY2(text.contains("Provisione"), qPrintable(text)); // ten characters
        QVERIFY(text.contains("Ověřeno zpětným čtením"));
    }

    // diff: exactly the settings the file changes, on the page's terms, nothing written;
    // report: the device's protocol.
    void diffAndReport()
    {
        QVERIFY(serve(model("T4yJ")));
        QByteArray file = readDevice("device.ini");
        QVERIFY(!file.isEmpty());
        const Run same = run(path(), {"diff", "device.ini", "--port", "COM1", "--json"});
        QCOMPARE(same.status, 0);
        QCOMPARE(same.json().value("differences").toArray().size(), 0);

        file = withKey(file, "c1ZdOffScrollBar", "-15");
        file = withKey(file, "c1SkSpdComboBox", "2");
        file = withKey(file, "c1ZdTextEdit", "Sklad č2");
        dir->write("setup.ini", file);
        // Differences have their own status, apart from both success and failure.
        const Run json = run(path(), {"diff", "setup.ini", "--port", "COM1", "--json"});
        QCOMPARE(json.status, 11);
        const QJsonArray differences = json.json().value("differences").toArray();
        QStringList rows;
        for (const auto &d : differences) {
            const QJsonObject o = d.toObject();
            rows << QStringList{o.value("caption").toString(), o.value("file").toString(),
                                o.value("device").toString(), o.value("unit").toString()}
                        .join('|');
        }
        QCOMPARE(rows, (QStringList{"Zákaznické textové pole|Sklad č2|T4yJ|",
                                    "Korekční posuv měřené teploty|-1,5|0,0|°C",
                                    "Komunikační rychlost|4800|19200|Bd"}));
        QCOMPARE(writeRequests(), 0);

        const Run text = run(path(), {"diff", "setup.ini", "--port", "COM1"});
        QCOMPARE(text.status, 11);
        const QStringList lines = QString::fromUtf8(text.out).trimmed().split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith("Skupina"));
        QVERIFY(lines[2].contains(QRegularExpression("Korekční posuv měřené teploty\\s+-1,5\\s+0,0\\s+°C")));

        const Run foreign = run(path(), {"diff", "serialPorts.ini", "--port", "COM1"});
        QCOMPARE(foreign.status, 7);

        const Run report = run(path(), {"report", "--port", "COM1", "-o", "unit.pdf", "--json"});
        QCOMPARE(report.status, 0);
        const QString pdf = pdfText(dir->file("unit.pdf"));
        QVERIFY2(pdf.contains("Protokol o nastavení zařízení T4yJ"), qPrintable(pdf));
        QVERIFY(pdf.contains("Načteno ze zařízení"));
        QVERIFY(pdf.contains(QRegularExpression("Port:\\s+COM1")));
        QCOMPARE(run(path(), {"report", "--port", "COM1"}).status, 1);
    }

    // The second device is of a model the file has no section for: its reason and exit kind
    // in the log, on the terminal and in the exit status. The first device's section is not
    // the file's first page: each device gets its own.
    void batchGivesEveryFailureItsReason()
    {
        QVERIFY(serve(model("T4yJ")));
        const QByteArray t4yj = readDevice("t4yj.ini");
        QVERIFY(serve(model("T6yR")));
        const QByteArray t6yr = withKey(readDevice("t6yr.ini"), "c5ZdTextEdit", "Hala 1");
        dir->write("two.ini", t4yj + "\n" + t6yr);

        Batch batch(path(), {"two.ini", "--port", "COM1", "--log", "log.csv"});
        QVERIFY(batch.started());
        QTRY_VERIFY_WITH_TIMEOUT(logLines().size() >= 2, 30000);
        server.reset();
        QVERIFY2(batch.waitForErr("zařízení 1 odpojeno"), qPrintable(batch.err()));
        QVERIFY(serve(model("ZK")));
        QTRY_VERIFY_WITH_TIMEOUT(logLines().size() >= 3, 30000);
        QCOMPARE(batch.interrupt(), 4);
        const QList<QStringList> log = logLines();
        QCOMPARE(log.size(), 3);
        QCOMPARE(log[1][1], QString("T6yR"));
        QCOMPARE(log[1][7], QString("Operace proběhla OK"));
        QCOMPARE(log[2][1], QString("ZK"));
        QCOMPARE(log[2][2], QString("ZK"));
        QCOMPARE(log[2].mid(5, 2), (QStringList{"ne", "ne"}));
        QCOMPARE(log[2][7],
                 QString("Zařízení, které máte připojeno, není vámi zvolená komponenta"));
        QCOMPARE(log[2][8], QString("4"));
        const QString out = QString::fromUtf8(batch.out());
        QVERIFY2(out.contains("zařízení 1 (T6yR): Operace proběhla OK, ověřeno"), qPrintable(out));
        QVERIFY2(out.contains("zařízení 2 (ZK): Zařízení, které máte připojeno, není vámi "
                              "zvolená komponenta (kód 4)"),
                 qPrintable(out));
        QVERIFY(batch.err().contains("konec: 2 zařízení, z toho 1 s chybou"));

        // The same failure as JSON: one whole line with its reason.
        Batch json(path(), {"two.ini", "--port", "COM1", "--log", "json.csv", "--json"});
        QVERIFY(json.started());
        QTRY_VERIFY_WITH_TIMEOUT(logLines("json.csv").size() >= 2, 30000);
        QCOMPARE(json.interrupt(), 4);
        const QList<QByteArray> lines = json.out().trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        const QJsonObject result = QJsonDocument::fromJson(lines[0]).object();
        QCOMPARE(result.value("device").toInt(), 1);
        QCOMPARE(result.value("ok").toBool(), false);
        QCOMPARE(result.value("status").toInt(), 4);
        QCOMPARE(result.value("model").toString(), QString("ZK"));
        QCOMPARE(result.value("error").toString(),
                 QString("Zařízení, které máte připojeno, není vámi zvolená komponenta"));
    }

    // A line that drops one reply while the device stays connected: one device, one line.
    void batchOnALineThatDropsAReply()
    {
        QVERIFY(serve(model("T4yJ")));
        dir->write("batch.ini", withKey(readDevice("base.ini"), "c1ZdTextEdit", "Jednou"));
        Batch batch(path(), {"batch.ini", "--port", "COM1", "--log", "log.csv", "--json"});
        QVERIFY(batch.started());
        QTRY_VERIFY_WITH_TIMEOUT(logLines().size() >= 2, 30000);
        // Lost replies now and then, never a second in a row.
        for (int i = 0; i < 3; ++i) {
            server->failNextRequests(1);
            const int seen = server->frames().size();
            QVERIFY(server->waitForFrames(seen + 4, 20000));
        }
        QCOMPARE(batch.interrupt(), 0);
        QCOMPARE(logLines().size(), 2);
        QCOMPARE(batch.results().size(), 1);
        QVERIFY(!batch.err().contains("odpojeno"));
        QCOMPARE(QDir(path() + "/backups").entryList(QDir::Files).size(), 1);
    }

    // A port that is not there is said once, with its diagnosis, and ends the batch after
    // its time; damaged replies are said once and the batch waits on.
    void batchSaysWhyItWaits()
    {
        {
            Batch batch(path(), {"base.ini", "--port", "COM1", "--json", "--port-timeout", "2"});
            QVERIFY(batch.started());
            QCOMPARE(batch.finished(), 7); // the file first: it does not exist
        }
        QVERIFY(serve(model("T4yJ")));
        readDevice("base.ini");
        server.reset();
        {
            Batch batch(path(), {"base.ini", "--port", "COM1", "--json", "--port-timeout", "2"});
            QVERIFY(batch.started());
            QCOMPARE(batch.finished(), 2);
            QCOMPARE(batch.err().count("Sériová linka neodpovídá - zkontrolujte její připojení"), 1);
            QVERIFY2(batch.err().contains("Takové zařízení neexistuje"), qPrintable(batch.err()));
            const QList<QJsonObject> results = batch.results();
            QCOMPARE(results.size(), 1);
            QCOMPARE(results[0].value("status").toInt(), 2);
            QVERIFY(results[0].value("details").toString().contains("Takové zařízení neexistuje"));
        }
        QVERIFY(serve(model("T4yJ")));
        sim::Faults damaged;
        damaged.badCrc = true;
        server->setFaults(damaged);
        Batch batch(path(), {"base.ini", "--port", "COM1", "--log", "log.csv"});
        QVERIFY(batch.started());
        QVERIFY2(batch.waitForErr("odpovídá, ale nepoužitelně: Chyba kontrolního CRC"),
                 qPrintable(batch.err()));
        const int seen = server->frames().size();
        QVERIFY(server->waitForFrames(seen + 3, 20000));
        QCOMPARE(batch.err().count("Chyba kontrolního CRC"), 1);
        QVERIFY(batch.err().contains("Odpovědi přicházejí poškozené"));
        server->setFaults(sim::Faults());
        QTRY_VERIFY_WITH_TIMEOUT(logLines().size() >= 2, 30000);
        QCOMPARE(batch.interrupt(), 0);
        QCOMPARE(logLines()[1][7], QString("Operace proběhla OK"));
    }

    // A program that has the port open without a lock (a terminal program) takes the
    // replies: the silent device's message names it, and `ports` says so.
    void otherProgramOnThePort()
    {
        QVERIFY(serve(model("T4yJ")));
        sim::Faults silent;
        silent.silent = true;
        server->setFaults(silent);
        QProcess terminal;
        terminal.start("sh", {"-c", "exec sleep 60 <\"$0\"", server->path()});
        QVERIFY(terminal.waitForStarted());
        const QString holder = QString::number(terminal.processId()) + " sleep";
        // The shell has become sleep, with the port open.
        const auto running = [&terminal] {
            QFile comm(QString("/proc/%1/comm").arg(terminal.processId()));
            return comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("sleep");
        };
        QTRY_VERIFY(running());
        const Run detect = run(path(), {"detect", "--port", "COM1"});
        QCOMPARE(detect.status, 3);
        QVERIFY2(detect.error().contains("Prvek na sériové lince neodpovídá"), detect.err.constData());
        QVERIFY2(detect.error().contains(holder), detect.err.constData());
        const Run json = run(path(), {"read", "--port", "COM1", "--json"});
        QCOMPARE(json.status, 3);
        QVERIFY(json.json().value("details").toString().contains(holder));
        const Run ports = run(path(), {"ports"});
        QCOMPARE(ports.status, 0);
        const QString com1 = QString::fromUtf8(ports.out).section('\n', 0, 0);
        QVERIFY2(com1.contains("lze otevřít, má je otevřené i jiný program"), qPrintable(com1));
        QVERIFY2(QString::fromUtf8(ports.out).contains(holder), ports.out.constData());
        terminal.kill();
        terminal.waitForFinished();
        // Without it, a silent device is just silent.
        const Run alone = run(path(), {"detect", "--port", "COM1"});
        QCOMPARE(alone.status, 3);
        QVERIFY(!alone.error().contains("sleep"));
    }

    // The advice of a port the user may not open, as another user gets it: a group only
    // where it may read and write and the user is not in it.
    void permissions_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("member");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("never");
        QTest::newRow("root-owned") << "root" << 0660 << false
                                    << "Otevřít je smějí jen: uživatel root, členové skupiny root."
                                    << "usermod";
        QTest::newRow("0600 with group")
            << "dialout" << 0600 << false << "Otevřít je smějí jen: uživatel root." << "usermod";
        QTest::newRow("0600, member already")
            << "dialout" << 0600 << true
            << "Členství ve skupině dialout nepomůže: skupina nemá právo čtení a zápisu."
            << "usermod";
        QTest::newRow("0660, not a member")
            << "dialout" << 0660 << false << "(sudo usermod -aG dialout $USER); změna platí až "
                                             "po novém přihlášení."
            << "";
    }
    void permissions()
    {
        QFETCH(QString, group);
        QFETCH(int, mode);
        QFETCH(bool, member);
        QFETCH(QString, says);
        QFETCH(QString, never);
        if (::getuid() != 0)
            QSKIP("needs root to act as another user");
        const ::group *g = ::getgrnam(group.toUtf8().constData());
        if (!g)
            QSKIP("no such group here");
        const gid_t gid = g->gr_gid;
        QVERIFY(serve(model("T4yJ")));
        const QByteArray pty = QFile::encodeName(server->path());
        QVERIFY(::chown(pty.constData(), 0, gid) == 0);
        QVERIFY(::chmod(pty.constData(), mode_t(mode)) == 0);
        // The user nobody may read the working directory and run the program.
        QVERIFY(::chmod(QFile::encodeName(path()).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(dir->file("serialPorts.ini")).constData(), 0644) == 0);
        QProcess p;
        p.setWorkingDirectory(path());
        p.setChildProcessModifier([gid, member] {
            const gid_t nobody = 65534;
            const gid_t groups[] = {member ? gid : nobody};
            if (::setgroups(1, groups) != 0 || ::setgid(nobody) != 0 || ::setuid(65534) != 0)
                ::_exit(99);
        });
        p.start(cli(), {"detect", "--port", "COM1"});
        QVERIFY(p.waitForFinished(30000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 2);
        QVERIFY2(err.contains("Přístup k zařízení byl odepřen."), qPrintable(err));
        QVERIFY2(err.contains(says), qPrintable(err));
        if (!never.isEmpty())
            QVERIFY2(!err.contains(never), qPrintable(err));
    }

    // read -o over an existing file leaves the page's file alone in it.
    void readReplacesAnExistingFile()
    {
        QVERIFY(serve(model("T4yJ")));
        dir->write("device.ini", "[cForm4]\nc4ZdTextEdit=ZK\n[cForm1]\nc1Stale=1\nc1ZdTextEdit=x\n");
        const Run fresh = run(path(), {"read", "--port", "COM1"});
        QCOMPARE(fresh.status, 0);
        const Run over = run(path(), {"read", "--port", "COM1", "-o", "device.ini"});
        QCOMPARE(over.status, 0);
        QCOMPARE(dir->read("device.ini"), fresh.out);
    }

    void usageIsCzech_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown option") << QStringList{"read", "--bogus"}
                                        << "ovrin-cli: neznámá volba --bogus";
        QTest::newRow("option without value") << QStringList{"read", "--port"}
                                              << "ovrin-cli: volba --port potřebuje hodnotu";
        QTest::newRow("no port") << QStringList{"detect"}
                                 << "ovrin-cli: chybí --port COMn (COM1 až COM20)";
        QTest::newRow("no file") << QStringList{"write", "--port", "COM1"}
                                 << "ovrin-cli: příkaz write potřebuje konfigurační SOUBOR";
        QTest::newRow("unknown command") << QStringList{"erase", "--port", "COM1"}
                                         << "ovrin-cli: neznámý příkaz erase";
        QTest::newRow("bad timeout") << QStringList{"batch", "x.ini", "--port-timeout", "soon"}
                                     << "ovrin-cli: --port-timeout potřebuje počet sekund";
    }
    void usageIsCzech()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, reason);
        const Run r = run(path(), args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.error().startsWith(reason), r.err.constData());
        QVERIFY(r.error().contains("použití: ovrin-cli PŘÍKAZ [volby]"));
        QVERIFY(r.error().contains("Návratový kód: 0 ověřený úspěch"));
        QVERIFY(r.error().contains("11 diff našel"));
    }
};

QTEST_MAIN(OvrinCliTest)
#include "tst_ovrincli.moc"
