// T4yG page against the simulated T4yG: the PWM period or frequency over the time base in
// both resolutions, what the bar, the list and a write hold, the flags in the high byte,
// the kept sensor byte and the verification, configuration files and the live window.

#include "ConverterFixture.h"
#include "pages/converters/TcForm8.h"
#include "platform/Profile.h"

#include <QPushButton>

class T4yGTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ConverterRig> rig;
    std::unique_ptr<TcForm8> page;

    void open(std::shared_ptr<sim::Device> device = nullptr)
    {
        QVERIFY(device ? rig->start(device) : rig->start(QStringLiteral("T4yG")));
        page = std::make_unique<TcForm8>();
        rig->shell.page = page.get();
    }
    QString pwmText() const { return page->pwm()->edit()->text(); }
    int bar() const { return page->pwm()->position(); }
    int list() const { return page->timeBaseList()->currentIndex(); }
    QVector<quint16> block() const { return rig->device->values(sim::Table::Holding, 0x2000, 14); }

private slots:
    void init() { rig = std::make_unique<ConverterRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    // What the user types, in which mode: the time base that is kept (bar, list and the
    // register written) and the text then shown.
    void pwmEntries_data()
    {
        QTest::addColumn<bool>("wide"); // 16 bits
        QTest::addColumn<bool>("frequency");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("timeBase");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("warning");
        const QString none;
        QTest::newRow("1 ms, 8 bits") << false << false << "1" << 162 << "1,003" << none;
        QTest::newRow("5 ms is too long for 8 bits")
            << false << false << "5" << 0 << "2,731"
            << "Můžete zadat pouze hodnoty od 0,107 do 2,731";
        QTest::newRow("5 ms, 16 bits") << true << false << "5" << 254 << "5,461" << none;
        QTest::newRow("the upper bound as shown")
            << false << false << "2,731" << 0 << "2,731" << none;
        QTest::newRow("too short") << false << false << "0,05" << 246 << "0,107"
                                   << "Můžete zadat pouze hodnoty od 0,107 do 2,731";
        QTest::newRow("1000 Hz, 8 bits") << false << true << "1000" << 162 << "997,340" << none;
        QTest::newRow("10 kHz is too high for 8 bits")
            << false << true << "10000" << 246 << "9375,000"
            << "Můžete zadat pouze hodnoty od 366,211 do 9375,000";
        QTest::newRow("1 Hz is too low for 16 bits")
            << true << true << "1" << 0 << "1,431"
            << "Můžete zadat pouze hodnoty od 1,431 do 366,211";
        QTest::newRow("0 Hz") << false << true << "0" << 0 << "366,211"
                              << "Můžete zadat pouze hodnoty od 366,211 do 9375,000";
        QTest::newRow("negative") << false << false << "-1" << 246 << "0,107"
                                  << "Můžete zadat pouze hodnoty od 0,107 do 2,731";
    }
    void pwmEntries()
    {
        QFETCH(bool, wide);
        QFETCH(bool, frequency);
        QFETCH(QString, typed);
        QFETCH(int, timeBase);
        QFETCH(QString, shown);
        QFETCH(QString, warning);
        open();
        page->getButton()->click();
        page->pwm16RadioGroup()->setItemIndex(wide ? 1 : 0);
        page->pwmTypeSettingRadioGroup()->setItemIndex(frequency ? 1 : 0);
        rig->prompts.clear();
        typeInto(page->pwm(), typed);
        QCOMPARE(pwmText(), shown);
        QCOMPARE(bar(), timeBase);
        QCOMPARE(list(), timeBase);
        QCOMPARE(rig->prompts.texts(), warning.isEmpty() ? QStringList() : QStringList{warning});
        QVERIFY(!page->invalidInput());
        const int prompts = rig->prompts.count();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.count(), prompts);
        QCOMPARE(rig->device->holding(0x200B), quint16(timeBase));
        QCOMPARE(rig->device->holding(0x2000), quint16(wide ? 0x0100 : 0));
    }

    // Text that is not a number keeps the time base and refuses files until a number is
    // entered; nothing throws.
    void pwmTextThatIsNoNumber()
    {
        open();
        page->getButton()->click();
        QCOMPARE(pwmText(), QStringLiteral("1,003"));
        for (const QString &bad : {QStringLiteral("abc"), QStringLiteral("-"), QStringLiteral(""),
                                   QStringLiteral("1,2,3")}) {
            rig->prompts.clear();
            typeInto(page->pwm(), bad);
            QCOMPARE(pwmText(), QStringLiteral("1,003"));
            QCOMPARE(bar(), 162);
            QCOMPARE(list(), 162);
            QCOMPARE(rig->prompts.beeps(), 1);
            QVERIFY(page->invalidInput());
        }
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        QCOMPARE(rig->prompts.lastText(),
                 QStringLiteral("Všechna pole musí být korektně vyplněna"));
        typeInto(page->pwm(), QStringLiteral("2"));
        QVERIFY(!page->invalidInput());
        QCOMPARE(pwmText(), QStringLiteral("1,995")); // 256 - 187,5 rounds to 69
    }

    // The caption, unit, hints and bar range follow the mode; the time base stays.
    void presentationFollowsModeAndResolution()
    {
        open();
        page->getButton()->click();
        QLabel *label = labelNamed(page.get(), "c8PWMLabel");
        QCOMPARE(label->text(), QStringLiteral("Perioda PWM výstupního signálu"));
        QCOMPARE(page->pwm()->edit()->toolTip(), QStringLiteral("Rozsah 0,107 až 2,731 ms"));
        QCOMPARE(page->pwm()->bar()->maximum(), 246);
        QCOMPARE(page->pInvRadioGroup()->toolTip(),
                 QStringLiteral("Při vzrůstajícím vstupním signálu výstupní PWM signál stoupá"));

        page->pwmTypeSettingRadioGroup()->setItemIndex(1);
        QCOMPARE(label->text(), QStringLiteral("Frekvence PWM výstupního signálu"));
        QCOMPARE(label->toolTip(), QStringLiteral("Frekvence PWM výstupního signálu (ms)"));
        QCOMPARE(page->pwm()->unitLabel()->text(), QStringLiteral("Hz"));
        QCOMPARE(page->pwm()->bar()->toolTip(), QStringLiteral("Rozsah 366,211 až 9375 Hz"));
        QCOMPARE(page->pwmTypeSettingRadioGroup()->toolTip(),
                 QStringLiteral("Nastavovat PWM jako frekvenci"));
        QCOMPARE(pwmText(), QStringLiteral("997,340"));
        QCOMPARE(bar(), 162);

        page->pwm16RadioGroup()->setItemIndex(1);
        QCOMPARE(page->pwm16RadioGroup()->toolTip(), QStringLiteral("16 bitů, tedy 65536 úrovní"));
        QCOMPARE(page->pwm()->unitLabel()->toolTip(), QStringLiteral("Rozsah 1,431 až 366,211 Hz"));
        QCOMPARE(page->pwm()->bar()->maximum(), 255);
        page->pwm()->bar()->setValue(250);
        QCOMPARE(list(), 250);
        QCOMPARE(pwmText(), QStringLiteral("61,035"));
        // Back to 8 bits: the bar and the list both at 246.
        page->pwm16RadioGroup()->setItemIndex(0);
        QCOMPARE(bar(), 246);
        QCOMPARE(list(), 246);
        QCOMPARE(pwmText(), QStringLiteral("9375,000"));
        QCOMPARE(rig->prompts.count(), 0);
    }

    void readsAndWritesTheBlock()
    {
        open();
        // 16 bits, falling; time base 250; a probe the page's list does not know.
        rig->device->setHolding(0x2000, 0x0300);
        rig->device->setHolding(0x2006, 0x0007);
        rig->device->setHolding(0x200B, 250);
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->pwm16RadioGroup()->itemIndex(), 1);
        QCOMPARE(page->pInvRadioGroup()->itemIndex(), 1);
        QCOMPARE(page->typeCombo()->currentIndex(), -1);
        QCOMPARE(bar(), 250);
        QCOMPARE(pwmText(), QStringLiteral("16,384"));
        QCOMPARE(page->sp()->edit()->text(), QStringLiteral("20,0"));
        QCOMPARE(page->panelText(3), QStringLiteral("Firmware: 107"));

        page->pInvRadioGroup()->setItemIndex(0);
        typeInto(page->sp(), "-12,5");
        rig->device->setHolding(0x200C, 0x1234);
        rig->clock.clearWaits();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QVERIFY(rig->clock.waited(500));
        // Flags in the high byte, the device's own sensor byte, 0xFFFF in 0x200C.
        const QVector<quint16> expected = {0x0100, 0x5434, 0x7947, 0,    0,   0,      0x0007,
                                           0,      0x0104, 0,      1500, 250, 0xFFFF, 0xFF83};
        QCOMPARE(block(), expected);
        // The sensor byte comes with the backup's read of the block, not a read of its own.
        QCOMPARE(rig->frames(3, 0x2006), 0);
        QCOMPARE(rig->frames(16, 0x2000), 1);
        QCOMPARE(rig->frames(3, 0x2000), 3); // read, the write's backup, read-back
    }

    // A time base beyond 8 bits' limit is shown, kept and written as the limit.
    void timeBaseBeyondTheLimitOfEightBits()
    {
        open();
        rig->device->setHolding(0x200B, 250);
        page->getButton()->click();
        QCOMPARE(bar(), 246);
        QCOMPARE(list(), 246);
        QCOMPARE(pwmText(), QStringLiteral("0,107"));
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(rig->device->holding(0x200B), quint16(246));
    }

    void verification_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("flip");
        QTest::addColumn<bool>("ok");
        QTest::newRow("flags differ") << 0x2000 << 0x0200 << false;
        QTest::newRow("low byte of the flags") << 0x2000 << 0x0001 << true;
        QTest::newRow("sensor type") << 0x2006 << 0x0001 << true;
        QTest::newRow("time base") << 0x200B << 0x0001 << false;
        QTest::newRow("high byte of the time base") << 0x200B << 0x0100 << true;
        QTest::newRow("unused register") << 0x200C << 0x0001 << true;
        QTest::newRow("substitute temperature") << 0x200D << 0x0001 << false;
    }
    void verification()
    {
        QFETCH(int, address);
        QFETCH(int, flip);
        QFETCH(bool, ok);
        open(alteringDevice(
            QStringLiteral("T4yG"), address, [flip](quint16 v) { return quint16(v ^ flip); },
            0x2000, 14));
        page->getButton()->click();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(),
                 ok ? QStringList() : QStringList{"Data nebyla korektně uložena"});
    }

    // Entries show the text of the position kept: 12,36 is kept as 123.
    void entryShowsWhatIsKept()
    {
        open();
        typeInto(page->off(), "12,3");
        typeInto(page->off(), "12,36");
        QCOMPARE(page->off()->edit()->text(), QStringLiteral("12,3"));
        QCOMPARE(page->off()->position(), 123);
        typeInto(page->sp(), "450");
        QCOMPARE(page->sp()->edit()->text(), QStringLiteral("400,0"));
        QCOMPARE(rig->prompts.lastText(),
                 QStringLiteral("Můžete zadat pouze hodnoty od -100,0 do 400,0"));
    }

    void configurationFiles()
    {
        open();
        const QString file = rig->dir.file(QStringLiteral("t4yg.ini"));
        page->getButton()->click();   // 8 bits, time base 162
        typeInto(page->pwm(), "0,5"); // 256 - 46,875: 209
        QCOMPARE(bar(), 209);
        page->pInvRadioGroup()->setItemIndex(1);
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        const Profile saved(file);
        QCOMPARE(saved.keys(QStringLiteral("cForm8")),
                 (QStringList{"c8ZdTextEdit", "c8SkSpdComboBox", "c8SkAdrComboBox",
                              "c8ZdOffScrollBar", "c8AuI1ScrollBar", "c8AuI2ScrollBar",
                              "c8AuTbComboBox", "c8PInvRadioGroup", "c8Pwm16RadioGroup",
                              "c8PWMTypeSettingRadioGroup", "c8AuSpScrollBar", "mmShowHint"}));
        QCOMPARE(saved.readString("cForm8", "c8AuTbComboBox", ""), QStringLiteral("209"));
        QCOMPARE(saved.readString("cForm8", "c8PInvRadioGroup", ""), QStringLiteral("1"));

        // Into a page at 16 bits with time base 250: the file's 8 bits and 209, not the
        // limit of 8 bits that 250 would meet on the way.
        page->pwm16RadioGroup()->setItemIndex(1);
        page->pwm()->bar()->setValue(250);
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(page->pwm16RadioGroup()->itemIndex(), 0);
        QCOMPARE(bar(), 209);
        QCOMPARE(list(), 209);
        QCOMPARE(pwmText(), QStringLiteral("0,501"));
        QVERIFY(!page->isChanged());

        // Edited by hand: 250 with 8 bits loads as 246 in both; a flag of 5 is the second
        // item, as a boolean would be.
        Profile edited(file);
        edited.writeInteger("cForm8", "c8AuTbComboBox", 250);
        edited.writeInteger("cForm8", "c8PWMTypeSettingRadioGroup", 5);
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(bar(), 246);
        QCOMPARE(list(), 246);
        QCOMPARE(page->pwmTypeSettingRadioGroup()->itemIndex(), 1);
        QCOMPARE(pwmText(), QStringLiteral("9375,000"));
    }

    // The resolution, direction and presentation flags are booleans in a file: any number
    // but 0 is the second item, so a time base of 250 arrives whole with 16 bits.
    void flagsInAFileAreBooleans_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("timeBase");
        QTest::addColumn<QString>("shown");
        QTest::newRow("5") << QByteArray("5") << 1 << 250 << "16,384";
        QTest::newRow("-1") << QByteArray("-1") << 1 << 250 << "16,384";
        QTest::newRow("1") << QByteArray("1") << 1 << 250 << "16,384";
        QTest::newRow("0: 8 bits hold 246 at most") << QByteArray("0") << 0 << 246 << "0,107";
    }
    void flagsInAFileAreBooleans()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, item);
        QFETCH(int, timeBase);
        QFETCH(QString, shown);
        open();
        rig->dir.write(QStringLiteral("flags.ini"), "[cForm8]\r\nc8AuTbComboBox=250\r\n"
                                                    "c8Pwm16RadioGroup=" + value + "\r\n"
                                                    "c8PInvRadioGroup=" + value + "\r\n");
        rig->prompts.planFileName(rig->dir.file(QStringLiteral("flags.ini")));
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->pwm16RadioGroup()->itemIndex(), item);
        QCOMPARE(page->pInvRadioGroup()->itemIndex(), item);
        QCOMPARE(bar(), timeBase);
        QCOMPARE(list(), timeBase);
        QCOMPARE(pwmText(), shown);

        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(rig->device->holding(0x2000), quint16(item ? 0x0300 : 0x0000));
        QCOMPARE(rig->device->holding(0x200B), quint16(timeBase));
    }

    void liveWindow()
    {
        open();
        rig->device->setHolding(0x0000, quint16(-123));
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc8extForm *>(page->liveWindow());
        QVERIFY(live);
        QCOMPARE(live->findChild<QGroupBox *>()->title(),
                 QStringLiteral("Měřená hodnota vstupního signálu"));
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("-12,3"),
                                  5000);
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }
};

QTEST_MAIN(T4yGTest)
#include "tst_t4yg.moc"
