// The simulated digital I/O modules on their own: inputs that move with the ticks and
// counters that count the edge each input is set to, and E-HN2 outputs that follow the test
// registers (two-state) or their pulse train (proportional).

#include "sim/Sim.h"
#include "sim/models/DigitalIo.h"

#include <QtTest>

using sim::models::DigitalIoDevice;

class DigitalIoModelsTest : public QObject
{
    Q_OBJECT

    static DigitalIoDevice &io(sim::Device &d) { return static_cast<DigitalIoDevice &>(d); }

private slots:
    void inputsMoveAndCountTheirEdge()
    {
        auto d = sim::createModel("E-HB2");
        // DI.0 counts rising edges (factory), DI.4 falling ones.
        d->tick(250); // DI.0 high
        QCOMPARE(io(*d).inputs(), quint8(0x01));
        QCOMPARE(d->holding(0x0000), quint16(0x0100));
        d->tick(250); // DI.0 low, DI.1 high
        d->tick(250); // DI.0 high again: its second rising edge
        QCOMPARE(d->holding(0x0008), quint16(2));
        io(*d).setInputs(0x10);
        io(*d).setInputs(0x00);
        QCOMPARE(d->holding(0x000C), quint16(1));
        // A counter wraps at 16 bits.
        d->setHolding(0x000C, 0xFFFF);
        io(*d).setInputs(0x10);
        io(*d).setInputs(0x00);
        QCOMPARE(d->holding(0x000C), quint16(0));

        // E-HB5/HN9: three inputs, the edge register at 0x200A.
        auto hb5 = sim::createModel("E-HB5/HN9");
        io(*hb5).setInputs(0xFF);
        QCOMPARE(io(*hb5).inputs(), quint8(0x07));
        QCOMPARE(hb5->holding(0x0008), quint16(1));
        QCOMPARE(hb5->holding(0x0009), quint16(0));
    }

    void outputsFollowTheTestRegisters()
    {
        auto d = sim::createModel("E-HN2");
        QCOMPARE(d->address(), 1);
        QCOMPARE(d->writeHoldings(0x0100, {0x00FF}), 0);
        // DO.6 and DO.7 are proportional (factory): their on-time is still 0.
        QCOMPARE(io(*d).outputs(), quint8(0x3F));
        // DO.7 on for 3 of its 10 steps of 1 ms.
        QCOMPARE(d->writeHoldings(0x0117, {3}), 0);
        d->tick(1);
        QVERIFY(io(*d).outputs() & 0x80);
        d->tick(3);
        QVERIFY(!(io(*d).outputs() & 0x80));
        d->tick(6);
        QVERIFY(io(*d).outputs() & 0x80);
        // A new address in 0x2018 counts at once.
        QCOMPARE(d->writeHoldings(0x2018, {0x2A04}), 0);
        QCOMPARE(d->address(), 42);
    }
};

QTEST_GUILESS_MAIN(DigitalIoModelsTest)
#include "tst_digital_io_models.moc"
