// ZG page against the simulated ZG: the input types with the output range that follows
// the input range, writes of 14 or 16 registers by type, reads and loads that keep the
// ranges of the type read or loaded, and the live value by type.

#include "ConverterFixture.h"
#include "pages/converters/TcForm11.h"
#include "platform/Profile.h"

#include <QPushButton>

class ZgTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ConverterRig> rig;
    std::unique_ptr<TcForm11> page;

    void open(std::shared_ptr<sim::Device> device = nullptr)
    {
        QVERIFY(device ? rig->start(device) : rig->start(QStringLiteral("ZG")));
        page = std::make_unique<TcForm11>();
        rig->shell.page = page.get();
    }
    QStringList ranges() const
    {
        QStringList texts;
        for (TNumericField *f : {page->i1(), page->i2(), page->u1(), page->u2()})
            texts << f->edit()->text();
        return texts;
    }
    bool outputEnabled() const
    {
        return page->u1()->edit()->isEnabled() && page->u2()->bar()->isEnabled();
    }
    bool thermometerControlsEnabled() const
    {
        return page->off()->edit()->isEnabled() && page->sp()->bar()->isEnabled() &&
               !page->i1()->unitLabel()->isHidden();
    }

private slots:
    void init() { rig = std::make_unique<ConverterRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    void typesAndTheOutputRange()
    {
        open();
        QVERIFY(page->thermometerMode);
        QCOMPARE(ranges(), (QStringList{"-100,0", "400,0", "-32768", "32767"}));
        QVERIFY(!outputEnabled());

        choose(page->typeCombo(), 6); // napětí 0-10 V
        QCOMPARE(ranges(), (QStringList{"0", "1000", "0", "1000"}));
        QVERIFY(outputEnabled());
        QVERIFY(!page->off()->edit()->isEnabled());
        QVERIFY(!page->sp()->edit()->isEnabled());
        QVERIFY(page->i1()->unitLabel()->isHidden());
        QVERIFY(page->isChanged());

        // The output range follows the input range, not the other way round.
        typeInto(page->i2(), "800");
        page->i1()->bar()->setValue(-20);
        QCOMPARE(ranges(), (QStringList{"-20", "800", "-20", "800"}));
        typeInto(page->u2(), "500");
        QCOMPARE(ranges(), (QStringList{"-20", "800", "-20", "500"}));

        // Output-range entries: their bounds, "-" but no comma, text that is no number.
        typeInto(page->u1(), "-40000");
        QCOMPARE(page->u1()->edit()->text(), QStringLiteral("-32768"));
        QCOMPARE(rig->prompts.lastText(),
                 QStringLiteral("Můžete zadat pouze hodnoty od -32768 do 32767"));
        rig->prompts.clear();
        page->u1()->edit()->clear();
        QTest::keyClicks(page->u1()->edit(), "-7,");
        QCOMPARE(page->u1()->edit()->text(), QStringLiteral("-7"));
        QCOMPARE(rig->prompts.beeps(), 1);
        typeInto(page->u1(), "7-");
        QCOMPARE(page->u1()->edit()->text(), QStringLiteral("0"));
        QCOMPARE(page->u1()->position(), 0);
        QVERIFY(page->invalidInput());
        QCOMPARE(rig->prompts.beeps(), 2);
        typeInto(page->u1(), "-7");
        QVERIFY(!page->invalidInput());

        // A thermometer: the output range is disabled and keeps its values; the input
        // range no longer moves it.
        choose(page->typeCombo(), 0);
        QCOMPARE(ranges(), (QStringList{"-2,0", "80,0", "-7", "500"}));
        QVERIFY(!outputEnabled());
        QVERIFY(thermometerControlsEnabled());
        typeInto(page->i1(), "10");
        QCOMPARE(ranges(), (QStringList{"10,0", "80,0", "-7", "500"}));
    }

    // Which registers a write sends and which of them the verification compares.
    void writes_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("sloppy"); // register the device stores altered
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("count");
        QTest::newRow("thermometer: 14 registers") << 2 << 0x0000 << true << 14;
        QTest::newRow("thermometer: output range not compared") << 2 << 0x200E << true << 14;
        QTest::newRow("voltage: 16 registers") << 6 << 0x0000 << true << 16;
        QTest::newRow("voltage: output range compared") << 6 << 0x200F << false << 16;
        QTest::newRow("type code compared") << 6 << 0x2006 << false << 16;
    }
    void writes()
    {
        QFETCH(int, item);
        QFETCH(int, sloppy);
        QFETCH(bool, ok);
        QFETCH(int, count);
        open(alteringDevice(
            QStringLiteral("ZG"), sloppy, [](quint16 v) { return quint16(v ^ 1); }, 0x2000, 16));
        rig->device->setValues(sim::Table::Holding, 0x200E, {111, 222});
        page->getButton()->click();
        choose(page->typeCombo(), item);
        rig->clock.clearWaits();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(),
                 ok ? QStringList() : QStringList{"Data nebyla korektně uložena"});
        QVERIFY(rig->clock.waited(1500));
        int written = -1;
        int readBack = -1;
        for (const auto &f : rig->server->frames()) {
            if (f.bytes.startsWith(QByteArray::fromHex("ff102000")))
                written = quint8(f.bytes[5]);
            if (f.bytes.startsWith(QByteArray::fromHex("ff032000")))
                readBack = quint8(f.bytes[5]);
        }
        QCOMPARE(written, count);
        QCOMPARE(readBack, 16);
        // A thermometer leaves the device's output range alone.
        const QVector<quint16> output =
            count == 14 ? QVector<quint16>{111, 222} : QVector<quint16>{0, 1000};
        if (ok)
            QCOMPARE(rig->device->values(sim::Table::Holding, 0x200E, 2), output);
    }

    void readSettlesInTheTypeRead()
    {
        open();
        // Resistance 0..10000 with an output range the thermometer page could not hold.
        rig->device->setValues(sim::Table::Holding, 0x2006, {0x0010, 0, 0x0104, 0, 10000});
        rig->device->setValues(sim::Table::Holding, 0x200E, {quint16(-500), 30000});
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->typeCombo()->currentIndex(), 4);
        QVERIFY(!page->thermometerMode);
        QCOMPARE(ranges(), (QStringList{"0", "10000", "-500", "30000"}));
        QVERIFY(outputEnabled());
        // The PWM settings of the factory: 16 bits, time base 250 in the shown list.
        QCOMPARE(page->pwm16RadioGroup()->itemIndex(), 1);
        QCOMPARE(page->pwm()->edit()->text(), QStringLiteral("16,384"));
        QCOMPARE(page->timeBaseList()->currentText(), QStringLiteral("250"));
        QVERIFY(page->timeBaseList()->isVisibleTo(page.get()));
        QVERIFY(!page->timeBaseList()->isEnabled());

        // A thermometer on the device: its limits for the input range.
        rig->device->setValues(sim::Table::Holding, 0x2006, {0x0002, 0, 0x0104, 0xFF38, 5000});
        page->getButton()->click();
        QCOMPARE(ranges(), (QStringList{"-20,0", "400,0", "-500", "30000"}));
        QVERIFY(!outputEnabled());

        // A failed read brings back the type and all four ranges.
        choose(page->typeCombo(), 7); // napětí 0-5 V
        typeInto(page->u2(), "77");
        rig->server->setException(sim::Table::Holding, 0x2000, 0x200F, 2);
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(),
                 QStringList{"Adresa registru, ke kterému chcete přistoupit je mimo rozsah"});
        QCOMPARE(page->typeCombo()->currentIndex(), 7);
        QCOMPARE(ranges(), (QStringList{"0", "500", "0", "77"}));
        QVERIFY(outputEnabled());
    }

    // A file's ranges load under the file's type, not cut to the limits of the type the
    // page showed before.
    void loadingKeepsTheSavedRanges()
    {
        open();
        const QString file = rig->dir.file(QStringLiteral("zg.ini"));
        choose(page->typeCombo(), 4);
        typeInto(page->i1(), "100");
        typeInto(page->i2(), "9000");
        typeInto(page->u1(), "50");
        typeInto(page->u2(), "60");
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        QCOMPARE(Profile(file).keys(QStringLiteral("cForm11")),
                 (QStringList{"c11ZdTextEdit", "c11SkSpdComboBox", "c11SkAdrComboBox",
                              "c11ZdIntComboBox", "c11ZdOffScrollBar", "c11AuI1ScrollBar",
                              "c11AuI2ScrollBar", "c11AuU1ScrollBar", "c11AuU2ScrollBar",
                              "c11AuTbComboBox", "c11PInvRadioGroup", "c11Pwm16RadioGroup",
                              "c11PWMTypeSettingRadioGroup", "c11AuSpScrollBar", "mmShowHint"}));

        choose(page->typeCombo(), 0);
        QCOMPARE(ranges(), (QStringList{"10,0", "400,0", "50", "60"}));
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(page->typeCombo()->currentIndex(), 4);
        QCOMPARE(ranges(), (QStringList{"100", "9000", "50", "60"}));
        QCOMPARE(page->i2()->position(), 9000);
        QVERIFY(outputEnabled());
        QVERIFY(!page->isChanged());
    }

    void liveValueByType()
    {
        open();
        rig->device->setHolding(0x2006, 0x0030);
        rig->device->setHolding(0x0000, 523);
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc11extForm *>(page->liveWindow());
        QVERIFY(live);
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("523"),
                                  5000);
        QVERIFY(live->measureTemperatureULabel->isHidden());
        QCOMPARE(live->measureTemperatureMemo->toolTip(), QStringLiteral("Měřená hodnota modulu"));
        rig->device->setHolding(0x2006, 0x0001);
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("52,3"),
                                  5000);
        QVERIFY(!live->measureTemperatureULabel->isHidden());
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }
};

QTEST_MAIN(ZgTest)
#include "tst_zg.moc"
