// ZK page against the simulated ZK: the ten input types and what they do to the input
// range, reads that settle the range in the limits of the type read, the restore after a
// failed read, configuration loads, the write with its verification, and the live window's
// display by type.

#include "ConverterFixture.h"
#include "platform/Profile.h"

#include <QPushButton>

class ZkTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ConverterRig> rig;
    std::unique_ptr<TcForm4> page;

    void open(std::shared_ptr<sim::Device> device = nullptr)
    {
        QVERIFY(device ? rig->start(device) : rig->start(QStringLiteral("ZK")));
        page = std::make_unique<TcForm4>();
        rig->shell.page = page.get();
    }
    // A user's choice in the type list.
    void choose(int item)
    {
        page->typeCombo()->setCurrentIndex(item);
        emit page->typeCombo()->activated(item);
    }
    QString edit(TNumericField *f) const { return f->edit()->text(); }
    QStringList inputRange() const { return {edit(page->i1()), edit(page->i2())}; }
    bool unitsVisible() const
    {
        return !page->i1()->unitLabel()->isHidden() && !page->i2()->unitLabel()->isHidden();
    }
    bool correctionEnabled() const
    {
        return page->off()->edit()->isEnabled() && page->off()->bar()->isEnabled() &&
               page->sp()->edit()->isEnabled() && page->sp()->bar()->isEnabled();
    }

private slots:
    void init() { rig = std::make_unique<ConverterRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    void typeChangeSwitchesTheInputMode()
    {
        open();
        // Design-time values.
        QVERIFY(page->thermometerMode);
        QVERIFY(!page->keepInputRange);
        QCOMPARE(page->typeCombo()->currentIndex(), 0);
        QCOMPARE(edit(page->off()), QStringLiteral("0,0"));
        QCOMPARE(page->off()->position(), 0);
        QCOMPARE(inputRange(), (QStringList{"-100,0", "400,0"}));
        const QStringList frequencies = {edit(page->o1()), edit(page->o2()), edit(page->fl()),
                                         edit(page->fh()), edit(page->sp())};
        QCOMPARE(frequencies, (QStringList{"0", "20000", "0", "20000", "0"}));
        QVERIFY(!page->isChanged());

        choose(8); // proud 4-20 mA
        QVERIFY(!page->thermometerMode);
        QCOMPARE(inputRange(), (QStringList{"400", "2000"}));
        QCOMPARE(page->i1()->position(), 400);
        QVERIFY(!unitsVisible());
        QVERIFY(!correctionEnabled());
        QCOMPARE(page->i1()->edit()->toolTip(), QStringLiteral("Rozsah -32767 až 32766"));
        QCOMPARE(page->i2()->bar()->maximum(), 32766);
        QVERIFY(page->isChanged());

        choose(4); // odpor 0-1000 ohmů: its own default range
        QCOMPARE(inputRange(), (QStringList{"0", "10000"}));
        page->i2()->bar()->setValue(2000);
        QCOMPARE(edit(page->i2()), QStringLiteral("2000"));

        choose(3); // Pt 100/3850ppm: back to tenths of a degree, 2000 stays 200,0
        QVERIFY(page->thermometerMode);
        QCOMPARE(inputRange(), (QStringList{"0,0", "200,0"}));
        QCOMPARE(page->i1()->bar()->minimum(), -1000);
        QCOMPARE(page->i2()->bar()->maximum(), 4000);
        QVERIFY(unitsVisible());
        QVERIFY(correctionEnabled());
        QCOMPARE(page->i2()->bar()->toolTip(), QStringLiteral("Rozsah -100,0 až 400,0"));

        // A thermometer limits a range of another type.
        choose(4);
        QCOMPARE(page->i2()->position(), 10000);
        choose(0);
        QCOMPARE(inputRange(), (QStringList{"0,0", "400,0"}));
        QCOMPARE(rig->prompts.count(), 0);
    }

    void plainInputRangeEdits()
    {
        open();
        choose(6); // napětí 0-10 V
        typeInto(page->i2(), "40000");
        QCOMPARE(edit(page->i2()), QStringLiteral("32766"));
        QCOMPARE(page->i2()->position(), 32766);
        QCOMPARE(rig->prompts.lastText(),
                 QStringLiteral("Můžete zadat pouze hodnoty od -32767 do 32766"));
        typeInto(page->i1(), "-123");
        QCOMPARE(page->i1()->position(), -123);
        typeInto(page->i1(), "1,5");
        QCOMPARE(edit(page->i1()), QStringLiteral("0"));
        QCOMPARE(page->i1()->position(), 0);
        QVERIFY(page->invalidInput());
        QCOMPARE(rig->prompts.beeps(), 1);
        // The correction keeps its decimal rules meanwhile.
        choose(1);
        typeInto(page->i1(), "450");
        QCOMPARE(edit(page->i1()), QStringLiteral("400,0"));
        QCOMPARE(page->i1()->position(), 4000);
    }

    // Choosing the selected type again puts back its default range; in plain mode a bad
    // entry marks the page changed, and the disabled correction shows what a read puts
    // into its bar.
    void sameTypeAgainAndPlainMode()
    {
        open();
        choose(8); // proud 4-20 mA
        typeInto(page->i1(), "700");
        choose(8);
        QCOMPARE(inputRange(), (QStringList{"400", "2000"}));

        page->markChanged(false);
        typeInto(page->i2(), "abc");
        QCOMPARE(edit(page->i2()), QStringLiteral("0"));
        QCOMPARE(page->i2()->position(), 0);
        QVERIFY(page->isChanged());
        QVERIFY(page->invalidInput());
        typeInto(page->i2(), "2000");

        // The device: current 4-20 mA with a correction of 1,5.
        rig->device->setValues(sim::Table::Holding, 0x2006, {0x0040, 15, 0x0104, 400, 2000});
        page->getButton()->click();
        QCOMPARE(page->off()->position(), 15);
        QCOMPARE(edit(page->off()), QStringLiteral("1,5"));
        choose(2);
        QCOMPARE(edit(page->off()), QStringLiteral("1,5"));
    }

    // A correction typed under a thermometer, then a plain type and a correction read or
    // loaded: the disabled edit shows the new one, and saving (which first commits the
    // last edited field) and writing keep it.
    void plainTypeKeepsTheCorrectionReadOrLoaded_data()
    {
        QTest::addColumn<bool>("fromFile");
        QTest::newRow("read") << false;
        QTest::newRow("loaded") << true;
    }
    void plainTypeKeepsTheCorrectionReadOrLoaded()
    {
        QFETCH(bool, fromFile);
        open();
        typeInto(page->off(), "2,0");
        choose(8);
        if (fromFile) {
            rig->dir.write(QStringLiteral("zk.ini"),
                           "[cForm4]\r\nc4ZdIntComboBox=8\r\nc4ZdOffScrollBar=15\r\n"
                           "c4AuI1ScrollBar=400\r\nc4AuI2ScrollBar=2000\r\n");
            rig->prompts.planFileName(rig->dir.file(QStringLiteral("zk.ini")));
            page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        } else {
            rig->device->setValues(sim::Table::Holding, 0x2006, {0x0040, 15, 0x0104, 400, 2000});
            page->getButton()->click();
        }
        QCOMPARE(rig->prompts.texts(), QStringList());
        QVERIFY(!correctionEnabled());
        QCOMPARE(edit(page->off()), QStringLiteral("1,5"));

        const QString saved = rig->dir.file(QStringLiteral("saved.ini"));
        rig->prompts.planFileName(saved);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        QCOMPARE(Profile(saved).readInteger("cForm4", "c4ZdOffScrollBar", 0), 15);
        rig->device->setHolding(0x2007, 0);
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(rig->device->holding(0x2007), quint16(15));
        QCOMPARE(edit(page->off()), QStringLiteral("1,5"));
    }

    void readSettlesTheRangeInTheTypeRead()
    {
        open();
        // The device measures resistance with 0..10000 while the page shows a thermometer.
        rig->device->setValues(sim::Table::Holding, 0x2006, {0x0010, 0, 0x0104, 0, 10000});
        QVERIFY(page->thermometerMode);
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->typeCombo()->currentText(), QStringLiteral("odpor 0-1000 ohmů"));
        QVERIFY(!page->thermometerMode);
        QCOMPARE(inputRange(), (QStringList{"0", "10000"}));
        QCOMPARE(page->i2()->position(), 10000);
        QVERIFY(!unitsVisible());

        // Back to a thermometer on the device: the page limits the range to it.
        rig->device->setValues(sim::Table::Holding, 0x2006, {0x0002, 15, 0x0104, 0xFF38, 5000});
        page->getButton()->click();
        QCOMPARE(page->typeCombo()->currentIndex(), 2);
        QCOMPARE(inputRange(), (QStringList{"-20,0", "400,0"}));
        QCOMPARE(edit(page->off()), QStringLiteral("1,5"));
        QVERIFY(unitsVisible());

        // Frequencies of 0 stay 0 here.
        rig->device->setValues(sim::Table::Holding, 0x200B, {0, 0, 0, 0, 0});
        page->getButton()->click();
        QCOMPARE(edit(page->o1()), QStringLiteral("0"));
        QCOMPARE(edit(page->sp()), QStringLiteral("0"));
        QCOMPARE(edit(page->fh()), QStringLiteral("0"));
        // An unknown type code leaves the list empty and writing refused.
        rig->device->setHolding(0x2006, 0x0020);
        page->getButton()->click();
        QCOMPARE(page->typeCombo()->currentIndex(), -1);
        rig->prompts.clear();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList{"Všechna pole musí být korektně vyplněna"});
        QVERIFY(isRed(labelNamed(page.get(), "c4ZdIntLabel")));
        QCOMPARE(rig->writes(), 0);
    }

    void failedReadRestoresTypeAndRange()
    {
        open();
        choose(7); // napětí 0-5 V, 0..500
        typeInto(page->i1(), "50");
        typeInto(page->o2(), "7000");
        const bool changed = page->isChanged();
        // The device holds a thermometer but refuses the block.
        rig->server->setException(sim::Table::Holding, 0x2001, 0x200F, 2);
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(),
                 QStringList{"Adresa registru, ke kterému chcete přistoupit je mimo rozsah"});
        QCOMPARE(page->panelText(2),
                 QStringLiteral("Obnoveno původní formulářové nastavení komponenty"));
        QCOMPARE(page->typeCombo()->currentIndex(), 7);
        QVERIFY(!page->thermometerMode);
        QCOMPARE(inputRange(), (QStringList{"50", "500"}));
        QCOMPARE(edit(page->o2()), QStringLiteral("7000"));
        QCOMPARE(page->isChanged(), changed);
        QVERIFY(!QFile::exists(rig->dir.file("temp.ini")));

        // A wrong device fails before the block: the same.
        rig->server->clearExceptions();
        rig->device->setIdentification(sim::kClassicIdentification, "ZG");
        rig->prompts.clear();
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(),
                 QStringList{"Zařízení, které máte připojeno, není vámi zvolená komponenta"});
        QCOMPARE(inputRange(), (QStringList{"50", "500"}));
        QCOMPARE(page->typeCombo()->currentIndex(), 7);
    }

    void loadingAConfigurationKeepsItsRange()
    {
        open();
        const QString file = rig->dir.file(QStringLiteral("zk.ini"));
        choose(4);
        typeInto(page->i1(), "100");
        typeInto(page->i2(), "9000");
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        const Profile saved(file);
        QCOMPARE(
            saved.keys(QStringLiteral("cForm4")),
            (QStringList{"c4ZdTextEdit", "c4ZdIntComboBox", "c4ZdOffScrollBar", "c4SkSpdComboBox",
                         "c4SkAdrComboBox", "c4AuI1ScrollBar", "c4AuI2ScrollBar", "c4AuO1ScrollBar",
                         "c4AuO2ScrollBar", "c4AuFlScrollBar", "c4AuFhScrollBar", "c4AuSpScrollBar",
                         "mmShowHint"}));
        QCOMPARE(saved.readInteger("cForm4", "c4ZdIntComboBox", -1), 4);

        // Into a page with another plain type: the file's range stays as saved.
        choose(8);
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(page->typeCombo()->currentIndex(), 4);
        QCOMPARE(inputRange(), (QStringList{"100", "9000"}));
        QVERIFY(!page->isChanged());

        // Into a page showing a thermometer: the range loads under the file's type, not cut
        // to the thermometer's 400,0.
        choose(0);
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(page->typeCombo()->currentIndex(), 4);
        QVERIFY(!page->thermometerMode);
        QCOMPARE(inputRange(), (QStringList{"100", "9000"}));
        QCOMPARE(page->i2()->position(), 9000);
        QVERIFY(!unitsVisible());
        QCOMPARE(labelNamed(page.get(), "c4AuI2Label")->toolTip(),
                 QStringLiteral("Rozsah -32767 až 32766"));
    }

    void writesTheTypeAndVerifiesIt()
    {
        open();
        page->getButton()->click();
        choose(8);
        typeInto(page->o1(), "0");
        typeInto(page->o2(), "15000");
        typeInto(page->sp(), "0");
        rig->clock.clearWaits();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QVERIFY(rig->clock.waited(1500));
        const QVector<quint16> expected = {0x5A4B, 0,    0, 0,     0, 0x0040, 0,    0x0104,
                                           400,    2000, 0, 15000, 0, 0,      15000};
        QCOMPARE(rig->block(), expected);
        // No preliminary read of the type before writing.
        for (const auto &f : rig->server->frames())
            QVERIFY(!f.bytes.startsWith(QByteArray::fromHex("ff0320060001")));
    }

    void verification_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("flip");
        QTest::addColumn<bool>("ok");
        QTest::newRow("type code differs") << 0x2006 << 0x0001 << false;
        QTest::newRow("type high byte differs") << 0x2006 << 0x0100 << true;
        QTest::newRow("baud differs") << 0x2008 << 0x0001 << false;
        QTest::newRow("fault value differs") << 0x200D << 0x0001 << false;
    }
    void verification()
    {
        QFETCH(int, address);
        QFETCH(int, flip);
        QFETCH(bool, ok);
        open(alteringDevice(QStringLiteral("ZK"), address,
                            [flip](quint16 v) { return quint16(v ^ flip); }));
        page->getButton()->click();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(),
                 ok ? QStringList() : QStringList{"Data nebyla korektně uložena"});
    }

    void liveWindowShowsByType()
    {
        open();
        rig->device->setHolding(0x2006, 0x0031); // napětí 0-5 V
        rig->device->setHolding(0x0000, 123);
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc4extForm *>(page->liveWindow());
        QVERIFY(live);
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("123"),
                                  5000);
        QVERIFY(live->measureTemperatureULabel->isHidden());
        rig->device->setHolding(0x2006, 0x0002);
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("12,3"),
                                  5000);
        QVERIFY(!live->measureTemperatureULabel->isHidden());
        rig->device->setHolding(0x0000, quint16(-5));
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("-0,5"),
                                  5000);

        // The unit follows the type read, even when the value's read then fails; the value
        // shown stays the last good one.
        rig->server->setException(sim::Table::Holding, 0x0000, 0x0000, 2);
        rig->device->setHolding(0x2006, 0x0010);
        QTRY_VERIFY_WITH_TIMEOUT(live->measureTemperatureULabel->isHidden(), 5000);
        QCOMPARE(live->measureTemperatureMemo->text(), QStringLiteral("-0,5"));
        rig->server->clearExceptions();
        rig->device->setHolding(0x2006, 0x0002);
        QTRY_VERIFY_WITH_TIMEOUT(!live->measureTemperatureULabel->isHidden(), 5000);

        // Get while the window is open runs between two polls.
        rig->device->setHolding(0x2006, 0x0041);
        page->getButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(page->typeCombo()->currentIndex(), 9, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("-5"), 5000);
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }

    void modelMovesItsLiveValue()
    {
        // The simulated ZK's input follows its type.
        auto zk = std::shared_ptr<sim::Device>(sim::createModel(QStringLiteral("ZK")));
        zk->tick(15000);
        const qint16 warm = static_cast<qint16>(zk->holding(0x0000));
        QVERIFY2(warm > 215 && warm <= 245, qPrintable(QString::number(warm)));
        zk->setHolding(0x2006, 0x0040);
        zk->tick(1);
        const qint16 current = static_cast<qint16>(zk->holding(0x0000));
        QVERIFY2(current >= 400 && current <= 2000, qPrintable(QString::number(current)));
        auto t4 = std::shared_ptr<sim::Device>(sim::createModel(QStringLiteral("T4yJ")));
        const quint16 before = t4->holding(0x0000);
        t4->tick(5000);
        QVERIFY(t4->holding(0x0000) != before);
    }
};

QTEST_MAIN(ZkTest)
#include "tst_zk.moc"
