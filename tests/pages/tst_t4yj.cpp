// T4yJ page against the simulated T4yJ: read, write with the kept sensor byte and the
// verification, the frequency rules, the temperature edits, configuration keys and the live
// window.

#include "ConverterFixture.h"
#include "pages/framework/TrendPlot.h"
#include "platform/Profile.h"

#include <QPushButton>

class T4yJTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ConverterRig> rig;
    std::unique_ptr<TcForm1> page;

    void open(std::shared_ptr<sim::Device> device = nullptr)
    {
        QVERIFY(device ? rig->start(device) : rig->start(QStringLiteral("T4yJ")));
        page = std::make_unique<TcForm1>();
        rig->shell.page = page.get();
    }
    QString edit(TNumericField *f) const { return f->edit()->text(); }

private slots:
    void init() { rig = std::make_unique<ConverterRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    void opensWithTheDesignTimeValues()
    {
        open();
        const QStringList shown = {page->textEdit()->text(),
                                   edit(page->off()),
                                   page->speedCombo()->currentText(),
                                   page->addressList()->currentText(),
                                   edit(page->i1()),
                                   edit(page->i2()),
                                   edit(page->o1()),
                                   edit(page->o2()),
                                   edit(page->fl()),
                                   edit(page->fh()),
                                   edit(page->sp())};
        QCOMPARE(shown, (QStringList{"Text", "0,0", "1200", "1", "-100,0", "400,0", "1", "20000",
                                     "1", "20000", "1"}));
        QCOMPARE(page->off()->position(), 0);
        QVERIFY(!page->isChanged());
    }

    void readsTheFactoryDevice()
    {
        open();
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->textEdit()->text(), QStringLiteral("T4yJ"));
        QCOMPARE(page->typeCombo()->currentText(), QStringLiteral("Pt 1000/3850ppm"));
        QCOMPARE(edit(page->off()), QStringLiteral("0,0"));
        QCOMPARE(page->speedCombo()->currentText(), QStringLiteral("19200"));
        QCOMPARE(page->addressList()->currentText(), QStringLiteral("1"));
        const QStringList shown = {edit(page->i1()), edit(page->i2()), edit(page->o1()),
                                   edit(page->o2()), edit(page->sp()), edit(page->fl()),
                                   edit(page->fh())};
        QCOMPARE(shown, (QStringList{"0,0", "150,0", "1000", "5000", "1", "500", "5500"}));
        QCOMPARE(page->panelText(0), QStringLiteral("Název: T4yJ"));
        QCOMPARE(page->panelText(3), QStringLiteral("Firmware: 115"));
        QCOMPARE(page->panelText(2), QStringLiteral("Operace proběhla OK"));
        // Identification first, then the one block of 15 registers.
        const auto frames = rig->server->frames();
        QVERIFY(frames.size() >= 2);
        QCOMPARE(frames[0].bytes.toHex(' '), QByteArray("ff 04 00 01 00 08 b5 d2"));
        QCOMPARE(frames[1].bytes.toHex(' '), QByteArray("ff 03 20 01 00 0f 4a 10"));

        // The N variant is the same device to this page, for reads and writes alike.
        rig->device->setIdentification(sim::kClassicIdentification, "T4yJN");
        page->textEdit()->setText(QStringLiteral("N"));
        page->getButton()->click();
        QCOMPARE(page->textEdit()->text(), QStringLiteral("T4yJ"));
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
    }

    void readClampsAndLeavesUnknownSelectionsEmpty()
    {
        open();
        // Sensor type 3, address 0 with baud index 12, correction beyond 100,0, frequencies
        // 0 and above 20000.
        rig->device->setValues(sim::Table::Holding, 0x2006,
                               {3, 2000, 0x000C, 0xFC18, 5000, 0, 30000, 0, 0, 65535});
        page->getButton()->click();
        QCOMPARE(page->typeCombo()->currentIndex(), -1);
        QCOMPARE(page->addressList()->currentIndex(), -1);
        QCOMPARE(page->speedCombo()->currentIndex(), -1);
        QCOMPARE(edit(page->off()), QStringLiteral("100,0"));
        QCOMPARE(edit(page->i1()), QStringLiteral("-100,0"));
        QCOMPARE(edit(page->i2()), QStringLiteral("400,0"));
        QCOMPARE(edit(page->o1()), QStringLiteral("1"));
        QCOMPARE(edit(page->o2()), QStringLiteral("20000"));
        QCOMPARE(edit(page->sp()), QStringLiteral("1"));
        QCOMPARE(edit(page->fh()), QStringLiteral("20000"));
        QCOMPARE(rig->prompts.texts(), QStringList());

        // Nothing is written without an address and a baud rate.
        page->sendButton()->click();
        QCOMPARE(rig->prompts.lastText(),
                 QStringLiteral("Všechna pole musí být korektně vyplněna"));
        QVERIFY(isRed(labelNamed(page.get(), "c1SkAdrLabel")));
        QVERIFY(isRed(labelNamed(page.get(), "c1SkSpdLabel")));
        QCOMPARE(rig->writes(), 0);
        // Choosing an address gives its label the normal colour again.
        page->addressList()->setCurrentIndex(4);
        QVERIFY(!isRed(labelNamed(page.get(), "c1SkAdrLabel")));
        QVERIFY(isRed(labelNamed(page.get(), "c1SkSpdLabel")));
    }

    void writesTheImageKeepingTheDeviceSensorByte()
    {
        open();
        page->getButton()->click();
        // Not in the list: the page shows none. The device's high byte is not written back.
        rig->device->setHolding(0x2006, 0x0107);
        page->getButton()->click();
        QCOMPARE(page->typeCombo()->currentIndex(), -1);

        page->textEdit()->setText(QStringLiteral("Kotel č.2"));
        typeInto(page->off(), QStringLiteral("-2,5"));
        page->addressList()->setCurrentIndex(11);
        page->speedCombo()->setCurrentIndex(3);
        typeInto(page->i1(), QStringLiteral("-20,0"));
        typeInto(page->i2(), QStringLiteral("450,0")); // -> 400,0 with the warning
        QCOMPARE(rig->prompts.lastText(),
                 QStringLiteral("Můžete zadat pouze hodnoty od -100,0 do 400,0"));
        QCOMPARE(rig->prompts.lastCaption(), QStringLiteral("Varování"));
        QCOMPARE(edit(page->i2()), QStringLiteral("400,0"));
        QCOMPARE(page->i2()->position(), 4000);
        typeInto(page->o2(), QStringLiteral("12000"));
        typeInto(page->sp(), QStringLiteral("250"));
        rig->clock.clearWaits();
        rig->prompts.clear();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->panelText(2), QStringLiteral("Operace proběhla OK"));
        QVERIFY(rig->clock.waited(500));

        // "Kotel č.2" in windows-1250: č is 0xE8.
        const QVector<quint16> expected = {0x4B6F, 0x7465,       0x6C20, 0xE82E,        0x3200,
                                           7,      quint16(-25), 0x0C03, quint16(-200), 4000,
                                           1000,   12000,        250,    500,           12000};
        QCOMPARE(rig->block(), expected);
        // The sensor byte came with the backup's read of the block, just before the write.
        const auto frames = rig->server->frames();
        int preRead = -1, write = -1;
        for (int i = 0; i < frames.size(); ++i) {
            if (write < 0 && frames[i].bytes.startsWith(QByteArray::fromHex("ff032001000f")))
                preRead = i;
            if (quint8(frames[i].bytes[1]) == 16)
                write = i;
        }
        QVERIFY(preRead >= 0 && write > preRead);
    }

    void verification_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<bool>("ok");
        QTest::newRow("sensor byte differs") << 0x2006 << true;
        QTest::newRow("correction differs") << 0x2007 << false;
        QTest::newRow("upper limit differs") << 0x200F << false;
        QTest::newRow("text differs") << 0x2002 << false;
    }
    void verification()
    {
        QFETCH(int, address);
        QFETCH(bool, ok);
        open(alteringDevice(QStringLiteral("T4yJ"), address,
                            [](quint16 v) { return quint16(v ^ 0x0001); }));
        page->getButton()->click();
        page->sendButton()->click();
        if (ok) {
            QCOMPARE(rig->prompts.texts(), QStringList());
            QCOMPARE(page->panelText(2), QStringLiteral("Operace proběhla OK"));
        } else {
            QCOMPARE(rig->prompts.texts(), QStringList{"Data nebyla korektně uložena"});
            QCOMPARE(rig->prompts.lastCaption(), QStringLiteral("Chyba"));
            QCOMPARE(page->panelText(2), QStringLiteral("Data nebyla korektně uložena"));
        }
    }

    void limitsEncloseTheOutputRange()
    {
        open();
        auto *o1 = page->o1(), *o2 = page->o2(), *fl = page->fl(), *fh = page->fh();
        // Output range 20000..20000 with both limits at 20000.
        typeInto(o1, "20000");
        typeInto(fl, "20000");
        QCOMPARE(edit(fl), QStringLiteral("20000"));
        typeInto(o1, "15000");
        QCOMPARE(edit(fl), QStringLiteral("15000"));
        QCOMPARE(fl->position(), 15000);
        QCOMPARE(edit(fh), QStringLiteral("20000"));

        typeInto(o1, "1000");
        typeInto(o2, "5000");
        typeInto(fl, "800");
        typeInto(fh, "6000");
        rig->prompts.clear();
        typeInto(fh, "500"); // below the range: back to its upper end, silently
        QCOMPARE(edit(fh), QStringLiteral("5000"));
        QCOMPARE(fh->position(), 5000);
        typeInto(fl, "3000"); // above the lower end: back to it
        QCOMPARE(edit(fl), QStringLiteral("1000"));
        QCOMPARE(rig->prompts.count(), 0);

        // A reversed range: the limits follow whichever edit holds the end.
        typeInto(o1, "9000");
        QCOMPARE(edit(fh), QStringLiteral("9000"));
        typeInto(fh, "100");
        QCOMPARE(edit(fh), QStringLiteral("9000"));
        typeInto(o2, "200");
        QCOMPARE(edit(fl), QStringLiteral("200"));
        typeInto(fl, "700");
        QCOMPARE(edit(fl), QStringLiteral("200"));

        // A scroll-bar move runs the same rules.
        o1->bar()->setValue(12345);
        QCOMPARE(edit(o1), QStringLiteral("12345"));
        QCOMPARE(edit(fh), QStringLiteral("12345"));
        QVERIFY(page->isChanged());
        QCOMPARE(rig->prompts.count(), 0);
    }

    // Text that is not a number falls back like any change: the limit rules follow it, the
    // page is marked changed, and what Send writes is what the edits show.
    void fallbackRunsTheLimitRules()
    {
        open();
        typeInto(page->o1(), "1000");
        typeInto(page->o2(), "5000");
        page->markChanged(false);
        rig->prompts.clear();
        typeInto(page->fh(), "");
        QCOMPARE(rig->prompts.beeps(), 1);
        QVERIFY(page->invalidInput());
        QVERIFY(page->isChanged());
        QCOMPARE(edit(page->fh()), QStringLiteral("5000"));
        QCOMPARE(page->fh()->position(), 5000);
        typeInto(page->fl(), "abc");
        QCOMPARE(edit(page->fl()), QStringLiteral("1"));
        QCOMPARE(page->fl()->position(), 1);
        page->sendButton()->click();
        QCOMPARE(rig->device->holding(0x200F), quint16(5000));
        QCOMPARE(rig->device->holding(0x200C), quint16(5000));
        QCOMPARE(page->panelText(2), QStringLiteral("Operace proběhla OK"));
    }

    void frequencyBoundsWarn()
    {
        open();
        typeInto(page->sp(), "0");
        QCOMPARE(edit(page->sp()), QStringLiteral("1"));
        QCOMPARE(rig->prompts.texts(), QStringList{"Můžete zadat pouze hodnoty od 1 do 20000"});
        typeInto(page->o1(), "25000");
        QCOMPARE(edit(page->o1()), QStringLiteral("20000"));
        QCOMPARE(page->o1()->position(), 20000);
        QCOMPARE(rig->prompts.count(), 2);
        // Not a number: the lowest frequency, as the bar holds it, a beep, and loading a
        // configuration is refused.
        typeInto(page->o2(), "");
        QCOMPARE(edit(page->o2()), QStringLiteral("1"));
        QCOMPARE(page->o2()->position(), 1);
        QCOMPARE(rig->prompts.beeps(), 1);
        QVERIFY(page->invalidInput());
    }

    void documentedHandlers()
    {
        open();
        QVERIFY(!page->c1AuSpMaskEditKeyPress(page->sp()->edit(), QLatin1Char(',')));
        QVERIFY(!page->c1AuSpMaskEditKeyPress(page->o1()->edit(), QLatin1Char('a')));
        QVERIFY(page->c1ZdOffMaskEditKeyPress(page->i1()->edit(), QLatin1Char('-')));
        QCOMPARE(rig->prompts.beeps(), 2);
        page->fh()->edit()->setText(QStringLiteral("300"));
        page->c1IntMaskEditChange(page->fh()->edit()); // below the output range's end
        QCOMPARE(edit(page->fh()), QStringLiteral("20000"));
        page->addressList()->setCurrentIndex(-1);
        page->sendButton()->click();
        QVERIFY(isRed(labelNamed(page.get(), "c1SkAdrLabel")));
        page->c1Change(page->addressList());
        QVERIFY(!isRed(labelNamed(page.get(), "c1SkAdrLabel")));
    }

    void temperatureEdits()
    {
        open();
        typeInto(page->off(), "-150");
        QCOMPARE(edit(page->off()), QStringLiteral("-100,0"));
        QCOMPARE(rig->prompts.lastText(),
                 QStringLiteral("Můžete zadat pouze hodnoty od -100,0 do 100,0"));
        typeInto(page->off(), "12,34");
        QCOMPARE(edit(page->off()), QStringLiteral("12,3"));
        QCOMPARE(page->off()->position(), 123);
        typeInto(page->i1(), "-0,05"); // truncated toward zero
        QCOMPARE(page->i1()->position(), 0);
        // A temperature bar only shows its value.
        rig->prompts.clear();
        page->i1()->bar()->setValue(-1000);
        QCOMPARE(edit(page->i1()), QStringLiteral("-100,0"));
        QCOMPARE(rig->prompts.count(), 0);
    }

    void configurationKeysInOrder()
    {
        open();
        page->getButton()->click();
        const QString file = rig->dir.file(QStringLiteral("t4yj.ini"));
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        const Profile saved(file);
        QCOMPARE(
            saved.keys(QStringLiteral("cForm1")),
            (QStringList{"c1ZdTextEdit", "c1ZdOffScrollBar", "c1SkSpdComboBox", "c1SkAdrComboBox",
                         "c1AuI1ScrollBar", "c1AuI2ScrollBar", "c1AuO1ScrollBar", "c1AuO2ScrollBar",
                         "c1AuFlScrollBar", "c1AuFhScrollBar", "c1AuSpScrollBar", "mmShowHint"}));
        QCOMPARE(saved.readInteger("cForm1", "c1AuI2ScrollBar", 0), 1500);
        QCOMPARE(saved.readInteger("cForm1", "c1SkSpdComboBox", 0), 4);
        QVERIFY(!page->isChanged());

        // Loaded back into a changed page.
        typeInto(page->i2(), "33,3");
        page->textEdit()->setText("jiný");
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(edit(page->i2()), QStringLiteral("150,0"));
        QCOMPARE(page->textEdit()->text(), QStringLiteral("T4yJ"));
        QVERIFY(!page->isChanged());
    }

    void liveWindowShowsTheTemperature()
    {
        open();
        rig->device->setHolding(0x0000, quint16(-123));
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc1extForm *>(page->liveWindow());
        QVERIFY(live);
        QCOMPARE(live->windowTitle(), QStringLiteral("Provozní data"));
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("-12,3"),
                                  5000);
        rig->device->setHolding(0x0000, 1234);
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("123,4"),
                                  5000);
        // The trend under the values follows them: named by the caption, in the unit shown,
        // lowest and highest seen; exported as CSV; hidden on request.
        TTrendPlot *trend = live->trend();
        QVERIFY(trend);
        QCOMPARE(trend->series().size(), size_t(1));
        const TTrendPlot::Series &temperature = trend->series().front();
        QCOMPARE(temperature.name, QStringLiteral("Měřená teplota"));
        QCOMPARE(temperature.unit, QStringLiteral("°C"));
        QCOMPARE(temperature.lowest, -12.3);
        QCOMPARE(temperature.highest, 123.4);
        QVERIFY(trend->isVisible());
        const QStringList csv = trend->csv().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(csv.first(), QStringLiteral("čas;veličina;hodnota;jednotka"));
        QVERIFY(csv.last().endsWith(QStringLiteral(";Měřená teplota;123,4;°C")));
        QVERIFY(trend->saveCsv(rig->dir.file("trend.csv")));
        // A Czech spreadsheet opens it as UTF-8 by its byte-order mark.
        QVERIFY(rig->dir.read("trend.csv").startsWith("\xEF\xBB\xBF" "čas;veličina;hodnota;jednotka\n"));
        live->setTrendShown(false);
        QVERIFY(trend->isHidden());
        live->setTrendShown(true);
        // A ZK on the line is not this page's device: every poll fails, and the trend takes
        // no stale values meanwhile.
        rig->device->setIdentification(sim::kClassicIdentification, "ZK");
        auto *errors = live->findChild<QLabel *>(QStringLiteral("eCounterErrorNumberLabel"));
        QTRY_VERIFY_WITH_TIMEOUT(errors->text().toInt() > 0, 5000);
        const size_t samples = temperature.samples.size();
        QTRY_VERIFY_WITH_TIMEOUT(errors->text().toInt() > 1, 5000);
        QCOMPARE(temperature.samples.size(), samples);
        QCOMPARE(live->measureTemperatureMemo->text(), QStringLiteral("123,4"));
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }
};

QTEST_MAIN(T4yJTest)
#include "tst_t4yj.moc"
