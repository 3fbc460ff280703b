// CWR1 page against the simulated module: the blocks and commands of a read and a write,
// the command handshake's retries and failure, the LCD editors' checks typed by hand against
// values read or loaded, the PWM period arithmetic, and restores that leave every value as
// it was.

#include "WallFixture.h"
#include "pages/sensors/TcForm13.h"
#include "pages/sensors/WallLive.h"
#include "platform/Profile.h"

#include <QGroupBox>
#include <QLabel>

#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <atomic>
#include <set>

// A CWR1 that keeps some registers whatever is written to them.
class KeepingModule : public sim::models::WallModule
{
public:
    explicit KeepingModule(std::set<int> kept) : WallModule("CWR1", true), m_kept(std::move(kept))
    {
        setIdentification(sim::kNewIdentification, "CWR1");
        setIdentification(sim::kClassicIdentification, "CWR1");
        setFirmwareText("CWR 2.03");
        setCommandDelayMs(0);
    }

protected:
    void onWriteHolding(int address, quint16 value) override
    {
        if (!m_kept.count(address))
            WallModule::onWriteHolding(address, value);
    }

private:
    const std::set<int> m_kept;
};

// Identification and firmware, then the four blocks: a read, and the backup before a write.
const QStringList kRead = {"4:0010:8", "4:0018:4", "3:0008:2", "3:001D:5", "3:0028:24", "3:004C:64"};

class Cwr1Test : public QObject
{
    Q_OBJECT

    std::unique_ptr<WallRig> rig;
    std::unique_ptr<TcForm13> page;

    void open(const QString &model = QStringLiteral("CWR1"))
    {
        QVERIFY(rig->startModule(model));
        page = std::make_unique<TcForm13>();
        rig->shell.page = page.get();
    }
    void get() { page->getButton()->click(); }
    void send() { page->sendButton()->click(); }

private slots:
    void init() { rig = std::make_unique<WallRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    void readAndWriteFollowTheRegisterMap()
    {
        open();
        get();
        // Identification and firmware, then the four blocks.
        QCOMPARE(rig->requests(), kRead);
        QCOMPARE(page->text->text(), QStringLiteral("CWR1"));
        QCOMPARE(page->speed->currentText(), QStringLiteral("9600"));
        QCOMPARE(page->tempLow->edit()->text(), QStringLiteral("-5,0"));
        QCOMPARE(page->reqHum->edit()->text(), QStringLiteral("50"));
        QCOMPARE(page->count[0]->position(), 2);
        QCOMPARE(page->symbol[0][1]->currentIndex(), 2);
        QVERIFY(page->symbol[0][1]->isEnabled() && !page->symbol[0][2]->isEnabled());
        QCOMPARE(page->findChild<QLabel *>("zdHumULabel")->text(), QStringLiteral("%"));

        typeInto(page->reqTemp, "-3,5");
        typeInto(page->count[2], "3");
        choose(page->symbol[2][2], 57);
        choose(page->fastDown, 5); // M3
        typeInto(page->humOff, "-2,5");
        const int before = rig->requestCount();
        send();
        QCOMPARE(rig->prompts.texts(), QStringList());
        // Identification, the backup's read of the blocks, then the write.
        QStringList expected = QStringList{"4:0010:8"} + kRead.mid(2) + QStringList{"16:0008:2"};
        expected << handshake("C001") << "16:001D:5" << handshake("C002") << "16:0028:16"
                 << "16:004C:32" << "16:006C:16" << "16:007C:16" << handshake("C003")
                 << "3:0008:2" << "3:001D:5" << "3:0028:24" << "3:004C:64";
        QCOMPARE(rig->requests(before), expected);
        QCOMPARE(rig->module->commands(), (QVector<quint16>{0xC001, 0xC002, 0xC003}));
        QCOMPARE(rig->reg(0x0008), quint16(-35));
        QCOMPARE(rig->reg(0x001E), quint16(23));
        QCOMPARE(rig->reg(0x004D), quint16(-25));
        QCOMPARE(rig->reg(0x0058), quint16(0));
        QCOMPARE(rig->reg(0x0059), quint16(3));
        QCOMPARE(rig->reg(0x007E), quint16(57));
        // The registers the page does not use are written as 0xFFFF.
        for (int a : {0x001F, 0x0020, 0x004E, 0x0053, 0x005A, 0x005B})
            QCOMPARE(rig->reg(a), quint16(0xFFFF));
        QCOMPARE(rig->reg(0x0032), quint16(1)); // two steps
    }

    void decodesAsTheRegisterMapSays()
    {
        struct Row {
            const char *name;
            int address;
            int value;
            const char *control;
            QString shown;
            int written;
        };
        // Unsigned registers stay unsigned; values the page cannot show come as its limit.
        const Row rows[] = {
            {"65536 steps", 0x0032, 0xFFFF, "digitalOutTopMaskEdit", "65536", 0xFFFF},
            {"2 steps", 0x0032, 1, "digitalOutTypeRadioGroup", "Dvoustavový výstup", 1},
            {"100 steps", 0x0032, 99, "digitalOutTypeRadioGroup", "PWM výstup", 99},
            {"prescaler above 0x8000", 0x0033, 40000, "digitalOutPrescScrollBar", "40000", 40000},
            {"humidity above 0x8000", 0x0009, 0x9000, "reqHumidityMaskEdit", "80", 80},
            {"symbol 70", 0x005C, 70, "Symbol1Mode1ComboBoxEx", "58", 58},
            {"position 9", 0x0056, 9, "bridge2ComboBox", "S pozicí nahoře vpravo", 3},
            {"40 states", 0x0057, 40, "countMode2MaskEdit", "16", 16},
            {"contrast 200", 0x0021, 200, "LCDcontrastMaskEdit", "125", 125},
            {"offset -12,3", 0x004C, 0xFF85, "zdOffMaskEdit", "-12,3", 0xFF85},
            {"unknown fast choice", 0x001D, 20, "fastChoiceUpComboBox",
             "Pro tlačítko je zvolena rychlá volba žádané vlhkosti, u tlač. bude zobrazen symbol H", 20},
        };
        open();
        for (const Row &row : rows) {
            if (row.address == 0x0033)
                rig->device->setHolding(0x0032, 999); // PWM, so the prescaler counts
            rig->device->setHolding(row.address, quint16(row.value));
            get();
            QVERIFY2(rig->prompts.texts().isEmpty(), row.name);
            QWidget *w = page->findChild<QWidget *>(row.control);
            QVERIFY(w);
            QString text;
            if (auto *e = qobject_cast<QLineEdit *>(w))
                text = e->text();
            else if (auto *c = qobject_cast<QComboBox *>(w))
                text = c->itemText(c->currentIndex()).isEmpty() ? QString::number(c->currentIndex())
                                                                : c->currentText();
            else if (auto *b = qobject_cast<QScrollBar *>(w))
                text = QString::number(b->value());
            else if (auto *r = qobject_cast<TRadioGroup *>(w))
                text = r->itemText(r->itemIndex());
            QVERIFY2(text == row.shown, qPrintable(QString(row.name) + ": " + text));
            send();
            QVERIFY2(rig->prompts.texts().isEmpty(), row.name);
            QVERIFY2(int(rig->reg(row.address)) == row.written, row.name);
        }
    }

    void commandHandshake()
    {
        open();
        get();
        // Busy for three polls: the fourth attempt sees the command done.
        rig->module->setCommandBusyReads(3);
        rig->clock.clearWaits();
        int before = rig->requestCount();
        send();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(rig->requests(before).mid(kRead.size(), 8), handshake("C001", 4));
        QCOMPARE(rig->clock.waits().mid(0, 4), (QList<int>{400, 400, 400, 400}));
        QCOMPARE(rig->module->commands().size(), 4 + 2);

        // A module that never clears its command register: ten attempts, then the write
        // fails; the first block is written, nothing after the command.
        rig->module->setCommandStuck(true);
        typeInto(page->reqTemp, "1,5");
        before = rig->requestCount();
        send();
        QCOMPARE(rig->prompts.texts(), QStringList{message(16)});
        const QStringList stuck = QStringList{"4:0010:8"} + kRead.mid(2) + QStringList{"16:0008:2"};
        QCOMPARE(rig->requests(before), stuck + handshake("C001", 10));
        QCOMPARE(rig->reg(0x0008), quint16(15));
        QCOMPARE(page->panelText(2), message(16));
    }

    void crossChecksWarnWhenTypedOnly()
    {
        open();
        // By hand: a fast choice of a mode without states, a position already taken.
        choose(page->fastDown, 5); // M3, mode 3 has no states
        QCOMPARE(rig->prompts.lastText(),
                 QStringLiteral("Tato rychlá volba nemůže být vybrána - počet režimů režimu 3 je "
                                "nula. \nProveďte nejdříve nastavení režimu 3 v pravé části okna."));
        QCOMPARE(rig->prompts.lastCaption(), QStringLiteral("Varování"));
        QCOMPARE(page->fastDown->currentIndex(), 0);
        choose(page->bridge[0], 1);
        choose(page->bridge[2], 1);
        QCOMPARE(rig->prompts.lastText(), QStringLiteral("Tato pozice je již svázána s jiným režimem"));
        QCOMPARE(rig->prompts.lastCaption(), QStringLiteral("Chyba"));
        QCOMPARE(page->bridge[2]->currentIndex(), 0);
        // Fewer states take a fast choice of the mode back, without a message.
        typeInto(page->count[1], "5");
        QVERIFY(page->symbol[1][4]->isEnabled() && !page->symbol[1][5]->isEnabled());
        choose(page->fastUp, 4); // M2
        rig->prompts.clear();
        typeInto(page->count[1], "0");
        QCOMPARE(page->fastUp->currentIndex(), 0);
        QVERIFY(!page->symbol[1][0]->isEnabled());
        QCOMPARE(rig->prompts.texts(), QStringList());

        // From the device: the page still has mode 1 at the left position and no states in
        // modes 2 and 3; the module has mode 3 at the left, mode 2 with states and fast
        // choices of modes 2 and 3. Nothing warns, nothing is reset, a Send writes it back.
        choose(page->bridge[0], 1);
        QCOMPARE(page->bridge[0]->currentIndex(), 1);
        rig->device->setHolding(0x0054, 0);
        rig->device->setHolding(0x0058, 1);
        rig->device->setHolding(0x0057, 4);
        rig->device->setHolding(0x0059, 2);
        rig->device->setHolding(0x001D, 22);
        rig->device->setHolding(0x001E, 23);
        rig->prompts.clear();
        get();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->bridge[2]->currentIndex(), 1);
        QCOMPARE(page->bridge[0]->currentIndex(), 0);
        QCOMPARE(page->fastUp->currentIndex(), 4);
        QCOMPARE(page->fastDown->currentIndex(), 5);
        QVERIFY(page->symbol[1][3]->isEnabled());
        send();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(rig->reg(0x001D), quint16(22));
        QCOMPARE(rig->reg(0x001E), quint16(23));
        QCOMPARE(rig->reg(0x0058), quint16(1));
    }

    // An emptied field falls back inside the limits other fields give it, and what the edit
    // shows is what Send writes.
    void emptiedFieldsStayInsideTheirLimits()
    {
        open();
        get();
        typeInto(page->tempLow, "5,0");
        typeInto(page->tempHigh, "10,0");
        rig->prompts.clear();
        typeInto(page->reqTemp, "");
        QCOMPARE(page->reqTemp->edit()->text(), QString("5,0"));
        QCOMPARE(rig->prompts.beeps(), 1);
        QVERIFY(page->invalidInput());
        typeInto(page->tempLow, "-20,0");
        typeInto(page->tempHigh, "-5,0"); // below the required value: it follows
        QCOMPARE(page->reqTemp->edit()->text(), QString("-5,0"));
        typeInto(page->tempLow, "");
        QCOMPARE(page->tempLow->edit()->text(), QString("-5,0"));
        QVERIFY(page->tempLow->position() <= page->tempHigh->position());
        typeInto(page->steps, "");
        QCOMPARE(page->steps->edit()->text(), QString::number(page->steps->position()));
        QVERIFY(page->steps->position() >= 2);
        rig->prompts.clear();
        send();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(rig->reg(0x0008), quint16(qint16(-50)));
    }

    void pwmPeriod_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("prescaler");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<bool>("warned");
        QTest::newRow("1 ms at 100 steps") << 100 << "1" << 19 << "1,0000" << "1000,0" << false;
        // Binary fractions would make 0,14 / 0,01 a little more than 14.
        QTest::newRow("0,14 ms at 20 steps") << 20 << "0,14" << 13 << "0,1400" << "7142,9" << false;
        QTest::newRow("0,07 ms at 7 steps") << 7 << "0,07" << 19 << "0,0700" << "14285,7" << false;
        QTest::newRow("below 20 kHz") << 100 << "0,01" << 0 << "0,0500" << "20000,0" << true;
        QTest::newRow("above the longest") << 3 << "200" << 65535 << "98,3040" << "10,2" << true;
        QTest::newRow("between two steps") << 100 << "1,0001" << 20 << "1,0500" << "952,4" << false;
    }
    void pwmPeriod()
    {
        QFETCH(int, steps);
        QFETCH(QString, typed);
        QFETCH(int, prescaler);
        QFETCH(QString, period);
        QFETCH(QString, frequency);
        QFETCH(bool, warned);
        open();
        page->outType->setItemIndex(1);
        // Three steps at the switch: the prescaler of 20 kHz.
        QCOMPARE(page->prescaler->value(), 33);
        QCOMPARE(page->period->text(), QStringLiteral("0,0510"));
        QCOMPARE(page->frequency->text(), QStringLiteral("19607,8"));
        typeInto(page->steps, QString::number(steps));
        QCOMPARE(page->prescaler->minimum(), TWallModuleForm::prescalerLowerLimit(steps));
        page->period->setText(typed);
        QTest::keyClick(page->period, Qt::Key_Return);
        QCOMPARE(page->prescaler->value(), prescaler);
        QCOMPARE(page->period->text(), period);
        QCOMPARE(page->frequency->text(), frequency);
        QCOMPARE(!rig->prompts.texts().isEmpty(), warned);
    }

    void prescalerLowerLimits()
    {
        const QList<QPair<int, int>> rows = {{3, 33}, {7, 14}, {99, 1}, {100, 0}, {65536, 0}};
        for (const auto &r : rows)
            QCOMPARE(TWallModuleForm::prescalerLowerLimit(r.first), r.second);
        // Every period a prescaler gives comes back to the same prescaler.
        for (int steps : {3, 7, 20, 33, 100, 999})
            for (int p = TWallModuleForm::prescalerLowerLimit(steps); p < 3000; ++p)
                QCOMPARE(TWallModuleForm::prescalerForPeriod(TWallModuleForm::periodUnits(p, steps), steps), p);
    }

    void restoresLeaveEveryValueAsItWas()
    {
        open();
        get();
        // A file whose limits lie above the page's upper limit: loaded as saved.
        typeInto(page->tempHigh, "80");
        typeInto(page->tempLow, "50");
        typeInto(page->reqTemp, "60");
        typeInto(page->humHigh, "90");
        typeInto(page->humLow, "70");
        typeInto(page->reqHum, "75");
        const QString file = QDir::current().filePath("cwr1.ini");
        QCOMPARE(rig->prompts.texts(), QStringList());
        QVERIFY(page->saveControls(file, "cForm13"));
        const QStringList keys = Profile(file).keys(QStringLiteral("cForm13"));
        QCOMPARE(keys.mid(0, 12),
                 (QStringList{"c13ZdTextEdit", "c13ZdOffScrollBar", "c13ZdHumScrollBar",
                              "c13SkAdrComboBox", "c13SkSpdComboBox",
                              "c13ReqTempLowLimitScrollBar", "c13ReqTempHighLimitScrollBar",
                              "c13ReqTempScrollBar", "c13ReqHumidityLowLimitScrollBar",
                              "c13ReqHumidityHighLimitScrollBar", "c13ReqHumidityScrollBar",
                              "c13DigitalOutTypeRadioGroup"}));
        QCOMPARE(keys.size(), 23 + 48 + 1);
        typeInto(page->tempLow, "-100");
        typeInto(page->tempHigh, "10");
        typeInto(page->reqTemp, "0");
        typeInto(page->humLow, "0");
        typeInto(page->humHigh, "30");
        rig->prompts.clear();
        page->loadControls(file, "cForm13");
        const auto values = [this] {
            QStringList v;
            for (TNumericField *f : {page->tempLow, page->tempHigh, page->reqTemp, page->humLow,
                                     page->humHigh, page->reqHum})
                v << f->edit()->text();
            return v;
        };
        const QStringList saved = {"50,0", "80,0", "60,0", "70", "90", "75"};
        QCOMPARE(values(), saved);
        QCOMPARE(rig->prompts.texts(), QStringList());

        // A read that fails in its last block leaves the page as it was.
        rig->device->unmap(sim::Table::Holding, 0x0080);
        get();
        QCOMPARE(rig->prompts.texts().size(), 1);
        QCOMPARE(values(), saved);
        QCOMPARE(page->panelText(2), message(15));
    }

    void liveWindowShowsAndWrites()
    {
        // A module that keeps its requested state of mode 2 whatever is written.
        QVERIFY(rig->start(std::make_shared<KeepingModule>(std::set<int>{0x0011})));
        page = std::make_unique<TcForm13>();
        rig->shell.page = page.get();
        rig->device->setValues(sim::Table::Holding, 0x005C, {5, 6, 7, 8});
        rig->device->setHolding(0x0055, 4);
        rig->device->setHolding(0x0010, 2);
        rig->device->setHolding(0x0057, 3);
        rig->device->setHolding(0x0011, 1);
        rig->device->setHolding(0x0054, 0);
        rig->device->setHolding(0x0056, 2); // mode 2 at the top middle
        rig->device->setHolding(0x0018, 9);
        rig->device->setHolding(0x0000, quint16(-15));
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc13extForm *>(page->liveWindow());
        QVERIFY(live);
        QTRY_COMPARE_WITH_TIMEOUT(live->reqMode[0]->count(), 4, 5000);
        QCOMPARE(live->reqMode[0]->currentIndex(), 2);
        QCOMPARE(live->reqModeCounter[0]->text(), QStringLiteral("2"));
        QVERIFY(!live->reqMode[2]->isEnabled() && live->reqModeCounter[2]->isHidden());
        QCOMPARE(live->measureTemperatureMemo->text(), QStringLiteral("-1,5"));
        QVERIFY(!live->symbolAtPosition[1]->isEnabled() && live->symbolAtPosition[0]->isEnabled());
        QCOMPARE(live->symbolAtPosition[0]->currentIndex(), 9);
        // A requested state beyond the states selects the last.
        rig->device->setHolding(0x0010, 7);
        QTRY_COMPARE(live->reqMode[0]->currentIndex(), 3);

        // Two-state output: "Zapnuto" writes 2; the input cannot be clicked.
        QVERIFY(!live->DigitalOutRadioGroup->isHidden() && live->digitalOutputGroupBox->isHidden());
        live->DigitalOutRadioGroup->setItemIndex(1);
        QTRY_COMPARE(rig->reg(0x0017), quint16(2));
        live->digitalInRadioGroup->setItemIndex(1);
        QCOMPARE(live->digitalInRadioGroup->itemIndex(), 0);
        // Switched off on the module: "Vypnuto" shows, and "Zapnuto" writes again.
        rig->device->setHolding(0x0017, 0);
        QTRY_COMPARE(live->DigitalOutRadioGroup->itemIndex(), 0);
        live->DigitalOutRadioGroup->setItemIndex(1);
        QTRY_COMPARE(rig->reg(0x0017), quint16(2));
        rig->device->setHolding(0x0017, 2);
        QTest::qWait(100);
        live->DigitalOutRadioGroup->setItemIndex(0);
        QTRY_COMPARE(rig->reg(0x0017), quint16(0));

        // Two positions chosen in one cycle: each to its own register.
        const int before = rig->requestCount();
        choose(live->symbolAtPosition[0], 11);
        choose(live->symbolAtPosition[2], 12);
        QTRY_COMPARE(rig->reg(0x001A), quint16(12));
        QCOMPARE(rig->reg(0x0018), quint16(11));
        const QStringList sent = rig->requests(before);
        QVERIFY(sent.contains("16:0018=000B") && sent.contains("16:001A=000C"));

        // A choice the module did not take: the window shows the module's state again.
        choose(live->reqMode[1], 2);
        QCOMPARE(live->reqModeCounter[1]->text(), QStringLiteral("2"));
        QTRY_COMPARE(live->reqMode[1]->currentIndex(), 1);
        QCOMPARE(live->reqModeCounter[1]->text(), QStringLiteral("1"));

        // PWM: the output's group with its range.
        rig->device->setHolding(0x0017, 300);
        rig->device->setHolding(0x0032, 999);
        QTRY_VERIFY(!live->digitalOutputGroupBox->isHidden());
        QVERIFY(live->DigitalOutRadioGroup->isHidden());
        QCOMPARE(live->digitalOutScrollBar->maximum(), 1000);
        // A poll may have read the output before the test set it and the mode after.
        QTRY_COMPARE(live->digitalOutScrollBar->value(), 300);
        QCOMPARE(live->digitalOutScrollBar->toolTip(), QStringLiteral("Rozsah 0 až 1000"));
        live->digitalOutMaskEdit->setFocus();
        live->digitalOutMaskEdit->selectAll();
        QTest::keyClicks(live->digitalOutMaskEdit, "1500");
        QCOMPARE(rig->prompts.lastText(), QStringLiteral("Můžete zadat pouze hodnoty od 0 do 1000"));
        QTest::keyClick(live->digitalOutMaskEdit, Qt::Key_Return);
        QTRY_COMPARE(rig->reg(0x0017), quint16(1000));

        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }

    // Every way the user sets the PWM output ends in a write of what the field shows.
    void liveOutputEntriesAreWritten_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("expected"); // -1: whatever the bar moved to
        QTest::newRow("typed, left with Tab") << "tab" << 250;
        QTest::newRow("typed, Enter") << "enter" << 250;
        QTest::newRow("typed beyond the steps, left") << "beyond" << 1000;
        QTest::newRow("wheel over the bar") << "wheel" << -1;
        QTest::newRow("arrow key on the bar") << "key" << -1;
    }
    void liveOutputEntriesAreWritten()
    {
        QFETCH(QString, way);
        QFETCH(int, expected);
        open();
        rig->device->setHolding(0x0032, 999);
        rig->device->setHolding(0x0017, 300);
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc13extForm *>(page->liveWindow());
        QVERIFY(live);
        QTRY_VERIFY_WITH_TIMEOUT(!live->digitalOutputGroupBox->isHidden(), 5000);
        QTRY_COMPARE(live->digitalOutScrollBar->value(), 300);
        live->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(live));
        QScrollBar *bar = live->digitalOutScrollBar;
        QLineEdit *edit = live->digitalOutMaskEdit;
        if (way == "wheel") {
            QWheelEvent wheel(QPointF(5, 5), bar->mapToGlobal(QPointF(5, 5)), QPoint(),
                              QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(bar, &wheel);
        } else if (way == "key") {
            bar->setFocus();
            QTest::keyClick(bar, Qt::Key_Right);
        } else {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, way == "beyond" ? "1500" : "250");
            QTest::keyClick(edit, way == "enter" ? Qt::Key_Return : Qt::Key_Tab);
            if (way != "enter")
                QVERIFY(!edit->hasFocus());
        }
        if (expected < 0) {
            QVERIFY(bar->value() != 300);
            expected = bar->value();
        }
        QCOMPARE(edit->text(), QString::number(expected));
        QTRY_COMPARE_WITH_TIMEOUT(rig->reg(0x0017), quint16(expected), 5000);
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }

    // A live write that fails ends its cycle: the choices taken with it are not written,
    // and the next good poll shows what the module holds for each of them.
    void failedLiveWriteShowsTheModule()
    {
        // The module keeps its output and requested states whatever is written, so a
        // choice written in a cycle of its own is shown as the module holds it as well.
        std::atomic<bool> armed{false};
        rig->observer = [&](const sim::Frame &f) {
            const bool positionWrite = !f.reply && quint8(f.bytes[1]) == 16 &&
                                       quint8(f.bytes[2]) == 0x00 && quint8(f.bytes[3]) == 0x18;
            if (positionWrite && armed.exchange(false))
                rig->server->failNextRequests(1, 4);
        };
        QVERIFY(rig->start(
            std::make_shared<KeepingModule>(std::set<int>{0x0010, 0x0011, 0x0012, 0x0017})));
        page = std::make_unique<TcForm13>();
        rig->shell.page = page.get();
        rig->device->setHolding(0x0032, 1); // two-state output, off
        rig->device->setHolding(0x0017, 0);
        rig->device->setValues(sim::Table::Holding, 0x005C, {5, 6, 7, 8});
        rig->device->setHolding(0x0055, 4);
        rig->device->setHolding(0x0010, 2);
        rig->device->setHolding(0x0018, 9);
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Tc13extForm *>(page->liveWindow());
        QVERIFY(live);
        QTRY_COMPARE_WITH_TIMEOUT(live->reqMode[0]->count(), 4, 5000);
        QTRY_COMPARE(live->reqMode[0]->currentIndex(), 2);
        QCOMPARE(live->symbolAtPosition[0]->currentIndex(), 9);
        QCOMPARE(live->DigitalOutRadioGroup->itemIndex(), 0);

        // Three choices in one go; the first write (the position's) fails.
        armed = true;
        choose(live->symbolAtPosition[0], 11);
        live->DigitalOutRadioGroup->setItemIndex(1);
        choose(live->reqMode[0], 1);
        QTRY_VERIFY_WITH_TIMEOUT(!armed, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(live->reader()->errorCount() > 0, 5000);
        const int reads = live->reader()->readCount();
        QTRY_VERIFY_WITH_TIMEOUT(live->reader()->readCount() > reads + 1, 5000);
        QCOMPARE(live->symbolAtPosition[0]->currentIndex(), 9);
        QCOMPARE(live->DigitalOutRadioGroup->itemIndex(), 0);
        QCOMPARE(live->reqMode[0]->currentIndex(), 2);
        QCOMPARE(live->reqModeCounter[0]->text(), QStringLiteral("2"));
        QCOMPARE(rig->reg(0x0018), quint16(9));
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        QTRY_VERIFY(!page->liveWindow());
    }

    void otherModuleRefused()
    {
        open(QStringLiteral("GWR1"));
        get();
        QCOMPARE(rig->prompts.lastText(), message(9));
        rig->prompts.clear();
        send();
        QCOMPARE(rig->prompts.lastText(), message(9));
        QCOMPARE(rig->frames(16), 0);
    }
};

QTEST_MAIN(Cwr1Test)
#include "tst_cwr1.moc"
