// The bus scan against simulated buses on a pty: what it finds, what it refuses to call a
// device, and how its options are read.

#include "link/Messages.h"
#include "link/TTransmit.h"
#include "shell/BusScan.h"
#include "sim/Sim.h"
#include "tests/support/PtyPortOwner.h"

#include <QtTest>

namespace {

struct Bus {
    std::unique_ptr<sim::Server> server;
    PtyPortOwner owner;

    bool start(const QString &text, bool wireTiming = true)
    {
        std::vector<sim::BusMember> members;
        QString error;
        if (!sim::parseBus(text, &members, &error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        return start(std::move(members), wireTiming);
    }
    bool start(std::vector<sim::BusMember> members, bool wireTiming = true)
    {
        server = std::make_unique<sim::Server>(std::move(members));
        server->setTickInterval(0);
        sim::Faults f;
        f.wireTiming = wireTiming;
        server->setFaults(f);
        QString error;
        if (!server->start(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        owner.setPath(server->path());
        return true;
    }
};

QString describe(const std::vector<BusScanHit> &hits)
{
    QStringList lines;
    for (const BusScanHit &h : hits)
        lines << QStringLiteral("%1@%2:%3 %4").arg(h.model).arg(h.address).arg(h.baudRate).arg(
                     h.kindText());
    return lines.join(QLatin1Char(','));
}

} // namespace

class TestBusScan : public QObject
{
    Q_OBJECT

private slots:
    void findsExactlyTheDevicesOfABus();
    void neverCallsABadReplyADevice_data();
    void neverCallsABadReplyADevice();
    void collisionAt255IsNoModel();
    void cancelStopsBetweenAddresses();
    void portThatWillNotOpenEndsTheScanOnce();
    void parsesOptions_data();
    void parsesOptions();
};

void TestBusScan::findsExactlyTheDevicesOfABus()
{
    Bus bus;
    QVERIFY(bus.start(QStringLiteral("T4yJ@5,CWR1@17,E-HN2@31:9600")));
    bus.server->device(0)->setFirmwareNumber(115);
    bus.server->device(0)->setHolding(0x2001, 0x4B6F); // "Ko"
    bus.server->device(0)->setHolding(0x2002, 0x746C); // "tl"
    bus.server->device(0)->setHolding(0x2003, 0x0000);
    BusScanOptions options;
    options.baudRates = {9600, 19200};
    options.firstAddress = 1;
    options.lastAddress = 40;
    QList<int> progressed;
    BusScan scan(bus.owner);
    const BusScanResult r = scan.run(options, [&](int address, quint32, int, int total) {
        QCOMPARE(total, 80);
        progressed << address;
    });
    QCOMPARE(r.error, 0);
    QCOMPARE(r.tried, 80);
    QCOMPARE(describe(r.hits),
             QStringLiteral("E-HN2@31:9600 zařízení,T4yJ@5:19200 zařízení,CWR1@17:19200 zařízení"));
    QCOMPARE(r.hits[1].firmware, QStringLiteral("115"));
    QCOMPARE(r.hits[1].customerText, QStringLiteral("Kotl"));
    QCOMPARE(r.hits[2].customerText, QStringLiteral("CWR1"));
    QVERIFY(!r.hits[2].firmware.isEmpty());
    QCOMPARE(progressed.size(), 81); // every address, and the end
}

void TestBusScan::neverCallsABadReplyADevice_data()
{
    QTest::addColumn<bool>("badCrc");
    QTest::addColumn<bool>("twoAtOneAddress");
    QTest::addColumn<QString>("kind");
    QTest::newRow("reply fails its CRC") << true << false << QStringLiteral("chyba CRC");
    QTest::newRow("two devices at one address") << false << true << QStringLiteral("kolize");
}

void TestBusScan::neverCallsABadReplyADevice()
{
    QFETCH(bool, badCrc);
    QFETCH(bool, twoAtOneAddress);
    QFETCH(QString, kind);
    std::vector<sim::BusMember> members;
    QVERIFY(sim::parseBus(QStringLiteral("ZK@9"), &members));
    if (twoAtOneAddress) {
        std::shared_ptr<sim::Device> twin = sim::createModel(QStringLiteral("ZK"));
        twin->placeOnBus(9, 19200);
        members.push_back({twin, 19200});
    }
    Bus bus;
    QVERIFY(bus.start(std::move(members)));
    sim::Faults f = bus.server->faults();
    f.badCrc = badCrc;
    bus.server->setFaults(f);
    BusScanOptions options;
    options.firstAddress = 8;
    options.lastAddress = 10;
    const BusScanResult r = BusScan(bus.owner).run(options);
    QCOMPARE(r.hits.size(), size_t(1));
    QCOMPARE(r.hits[0].address, 9);
    QCOMPARE(r.hits[0].kindText(), kind);
    QCOMPARE(r.hits[0].listIndex, -1);
    QVERIFY(r.hits[0].model.isEmpty());
}

void TestBusScan::collisionAt255IsNoModel()
{
    Bus bus;
    QVERIFY(bus.start(QStringLiteral("T4yJ@5,ZK@6,T4yJ@7")));
    // The identification every device sends at once is no device's.
    TTransmit t(bus.owner);
    QString ident;
    const TransmitResult r = t.readIdentification(ident);
    QVERIFY(r.error != ErrOk);
    QVERIFY(t.lastReplyCollided());
    // One device alone at 255 is no collision.
    Bus single;
    QVERIFY(single.start(QStringLiteral("T4yJ@5")));
    TTransmit alone(single.owner);
    ident.clear();
    QCOMPARE(alone.readIdentification(ident).error, int(ErrOk));
    QCOMPARE(ident, QStringLiteral("T4yJ            "));
    QVERIFY(!alone.lastReplyCollided());
    // A damaged reply of one device is a CRC fault, not a collision.
    sim::Faults f = single.server->faults();
    f.badCrc = true;
    single.server->setFaults(f);
    QCOMPARE(alone.readIdentification(ident).error, int(ErrCrc));
    QVERIFY(!alone.lastReplyCollided());
}

void TestBusScan::cancelStopsBetweenAddresses()
{
    Bus bus;
    QVERIFY(bus.start(QStringLiteral("T4yJ@5")));
    std::atomic<bool> cancel{false};
    BusScanOptions options;
    const BusScanResult r = BusScan(bus.owner).run(
        options,
        [&](int address, quint32, int, int) {
            if (address == 12)
                cancel = true;
        },
        {}, &cancel);
    QVERIFY(r.cancelled);
    QCOMPARE(r.tried, 12); // the address being tried when it came
    QCOMPARE(r.hits.size(), size_t(1));
}

void TestBusScan::portThatWillNotOpenEndsTheScanOnce()
{
    PtyPortOwner owner(QStringLiteral("/nonexistent/tty"));
    const BusScanResult r = BusScan(owner).run(BusScanOptions());
    QCOMPARE(r.error, int(ErrPortClosed));
    QCOMPARE(r.tried, 1);
}

void TestBusScan::parsesOptions_data()
{
    QTest::addColumn<QString>("rates");
    QTest::addColumn<QString>("addresses");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("parsed");
    QTest::newRow("all") << "1200,2400,4800,9600,19200" << "1-254" << true
                         << "1200,2400,4800,9600,19200/1-254";
    QTest::newRow("one address, doubled rate") << "9600, 9600" << "17" << true << "9600/17-17";
    QTest::newRow("rate not in the list") << "38400" << "1-254" << false << "";
    QTest::newRow("address 255") << "19200" << "1-255" << false << "";
    QTest::newRow("address 0") << "19200" << "0-10" << false << "";
    QTest::newRow("reversed") << "19200" << "20-10" << false << "";
    QTest::newRow("empty rates") << "" << "1-2" << false << "";
    QTest::newRow("garbage") << "19200" << "a-b" << false << "";
}

void TestBusScan::parsesOptions()
{
    QFETCH(QString, rates);
    QFETCH(QString, addresses);
    QFETCH(bool, valid);
    QFETCH(QString, parsed);
    QList<quint32> r;
    int first = 0, last = 0;
    const bool ok = BusScan::parseRates(rates, &r) && BusScan::parseAddresses(addresses, &first, &last);
    QCOMPARE(ok, valid);
    if (ok) {
        QStringList texts;
        for (quint32 rate : r)
            texts << QString::number(rate);
        QCOMPARE(texts.join(',') + QStringLiteral("/%1-%2").arg(first).arg(last), parsed);
    }
}

QTEST_MAIN(TestBusScan)
#include "tst_busscan.moc"
