// ZSL page against the simulated ZSL: the code tables read and written, range values by
// input kind and decimal point (entry, rounding, bounds, exact decimals), the DAC rules,
// the write with its six-second pause and verification, configuration files, and the live
// window's two-step poll (closing it in the middle of a write included).

#include "ConverterFixture.h"
#include "pages/controllers/TcForm12.h"
#include "pages/framework/Shape.h"
#include "platform/Profile.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

class ZslTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ConverterRig> rig;
    std::unique_ptr<TcForm12> page;

    void open()
    {
        QVERIFY(rig->start(QStringLiteral("ZSL")));
        page = std::make_unique<TcForm12>();
        rig->shell.page = page.get();
    }
    QVector<quint16> block() const { return rig->device->values(sim::Table::Holding, 0x2000, 17); }
    static QString text(TNumericField *f) { return f->edit()->text(); }
    static bool enabled(TNumericField *f) { return f->edit()->isEnabled() && f->bar()->isEnabled(); }

private slots:
    void init() { rig = std::make_unique<ConverterRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    // The address keeps the transmitter's own caption, without the controllers' hint.
    void addressCaption()
    {
        open();
        const QLabel *label = page->labelOf(page->addressList());
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("Síťová adresa"));
        // Without a hint of its own the caption shows the list's.
        QCOMPARE(label->toolTip(), QStringLiteral("Rozsah 1 - 254"));
        QCOMPARE(page->addressList()->toolTip(), QStringLiteral("Rozsah 1 - 254"));
    }

    void readShowsCodesAndKinds_data()
    {
        QTest::addColumn<quint16>("flags");
        QTest::addColumn<quint16>("types");
        QTest::addColumn<quint16>("dot");
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("dotItem");
        QTest::addColumn<QString>("lim1");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<bool>("dacFieldsOn");
        // 0x200D holds 1234 in every row.
        QTest::newRow("voltage, two decimals")
            << quint16(0x0400) << quint16(0x3080) << quint16(0x00FA) << 6 << 0 << 2 << "12,34"
            << "Rozsah -9,99 až 99,99" << false;
        QTest::newRow("thermometer ignores the decimal point")
            << quint16(0x0400) << quint16(0x029B) << quint16(0x00FA) << 2 << 2 << 2 << "123,4"
            << "Rozsah -99,9 až 999,9" << true;
        QTest::newRow("unknown point code reads as one decimal")
            << quint16(0x0000) << quint16(0x4190) << quint16(0x0007) << 9 << 1 << 3 << "123,4"
            << "Rozsah -99,9 až 999,9" << false;
        QTest::newRow("DAC off leaves its fields off")
            << quint16(0x0000) << quint16(0x0080) << quint16(0x00F8) << 0 << 0 << 0 << "123,4"
            << "Rozsah -99,9 až 999,9" << false;
        QTest::newRow("unknown codes leave no selection")
            << quint16(0x0400) << quint16(0x2255) << quint16(0x00FC) << -1 << -1 << 1 << "123,4"
            << "Rozsah -99,9 až 999,9" << true;
    }
    void readShowsCodesAndKinds()
    {
        QFETCH(quint16, flags);
        QFETCH(quint16, types);
        QFETCH(quint16, dot);
        QFETCH(int, input);
        QFETCH(int, output);
        QFETCH(int, dotItem);
        QFETCH(QString, lim1);
        QFETCH(QString, hint);
        QFETCH(bool, dacFieldsOn);
        open();
        rig->device->setHolding(0x2000, flags);
        rig->device->setHolding(0x2006, types);
        rig->device->setHolding(0x200C, dot);
        rig->device->setHolding(0x200D, 1234);
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->inputCombo()->currentIndex(), input);
        QCOMPARE(page->outputCombo()->currentIndex(), output);
        QCOMPARE(page->decimalPoint()->itemIndex(), dotItem);
        QCOMPARE(text(page->lim1()), lim1);
        QCOMPARE(page->lim1()->edit()->toolTip(), hint);
        QCOMPARE(enabled(page->sp()), dacFieldsOn);
        QCOMPARE(enabled(page->i1()), dacFieldsOn);
        QCOMPARE(page->outputCombo()->isEnabled(), bool(flags & 0x0400));
        const bool linear = input >= 4 || (input < 0 && !page->temperatureInput());
        QCOMPARE(page->decimalPoint()->isEnabled(), linear);
        QCOMPARE(enabled(page->off()), !linear);
        QCOMPARE(enabled(page->i1Display()), linear);
        QCOMPARE(page->lim1()->unitLabel()->isHidden(), linear);
    }

    void rangeEntry_data()
    {
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("dotItem");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("warning");
        QTest::newRow("two decimals round to nearest") << 6 << 2 << "12,346" << 1235 << "12,35" << "";
        QTest::newRow("half away from zero") << 6 << 2 << "-1,235" << -124 << "-1,24" << "";
        QTest::newRow("thousandths exactly") << 6 << 1 << "1,001" << 1001 << "1,001" << "";
        QTest::newRow("above three decimals")
            << 6 << 1 << "10" << 9999 << "9,999"
            << "Můžete zadat pouze hodnoty od -0,999 do 9,999";
        QTest::newRow("six characters fit") << 6 << 1 << "-0,999" << -999 << "-0,999" << "";
        QTest::newRow("whole numbers") << 8 << 0 << "-1000" << -999 << "-999"
                                       << "Můžete zadat pouze hodnoty od -999 do 9999";
        QTest::newRow("thermometer tenths") << 0 << 1 << "12,35" << 124 << "12,4" << "";
        QTest::newRow("thermometer above") << 0 << 1 << "999,95" << 9999 << "999,9"
                                           << "Můžete zadat pouze hodnoty od -99,9 do 999,9";
        QTest::newRow("not a number") << 6 << 2 << "1,2,3" << 0 << "0,0" << "";
    }
    void rangeEntry()
    {
        QFETCH(int, input);
        QFETCH(int, dotItem);
        QFETCH(QString, typed);
        QFETCH(int, position);
        QFETCH(QString, shown);
        QFETCH(QString, warning);
        open();
        page->inputCombo()->setCurrentIndex(input);
        page->decimalPoint()->setItemIndex(dotItem);
        QVERIFY(page->lim1()->edit()->maxLength() >= 6);
        page->lim1()->setPosition(500);
        typeInto(page->lim1(), typed);
        QCOMPARE(page->lim1()->position(), position);
        QCOMPARE(text(page->lim1()), shown);
        QCOMPARE(rig->prompts.texts(), warning.isEmpty() ? QStringList() : QStringList{warning});
        QCOMPARE(page->invalidInput(), typed == "1,2,3");
    }

    void rangePairsAndFailureValueFollowTheMode()
    {
        open();
        page->dacActive()->setItemIndex(1);
        page->inputCombo()->setCurrentIndex(2);
        typeInto(page->i1(), "-5,5");
        typeInto(page->sp(), "12,3");
        // Both bars of the range start hold one position.
        QCOMPARE(page->i1Display()->position(), -55);
        page->inputCombo()->setCurrentIndex(4);
        page->decimalPoint()->setItemIndex(1);
        QCOMPARE(text(page->i1Display()), QStringLiteral("-0,055"));
        QCOMPARE(text(page->i1()), QStringLiteral("-0,055"));
        // The failure value's text is that of its position in the new mode too.
        QCOMPARE(text(page->sp()), QStringLiteral("0,123"));
        typeInto(page->i2Display(), "2,5");
        QCOMPARE(page->i2()->position(), 2500);
        page->inputCombo()->setCurrentIndex(0);
        QCOMPARE(text(page->i2()), QStringLiteral("250,0"));
        QCOMPARE(text(page->sp()), QStringLiteral("12,3"));
    }

    void writeSendsTheBlockAfterSixSeconds()
    {
        open();
        page->getButton()->click();
        page->dacActive()->setItemIndex(1);
        page->relay2()->setItemIndex(1);
        page->textEdit()->setText(QStringLiteral("Kotel"));
        page->inputCombo()->setCurrentIndex(8);
        page->outputCombo()->setCurrentIndex(2);
        page->decimalPoint()->setItemIndex(2);
        typeInto(page->i1Display(), "4");
        typeInto(page->i2Display(), "20");
        typeInto(page->lim1(), "12,5");
        typeInto(page->hys2(), "0,2");
        page->addressList()->setCurrentIndex(4);
        page->speedCombo()->setCurrentIndex(9);
        rig->clock.clearWaits();
        rig->server->clearLog();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(rig->clock.waits(), QList<int>{6000});
        const QVector<quint16> expected = {0x0700, 0x4B6F, 0x7465, 0x6C00, 0, 0, 0x409B, 0, 0x0509,
                                           400,    2000,   0,      0x00FA, 1250, 230, 10, 20};
        QCOMPARE(block(), expected);
        QCOMPARE(rig->frames(16, 0x2000), 1);
        QCOMPARE(rig->frames(3, 0x2000), 2); // the backup's read and the read-back
        QCOMPARE(page->panelText(2), QStringLiteral("Operace proběhla OK"));

        // A device that keeps another value fails the verification.
        rig->device->setHolding(0x200E, 0);
        auto altered = alteringDevice(QStringLiteral("ZSL"), 0x2010,
                                      [](quint16 v) { return quint16(v + 1); }, 0x2000, 17);
        QVERIFY(rig->start(altered));
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList{"Data nebyla korektně uložena"});
    }

    void missingSelectionsRefuseTheWrite()
    {
        open();
        rig->device->setHolding(0x2006, 0x0255); // DAC output code unknown
        page->getButton()->click();
        rig->server->clearLog();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList{"Všechna pole musí být korektně vyplněna"});
        QCOMPARE(rig->frames(16), 0);
        QVERIFY(!isRed(labelNamed(page.get(), "cZdIntLabel")));
        QVERIFY(!isRed(labelNamed(page.get(), "cZdOutLabel")));
        // A relay mode without selection never reaches the flags as 0.
        page->outputCombo()->setCurrentIndex(0);
        page->relay1()->setItemIndex(-1);
        rig->prompts.clear();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList{"Všechna pole musí být korektně vyplněna"});
        QCOMPARE(rig->frames(16), 0);
        QVERIFY(page->relay1()->property("invalidMark").toBool());
        page->relay1()->setItemIndex(0);
        // No decimal point selected: sent as the item a read would show, not as 0xFC.
        page->decimalPoint()->setItemIndex(-1);
        rig->prompts.clear();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(rig->device->holding(0x200C), quint16(0x00F9));
        QCOMPARE(page->decimalPoint()->itemIndex(), 3);
    }

    void configurationFiles()
    {
        open();
        const QString file = rig->dir.file(QStringLiteral("zsl.ini"));
        page->inputCombo()->setCurrentIndex(6);
        page->decimalPoint()->setItemIndex(1);
        page->dacActive()->setItemIndex(1);
        page->relay1()->setItemIndex(1);
        typeInto(page->i1Display(), "0,5");
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        Profile saved(file);
        QCOMPARE(saved.keys(QStringLiteral("cForm12")),
                 (QStringList{"cZdTextEdit", "cSkSpdComboBox", "cSkAdrComboBox", "cZdIntComboBox",
                              "cZdOutComboBox", "cZdOffScrollBar", "cAuLim1ScrollBar",
                              "cAuLim2ScrollBar", "cAuHys1ScrollBar", "cAuHys2ScrollBar",
                              "cZdI1ScrollBar", "cZdI2ScrollBar", "cZdI1ScrollBar2",
                              "cZdI2ScrollBar2", "cAuSpScrollBar", "cDacERadioGroup",
                              "cRel1RadioGroup", "cRel2RadioGroup", "cDotPositionRadioGroup",
                              "mmShowHint"}));
        QCOMPARE(saved.readInteger("cForm12", "cZdI1ScrollBar", 0), 500);
        QCOMPARE(saved.readInteger("cForm12", "cRel1RadioGroup", 0), 1);

        // The display pair wins; a point code out of the list normalises; missing keys
        // take their defaults.
        saved.writeInteger("cForm12", "cZdI1ScrollBar2", 700);
        saved.writeInteger("cForm12", "cDotPositionRadioGroup", 7);
        saved.writeString("cForm12", "cZdI2ScrollBar", "x");
        saved.writeString("cForm12", "cZdI2ScrollBar2", "x");
        page->inputCombo()->setCurrentIndex(0);
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(page->i1()->position(), 700);
        QCOMPARE(page->i2()->position(), 9999);
        QCOMPARE(page->decimalPoint()->itemIndex(), 3);
        QCOMPARE(text(page->i1()), QStringLiteral("70,0"));
        QVERIFY(page->outputCombo()->isEnabled());
        QVERIFY(!page->isChanged());
    }

    // A linear input disables the correction; the correction read or loaded is still the
    // one the edit shows and a write sends back.
    void linearInputKeepsItsCorrection_data()
    {
        QTest::addColumn<bool>("fromFile");
        QTest::addColumn<int>("correction");
        QTest::addColumn<QString>("shown");
        QTest::newRow("read") << false << 25 << "2,5";
        QTest::newRow("loaded") << true << 40 << "4,0";
    }
    void linearInputKeepsItsCorrection()
    {
        QFETCH(bool, fromFile);
        QFETCH(int, correction);
        QFETCH(QString, shown);
        open();
        if (fromFile) {
            rig->dir.write(QStringLiteral("linear.ini"),
                           "[cForm12]\r\ncZdIntComboBox=6\r\ncZdOffScrollBar=" +
                               QByteArray::number(correction) + "\r\n");
            rig->prompts.planFileName(rig->dir.file(QStringLiteral("linear.ini")));
            page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        } else {
            rig->device->setHolding(0x2006, 0x3080);
            rig->device->setHolding(0x2007, quint16(correction));
            page->getButton()->click();
        }
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->inputCombo()->currentIndex(), 6);
        QVERIFY(!enabled(page->off()));
        QCOMPARE(page->off()->position(), correction);
        QCOMPARE(text(page->off()), shown);

        page->textEdit()->setFocus();
        page->textEdit()->selectAll();
        QTest::keyClicks(page->textEdit(), QStringLiteral("Novy"));
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->panelText(2), QStringLiteral("Operace proběhla OK"));
        QCOMPARE(rig->device->holding(0x2007), quint16(correction));
        QCOMPARE(rig->device->holding(0x2001), quint16(0x4E6F));
    }

    // Relay modes and the DAC flag are booleans in a file: any number but 0 is the second
    // item, a text that is no number the default (the first).
    void flagsInAFileAreBooleans_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("item");
        QTest::newRow("2") << QByteArray("2") << 1;
        QTest::newRow("-1") << QByteArray("-1") << 1;
        QTest::newRow("1") << QByteArray("1") << 1;
        QTest::newRow("0") << QByteArray("0") << 0;
        QTest::newRow("no number") << QByteArray("ano") << 0;
    }
    void flagsInAFileAreBooleans()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, item);
        open();
        QByteArray content = "[cForm12]\r\n";
        for (const char *key : {"cDacERadioGroup", "cRel1RadioGroup", "cRel2RadioGroup"})
            content += QByteArray(key) + "=" + value + "\r\n";
        rig->dir.write(QStringLiteral("flags.ini"), content);
        rig->prompts.planFileName(rig->dir.file(QStringLiteral("flags.ini")));
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(rig->prompts.texts(), QStringList());
        for (TRadioGroup *g : {page->dacActive(), page->relay1(), page->relay2()})
            QCOMPARE(g->itemIndex(), item);
        QCOMPARE(page->outputCombo()->isEnabled(), item == 1);

        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(rig->device->holding(0x2000), quint16(item ? 0x0700 : 0x0000));
        // Saved back as booleans of the items shown.
        const QString file = rig->dir.file(QStringLiteral("saved.ini"));
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        QCOMPARE(Profile(file).readString("cForm12", "cRel2RadioGroup", ""),
                 QString::number(item));
    }

    void liveWindowPollsTwice()
    {
        open();
        rig->device->setHolding(0x2006, 0x3080);
        rig->device->setHolding(0x0000, 1234);
        rig->device->setHolding(0x0001, 0x0002);
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc12extForm *>(page->liveWindow());
        QVERIFY(live);
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("1234"), 5000);
        QVERIFY(live->measureTemperatureULabel->isHidden());
        QCOMPARE(live->rele1Shape->toolTip(), QStringLiteral("Rozepnuto"));
        QCOMPARE(live->rele2Shape->toolTip(), QStringLiteral("Sepnuto"));
        QCOMPARE(live->rele2Shape->brushColor(), QColor(Qt::red));
        rig->device->setHolding(0x2006, 0x0380);
        rig->device->setHolding(0x0001, 0x0001);
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("123,4"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(live->rele1Shape->toolTip(), QStringLiteral("Sepnuto"), 5000);
        QVERIFY(!live->measureTemperatureULabel->isHidden());
        // One poll: the type with the identification check, then the value without.
        const auto frames = rig->server->frames();
        QVERIFY(frames.size() > 3);
        QByteArray sequence;
        for (const auto &f : frames)
            sequence += f.bytes.left(6);
        QVERIFY(sequence.contains(QByteArray::fromHex("ff0400010008") + QByteArray::fromHex("ff0320060001") +
                                  QByteArray::fromHex("ff0300000002")));

        // Closing the window during the write's six-second pause neither hangs nor loses
        // the write.
        page->textEdit()->setText(QStringLiteral("Za pauzy"));
        rig->prompts.clear();
        rig->clock.clearWaits();
        bool closedInPause = false;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, live, [&] {
            // The first chance inside the pause after the write.
            if (!closedInPause && rig->clock.waited(6000)) {
                closedInPause = rig->device->holding(0x2001) == 0x5A61;
                live->close();
            }
        });
        watch.start();
        page->sendButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!page->liveWindow(), 10000);
        QVERIFY(closedInPause);
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(rig->device->holding(0x2001), quint16(0x5A61));
        QVERIFY(rig->clock.waited(6000));
    }

    void modelSwitchesItsRelays()
    {
        auto zsl = std::shared_ptr<sim::Device>(sim::createModel(QStringLiteral("ZSL")));
        // OUT1 heats below 20,0 °C, OUT2 cools above 23,0 °C, both with 1,0 °C hysteresis.
        zsl->setHolding(0x200D, 300);
        zsl->setHolding(0x2010, 0);
        zsl->setHolding(0x200E, 100);
        zsl->tick(1);
        QCOMPARE(zsl->holding(0x0001), quint16(0x0003));
        const quint16 before = zsl->holding(0x0000);
        zsl->tick(7000);
        QVERIFY(zsl->holding(0x0000) != before);
        zsl->setHolding(0x200D, 0);
        zsl->setHolding(0x200E, 900);
        zsl->tick(1);
        QCOMPARE(zsl->holding(0x0001), quint16(0x0000));
    }
};

QTEST_MAIN(ZslTest)
#include "tst_zsl.moc"
