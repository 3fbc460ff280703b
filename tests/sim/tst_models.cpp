#include "sim/Sim.h"
#include "tests/sim/RawPort.h"

#include <QtTest>

using sim::Table;

class TestModels : public QObject
{
    Q_OBJECT

private slots:
    void lookupByName()
    {
        QCOMPARE(sim::createModel("t4yj")->name(), QString("T4yJ"));
        QCOMPARE(sim::createModel("e-hb5/hn9")->name(), QString("E-HB5/HN9"));
        QCOMPARE(sim::createModel("E-HB5-HN9")->name(), QString("E-HB5/HN9"));
        QVERIFY(!sim::createModel("T4yX"));
        QVERIFY(!sim::createModel("KQ")); // an accepted identification, not a list name
        QVERIFY(!sim::createModel(QString()));
        QCOMPARE(sim::modelNames().size(), 18);

        // Each device is its own: changing one leaves a second of the same model alone.
        auto a = sim::createModel("ZK");
        auto b = sim::createModel("ZK");
        a->setIdentification(sim::kClassicIdentification, "XX");
        QCOMPARE(b->identification(sim::kClassicIdentification), QByteArray("ZK              "));
    }

    // Live values move with time, each as its type or range says.
    void liveValuesMove_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("low"); // where the value is after a quarter of a minute
        QTest::addColumn<int>("high");
        QTest::newRow("T4yG temperature") << "T4yG" << 0x0000 << 216 << 245;
        QTest::newRow("ZG temperature") << "ZG" << 0x0000 << 216 << 245;
        QTest::newRow("E-UV6 AI.0 Pt 1000") << "E-UV6" << 0x0000 << 185 << 245;
        QTest::newRow("E-UV6 AI.1 0-10 V in its range") << "E-UV6" << 0x0001 << 0 << 1000;
        QTest::newRow("E-UV6 AI.2 4-20 mA in its range") << "E-UV6" << 0x0002 << 400 << 2000;
        QTest::newRow("T6yR illuminance above 32767") << "T6yR" << 0x0004 << 32768 << 40000;
        QTest::newRow("T6yR share of the range") << "T6yR" << 0x0005 << 800 << 1000;
    }
    void liveValuesMove()
    {
        QFETCH(QString, model);
        QFETCH(int, address);
        QFETCH(int, low);
        QFETCH(int, high);
        auto device = sim::createModel(model);
        const quint16 before = device->holding(address);
        device->tick(15000);
        const quint16 after = device->holding(address);
        QVERIFY(after != before);
        // Signed except for the illuminance sensor's registers.
        const int v = model == "T6yR" ? int(after) : int(qint16(after));
        QVERIFY2(v >= low && v <= high, qPrintable(QString::number(v)));
    }

    void fixedReadsOverTheWire_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("identification");
        QTest::addColumn<bool>("newPlace");
        for (const QString &name : sim::modelNames()) {
            const bool newer = name == "CWR1" || name == "GWR1";
            QTest::newRow(qPrintable(name))
                << name << name.toLatin1().leftJustified(16, ' ') << newer;
        }
    }

    void fixedReadsOverTheWire()
    {
        QFETCH(QString, model);
        QFETCH(QByteArray, identification);
        QFETCH(bool, newPlace);
        sim::Server server(sim::createModel(model));
        QVERIFY(server.start());
        RawPort port(server.path());

        // The exact frames the application sends, with their documented CRC bytes.
        QByteArray reply = port.exchange(QByteArray::fromHex("ff0400010008b5d2"), 21);
        QCOMPARE(reply.size(), 21);
        QVERIFY(crcValid(reply));
        QCOMPARE(reply.mid(3, 16), identification);

        reply = port.exchange(rtu("ff0400100008"), 21);
        if (newPlace) {
            QCOMPARE(reply.mid(3, 16), identification);
        } else {
            QCOMPARE(reply, rtu("ff8402"));
        }

        reply = port.exchange(QByteArray::fromHex("ff04000000012414"), 7);
        QCOMPARE(reply.size(), 7);
        QVERIFY(crcValid(reply));
        const int firmware = (quint8(reply[3]) << 8) | quint8(reply[4]);
        QVERIFY2(firmware > 0 && firmware < 1000, qPrintable(QString::number(firmware)));

        reply = port.exchange(rtu("ff0400180004"), 13);
        QCOMPARE(reply.size(), 13);
        QVERIFY(crcValid(reply));
        for (char c : reply.mid(3, 8))
            QVERIFY(c >= 0x20 && c < 0x7F);
    }

    void writeHookDecidesWhatIsStored()
    {
        // A device that keeps only the low byte of register 0x2001 and counts coil writes.
        struct LowByteDevice : sim::Device {
            LowByteDevice()
            {
                setHolding(0x2001, 0);
                setHolding(0x2002, 0);
                setCoil(0, false);
                setInput(0x0200, 0);
            }
            void onWriteHolding(int address, quint16 value) override
            {
                put(Table::Holding, address, address == 0x2001 ? (value & 0xFF) : value);
            }
            void onWriteCoil(int address, bool on) override
            {
                sim::Device::onWriteCoil(address, on);
                put(Table::Input, 0x0200, quint16(get(Table::Input, 0x0200) + 1));
            }
        };
        sim::Server server(std::make_shared<LowByteDevice>());
        QVERIFY(server.start());
        RawPort port(server.path());
        QCOMPARE(port.exchange(rtu("ff1020010002041234abcd"), 8), rtu("ff1020010002"));
        QCOMPARE(port.exchange(rtu("ff0320010002"), 9), rtu("ff03040034abcd"));
        QCOMPARE(port.exchange(rtu("ff050000ff00"), 8), rtu("ff050000ff00"));
        QCOMPARE(server.device()->input(0x0200), quint16(1));
        QVERIFY(server.device()->coil(0));
    }
};

QTEST_GUILESS_MAIN(TestModels)
#include "tst_models.moc"
